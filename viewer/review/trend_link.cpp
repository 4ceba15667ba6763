#include "review/trend_link.h"

#include <algorithm>

namespace tarvex {

double centredMinimum(double x, double span) { return x - span / 2.0; }

TimeWindow windowFromTrend(std::optional<double> cursor1, std::optional<double> cursor2,
                           double axisMin, double axisSpan) {
  if (cursor1 && cursor2)
    return TimeWindow{std::min(*cursor1, *cursor2), std::max(*cursor1, *cursor2)};
  const double end = axisMin + axisSpan;
  return TimeWindow{std::min(axisMin, end), std::max(axisMin, end)};
}

}  // namespace tarvex
