#include "review/channel_stats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace tarvex {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kSec = 1.0 / 86400.0;

// Rows 10 s apart from t = 0, values as given (NaN: a gap).
ChannelStats run(const std::vector<double>& values, ChannelLimits limits, double endSec) {
  ChannelStatsAccumulator acc(limits);
  for (std::size_t i = 0; i < values.size(); ++i) acc.add(double(i) * 10 * kSec, values[i]);
  return acc.result(endSec * kSec);
}

TEST(ChannelStats, FiguresOfTheValuesWorkedByHand) {
  // 2 4 4 4 5 5 7 9: mean 5, squared deviations 32, sample sd sqrt(32/7).
  const ChannelStats s = run({2, 4, kNaN, 4, 4, 5, 5, 7, 9, kNaN}, {}, 90);
  EXPECT_EQ(s.points, 8);
  EXPECT_EQ(s.gaps, 2);
  EXPECT_DOUBLE_EQ(s.mean, 5);
  ASSERT_TRUE(s.stdDev);
  EXPECT_NEAR(*s.stdDev, std::sqrt(32.0 / 7.0), 1e-12);
  EXPECT_EQ(s.min, 2);
  EXPECT_NEAR(s.minX, 0, 1e-12);
  EXPECT_EQ(s.max, 9);
  EXPECT_NEAR(s.maxX / kSec, 80, 1e-6);
  EXPECT_EQ(s.first, 2);
  EXPECT_EQ(s.last, 9);
  EXPECT_EQ(s.excursions, 0);  // no limits

  // The first of equal extremes keeps its time; one point has no sd.
  const ChannelStats t = run({3, 1, 1, 5, 5}, {}, 40);
  EXPECT_NEAR(t.minX / kSec, 10, 1e-6);
  EXPECT_NEAR(t.maxX / kSec, 30, 1e-6);
  EXPECT_FALSE(run({3}, {}, 0).stdDev);
  EXPECT_EQ(run({kNaN, kNaN}, {}, 10).points, 0);
}

TEST(ChannelStats, ExcursionsLastToTheNextRowOrTheWindowsEnd) {
  const ChannelLimits zone{170.0, 190.0};
  // 192 and 195 outside from t = 10 until the 185 at t = 30: one excursion of 20 s.
  ChannelStats s = run({180, 192, 195, 185, 180}, zone, 40);
  EXPECT_EQ(s.excursions, 1);
  EXPECT_NEAR(s.outsideDays / kSec, 20, 1e-6);
  EXPECT_NEAR(s.longestDays / kSec, 20, 1e-6);
  EXPECT_NEAR(s.longestStartX / kSec, 10, 1e-6);

  // A gap inside an excursion ends it at the gap's row; the run after the
  // gap is a second one: 10 s (t 10..20) and 20 s (t 30..50).
  s = run({180, 195, kNaN, 196, 160, 180}, zone, 50);
  EXPECT_EQ(s.excursions, 2);
  EXPECT_NEAR(s.outsideDays / kSec, 30, 1e-6);
  EXPECT_NEAR(s.longestDays / kSec, 20, 1e-6);
  EXPECT_NEAR(s.longestStartX / kSec, 30, 1e-6);

  // Still outside at the window's end: it lasts until To (t = 60), 50 s.
  s = run({180, 195, 196}, zone, 60);
  EXPECT_EQ(s.excursions, 1);
  EXPECT_NEAR(s.outsideDays / kSec, 50, 1e-6);
  // Asking again gives the same: the open run is not closed for good.
  ChannelStatsAccumulator acc(zone);
  acc.add(0, 195);
  EXPECT_EQ(acc.result(10 * kSec).excursions, 1);
  acc.add(10 * kSec, 180);
  EXPECT_EQ(acc.result(20 * kSec).excursions, 1);
  EXPECT_NEAR(acc.result(20 * kSec).outsideDays / kSec, 10, 1e-6);
}

TEST(ChannelStats, ABoundIsInsideAndOneSideMayBeOpen) {
  // Values equal to the bounds are inside.
  EXPECT_EQ(run({170, 190, 170, 190}, {170.0, 190.0}, 30).excursions, 0);
  // Only a high limit: any low value is inside.
  ChannelStats s = run({-1000, 191, 190, 250, 250}, {std::nullopt, 190.0}, 45);
  EXPECT_EQ(s.excursions, 2);
  EXPECT_NEAR(s.outsideDays / kSec, 10 + 15, 1e-6);  // 10..20 and 30..45
  // Only a low limit.
  s = run({5, 4.99, 5, 1e9}, {5.0, std::nullopt}, 30);
  EXPECT_EQ(s.excursions, 1);
  EXPECT_NEAR(s.longestDays / kSec, 10, 1e-6);
}

TEST(ChannelStats, DurationText) {
  EXPECT_EQ(durationText(40 * kSec), QStringLiteral("40 s"));
  EXPECT_EQ(durationText(725 * kSec), QStringLiteral("12 min 05 s"));
  EXPECT_EQ(durationText(3 * 3600 * kSec + 130 * kSec), QStringLiteral("3 h 02 min 10 s"));
  EXPECT_EQ(durationText(0), QStringLiteral("0 s"));
}

}  // namespace
}  // namespace tarvex
