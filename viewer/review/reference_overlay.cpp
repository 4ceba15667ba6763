#include "review/reference_overlay.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarvex {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The first point of channel `c` with X >= x.
std::size_t firstAtOrAfter(const TrendPlot& plot, int c, double x) {
  std::size_t lo = 0, hi = plot.pointCount(c);
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (plot.point(c, mid).x < x)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

}  // namespace

bool differencesNeedOwnAxis(double differenceSpan, double valueSpan) {
  if (!(differenceSpan > 0) || !(valueSpan > 0)) return differenceSpan != valueSpan;
  return differenceSpan * 10 < valueSpan || differenceSpan > valueSpan * 10;
}

ReferenceOverlay::ReferenceOverlay(const TrendPlot& plot, Batch reference,
                                   ReferenceSignature signature)
    : plot_(plot), reference_(std::move(reference)), signature_(std::move(signature)) {
  for (int c = 0; c < plot_.channelCount(); ++c)
    match_.push_back(matchTitle(reference_.titles, plot_.channelStyle(c).titleText));
  setAlignment({});
}

void ReferenceOverlay::setAlignment(const Alignment& alignment) {
  alignment_ = alignment;
  // The current batch's first and last times over every channel.
  bool any = false;
  TimeMs first = 0, last = 0;
  for (int c = 0; c < plot_.channelCount(); ++c) {
    const std::size_t n = plot_.pointCount(c);
    if (n == 0) continue;
    const TimeMs a = serialToMs(plot_.point(c, 0).x), b = serialToMs(plot_.point(c, n - 1).x);
    first = any ? std::min(first, a) : a;
    last = any ? std::max(last, b) : b;
    any = true;
  }
  const bool haveRef = !reference_.empty();
  shift_ = any && haveRef ? alignmentShift(alignment, first, last, reference_.times.front(),
                                           reference_.times.back())
                          : alignment.offset;
  overlap_ = any && haveRef &&
             rangesOverlap(first, last, reference_.times.front() + shift_,
                           reference_.times.back() + shift_);

  diff_.assign(match_.size(), {});
  std::vector<TimeMs> at;
  std::vector<double> values;
  for (std::size_t c = 0; c < match_.size(); ++c) {
    if (match_[c] < 0) continue;
    const int ch = static_cast<int>(c);
    const std::size_t n = plot_.pointCount(ch);
    at.resize(n);
    values.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      const TrendPoint p = plot_.point(ch, i);
      at[i] = serialToMs(p.x);
      values[i] = p.y;
    }
    std::vector<double>& d = diff_[c];
    d.assign(n, kNaN);
    if (overlap_)
      forEachDifference(at.data(), values.data(), n, reference_.times,
                        reference_.values[static_cast<std::size_t>(match_[c])], shift_,
                        [&](std::size_t i, double delta) { d[i] = delta; });
  }
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
  double dLo = 0, dHi = 0, vLo = 0, vHi = 0;
  bool anyD = false, anyV = false;
  for (std::size_t c = 0; c < match_.size(); ++c) {
    if (match_[c] < 0) continue;
    for (double v : reference_.values[static_cast<std::size_t>(match_[c])]) {
      if (std::isnan(v)) continue;
      vLo = anyV ? std::min(vLo, v) : v;
      vHi = anyV ? std::max(vHi, v) : v;
      anyV = true;
    }
    if (!differences) continue;
    for (double d : diff_[c]) {
      if (std::isnan(d)) continue;
      dLo = anyD ? std::min(dLo, d) : d;
      dHi = anyD ? std::max(dHi, d) : d;
      anyD = true;
    }
  }
  const TrendAxisSettings y = plot_.axis(TrendAxis::Y);
  const double valueSpan = std::max(vHi, y.min + y.span) - std::min(vLo, y.min);
  const bool ownAxis = anyD && differencesNeedOwnAxis(dHi - dLo, valueSpan);

  for (std::size_t c = 0; c < match_.size(); ++c) {
    if (match_[c] < 0) continue;
    const TrendChannelStyle style = plot_.channelStyle(static_cast<int>(c));
    TrendOverlayTrace ref;
    ref.titleText = style.titleText + QStringLiteral(" (reference)");
    ref.color = style.color;
    ref.traceLineWidth = style.traceLineWidth;
    ref.penStyle = Qt::DashLine;
    const std::vector<double>& v = reference_.values[static_cast<std::size_t>(match_[c])];
    ref.points.reserve(v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
      ref.points.push_back({msToSerial(reference_.times[i] + shift_), v[i]});
    o.traces.push_back(std::move(ref));
    if (!differences) continue;
    TrendOverlayTrace diff;
    diff.titleText = style.titleText + QStringLiteral(" (difference)");
    diff.color = style.color;
    diff.traceLineWidth = 1;
    diff.penStyle = Qt::DotLine;
    diff.secondAxis = ownAxis;
    const std::vector<double>& d = diff_[c];
    diff.points.reserve(d.size());
    for (std::size_t i = 0; i < d.size(); ++i)
      diff.points.push_back({plot_.point(static_cast<int>(c), i).x, d[i]});
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
  DifferenceAccumulator acc;
  const std::size_t end = std::min(d.size(), plot_.pointCount(channel));
  for (std::size_t i = firstAtOrAfter(plot_, channel, from); i < end; ++i) {
    if (plot_.point(channel, i).x > to) break;
    acc.add(0, d[i]);
  }
  const DifferenceStats st = acc.stats();
  s.count = st.compared;
  s.maxAbs = st.maxAbs;
  s.mean = st.mean;
  s.rms = st.rms;
  return s;
}

}  // namespace tarvex
