// From and To as typed: every date order, the ISO form, a date alone, what
// is refused; the printed form reads back; the texts of a filtered grid.
#include "review/time_bound.h"

#include <gtest/gtest.h>

#include <QDate>

#include "review/review_texts.h"
#include "review/time_window.h"
#include "review/trend_link.h"
#include "shell/runtime_error.h"

namespace tarvex {
namespace {

constexpr DateOrder kMdy = DateOrder::MonthDayYear;
constexpr DateOrder kDmy = DateOrder::DayMonthYear;
constexpr DateOrder kYmd = DateOrder::YearMonthDay;

double serial(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return QDate(1899, 12, 30).daysTo(QDate(y, mo, d)) + (h * 3600 + mi * 60 + s) / 86400.0;
}

TEST(TimeBound, TheFilesOrderOrIso) {
  EXPECT_DOUBLE_EQ(parseTimeBound(u"3/14/2007 6:00:00 AM", kMdy, false), serial(2007, 3, 14, 6));
  EXPECT_DOUBLE_EQ(parseTimeBound(u" 14/3/2007 18:30 ", kDmy, false), serial(2007, 3, 14, 18, 30));
  EXPECT_DOUBLE_EQ(parseTimeBound(u"14.03.2007 7:59:59 pm", kDmy, true),
                   serial(2007, 3, 14, 19, 59, 59));
  EXPECT_DOUBLE_EQ(parseTimeBound(u"2007-03-14 06:00:00", kMdy, false), serial(2007, 3, 14, 6));
  EXPECT_DOUBLE_EQ(parseTimeBound(u"2007-03-14T06:00", kDmy, false), serial(2007, 3, 14, 6));
  EXPECT_DOUBLE_EQ(parseTimeBound(u"2007/3/14", kYmd, false), serial(2007, 3, 14));
  // A date alone: the whole day.
  EXPECT_DOUBLE_EQ(parseTimeBound(u"2007-03-14", kMdy, false), serial(2007, 3, 14));
  EXPECT_DOUBLE_EQ(parseTimeBound(u"3/14/2007", kMdy, true), serial(2007, 3, 14, 23, 59, 59));
  EXPECT_EQ(lastSecondAtOrBefore(parseTimeBound(u"3/14/2007", kMdy, true)) -
                firstSecondAtOrAfter(parseTimeBound(u"3/14/2007", kMdy, false)),
            86399);
}

TEST(TimeBound, WhatIsNoDateAndTimeIsRefusedWithItsText) {
  for (const char16_t* text : {u"2007-02-30", u"3/14/2007", u"6:00", u"", u"yesterday",
                               u"2007-03-14 25:00", u"3/14/2007 6:00 xx", u"14"}) {
    try {
      parseTimeBound(text, kDmy, false);
      ADD_FAILURE() << QString::fromUtf16(text).toStdString();
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), err::TypeMismatch);
      EXPECT_TRUE(e.description().startsWith(u'"' + QString::fromUtf16(text) + u'"'));
      EXPECT_TRUE(e.description().contains("day/month/year"));
    }
  }
  EXPECT_THROW(parseTimeBound(u"14/3/2007", kMdy, false), RuntimeError);
  EXPECT_THROW(parseTimeBound(u"3/14/2007", kYmd, false), RuntimeError);
}

TEST(TimeBound, ThePrintedFormReadsBack) {
  const double t = serial(2007, 3, 14, 6, 0, 0);
  EXPECT_EQ(formatTimeBound(t, kMdy), "3/14/2007 6:00:00 AM");
  EXPECT_EQ(formatTimeBound(t, kDmy), "14/3/2007 6:00:00 AM");
  EXPECT_EQ(formatTimeBound(serial(2007, 3, 4, 19, 59, 59), kYmd), "2007-03-04 7:59:59 PM");
  EXPECT_EQ(formatTimeBound(serial(2007, 3, 14, 0, 0, 0), kMdy), "3/14/2007 12:00:00 AM");
  EXPECT_EQ(formatTimeBound(serial(2007, 3, 14, 12, 0, 1), kMdy), "3/14/2007 12:00:01 PM");
  for (const DateOrder order : {kMdy, kDmy, kYmd})
    for (const double s : {t, serial(1999, 12, 31, 23, 59, 59), serial(2007, 1, 2, 12, 30)})
      EXPECT_EQ(lastSecondAtOrBefore(parseTimeBound(formatTimeBound(s, order), order, false)),
                lastSecondAtOrBefore(s));
}

TEST(TimeWindow, FromAfterToIsRefused) {
  EXPECT_NO_THROW(checkTimeWindow({serial(2007, 3, 14), serial(2007, 3, 14)}));
  EXPECT_NO_THROW(checkTimeWindow({serial(2007, 3, 15), std::nullopt}));
  EXPECT_THROW(checkTimeWindow({serial(2007, 3, 14, 6, 0, 1), serial(2007, 3, 14, 6)}),
               RuntimeError);
  EXPECT_EQ(timeColumnsOf(ReviewTable::Alarms).dateCol, 2);
  EXPECT_EQ(timeColumnsOf(ReviewTable::AuditSignatures).timeCol, 1);
}

TEST(ReviewTexts, CountsCaptionsAndTheFilterLine) {
  EXPECT_EQ(showingText(1204, 1000000), "Showing 1,204 of 1,000,000 rows");
  EXPECT_EQ(unreadableText(0), "");
  EXPECT_EQ(unreadableText(1), "1 row without a readable date or time is shown");
  EXPECT_EQ(unreadableText(2500), "2,500 rows without a readable date or time are shown");
  EXPECT_EQ(tabCaption("Audit Trail", true), "Audit Trail (filtered)");
  EXPECT_EQ(tabCaption("Audit Trail", false), "Audit Trail");
  const TimeWindow both{serial(2007, 3, 14, 6), serial(2007, 3, 14, 7, 59, 59)};
  EXPECT_EQ(filterLine(both, "Smith", kMdy),
            "Filtered: 3/14/2007 6:00:00 AM \u2013 3/14/2007 7:59:59 AM; text \"Smith\"");
  EXPECT_EQ(filterLine({both.from, std::nullopt}, "", kDmy), "Filtered: from 14/3/2007 6:00:00 AM");
  EXPECT_EQ(filterLine({std::nullopt, both.to}, "", kYmd), "Filtered: until 2007-03-14 7:59:59 AM");
  EXPECT_EQ(filterLine({}, "OVR", kMdy), "Filtered: text \"OVR\"");
  EXPECT_EQ(filterLine({}, "", kMdy), "");
}

TEST(TrendLink, CentreAndFromTrend) {
  EXPECT_DOUBLE_EQ(centredMinimum(100.5, 0.25), 100.375);
  const TimeWindow cursors = windowFromTrend(100.75, 100.5, 99.0, 3.0);
  EXPECT_EQ(cursors, (TimeWindow{100.5, 100.75}));
  EXPECT_EQ(windowFromTrend(100.75, std::nullopt, 99.0, 3.0), (TimeWindow{99.0, 102.0}));
  EXPECT_EQ(windowFromTrend(std::nullopt, std::nullopt, 99.0, 3.0), (TimeWindow{99.0, 102.0}));
}

}  // namespace
}  // namespace tarvex
