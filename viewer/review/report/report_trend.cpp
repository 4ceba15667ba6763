#include "review/report/report_trend.h"

#include <cmath>
#include <limits>

namespace tarvex {

AggregatingTrendPlot::AggregatingTrendPlot(TrendPlot& inner, PixelColumns columns, PointSink points)
    : inner_(inner), columns_(columns), sink_(std::move(points)) {}

void AggregatingTrendPlot::appendPoints(int index, std::vector<TrendPoint>&& points) {
  if (points.empty()) return;
  received_ += points.size();
  if (sink_) sink_(index, points.data(), points.size());
  scratch_.clear();
  aggregateColumns(
      points.data(), points.size(), columns_, [](const TrendPoint& p) { return p.x; },
      [](const TrendPoint& p) { return p.y; }, scratch_);
  std::vector<TrendPoint> trace;
  trace.reserve(scratch_.size() * 4 + 2);
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  // The builder hands a channel over in parts: a gap at either end of a
  // part still breaks the line between the parts.
  if (std::isnan(points.front().y)) trace.push_back({points.front().x, nan});
  std::vector<TrendPoint> part = aggregatedTrace(scratch_);
  trace.insert(trace.end(), part.begin(), part.end());
  if (std::isnan(points.back().y) && !scratch_.empty()) trace.push_back({points.back().x, nan});
  passed_ += trace.size();
  inner_.appendPoints(index, std::move(trace));
}

}  // namespace tarvex
