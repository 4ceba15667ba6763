// Dates in each file's own order: the order one date decides, the order of
// a whole table (the file's, the locale's, the log's, the user's), dates
// read strictly in it by every reader, and what a contradicting date does.
#include "logfiles/date_order.h"

#include <gtest/gtest.h>

#include <QDate>
#include <cmath>

#include "logfiles/readers.h"
#include "logfiles/row_time.h"
#include "logfiles/timeconv.h"
#include "testfiles.h"

namespace tarvex {
namespace {

using testing::TempFiles;

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

double serial(int y, int m, int d) { return QDate(1899, 12, 30).daysTo(QDate(y, m, d)); }

// Makes `locale` the default (as LC_TIME=de_DE.UTF-8 does for the viewer)
// for the life of a test.
class DefaultLocale {
 public:
  explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
  ~DefaultLocale() { QLocale::setDefault(saved_); }

 private:
  QLocale saved_ = QLocale();
};

TEST(DecisiveDateOrder, FieldsOverTwelveAndFourDigitYearsDecide) {
  EXPECT_EQ(decisiveDateOrder(u"3/14/2007"), DateOrder::MonthDayYear);
  EXPECT_EQ(decisiveDateOrder(u"14/3/2007"), DateOrder::DayMonthYear);
  EXPECT_EQ(decisiveDateOrder(u"14.03.2007 06:00"), DateOrder::DayMonthYear);
  EXPECT_EQ(decisiveDateOrder(u"2007-03-04"), DateOrder::YearMonthDay);
  EXPECT_EQ(decisiveDateOrder(u"2007/3/4T06:00:00"), DateOrder::YearMonthDay);
  EXPECT_EQ(decisiveDateOrder(u" 12/31/99"), DateOrder::MonthDayYear);
  // Either order fits, or none does: no decision.
  for (const char16_t* text : {u"3/4/2007", u"12/12/2007", u"13/13/2007", u"Date", u"", u"3/14",
                               u"3/14/2007x", u"14:05:30", u"123/1/2007", u"3/4/200"})
    EXPECT_FALSE(decisiveDateOrder(text).has_value()) << QString::fromUtf16(text).toStdString();
}

TEST(DecisiveDateOrder, NamesAndTexts) {
  EXPECT_EQ(dateOrderFromName(u"MDY"), DateOrder::MonthDayYear);
  EXPECT_EQ(dateOrderFromName(u"dmy"), DateOrder::DayMonthYear);
  EXPECT_EQ(dateOrderFromName(u"ymd"), DateOrder::YearMonthDay);
  EXPECT_FALSE(dateOrderFromName(u"ydm").has_value());
  EXPECT_EQ(dateOrderText({DateOrder::MonthDayYear, DateOrderSource::File}),
            "Dates read month/day/year (from the file)");
  EXPECT_EQ(dateOrderText({DateOrder::DayMonthYear, DateOrderSource::Locale}),
            "Dates read day/month/year (locale)");
  EXPECT_EQ(dateOrderText({DateOrder::YearMonthDay, DateOrderSource::Set}),
            "Dates read year/month/day (set)");
  EXPECT_EQ(dateOrderText({DateOrder::DayMonthYear, DateOrderSource::LogFile}),
            "Dates read day/month/year (from the log file)");
  EXPECT_EQ(localeDateOrder(kUs), DateOrder::MonthDayYear);
  EXPECT_EQ(localeDateOrder(kGerman), DateOrder::DayMonthYear);
  // A year-first locale reads 3/4/2007 month first, as the readers always did.
  EXPECT_EQ(localeDateOrder(QLocale(QLocale::Japanese, QLocale::Japan)), DateOrder::MonthDayYear);
}

TEST(StrictDates, OnlyTheGivenOrderReads) {
  EXPECT_EQ(parseDateTime(u"3/4/2007", kGerman, DateOrder::MonthDayYear), serial(2007, 3, 4));
  EXPECT_EQ(parseDateTime(u"3/4/2007", kUs, DateOrder::DayMonthYear), serial(2007, 4, 3));
  // Today's reading falls back to the other order; a fixed order does not.
  EXPECT_EQ(parseDateTime(u"3/14/2007", kGerman), serial(2007, 3, 14));
  EXPECT_FALSE(parseDateTime(u"3/14/2007", kGerman, DateOrder::DayMonthYear).has_value());
  EXPECT_FALSE(parseDateTime(u"3/14/2007", kUs, DateOrder::DayMonthYear).has_value());
  EXPECT_FALSE(parseDateTime(u"2007-03-14", kUs, DateOrder::MonthDayYear).has_value());
  EXPECT_FALSE(parseDateTime(u"3/14/2007", kUs, DateOrder::YearMonthDay).has_value());
  EXPECT_EQ(parseDateTime(u"2007-03-14T06:00", kUs, DateOrder::YearMonthDay),
            serial(2007, 3, 14) + 0.25);
  EXPECT_EQ(parseDateTime(u"14.03.2007 18:00:00", kUs, DateOrder::DayMonthYear),
            serial(2007, 3, 14) + 0.75);
  // Times and numbers are no dates: they read as before.
  EXPECT_EQ(parseDateTime(u"6:00 PM", kUs, DateOrder::DayMonthYear), 0.75);
  EXPECT_EQ(parseDateTime(u"0.5", kUs, DateOrder::YearMonthDay), 0.5);
  const QByteArray bytes("13/3/2007");
  EXPECT_FALSE(parseDateTime(bytes.begin(), bytes.end(), kUs, DateOrder::MonthDayYear));
  EXPECT_EQ(parseDateTime(bytes.begin(), bytes.end(), kUs, DateOrder::DayMonthYear),
            serial(2007, 3, 13));
}

class TableOrderTest : public ::testing::Test {
 protected:
  // A data history whose rows have these dates, at 14:05:30.
  QString dataFile(const QStringList& dates) {
    QByteArray text = "Date,Time,TC1\r\n";
    for (const QString& d : dates) text += d.toLatin1() + ",14:05:30,1\r\n";
    return files.write("run.csv", text);
  }
  std::optional<double> rowDate(int row) {
    const std::optional<double> t = rowDateTime(table, row);
    return t ? std::optional(std::floor(*t)) : std::nullopt;
  }

