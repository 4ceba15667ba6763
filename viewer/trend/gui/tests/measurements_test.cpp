#include "trend/measurements.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fake_plot.h"

namespace tarvex {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMinute = 1.0 / 1440.0;
constexpr double kNoon = 45000.5;  // 12:00:00
const QString kPattern = QStringLiteral("h:nn:ss");

// A: 10 12 gap 16 20 14, B: -1 .. -6, one point a minute from noon.
test::FakePlot twoChannels() {
  test::FakePlot p;
  p.add(QStringLiteral("A"), kNoon, kMinute, {10, 12, kNaN, 16, 20, 14});
  p.add(QStringLiteral("B"), kNoon, kMinute, {-1, -2, -3, -4, -5, -6});
  return p;
}

TEST(Measurements, NearestPointAndReadings) {
  test::FakePlot p;
  p.add(QStringLiteral("C"), 0, 1, {5, kNaN, 7, 8});
  EXPECT_EQ(nearestPointIndex(p, 0, -5), 0);
  EXPECT_EQ(nearestPointIndex(p, 0, 1.4), 1);
  EXPECT_EQ(nearestPointIndex(p, 0, 1.5), 1);  // a tie takes the earlier point
  EXPECT_EQ(nearestPointIndex(p, 0, 1.6), 2);
  EXPECT_EQ(nearestPointIndex(p, 0, 99), 3);
  EXPECT_TRUE(std::isnan(readingAt(p, 0, 1.2)->y));  // a gap reads as no value
  EXPECT_EQ(readingAt(p, 0, 2.9)->y, 8);
  p.add(QStringLiteral("empty"), 0, 1, {});
  EXPECT_EQ(nearestPointIndex(p, 1, 3), -1);
  EXPECT_FALSE(readingAt(p, 1, 3).has_value());
}

TEST(Measurements, NearestChannelSkipsGaps) {
  test::FakePlot p = twoChannels();
  EXPECT_EQ(nearestChannel(p, kNoon + kMinute, 0), 1);        // -2 is nearer than 12
  EXPECT_EQ(nearestChannel(p, kNoon + kMinute, 13), 0);       // 12
  EXPECT_EQ(nearestChannel(p, kNoon + kMinute, 5), 0);        // 7 from both: the first
  EXPECT_EQ(nearestChannel(p, kNoon + 2 * kMinute, 100), 1);  // A has a gap there
  test::FakePlot none;
  EXPECT_EQ(nearestChannel(none, 0, 0), -1);
}

TEST(Measurements, Durations) {
  EXPECT_EQ(formatDuration(0), QStringLiteral("0:00:00"));
  EXPECT_EQ(formatDuration(1.5 / 24), QStringLiteral("1:30:00"));
  EXPECT_EQ(formatDuration(1 + 2.0 / 24 + 3 * kMinute + 4.0 / 86400),
            QStringLiteral("1 d 02:03:04"));
  EXPECT_EQ(formatDuration(0.5 / 86400), QStringLiteral("0:00:00.5"));
  EXPECT_EQ(formatDuration(1.25 / 86400), QStringLiteral("0:00:01.25"));
  EXPECT_EQ(formatDuration(-3 * kMinute), QStringLiteral("-0:03:00"));
  EXPECT_EQ(formatDuration(0.0001 / 86400), QStringLiteral("0:00:00"));
  EXPECT_EQ(formatDuration(23.9999 / 24), QStringLiteral("23:59:59.64"));
  EXPECT_EQ(formatDuration(kNaN), QString());
}

TEST(Measurements, BetweenTwoCursors) {
  const test::FakePlot p = twoChannels();
  const Measurement m = measure(p, kNoon + kMinute, kNoon + 4 * kMinute, 0, 0);
  ASSERT_EQ(m.channels.size(), 2u);
  EXPECT_NEAR(m.dx(), 3 * kMinute, 1e-12);
  const ChannelMeasurement& a = m.channels[0];
  EXPECT_EQ(a.y1, 12);
  EXPECT_EQ(a.y2, 20);
  EXPECT_EQ(a.dy, 8);
  EXPECT_EQ(a.stats.count, 3u);  // 12, 16, 20: the gap does not count
  EXPECT_EQ(a.stats.min, 12);
  EXPECT_EQ(a.stats.max, 20);
  EXPECT_EQ(a.stats.mean, 16);
  EXPECT_EQ(measurementText(m, kPattern),
            QStringLiteral("Cursor 1\t12:01:00\n"
                           "Cursor 2\t12:04:00\n"
                           "dX\t0:03:00\n"
                           "Channel\tY1\tY2\tdY\tMin\tMax\tMean\tPoints\n"
                           "A\t12\t20\t8\t12\t20\t16\t3\n"
                           "B\t-2\t-5\t-3\t-5\t-2\t-3.5\t4"));
  // Cursor 2 left of cursor 1: the same range, a negative time difference.
  const Measurement back = measure(p, kNoon + 4 * kMinute, kNoon + kMinute, 0, 0);
  EXPECT_EQ(back.channels[1].stats.mean, -3.5);
  EXPECT_EQ(formatDuration(back.dx()), QStringLiteral("-0:03:00"));
}

TEST(Measurements, OneCursorMeasuresTheVisibleRange) {
  const test::FakePlot p = twoChannels();
  const Measurement m =
      measure(p, kNoon + 2 * kMinute, std::nullopt, kNoon + 0.5 * kMinute, kNoon + 3.5 * kMinute);
  EXPECT_EQ(measurementText(m, kPattern), QStringLiteral("Cursor 1\t12:02:00\n"
                                                         "Visible range\t12:00:30\t12:03:30\n"
                                                         "Channel\tY1\tMin\tMax\tMean\tPoints\n"
                                                         "A\t\t12\t16\t14\t2\n"
                                                         "B\t-3\t-4\t-2\t-3\t3"));
  // Nothing in range: no statistics, a count of 0.
  const Measurement empty = measure(p, kNoon, std::nullopt, kNoon + 10, kNoon + 11);
  EXPECT_EQ(empty.channels[0].stats.count, 0u);
  EXPECT_TRUE(measurementText(empty, kPattern).endsWith(QStringLiteral("B\t-1\t\t\t\t0")));
}

TEST(Measurements, TableColumnsLineUp) {
  const test::FakePlot p = twoChannels();
  const QString table =
      measurementTable(measure(p, kNoon + kMinute, kNoon + 4 * kMinute, 0, 0), kPattern);
  const QStringList lines = table.split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 6);
  EXPECT_EQ(lines[0], QStringLiteral("Cursor 1  12:01:00"));
  for (int i = 4; i < lines.size(); ++i) EXPECT_EQ(lines[i].size(), lines[3].size()) << i;
  EXPECT_TRUE(lines[5].startsWith(QStringLiteral("B      ")));
  EXPECT_TRUE(lines[5].endsWith(QStringLiteral("-3.5       4")));
}

