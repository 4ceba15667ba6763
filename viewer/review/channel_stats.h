// The statistics of one channel over the review window, as the batch review
// report prints them: pure arithmetic over the points the trend shows, fed
// in row order.
//
// A point is a cell with a number; a gap is a row whose cell is empty or not
// a number. With limits, an excursion is a maximal run of consecutive points
// strictly outside them (a value equal to a bound is inside); a gap ends a
// run. An excursion lasts from its first point to the X of the next row (a
// point inside the limits, or the gap's row); a run still open at the end of
// the window lasts until the window's end.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace tarvex {

// Either bound may be open. A value equal to a bound is inside.
struct ChannelLimits {
  std::optional<double> low;
  std::optional<double> high;
  bool isSet() const { return low.has_value() || high.has_value(); }
  bool outside(double v) const { return (low && v < *low) || (high && v > *high); }
};

struct ChannelStats {
  std::int64_t points = 0;  // rows with a number
  std::int64_t gaps = 0;    // rows without one
  // The first lowest and first highest value and their X; valid when
  // points > 0.
  double min = 0, minX = 0;
  double max = 0, maxX = 0;
  double mean = 0;
  std::optional<double> stdDev;  // sample standard deviation; needs two points
  double first = 0, last = 0;
  // With limits (ChannelLimits::isSet()):
  std::int64_t excursions = 0;
  double outsideDays = 0;    // total time outside, in days (X units)
  double longestDays = 0;    // the longest excursion, in days
  double longestStartX = 0;  // where it started; valid when excursions > 0
};

// Adds up one channel's points in X order.
class ChannelStatsAccumulator {
 public:
  explicit ChannelStatsAccumulator(ChannelLimits limits = {}) : limits_(limits) {}

  // The row at X: y a number, or NaN for a gap.
  void add(double x, double y);
  // The statistics so far; a run still open ends at windowEnd (the window's
  // To, or the last row's X when the window has no end).
  ChannelStats result(double windowEnd) const;

  const ChannelLimits& limits() const { return limits_; }

 private:
  void closeRun(double endX);

  ChannelLimits limits_;
  ChannelStats s_;
  // Welford's running mean and sum of squared deviations.
  double m2_ = 0;
  std::optional<double> runStart_;
};

// Durations as the report prints them: "40 s", "12 min 05 s", "3 h 02 min 10 s",
// rounded to the second.
QString durationText(double days);

}  // namespace tarvex