  TempFiles files;
  LogTable table;
};

TEST_F(TableOrderTest, EachOrderIsDecidedByTheFileWhateverTheLocale) {
  const DefaultLocale german(kGerman);
  loadHistData(table, dataFile({"3/4/2007", "3/14/2007"}), kGerman);
  EXPECT_EQ(table.dateReading(), (DateReading{DateOrder::MonthDayYear, DateOrderSource::File}));
  EXPECT_EQ(rowDate(1), serial(2007, 3, 4));  // not the 3rd of April
  EXPECT_EQ(rowDate(2), serial(2007, 3, 14));

  loadHistData(table, dataFile({"4/3/2007", "14/3/2007"}), kUs);
  EXPECT_EQ(table.dateReading(), (DateReading{DateOrder::DayMonthYear, DateOrderSource::File}));
  EXPECT_EQ(rowDate(1), serial(2007, 3, 4));

  loadHistData(table, dataFile({"2007-03-04", "2007-03-14"}), kUs);
  EXPECT_EQ(table.dateReading()->order, DateOrder::YearMonthDay);
  EXPECT_EQ(rowDate(1), serial(2007, 3, 4));
  EXPECT_EQ(table.getCell(1, 1), "02:05:30 PM");
}

TEST_F(TableOrderTest, OnlyWhenEveryDateIsAmbiguousTheLocaleDecides) {
  const QString path = dataFile({"3/4/2007", "5/6/2007", "12/12/2007"});
  {
    const DefaultLocale german(kGerman);
    loadHistData(table, path, kGerman);
    EXPECT_EQ(table.dateReading(), (DateReading{DateOrder::DayMonthYear, DateOrderSource::Locale}));
    EXPECT_EQ(rowDate(1), serial(2007, 4, 3));
  }
  loadHistData(table, path, kUs);
  EXPECT_EQ(table.dateReading(), (DateReading{DateOrder::MonthDayYear, DateOrderSource::Locale}));
  EXPECT_EQ(rowDate(1), serial(2007, 3, 4));
}

TEST_F(TableOrderTest, ADateContradictingTheFirstDecisiveOneDoesNotRead) {
  // The first decisive date is month first; the 14/3 after it fits only day
  // first: it does not read, as text that is no date at all; the rows
  // around it read.
  loadHistData(table, dataFile({"3/4/2007", "3/13/2007", "14/3/2007", "3/15/2007"}), kUs);
  EXPECT_EQ(table.dateReading()->order, DateOrder::MonthDayYear);
  EXPECT_EQ(rowDate(1), serial(2007, 3, 4));
  EXPECT_EQ(rowDate(2), serial(2007, 3, 13));
  EXPECT_FALSE(rowDate(3).has_value());
  EXPECT_EQ(rowDate(4), serial(2007, 3, 15));
  EXPECT_FALSE(table.cellDateTime(0, 3).has_value());
}

TEST_F(TableOrderTest, AnOrderTheUserSetOverridesTheFile) {
  const QString path = dataFile({"3/4/2007", "3/14/2007"});
  loadHistData(table, path, kUs, DateOrder::DayMonthYear);
  EXPECT_EQ(table.dateReading(), (DateReading{DateOrder::DayMonthYear, DateOrderSource::Set}));
  EXPECT_EQ(rowDate(1), serial(2007, 4, 3));
  EXPECT_FALSE(rowDate(2).has_value());
  // A new load decides afresh.
  loadHistData(table, path, kUs);
  EXPECT_EQ(table.dateReading()->source, DateOrderSource::File);
  table.clearCells(0, 0, table.lastCol(), table.lastRow());
  EXPECT_FALSE(table.dateReading().has_value());
}

TEST_F(TableOrderTest, TheTimeColumnRewriteReadsDatesInTheTableOrder) {
  // Times written as date and time: one whose date does not fit the order
  // stays as written, as any text that is no time.
  const QString path = files.write("run.csv",
                                   "Date,Time,TC1\r\n"
                                   "14/3/2007,14/3/2007 14:05:30,1\r\n"
                                   "14/3/2007,3/14/2007 14:05:40,1\r\n"
                                   "14/3/2007,14:05:50,1\r\n");
  loadHistData(table, path, kUs);
  EXPECT_EQ(table.getCell(1, 1), "02:05:30 PM");
  EXPECT_EQ(table.getCell(1, 2), "3/14/2007 14:05:40");
  EXPECT_EQ(table.getCell(1, 3), "02:05:50 PM");
}

TEST_F(TableOrderTest, AlarmDatesAreColumnTwoAuditDatesColumnZero) {
  LogTable alarms;
  loadAlarmData(
      alarms, files.write("alm.csv", "High Temp,4/3/2007,14:05:30\r\nLow Flow,20/3/2007,15:00\r\n"),
      kUs);
  EXPECT_EQ(alarms.dateReading(), (DateReading{DateOrder::DayMonthYear, DateOrderSource::File}));
  EXPECT_EQ(std::floor(*rowDateTime(alarms, 1, {2, 3})), serial(2007, 3, 4));
  EXPECT_EQ(alarms.getCell(3, 1), "02:05 PM");

  LogTable audit;
  loadAuditData(audit, files.write("trail.aud", "2007-03-04,14:05:30,Operator 1,Log in\r\n"));
  EXPECT_EQ(audit.dateReading()->order, DateOrder::YearMonthDay);
  loadAuditData(audit, files.write("trail.aud", "3/4/2007,14:05:30,Operator 1,Log in\r\n"),
                DateOrder::DayMonthYear);
  EXPECT_EQ(std::floor(*rowDateTime(audit, 1)), serial(2007, 4, 3));
}

TEST_F(TableOrderTest, ACompanionWithoutADecidingDateFollowsItsLog) {
  // Signatures and events of a month-first log, all in the first twelve
  // days: read month first even in a day-first locale.
  LogTable events;
  events.setCell(0, 1, u"3/4/2007");
  events.setCell(1, 1, u"6:00:00");
  const DateReading log{DateOrder::MonthDayYear, DateOrderSource::File};
  EXPECT_EQ(applyDateOrder(events, 0, std::nullopt, log, kGerman),
            (DateReading{DateOrder::MonthDayYear, DateOrderSource::LogFile}));
  EXPECT_EQ(std::floor(*rowDateTime(events, 1)), serial(2007, 3, 4));
  // Its own deciding date comes first; a log read by the locale adds nothing.
  events.setCell(0, 2, u"13/4/2007");
  EXPECT_EQ(decideDateOrder(events, 0, std::nullopt, log, kGerman).order, DateOrder::DayMonthYear);
  events.setCell(0, 2, u"3/4/2007");
  EXPECT_EQ(decideDateOrder(events, 0, std::nullopt,
                            DateReading{DateOrder::MonthDayYear, DateOrderSource::Locale}, kGerman),
            (DateReading{DateOrder::DayMonthYear, DateOrderSource::Locale}));
  EXPECT_EQ(decideDateOrder(events, 0, DateOrder::YearMonthDay, log, kGerman),
            (DateReading{DateOrder::YearMonthDay, DateOrderSource::Set}));
}

TEST_F(TableOrderTest, TheRowReaderAgreesWithRowSeconds) {
  // Dates repeated and changing, quoted, written over, not reading; times
  // rewritten, raw and missing.
  loadHistData(table,
               files.write("run.csv",
                           "Date,Time,TC1\r\n"
                           "3/14/2007,6:00:00,1\r\n3/14/2007,6:00:10,1\r\n"
                           "\"3/14/2007\",6:00:20,1\r\n3/15/2007,x,1\r\n"
                           "3/15/2007,6:00:40,1\r\n14/3/2007,6:00:50,1\r\n"
                           "3/16/2007,7:00,1\r\n3/16/2007,6:01:10,1\r\n"),
               kUs);
  table.setCell(0, 8, u"3/17/2007");
  table.setCell(1, 2, u"23:59:59");
  RowSecondsReader reader(table, {});
  for (int r = 0; r <= table.lastRow() + 1; ++r)
    EXPECT_EQ(reader.seconds(r), rowSeconds(table, r)) << r;
  // The alarm table's minutes, and rows asked out of order.
  LogTable alarms;
  loadAlarmData(alarms, files.write("alm.csv", "A,3/14/2007,6:30:59\r\nB,3/14/2007,6:31:00\r\n"),
                kUs);
  RowSecondsReader alarmReader(alarms, {2, 3});
  for (const int r : {2, 1, 2, 0})
    EXPECT_EQ(alarmReader.seconds(r), rowSeconds(alarms, r, {2, 3})) << r;
  EXPECT_EQ(*alarmReader.seconds(1) % 86400, 6 * 3600 + 30 * 60);
}

}  // namespace
}  // namespace tarvex
