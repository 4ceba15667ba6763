#include "trend/gui/qcp_trend_graph.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "trend/trace_strokes.h"

namespace tarvex {

TrendGraph::TrendGraph(QCPAxis* keyAxis, QCPAxis* valueAxis)
    : QCPGraph(keyAxis, valueAxis), points_(std::make_unique<TrendGraphData>()) {}

void TrendGraph::setPixelAggregation(bool on) {
  aggregation_ = on;
  if (on && filled_) {
    // QCustomPlot's copy of the points is no longer needed.
    mDataContainer->clear();
    mDataContainer->squeeze();
    filled_ = false;
  }
}

void TrendGraph::setEnvelope(std::unique_ptr<TrendGraphData> envelope, double density) {
  envelope_ = std::move(envelope);
  envelopeDensity_ = density;
}

void TrendGraph::fillContainer() {
  if (filled_ && filledVersion_ == points_->version()) return;
  const TrendGraphData& d = *points_;
  QVector<QCPGraphData> all(static_cast<qsizetype>(d.size()));
  for (std::size_t i = 0; i < d.size(); ++i)
    all[static_cast<qsizetype>(i)] = {d.key(i), d.value(i)};
  mDataContainer->set(all, true);
  filledVersion_ = d.version();
  filled_ = true;
}

QCPRange TrendGraph::getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain) const {
  const TrendGraphData& d = *points_;
  QCPRange range;
  foundRange = false;
  for (std::size_t i = 0; i < d.size(); ++i) {
    const double k = d.key(i);
    if (std::isnan(d.value(i))) continue;
    if ((inSignDomain == QCP::sdPositive && !(k > 0)) ||
        (inSignDomain == QCP::sdNegative && !(k < 0)))
      continue;
    if (!foundRange) {
      range = QCPRange(k, k);
      foundRange = true;
    } else {
      range.lower = std::min(range.lower, k);
      range.upper = std::max(range.upper, k);
    }
  }
  return range;
}

QCPRange TrendGraph::getValueRange(bool& foundRange, QCP::SignDomain inSignDomain,
                                   const QCPRange& inKeyRange) const {
  const TrendGraphData& d = *points_;
  const bool restrict = inKeyRange != QCPRange();
  std::size_t from = 0, to = d.size();
  if (restrict) {
    from = d.lowerBound(inKeyRange.lower);
    to = d.upperBound(inKeyRange.upper);
  }
  QCPRange range;
  foundRange = false;
  for (std::size_t i = from; i < to; ++i) {
    const double v = d.value(i);
    if (std::isnan(v)) continue;
    if ((inSignDomain == QCP::sdPositive && !(v > 0)) ||
        (inSignDomain == QCP::sdNegative && !(v < 0)))
      continue;
    if (!foundRange) {
      range = QCPRange(v, v);
      foundRange = true;
    } else {
      range.lower = std::min(range.lower, v);
      range.upper = std::max(range.upper, v);
    }
  }
  return range;
}

bool TrendGraph::aggregates() const {
  const QCPAxis* key = mKeyAxis.data();
  const QCPAxis* value = mValueAxis.data();
  return aggregation_ && key && value && key->orientation() == Qt::Horizontal &&
         key->scaleType() == QCPAxis::stLinear && value->scaleType() == QCPAxis::stLinear &&
         !key->rangeReversed() && mLineStyle == lsLine && mScatterStyle.isNone() &&
         mBrush.style() == Qt::NoBrush && selection().isEmpty();
}

namespace {

// The plan of the X values [xs, xs + n) cut into `columns`: made once and
// kept while no trace's points change, for the next trace drawn that shares
// them. A few plans are kept: the channels' X values, the reference's, and
// their envelopes'.
const ColumnPlan& columnPlan(const double* xs, std::size_t n, const PixelColumns& columns) {
  struct Kept {
    const double* xs = nullptr;
    std::size_t n = 0;
    PixelColumns columns;
    std::uint64_t changes = 0;
    ColumnPlan plan;
  };
  thread_local std::array<Kept, 4> kept;
  thread_local std::size_t next = 0;
  const std::uint64_t changes = TrendGraphData::changes();
  for (const Kept& k : kept)
    if (k.xs == xs && k.n == n && k.changes == changes && k.columns.xMin == columns.xMin &&
        k.columns.xMax == columns.xMax && k.columns.width == columns.width)
      return k.plan;
  Kept& k = kept[next];
  next = (next + 1) % kept.size();
  k.xs = xs;
  k.n = n;
  k.columns = columns;
  k.changes = changes;
  planColumns(xs, n, columns, k.plan);
  return k.plan;
}

}  // namespace

