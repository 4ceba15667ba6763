#include "review/reference_overlay.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "review/huge_pages.h"
#include "trend/two_threads.h"

namespace tarvex {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

bool differencesNeedOwnAxis(double differenceSpan, double valueSpan) {
  if (!(differenceSpan > 0) || !(valueSpan > 0)) return differenceSpan != valueSpan;
  return differenceSpan * 10 < valueSpan || differenceSpan > valueSpan * 10;
}

ReferenceOverlay::ReferenceOverlay(const TrendPlot& plot, Batch reference,
                                   ReferenceSignature signature)
    : plot_(plot), reference_(std::move(reference)), signature_(std::move(signature)) {
  const std::size_t channels = static_cast<std::size_t>(std::max(0, plot_.channelCount()));
  match_.resize(channels);
  diff_.resize(channels);
  for (std::size_t c = 0; c < channels; ++c) {
    const int ch = static_cast<int>(c);
    match_[c] = matchTitle(reference_.titles, plot_.channelStyle(ch).titleText);
    const std::size_t n = plot_.pointCount(ch);
    if (n > 0) {
      const TimeMs a = serialToMs(plot_.point(ch, 0).x), b = serialToMs(plot_.point(ch, n - 1).x);
      first_ = haveTimes_ ? std::min(first_, a) : a;
      last_ = haveTimes_ ? std::max(last_, b) : b;
      haveTimes_ = true;
    }
    if (match_[c] < 0) continue;
    for (double v : reference_.values[static_cast<std::size_t>(match_[c])]) {
      if (std::isnan(v)) continue;
      refLo_ = haveRefValues_ ? std::min(refLo_, v) : v;
      refHi_ = haveRefValues_ ? std::max(refHi_, v) : v;
      haveRefValues_ = true;
    }
  }
  setAlignment({});
}

void ReferenceOverlay::setAlignment(const Alignment& alignment) {
  alignment_ = alignment;
  const bool haveRef = !reference_.empty();
  shift_ = haveTimes_ && haveRef ? alignmentShift(alignment, first_, last_,
                                                  reference_.times.front(), reference_.times.back())
                                 : alignment.offset;
  overlap_ = haveTimes_ && haveRef &&
             rangesOverlap(first_, last_, reference_.times.front() + shift_,
                           reference_.times.back() + shift_);
  // The channels' points are read in parts and met by the reference in
  // one pass each; the channels are shared between two threads (the plot's
  // points are only read).
  auto channel = [this](std::size_t c) {
    if (match_[c] < 0) return;
    std::vector<TrendPoint> part(4096);
    const int ch = static_cast<int>(c);
    const std::size_t n = plot_.pointCount(ch);
    std::vector<double>& d = diff_[c];
    reserveHuge(d, n);
    d.assign(n, kNaN);
    if (!overlap_) return;
    ReferenceSweep sweep(reference_.times, reference_.values[static_cast<std::size_t>(match_[c])],
                         shift_);
    for (std::size_t first = 0; first < n && !sweep.past(); first += part.size()) {
      const std::size_t k = std::min(part.size(), n - first);
      plot_.copyPoints(ch, first, k, part.data());
      for (std::size_t i = 0; i < k; ++i) {
        const double y = part[i].y;
        if (std::isnan(y)) continue;
        d[first + i] = y - sweep.at(serialToMs(part[i].x));
        if (sweep.past()) break;
      }
    }
  };
  const std::size_t channels = match_.size();
  auto every2nd = [&](std::size_t from) {
    for (std::size_t c = from; c < channels; c += 2) channel(c);
  };
  onTwoThreads([&] { every2nd(0); }, [&] { every2nd(1); });
}

QStringList ReferenceOverlay::missingTitles() const {
  QStringList missing;
  for (std::size_t c = 0; c < match_.size(); ++c)
    if (match_[c] < 0) missing << plot_.channelStyle(static_cast<int>(c)).titleText;
  return missing;
}

TrendOverlay ReferenceOverlay::overlay(bool differences) const {
  TrendOverlay o;
  o.titleLine = referenceTitleLine(reference_.name, shift_);
  o.readings = this;
  o.secondAxisTitle = QStringLiteral("Difference");

  // The differences' and the values' spans decide the differences' axis.
  double dLo = 0, dHi = 0;
  bool anyD = false;
  for (std::size_t c = 0; differences && c < match_.size(); ++c) {
    if (match_[c] < 0) continue;
    for (double d : diff_[c]) {
      if (std::isnan(d)) continue;
      dLo = anyD ? std::min(dLo, d) : d;
      dHi = anyD ? std::max(dHi, d) : d;
      anyD = true;
    }
  }
  const TrendAxisSettings y = plot_.axis(TrendAxis::Y);
  const double vLo = haveRefValues_ ? std::min(refLo_, y.min) : y.min;
  const double vHi = haveRefValues_ ? std::max(refHi_, y.min + y.span) : y.min + y.span;
  const bool ownAxis = anyD && differencesNeedOwnAxis(dHi - dLo, vHi - vLo);

  for (std::size_t c = 0; c < match_.size(); ++c) {
    if (match_[c] < 0) continue;
    const TrendChannelStyle style = plot_.channelStyle(static_cast<int>(c));
    TrendOverlayTrace ref;
    ref.titleText = style.titleText + QStringLiteral(" (reference)");
    ref.color = style.color;
    ref.traceLineWidth = 1;
    ref.penStyle = Qt::DashLine;
    const std::vector<TimeMs>& rt = reference_.times;
    const std::vector<double>& rv = reference_.values[static_cast<std::size_t>(match_[c])];
    const TimeMs shift = shift_;
    ref.count = rt.size();
    ref.fill = [&rt, &rv, shift](std::size_t first, std::size_t n, TrendPoint* out) {
      for (std::size_t i = 0; i < n; ++i)
        out[i] = {msToSerial(rt[first + i] + shift), rv[first + i]};
    };
    o.traces.push_back(std::move(ref));
    if (!differences) continue;
    TrendOverlayTrace diff;
    diff.titleText = style.titleText + QStringLiteral(" (difference)");
    diff.color = style.color;
    diff.traceLineWidth = 1;
    diff.penStyle = Qt::DotLine;
    diff.secondAxis = ownAxis;
    const std::vector<double>& d = diff_[c];
    const TrendPlot& plot = plot_;
    const int ch = static_cast<int>(c);
    diff.count = d.size();
    diff.fill = [&plot, &d, ch](std::size_t first, std::size_t n, TrendPoint* out) {
      plot.copyPoints(ch, first, n, out);  // the channel's X
      for (std::size_t i = 0; i < n; ++i) out[i].y = d[first + i];
    };
    o.traces.push_back(std::move(diff));
  }
  return o;
}

QStringList ReferenceOverlay::referenceNotes() const {
  QStringList notes{
      QStringLiteral("Reference %1, shifted %2 (%3%4)")
          .arg(reference_.name, shiftText(shift_), alignModeCaption(alignment_.mode),
               alignment_.offset ? QStringLiteral(", offset ") + offsetText(alignment_.offset)
                                 : QString()),
      signature_.note()};
  if (!overlap_) notes << QStringLiteral("no overlap");
  return notes;
}

bool ReferenceOverlay::compared(int channel) const {
  return channel >= 0 && static_cast<std::size_t>(channel) < match_.size() && match_[channel] >= 0;
}

double ReferenceOverlay::referenceAt(int channel, double x) const {
  if (!compared(channel)) return kNaN;
  return interpolateAt(reference_.times,
                       reference_.values[static_cast<std::size_t>(match_[channel])],
                       serialToMs(x) - shift_);
}

DifferenceSummary ReferenceOverlay::differences(int channel, double from, double to) const {
  DifferenceSummary s;
  if (!compared(channel)) return s;
  const std::vector<double>& d = diff_[static_cast<std::size_t>(channel)];
  // The channel's points with X in [from, to]: two searches, then the
  // differences alone.
  const std::size_t end = std::min(d.size(), plot_.pointCount(channel));
  auto firstWhere = [&](auto before) {
    std::size_t lo = 0, hi = end;
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      if (before(plot_.point(channel, mid).x))
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo;
  };
  const std::size_t a = firstWhere([from](double x) { return x < from; });
  const std::size_t b = firstWhere([to](double x) { return x <= to; });
  DifferenceAccumulator acc;
  for (std::size_t i = a; i < b; ++i) acc.add(0, d[i]);
  const DifferenceStats st = acc.stats();
  s.count = st.compared;
  s.maxAbs = st.maxAbs;
  s.mean = st.mean;
  s.rms = st.rms;
  return s;
}

}  // namespace tarvex
