// The order of day, month and year in a log file's dates.
//
// A controller writes its dates in one order, whatever the locale of the
// computer that later reads them. Each table's order is decided from its own
// dates: a first field over 12 means day first (14/3/2007), a second field
// over 12 month first (3/14/2007), a four-digit first field year first
// (2007-03-14). The first date that decides is the one that counts; a later
// date that does not fit that order does not read (as a text that is no date
// at all). Only when every date could be read either way (3/4/2007) does the
// locale decide, and an order the user set overrides them all.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>
#include <optional>

namespace tarvex {

class LogTable;

enum class DateOrder {
  MonthDayYear,  // 3/14/2007
  DayMonthYear,  // 14/3/2007, 14.03.2007
  YearMonthDay,  // 2007-03-14
};

// Where a table's date order came from.
enum class DateOrderSource {
  File,     // a date of the file itself decided it
  LogFile,  // a companion without a deciding date follows the log it belongs to
  Locale,   // no date decided: the user's locale
  Set,      // the user set it (--date-order)
};

// How a table's dates are read.
struct DateReading {
  DateOrder order = DateOrder::MonthDayYear;
  DateOrderSource source = DateOrderSource::Locale;
  friend bool operator==(const DateReading&, const DateReading&) = default;
};

// The locale's order for dates whose first field has one or two digits:
// day first when its short date format puts the day before the month,
// otherwise month first (a year-first locale reads 3/4/2007 as March 4, as
// the readers always did).
DateOrder localeDateOrder(const QLocale& locale = QLocale());

// The order that one text decides when it begins with a date of three
// number fields separated by "/", "-" or "." (a time may follow); empty when
// it is no such date or could be read as month first and as day first.
std::optional<DateOrder> decisiveDateOrder(QStringView text);

// "mdy", "dmy" or "ymd" (any case), as the --date-order options take it.
std::optional<DateOrder> dateOrderFromName(QStringView name);
// "month/day/year", "day/month/year", "year/month/day".
QString dateOrderName(DateOrder order);
// The status text of a reading: "Dates read month/day/year (from the
// file)", "(from the log file)", "(locale)" or "(set)".
QString dateOrderText(const DateReading& reading);

// The reading of column dateCol of rows 1..lastRow of table: `set` when
// given; otherwise the order of the first date that decides one; otherwise
// `logReading` when given and it was decided by a file or set (a companion
// file follows its log); otherwise the locale's.
DateReading decideDateOrder(const LogTable& table, int dateCol, std::optional<DateOrder> set,
                            std::optional<DateReading> logReading = std::nullopt,
                            const QLocale& locale = QLocale());

// decideDateOrder, remembered by the table (LogTable::setDateReading), so
// that its dates, times and trend values are read in that order from then
// on. Returns the reading.
DateReading applyDateOrder(LogTable& table, int dateCol, std::optional<DateOrder> set,
                           std::optional<DateReading> logReading = std::nullopt,
                           const QLocale& locale = QLocale());

}  // namespace tarvex
