// The texts a filtered grid shows about itself and that its printout and
// the command-line tool print.
#pragma once

#include <QString>

#include "logfiles/date_order.h"
#include "review/time_window.h"

namespace tarvex {

// A count or row number with thousands grouped: 52311 -> "52,311".
QString groupedNumber(qint64 n);

// "Showing 1,204 of 1,000,000 rows" (the data rows; the titles not counted).
QString showingText(int shown, int total);

// The line about rows the window keeps because their date or time does not
// read: "1 row without a readable date or time is shown" /
// "3 rows without a readable date or time are shown"; "" for 0.
QString unreadableText(int count);

// A tab's caption while its grid is filtered: "Audit Trail (filtered)";
// the caption itself when not.
QString tabCaption(const QString& caption, bool filtered);

// The line a filtered printout adds under its header, "" when nothing is
// filtered. The window's ends as formatTimeBound writes them in `order`,
// then the text filter in double quotes:
//   Filtered: 3/14/2007 6:00:00 AM – 3/14/2007 7:59:59 AM; text "Smith"
//   Filtered: from 3/14/2007 6:00:00 AM
//   Filtered: until 3/14/2007 7:59:59 AM
//   Filtered: text "Smith"
// (the dash is an en dash, U+2013).
QString filterLine(const TimeWindow& window, const QString& text, DateOrder order);

}  // namespace tarvex
