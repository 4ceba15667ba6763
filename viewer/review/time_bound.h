// From and To as a reviewer types them, in the window's fields and after
// the --from and --to options of the command-line tool (show, export, and
// any command that takes a span of time).
#pragma once

#include <QString>
#include <QStringView>

#include "logfiles/date_order.h"

namespace tarvex {

// The date-time serial of `text`: a date in `order` (the file's: 3/14/2007,
// 14/3/2007 or 14.03.2007, 2007-03-14) or in the ISO form YYYY-MM-DD,
// either followed by a time of day (h:mm or h:mm:ss, 24-hour or with AM/PM;
// ISO also with "T" between). A date without a time means 00:00:00 for a
// lower bound (From) and 23:59:59 for an upper bound (To). Blanks around
// are ignored.
// Throws RuntimeError(err::TypeMismatch) with a message that names the
// text when it is no such date and time (2007-02-30, a time alone, a date
// in another order).
double parseTimeBound(QStringView text, DateOrder order, bool isUpperBound);

// A bound as the printouts show it and parseTimeBound reads it back: the
// date in `order` (month/day/year "3/14/2007", day/month/year "14/3/2007",
// year/month/day "2007-03-14"), a blank, the time "h:mm:ss AM" rounded to
// the second ("3/14/2007 6:00:00 AM").
QString formatTimeBound(double serial, DateOrder order);

}  // namespace tarvex