void TrendGraph::draw(QCPPainter* painter) {
  if (!aggregates()) {
    fillContainer();
    QCPGraph::draw(painter);
    return;
  }
  QCPAxis* key = mKeyAxis.data();
  QCPAxis* value = mValueAxis.data();
  const QCPRange range = key->range();
  if (!(range.size() > 0) || points_->empty()) return;
  if (mPen.style() == Qt::NoPen || mPen.color().alpha() == 0) return;

  // Columns of the device's own pixels: the screen's (its pixel ratio
  // included), the picture's, the page's at the printer's resolution.
  const double left = key->coordToPixel(range.lower);
  const double right = key->coordToPixel(range.upper);
  const QTransform& t = painter->transform();
  double deviceScale = std::hypot(t.m11(), t.m12());
  if (const QPaintDevice* device = painter->device()) deviceScale *= device->devicePixelRatioF();
  const double deviceWidth = std::fabs(right - left) * deviceScale;
  const int width = static_cast<int>(std::clamp(std::ceil(deviceWidth), 1.0, 1048576.0));

  // The points in view and one beyond each edge, so lines leave the edges
  // in their true direction; the envelope's while a column holds enough.
  auto inView = [&](const TrendGraphData& d, std::size_t& begin, std::size_t& end) {
    begin = d.lowerBound(range.lower);
    if (begin > 0) --begin;
    end = d.upperBound(range.upper);
    if (end < d.size()) ++end;
  };
  const TrendGraphData* d = points_.get();
  std::size_t begin, end;
  inView(*d, begin, end);
  drewEnvelope_ = envelope_ && !envelope_->empty() &&
                  static_cast<double>(end - begin) >= envelopeDensity_ * width;
  if (drewEnvelope_) {
    d = envelope_.get();
    inView(*d, begin, end);
  }
  if (end <= begin) return;

  // One room for the columns of every channel a thread draws, kept between
  // draws: a few hundred kilobytes, not that much a channel.
  thread_local std::vector<ColumnAggregate> columns;
  columns.clear();
  // The X column is cut into pixel columns once for all the traces that
  // share it (the channels of one table, the reference's traces), then each
  // trace's Y column is walked alone.
  const double* keys = d->keys() + begin;
  const ColumnPlan& plan =
      columnPlan(keys, end - begin, PixelColumns{range.lower, range.upper, width});
  aggregatePlanned(keys, d->values() + begin, plan, columns);

  const QCPRange values = value->range();
  TraceMapping map;
  map.xOrigin = range.lower;
  map.xOffset = left;
  map.xScale = (right - left) / range.size();
  map.yOrigin = values.lower;
  map.yOffset = value->coordToPixel(values.lower);
  map.yScale = (value->coordToPixel(values.upper) - map.yOffset) / values.size();
  if (!std::isfinite(map.xScale) || !std::isfinite(map.yScale)) return;

  StrokeOptions options;
  options.flatHeight = std::max(1.0, mPen.widthF()) / 2;
  const TraceStrokes strokes = traceStrokes(columns, map, options);
  applyDefaultAntialiasingHint(painter);
  drawSpans(painter, strokes);
  drawPieces(painter, strokes);
}

