#include "logfiles/timeconv.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kUk(QLocale::English, QLocale::UnitedKingdom);
const QLocale kDe(QLocale::German, QLocale::Germany);

QString hms(const char* text, const QLocale& locale = kUs) {
  return formatTime(QString::fromUtf8(text), TimeStyle::HourMinuteSecond, locale);
}

TEST(TimeFormat, TimesOfDayInEveryUsForm) {
  EXPECT_EQ(hms("14:05:30"), "02:05:30 PM");
  EXPECT_EQ(hms("7:05:00 AM"), "07:05:00 AM");
  EXPECT_EQ(hms("7:05"), "07:05:00 AM");
  EXPECT_EQ(hms("12:00 AM"), "12:00:00 AM");
  EXPECT_EQ(hms("12:30:00 pm"), "12:30:00 PM");
  EXPECT_EQ(hms("0:00:00"), "12:00:00 AM");
  EXPECT_EQ(hms("23:59:59"), "11:59:59 PM");
  EXPECT_EQ(hms("2 PM"), "02:00:00 PM");
  EXPECT_EQ(hms("9:15:42.750"), "09:15:42 AM");
  EXPECT_EQ(hms("  14:05:30  "), "02:05:30 PM");
  EXPECT_EQ(formatTime(u"14:05:59", TimeStyle::HourMinute, kUs), "02:05 PM");
}

TEST(TimeFormat, DatesWithTimesAndNumbers) {
  EXPECT_EQ(hms("1/2/2007 14:05:30"), "02:05:30 PM");
  EXPECT_EQ(hms("2007-01-02T14:05:30"), "02:05:30 PM");
  EXPECT_EQ(hms("1/2/2007"), "12:00:00 AM");
  EXPECT_EQ(hms("0.5"), "12:00:00 PM");
  EXPECT_EQ(hms("39084.75"), "06:00:00 PM");
  EXPECT_EQ(hms("-1.25"), "06:00:00 AM");
  EXPECT_EQ(hms("0.99999999"), "12:00:00 AM");
  EXPECT_EQ(hms("14"), "12:00:00 AM");
}

TEST(TimeFormat, TextsThatAreNoTimeStayAsTheyAre) {
  for (const char* text : {"Time", "", "25:00", "13:00 PM", "14:61", "1:2:3:4", "2/30/2007 1:00",
                           "abc 14:05", "14:05 XM", "1/2/20071", "nan", "inf", "12:00 AM junk"})
    EXPECT_EQ(hms(text), QString::fromUtf8(text)) << text;
}

TEST(TimeFormat, LocaleOrderAndForms) {
  // 1/2/2007 is 2 January in the US and 1 February in the UK.
  EXPECT_EQ(parseDateTime(u"1/2/2007", kUs), 39084.0);
  EXPECT_EQ(parseDateTime(u"1/2/2007", kUk), 39114.0);
  // A date that only fits the other order is read in it.
  EXPECT_EQ(parseDateTime(u"13/1/2007", kUs), 39095.0);
  EXPECT_EQ(parseDateTime(u"1/13/2007", kUk), 39095.0);
  EXPECT_EQ(parseDateTime(u"31.12.2007", kDe), 39447.0);
  EXPECT_EQ(parseDateTime(u"1/2/07", kUs), 39084.0);
  EXPECT_EQ(parseDateTime(u"1/2/45", kUs), 16439.0);
  EXPECT_EQ(parseDateTime(u"12:00", kUs), 0.5);
  // The locale's own number and time forms; US forms still work there.
  EXPECT_EQ(hms("0,5", kDe), "12:00:00 PM");
  EXPECT_EQ(hms("0.5", kDe), "12:00:00 PM");
  EXPECT_EQ(hms("31.12.2007 14:05:30", kDe), "02:05:30 PM");
  EXPECT_EQ(hms("14:05", kDe), "02:05:00 PM");
  // The locale's no-break spaces count as blanks.
  EXPECT_EQ(formatTime(QString::fromUtf8("2:05\u202FPM"), TimeStyle::HourMinuteSecond, kUs),
            "02:05:00 PM");
}

TEST(TimeFormat, BytesAndTextAgree) {
  for (const char* text : {"14:05:30", "1/2/2007 9:00 PM", "0.25", "Time", "", "31.12.2007 1:00"}) {
    const std::string s(text);
    EXPECT_EQ(timeOfDaySeconds(s.data(), s.data() + s.size(), kDe),
              timeOfDaySeconds(QString::fromUtf8(text), kDe))
        << text;
  }
}

}  // namespace
}  // namespace tarvex

namespace tarvex {
namespace {

TEST(TimeColumnReader, LocaleFormsStayReadUnlessAColumnNeverUsesThem) {
  TimeColumnReader used(kDe);
  EXPECT_EQ(used.seconds(u"0,5"), 43200);
  for (int i = 0; i < 2000; ++i) EXPECT_FALSE(used.seconds(QStringLiteral("Batch %1").arg(i)));
  EXPECT_EQ(used.seconds(u"0,25"), 21600);

  TimeColumnReader labels(kDe);
  const std::string label = "Batch 7";
  for (int i = 0; i < 1000; ++i) EXPECT_FALSE(labels.seconds(label.data(), label.data() + 7));
  EXPECT_FALSE(labels.seconds(u"0,25"));          // the locale's forms are given up
  EXPECT_EQ(labels.seconds(u"14:05:30"), 50730);  // the fixed forms are not
}

}  // namespace
}  // namespace tarvex
