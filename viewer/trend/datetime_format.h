// The date/time pattern language of the trend's X axis labels.
#pragma once

#include <QString>

namespace tarvex {

// Formats the date-time serial `serial` (whole days since 30 Dec 1899 plus
// the fraction of the day) with `pattern`. The elements, case-insensitive:
//   d dd       day of the month (1..31 / 01..31)
//   ddd dddd   weekday name (Mon / Monday)
//   m mm       month (1..12 / 01..12); minutes (0..59 / 00..59) when the
//              element before it was an hour (h or hh), as in "h:mm"
//   mmm mmmm   month name (Jan / January)
//   yy yyyy    year (two / four digits)
//   h hh       hour (0..23, or 1..12 with am/pm; / two digits)
//   n nn       minutes;  s ss  seconds;  z zzz  milliseconds
//   am/pm a/p  12-hour clock marker, in the letter case written ("AM/PM"
//              gives "PM", "am/pm" gives "pm")
// Text in double or single quotes is copied without its quotes; every other
// character is copied as it is. Times are rounded to the millisecond. A
// serial that is not finite, or lies outside years 100..9999, gives "".
QString formatDateTime(const QString& pattern, double serial);

}  // namespace tarvex
