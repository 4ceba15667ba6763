#include "review/alignment.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

constexpr TimeMs kSecond = 1000;
constexpr TimeMs kHour = 3600 * kSecond;
constexpr TimeMs kDay = 24 * kHour;

TEST(Alignment, ShiftOfEachModeWithAndWithoutOffset) {
  // Current: day 100 10:00 .. 12:00; reference: day 90 08:00 .. 11:00.
  const TimeMs cf = 100 * kDay + 10 * kHour, cl = 100 * kDay + 12 * kHour;
  const TimeMs rf = 90 * kDay + 8 * kHour, rl = 90 * kDay + 11 * kHour;
  EXPECT_EQ(alignmentShift({AlignMode::Start, 0}, cf, cl, rf, rl), 10 * kDay + 2 * kHour);
  EXPECT_EQ(alignmentShift({AlignMode::End, 0}, cf, cl, rf, rl), 10 * kDay + 1 * kHour);
  EXPECT_EQ(alignmentShift({AlignMode::Clock, 0}, cf, cl, rf, rl), 0);
  // A positive offset moves the reference later, on top of any mode.
  EXPECT_EQ(alignmentShift({AlignMode::Start, 90 * kSecond}, cf, cl, rf, rl),
            10 * kDay + 2 * kHour + 90 * kSecond);
  EXPECT_EQ(alignmentShift({AlignMode::End, -kHour}, cf, cl, rf, rl), 10 * kDay);
  EXPECT_EQ(alignmentShift({AlignMode::Clock, -26 * kHour}, cf, cl, rf, rl), -26 * kHour);
  // A reference later than the current batch gives a negative shift.
  EXPECT_EQ(alignmentShift({AlignMode::Start, 0}, rf, rl, cf, cl), -(10 * kDay + 2 * kHour));
}

TEST(Alignment, OffsetsAsTyped) {
  EXPECT_EQ(parseOffset("1:00:00"), kHour);
  EXPECT_EQ(parseOffset("+0:00:05"), 5 * kSecond);
  EXPECT_EQ(parseOffset(" -26:03:05 "), -(26 * kHour + 3 * 60 * kSecond + 5 * kSecond));
  EXPECT_EQ(parseOffset(QStringLiteral("\u22121:30:00")), -(kHour + 30 * 60 * kSecond));
  EXPECT_EQ(parseOffset("100:00:00"), 100 * kHour);  // hours may pass 23
  for (const char* bad :
       {"", "1:60:00", "1:00:60", "1:0:00", "1:00", "abc", "1:00:00x", "--1:00:00"})
    EXPECT_FALSE(parseOffset(bad).has_value()) << bad;
  for (TimeMs t : {TimeMs{0}, kHour, -(26 * kHour + 3 * 60 * kSecond + 5 * kSecond)})
    EXPECT_EQ(parseOffset(offsetText(t)), t) << offsetText(t).toStdString();
  EXPECT_EQ(offsetText(-(26 * kHour + 5 * kSecond)), QStringLiteral("-26:00:05"));
}

TEST(Alignment, ShiftTextsAndModes) {
  const TimeMs shift = -(3 * kDay + 2 * kHour + 14 * 60 * kSecond + 5 * kSecond);
  EXPECT_EQ(referenceTitleLine("run7", shift),
            QStringLiteral("Reference: run7, shifted \u22123 d 02:14:05"));
  EXPECT_EQ(shiftText(shift, false), QStringLiteral("-3 d 02:14:05"));
  EXPECT_EQ(shiftText(5 * 60 * kSecond), QStringLiteral("0:05:00"));
  EXPECT_EQ(shiftText(0), QStringLiteral("0:00:00"));
  EXPECT_EQ(parseAlignMode("start"), AlignMode::Start);
  EXPECT_EQ(parseAlignMode("END"), AlignMode::End);
  EXPECT_EQ(parseAlignMode("time"), AlignMode::Clock);
  EXPECT_FALSE(parseAlignMode("middle").has_value());
  EXPECT_EQ(alignModeCaption(AlignMode::Clock), QStringLiteral("Clock time"));
  EXPECT_EQ(serialToMs(msToSerial(39083 * kDay + 6 * kHour + 7 * kSecond)),
            39083 * kDay + 6 * kHour + 7 * kSecond);
}

}  // namespace
}  // namespace tarvex
