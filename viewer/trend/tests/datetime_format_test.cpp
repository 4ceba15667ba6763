#include "trend/datetime_format.h"

#include <gtest/gtest.h>

#include <limits>

namespace tarvex {
namespace {

// 15 Mar 2023 14:05:07.250 (a Wednesday).
const double kAfternoon = 45000.0 + (14 * 3600 + 5 * 60 + 7.25) / 86400.0;
// 4 Jan 2023 09:03:02.000.
const double kMorning = 44930.0 + (9 * 3600 + 3 * 60 + 2) / 86400.0;

TEST(DateTimeFormat, EveryListedPattern) {
  EXPECT_EQ(formatDateTime("hh:nn:ss", kAfternoon), "14:05:07");
  EXPECT_EQ(formatDateTime("hh:nn:ss.zzz", kAfternoon), "14:05:07.250");
  EXPECT_EQ(formatDateTime("m/d hh:nn:ss", kMorning), "1/4 09:03:02");
  EXPECT_EQ(formatDateTime("d mmm h:nn:ss am/pm", kAfternoon), "15 Mar 2:05:07 pm");
  EXPECT_EQ(formatDateTime("m/d/yy h:nn:ss am/pm", kMorning), "1/4/23 9:03:02 am");
  EXPECT_EQ(formatDateTime("m/d/yyyy h:nn:ss am/pm", kAfternoon), "3/15/2023 2:05:07 pm");
}

TEST(DateTimeFormat, TypedPatterns) {
  EXPECT_EQ(formatDateTime("dd/mm/yyyy", kMorning), "04/01/2023");
  EXPECT_EQ(formatDateTime("yyyy-mm-dd hh:mm", kMorning), "2023-01-04 09:03");  // mm after hh
  EXPECT_EQ(formatDateTime("h:m:s", kMorning), "9:3:2");
  EXPECT_EQ(formatDateTime("HH:NN AM/PM", kAfternoon), "02:05 PM");  // marker case as written
  EXPECT_EQ(formatDateTime("h a/p", kMorning), "9 a");
  EXPECT_EQ(formatDateTime("ddd d mmmm", kAfternoon), "Wed 15 March");
  EXPECT_EQ(formatDateTime("\"day\" d 'at' h", kAfternoon), "day 15 at 14");
  EXPECT_EQ(formatDateTime("", kAfternoon), "");
}

TEST(DateTimeFormat, ClockEdges) {
  // Midnight and noon on a 12-hour clock read 12.
  EXPECT_EQ(formatDateTime("h:nn am/pm", 45000.0), "12:00 am");
  EXPECT_EQ(formatDateTime("h:nn am/pm", 45000.5), "12:00 pm");
  EXPECT_EQ(formatDateTime("hh:nn", 45000.5), "12:00");
  // The serial origin and a day before it: the fraction stays the time of day.
  EXPECT_EQ(formatDateTime("m/d/yyyy hh:nn", 0.0), "12/30/1899 00:00");
  EXPECT_EQ(formatDateTime("m/d/yyyy hh:nn", -1.25), "12/29/1899 06:00");
  // A time that rounds up to the next millisecond carries into the next day.
  EXPECT_EQ(formatDateTime("m/d hh:nn:ss.zzz", 45000.0 + 86399.9996 / 86400.0),
            "3/16 00:00:00.000");
}

TEST(DateTimeFormat, UnusableSerialsGiveNothing) {
  EXPECT_EQ(formatDateTime("hh:nn", std::numeric_limits<double>::quiet_NaN()), "");
  EXPECT_EQ(formatDateTime("hh:nn", std::numeric_limits<double>::infinity()), "");
  EXPECT_EQ(formatDateTime("hh:nn", 1e12), "");
}

}  // namespace
}  // namespace tarvex
