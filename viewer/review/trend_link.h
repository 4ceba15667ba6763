// The arithmetic between the trend and the review window: the trend's X
// values are date-time serials, as the window's ends are.
#pragma once

#include <optional>

#include "review/time_window.h"

namespace tarvex {

// "Show on Trend": the X axis minimum that puts `x` in the middle of a view
// `span` wide (the span is kept).
double centredMinimum(double x, double span);

// "From Trend": the window between the two cursors (in either order) when
// both are shown; otherwise the visible X range, axisMin to axisMin +
// axisSpan.
TimeWindow windowFromTrend(std::optional<double> cursor1, std::optional<double> cursor2,
                           double axisMin, double axisSpan);

}  // namespace tarvex
