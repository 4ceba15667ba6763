// Dates, times and numbers as the log tables read them, and the time-of-day
// formats the readers rewrite their time columns with.
//
// A text is read in the given locale (its date order, time and number forms),
// and the US forms are always understood as well: m/d/yyyy (also with "-" or
// "." between the parts), yyyy-mm-dd (also with "T" before the time),
// h:mm and h:mm:ss with optional fractional seconds, "AM"/"PM" (any case, or
// just "A"/"P"), and decimal numbers with "." and an optional exponent.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>
#include <optional>

#include "logfiles/date_order.h"

namespace tarvex {

enum class TimeStyle {
  HourMinuteSecond,  // "hh:mm:ss AM/PM": 14:05:30 -> 02:05:30 PM
  HourMinute,        // "hh:mm AM/PM": 14:05:30 -> 02:05 PM (seconds dropped)
};

// The value of a text that reads as a date, a time of day, a date and time,
// or a plain number, as a day count: whole days since 30 December 1899 plus
// the time of day as the fraction (a time alone is day 0; a plain number is
// taken as it is). Empty when the text reads as none of them. A date whose
// parts fit the locale's order is read in that order; one that only fits the
// US order m/d/y (or d/m/y in a month-first locale) is read that way.
std::optional<double> parseDateTime(QStringView text, const QLocale& locale = QLocale());

// The same for the bytes of a cell in ASCII (faster).
std::optional<double> parseDateTime(const char* begin, const char* end,
                                    const QLocale& locale = QLocale());

// parseDateTime with the date order fixed (a table's decided order): a date
// of three number fields is read in `order` only, so one that fits only
// another order, or none, does not read; times, numbers and the locale's
// worded dates read as above.
std::optional<double> parseDateTime(QStringView text, const QLocale& locale, DateOrder order);
std::optional<double> parseDateTime(const char* begin, const char* end, const QLocale& locale,
                                    DateOrder order);

// The value of a text that reads as a number: the US form (optional sign,
// digits with "." as the decimal point, optional exponent; blanks around
// ignored) or the locale's (its decimal point and group separators). Empty
// otherwise.
std::optional<double> parseNumber(QStringView text, const QLocale& locale = QLocale());
std::optional<double> parseNumber(const char* begin, const char* end,
                                  const QLocale& locale = QLocale());

// The time of day of such a text in seconds since midnight (0 to 86399,
// rounded to the nearest second; a negative day count takes the fraction's
// absolute value); empty when the text reads as none of the forms.
std::optional<int> timeOfDaySeconds(QStringView text, const QLocale& locale = QLocale());

// The same for the bytes of a cell in ASCII. Faster; texts that are not
// plain ASCII, or that only the locale's own forms cover, go through the
// QStringView overload.
std::optional<int> timeOfDaySeconds(const char* begin, const char* end,
                                    const QLocale& locale = QLocale());

// timeOfDaySeconds for the many cells of one column. Reading a text in the
// locale's own forms costs far more than in the US forms; when 1000 texts in
// a row have read in neither while none has read in the locale's forms yet,
// the reader keeps to the US forms for the rest of the column (a column of
// labels such as "Batch 12" then costs no more than a column of times).
//
// With an order, a date and time is read with its date in that order only
// (as the parseDateTime overload with an order).
class TimeColumnReader {
 public:
  explicit TimeColumnReader(const QLocale& locale = QLocale(),
                            std::optional<DateOrder> order = std::nullopt);
  std::optional<int> seconds(QStringView text);
  // ASCII bytes, as timeOfDaySeconds(const char*, const char*, ...).
  std::optional<int> seconds(const char* begin, const char* end);

 private:
  std::optional<int> viaLocale(QStringView text, int fast, double day);

  QLocale locale_;
  std::optional<DateOrder> order_;
  int failuresInARow_ = 0;
  bool localeRead_ = false;
  bool localeOff_ = false;
};

// seconds (0 to 86399) written in the style: a two-digit hour 01 to 12, two-
// digit minutes (and seconds), a blank and "AM" or "PM".
QString formatTimeOfDay(int seconds, TimeStyle style);

// Writes the formatted time into out[0..] and returns its length (8 or 11).
int formatTimeOfDay(int seconds, TimeStyle style, char* out);

// The text rewritten in the style when it reads as a date, time or number;
// otherwise the text unchanged (so a column title survives).
QString formatTime(QStringView text, TimeStyle style, const QLocale& locale = QLocale());

}  // namespace tarvex