void TrendGraph::drawSpans(QCPPainter* painter, const TraceStrokes& strokes) const {
  if (strokes.spans.empty()) return;
  const double half = std::max(1.0, mPen.widthF()) / 2;
  if (mPen.style() == Qt::SolidLine) {
    // What the pen covers around the column's points, filled at once.
    std::vector<QRectF> areas;
    areas.reserve(strokes.spans.size());
    for (const QRectF& r : strokes.spans) {
      // Across: the pen's half width beyond the first and the last point.
      // Up: the extremes are mostly turns of the trace, where its joins end
      // level with the point; a column flatter than the pen is as high as
      // the pen is wide.
      const double pad = std::max(0.0, half - r.height() / 2);
      areas.push_back(r.adjusted(-half, -pad, half, pad));
    }
    painter->setPen(Qt::NoPen);
    painter->setBrush(mPen.brush());
    painter->drawRects(areas.data(), static_cast<int>(areas.size()));
    painter->setBrush(Qt::NoBrush);
    return;
  }
  // A patterned pen strokes the column's height, so its pattern shows.
  std::vector<QLineF> lines;
  lines.reserve(strokes.spans.size());
  for (const QRectF& r : strokes.spans)
    lines.emplace_back(r.center().x(), r.top(), r.center().x(), r.bottom());
  painter->setPen(mPen);
  painter->setBrush(Qt::NoBrush);
  painter->drawLines(lines.data(), static_cast<int>(lines.size()));
}

void TrendGraph::drawPieces(QCPPainter* painter, const TraceStrokes& strokes) const {
  if (strokes.pieces.empty()) return;
  // A raster device strokes a joined polyline through a general path filler
  // whose cost grows with the pixel rows its edges cross, while a separate
  // line goes through a fast line rasterizer. So on a raster device a piece
  // that zigzags steeply is drawn as separate lines (a solid pen's flat
  // ends meet at a sharp turn as its join would), the rest as joined
  // polylines.
  // With the screen's fast-polyline hint every piece is drawn as separate
  // lines with the pen's own ends, as QCustomPlot draws its polylines there.
  const bool vector = painter->modes().testFlag(QCPPainter::pmVectorized);
  const bool cached = !vector && !painter->modes().testFlag(QCPPainter::pmNoCaching);
  const bool fastScreen = cached && mParentPlot &&
                          mParentPlot->plottingHints().testFlag(QCP::phFastPolylines) &&
                          mPen.style() == Qt::SolidLine;
  const double width = std::max(1.0, mPen.widthF());
  const bool dashed = mPen.style() != Qt::SolidLine;
  // A patterned pen puts its cap on every dash: it keeps its own ends, and a
  // piece's pattern continues from where the previous piece left it.
  const bool lengthenEnds = !fastScreen && !dashed && mPen.capStyle() == Qt::SquareCap;
  QPen piecePen = mPen;
  if (lengthenEnds) piecePen.setCapStyle(Qt::FlatCap);

  // The square cap of a true end, as a flat end half the width further.
  auto lengthen = [&](QPointF& end, const QPointF& inner) {
    const QPointF d = end - inner;
    const double length = std::hypot(d.x(), d.y());
    if (length > 0) end += d * (width / 2 / length);
  };
  std::vector<QLineF> lines;
  std::vector<QPointF> buffer;
  painter->setBrush(Qt::NoBrush);
  painter->setPen(piecePen);
  for (const TraceStrokes::Piece& p : strokes.pieces) {
    const std::size_t n = p.end - p.begin;
    buffer.assign(strokes.points.begin() + static_cast<std::ptrdiff_t>(p.begin),
                  strokes.points.begin() + static_cast<std::ptrdiff_t>(p.end));
    if (lengthenEnds) {
      if (p.capAtStart) lengthen(buffer[0], buffer[1]);
      if (p.capAtEnd) lengthen(buffer[n - 1], buffer[n - 2]);
    }
    bool separate = fastScreen;
    if (!separate && !vector) {
      double rise = 0;
      for (std::size_t k = 1; k < n; ++k) rise += std::fabs(buffer[k].y() - buffer[k - 1].y());
      separate = rise > kSteepRise * static_cast<double>(n - 1);
    }
    if (separate) {
      for (std::size_t k = p.continues ? 1 : 0; k + 1 < n; ++k)
        lines.emplace_back(buffer[k], buffer[k + 1]);
      continue;
    }
    if (dashed) {
      piecePen.setDashOffset(p.dashStart / width);
      painter->setPen(piecePen);
    }
    painter->drawPolyline(buffer.data(), static_cast<int>(n));
  }
  if (!lines.empty()) {
    if (dashed) piecePen.setDashOffset(0);
    painter->setPen(piecePen);
    painter->drawLines(lines.data(), static_cast<int>(lines.size()));
  }
}

}  // namespace tarvex
