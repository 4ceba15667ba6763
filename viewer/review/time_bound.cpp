#include "review/time_bound.h"

#include <QDate>
#include <cmath>

#include "logfiles/timeconv.h"
#include "shell/runtime_error.h"

namespace tarvex {

namespace {

// Where the date at the start of text ends: after three number fields
// separated by "/", "-" or "."; -1 when text does not start with a date.
qsizetype dateEnd(QStringView text) {
  qsizetype i = 0;
  for (int field = 0; field < 3; ++field) {
    const qsizetype start = i;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 0x80) ++i;
    if (i == start) return -1;
    if (field < 2) {
      if (i >= text.size() || (text[i] != u'/' && text[i] != u'-' && text[i] != u'.')) return -1;
      ++i;
    }
  }
  return i;
}

// The date of day 0 of the serials.
const QDate kSerialOrigin(1899, 12, 30);

}  // namespace

double parseTimeBound(QStringView text, DateOrder order, bool isUpperBound) {
  const QStringView t = text.trimmed();
  const qsizetype end = dateEnd(t);
  auto refuse = [&] {
    return RuntimeError(
        err::TypeMismatch,
        QStringLiteral("\"%1\" is not a date and time (dates read %2, or as YYYY-MM-DD HH:MM:SS)")
            .arg(text.toString(), dateOrderName(order)));
  };
  if (end < 0) throw refuse();
  // A four-digit first field is the ISO form, whatever the file's order.
  qsizetype firstField = 0;
  while (firstField < t.size() && t[firstField].isDigit()) ++firstField;
  const DateOrder used = firstField == 4 ? DateOrder::YearMonthDay : order;
  const std::optional<double> serial = parseDateTime(t, QLocale::c(), used);
  if (!serial) throw refuse();
  const bool dateOnly = end == t.size();
  if (dateOnly && isUpperBound) return *serial + 86399.0 / 86400.0;
  return *serial;
}

QString formatTimeBound(double serial, DateOrder order) {
  const qint64 seconds = static_cast<qint64>(std::llround(serial * 86400.0));
  const qint64 day = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  const int secondOfDay = int(seconds - day * 86400);
  const QDate date = kSerialOrigin.addDays(day);
  QString dateText;
  switch (order) {
    case DateOrder::MonthDayYear:
      dateText = QStringLiteral("%1/%2/%3").arg(date.month()).arg(date.day()).arg(date.year());
      break;
    case DateOrder::DayMonthYear:
      dateText = QStringLiteral("%1/%2/%3").arg(date.day()).arg(date.month()).arg(date.year());
      break;
    case DateOrder::YearMonthDay:
      dateText = QStringLiteral("%1-%2-%3")
                     .arg(date.year(), 4, 10, QChar(u'0'))
                     .arg(date.month(), 2, 10, QChar(u'0'))
                     .arg(date.day(), 2, 10, QChar(u'0'));
      break;
  }
  const int hour24 = secondOfDay / 3600;
  const int hour = hour24 % 12 == 0 ? 12 : hour24 % 12;
  return dateText + QStringLiteral(" %1:%2:%3 %4")
                        .arg(hour)
                        .arg(secondOfDay / 60 % 60, 2, 10, QChar(u'0'))
                        .arg(secondOfDay % 60, 2, 10, QChar(u'0'))
                        .arg(hour24 < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
}

}  // namespace tarvex
