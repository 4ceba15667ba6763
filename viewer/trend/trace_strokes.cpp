#include "trend/trace_strokes.h"

#include <algorithm>
#include <cmath>

namespace tarvex {

namespace {

// Collects one line at a time and cuts it into pieces.
class LineCutter {
 public:
  LineCutter(TraceStrokes& out, std::size_t maxPoints)
      : out_(out), maxPoints_(std::max<std::size_t>(3, maxPoints)) {}

  void add(const QPointF& p) {
    if (line_.empty()) capAtStart_ = nextStartIsCap_;
    if (!line_.empty() && line_.back() == p) return;
    line_.push_back(p);
  }

  // Ends the line. `trueEnd`: the trace itself ends or breaks here (the pen's
  // cap belongs there); otherwise the line only runs into a span. The next
  // line starts where this one ended.
  void finish(bool trueEnd) {
    if (line_.size() >= 2) cut(trueEnd);
    line_.clear();
    nextStartIsCap_ = trueEnd;
  }

 private:
  void cut(bool capAtEnd) {
    double travelled = 0;
    std::size_t from = 0;
    for (;;) {
      const std::size_t to = std::min(line_.size(), from + maxPoints_);
      TraceStrokes::Piece piece;
      piece.begin = out_.points.size();
      piece.dashStart = travelled;
      piece.continues = from > 0;
      piece.capAtStart = from == 0 && capAtStart_;
      piece.capAtEnd = to == line_.size() && capAtEnd;
      out_.points.insert(out_.points.end(), line_.begin() + static_cast<std::ptrdiff_t>(from),
                         line_.begin() + static_cast<std::ptrdiff_t>(to));
      piece.end = out_.points.size();
      out_.pieces.push_back(piece);
      if (to == line_.size()) break;
      // The next piece starts with this one's last segment.
      for (std::size_t k = from; k + 2 < to; ++k) {
        const QPointF d = line_[k + 1] - line_[k];
        travelled += std::hypot(d.x(), d.y());
      }
      from = to - 2;
    }
  }

  TraceStrokes& out_;
  const std::size_t maxPoints_;
  std::vector<QPointF> line_;
  bool capAtStart_ = true;
  bool nextStartIsCap_ = true;
};

}  // namespace

TraceStrokes traceStrokes(const std::vector<ColumnAggregate>& columns, const TraceMapping& map,
                          const StrokeOptions& options) {
  TraceStrokes out;
  out.points.reserve(columns.size() * 2 + 2);
  LineCutter line(out, options.maxPiecePoints);
  // A column whose points draw as one span: three or more, reaching higher
  // than the line through its first and last point would cover.
  auto spanned = [&](const ColumnAggregate& a) {
    return a.count >= 3 && std::fabs(map.mapY(a.max.y) - map.mapY(a.min.y)) > options.flatHeight;
  };
  const ColumnAggregate* previous = nullptr;
  bool previousSpanned = false;
  for (const ColumnAggregate& a : columns) {
    if (a.breakBefore && previous) line.finish(true);
    const bool span = spanned(a);
    if (!span) {
      line.add(map.map(a.first));
      if (a.count >= 2) line.add(map.map(a.last));
      previous = &a;
      previousSpanned = false;
      continue;
    }
    const QPointF first = map.map(a.first);
    const QPointF last = map.map(a.last);
    const double y1 = map.mapY(a.min.y);
    const double y2 = map.mapY(a.max.y);
    out.spans.emplace_back(QPointF(std::min(first.x(), last.x()), std::min(y1, y2)),
                           QPointF(std::max(first.x(), last.x()), std::max(y1, y2)));
    // The line from the previous column is hidden when both columns are
    // spans side by side whose extents overlap: it runs inside the two.
    const bool hidden = previous && !a.breakBefore && previousSpanned &&
                        a.column == previous->column + 1 && previous->min.y <= a.max.y &&
                        a.min.y <= previous->max.y;
    if (!hidden) line.add(first);
    // Inside the column the trace runs within the span.
    line.finish(false);
    line.add(last);
    previous = &a;
    previousSpanned = true;
  }
  line.finish(true);
  return out;
}

}  // namespace tarvex