// A reference of channel A only: the value at X is 100 * (X - noon) in
// minutes; differences count every point in range with 1.
class LineReference : public ReferenceReadings {
 public:
  QStringList referenceNotes() const override { return {QStringLiteral("Reference gold")}; }
  bool compared(int channel) const override { return channel == 0; }
  double referenceAt(int channel, double x) const override {
    asked.push_back(x);
    return channel == 0 ? std::round((x - kNoon) / kMinute) * 100 : kNaN;
  }
  DifferenceSummary differences(int, double from, double to) const override {
    return {static_cast<std::size_t>(std::llround((to - from) / kMinute)) + 1, 3, -1, 2};
  }
  mutable std::vector<double> asked;
};

TEST(Measurements, WithAReferenceAtTheReadingsAndBetweenTheCursors) {
  const test::FakePlot p = twoChannels();
  LineReference ref;
  // Cursor 1 between points: the reference is read where A's reading is;
  // the statistics run from the cursor itself, as without a reference.
  const Measurement m = measure(p, kNoon + 1.2 * kMinute, kNoon + 4 * kMinute, 0, 0, &ref);
  ASSERT_EQ(ref.asked.size(), 2u);
  EXPECT_EQ(ref.asked[0], kNoon + kMinute);
  EXPECT_EQ(m.channels[0].ref1, 100);
  EXPECT_EQ(m.channels[0].d1, 12 - 100);
  EXPECT_EQ(m.channels[0].d2, 20 - 400);
  EXPECT_EQ(
      measurementText(m, kPattern).toStdString(),
      QStringLiteral("Cursor 1\t12:01:12\n"
                     "Cursor 2\t12:04:00\n"
                     "dX\t0:02:48\n"
                     "Reference gold\n"
                     "Channel\tY1\tRef1\t\u03941\tY2\tRef2\t\u03942\tdY\tMin\tMax\tMean\tPoints"
                     "\tMax |\u0394|\tMean \u0394\tRMS \u0394\n"
                     "A\t12\t100\t-88\t20\t400\t-380\t8\t16\t20\t18\t2\t3\t-1\t2\n"
                     "B\t-2\tnot in reference\t\t-5\t\t\t-3\t-5\t-3\t-4\t3\t\t\t")
          .toStdString());
  // Without a reference the readout is as before.
  EXPECT_FALSE(measurementText(measure(p, kNoon, std::nullopt, 0, 1), kPattern).contains("Ref1"));
}

TEST(Measurements, CursorHints) {
  const TrendPoint at{kNoon + kMinute, 12};
  const TrendPoint other{kNoon + 4 * kMinute, 20};
  EXPECT_EQ(cursorHintText(CursorStyle::ValueXY, QStringLiteral("A"), at, std::nullopt, kPattern),
            QStringLiteral("A\nX: 12:01:00\nY: 12"));
  EXPECT_EQ(cursorHintText(CursorStyle::ValueX, QString(), at, std::nullopt, kPattern),
            QStringLiteral("X: 12:01:00"));
  EXPECT_EQ(cursorHintText(CursorStyle::ValueY, QString(), {at.x, kNaN}, std::nullopt, kPattern),
            QStringLiteral("Y: (no value)"));
  EXPECT_EQ(cursorHintText(CursorStyle::Period, QString(), at, other, kPattern),
            QStringLiteral("Period: 0:03:00"));
  EXPECT_EQ(cursorHintText(CursorStyle::PeakPeak, QString(), at, other, kPattern),
            QStringLiteral("Peak-Peak: 8"));
  EXPECT_EQ(cursorHintText(CursorStyle::Frequency, QString(), at, other, kPattern),
            QStringLiteral("Frequency: 0.005555556 Hz"));
  EXPECT_EQ(cursorHintText(CursorStyle::Frequency, QString(), at, std::nullopt, kPattern),
            QStringLiteral("Frequency: (needs Cursor 2)"));
  EXPECT_EQ(cursorStyleCaptions().size(), 6);
}

}  // namespace
}  // namespace tarvex
