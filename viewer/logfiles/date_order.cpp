#include "logfiles/date_order.h"

#include "logfiles/logtable.h"

namespace tarvex {

namespace {

// Up to maxDigits decimal digits at text[i]; -1 when there is none or more
// follow.
int numberAt(QStringView text, qsizetype& i, int maxDigits, int& digits) {
  int value = 0;
  digits = 0;
  while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
    if (++digits > maxDigits) return -1;
    value = value * 10 + (text[i].unicode() - u'0');
    ++i;
  }
  return digits > 0 ? value : -1;
}

}  // namespace

DateOrder localeDateOrder(const QLocale& locale) {
  const QString format = locale.dateFormat(QLocale::ShortFormat);
  const qsizetype d = format.indexOf(u'd');
  const qsizetype m = format.indexOf(u'M');
  return d >= 0 && m >= 0 && d < m ? DateOrder::DayMonthYear : DateOrder::MonthDayYear;
}

std::optional<DateOrder> decisiveDateOrder(QStringView text) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  int digits1 = 0, digits2 = 0, digits3 = 0;
  const int first = numberAt(text, i, 4, digits1);
  if (first < 0 || i >= text.size()) return std::nullopt;
  const QChar sep = text[i];
  if (sep != u'/' && sep != u'-' && sep != u'.') return std::nullopt;
  ++i;
  const int second = numberAt(text, i, 2, digits2);
  if (second < 0 || i >= text.size() || text[i] != sep) return std::nullopt;
  ++i;
  const int third = numberAt(text, i, 4, digits3);
  if (third < 0) return std::nullopt;
  if (i < text.size() && text[i] != u' ' && text[i] != u'\t' && text[i] != u'T')
    return std::nullopt;
  if (digits1 == 4) return digits3 <= 2 ? std::optional(DateOrder::YearMonthDay) : std::nullopt;
  if (digits1 > 2 || digits3 == 3) return std::nullopt;
  if (first > 12 && second <= 12) return DateOrder::DayMonthYear;
  if (second > 12 && first <= 12) return DateOrder::MonthDayYear;
  return std::nullopt;
}

std::optional<DateOrder> dateOrderFromName(QStringView name) {
  if (name.compare(u"mdy", Qt::CaseInsensitive) == 0) return DateOrder::MonthDayYear;
  if (name.compare(u"dmy", Qt::CaseInsensitive) == 0) return DateOrder::DayMonthYear;
  if (name.compare(u"ymd", Qt::CaseInsensitive) == 0) return DateOrder::YearMonthDay;
  return std::nullopt;
}

QString dateOrderName(DateOrder order) {
  switch (order) {
    case DateOrder::MonthDayYear:
      return QStringLiteral("month/day/year");
    case DateOrder::DayMonthYear:
      return QStringLiteral("day/month/year");
    case DateOrder::YearMonthDay:
      return QStringLiteral("year/month/day");
  }
  return {};
}

QString dateOrderText(const DateReading& reading) {
  const char* source = "";
  switch (reading.source) {
    case DateOrderSource::File:
      source = " (from the file)";
      break;
    case DateOrderSource::LogFile:
      source = " (from the log file)";
      break;
    case DateOrderSource::Locale:
      source = " (locale)";
      break;
    case DateOrderSource::Set:
      source = " (set)";
      break;
  }
  return QStringLiteral("Dates read ") + dateOrderName(reading.order) + QString::fromLatin1(source);
}

DateReading decideDateOrder(const LogTable& table, int dateCol, std::optional<DateOrder> set,
                            std::optional<DateReading> logReading, const QLocale& locale) {
  if (set) return {*set, DateOrderSource::Set};
  QString text;
  for (int r = 1; r <= table.lastRow(); ++r) {
    table.getCellInto(dateCol, r, text);
    if (const std::optional<DateOrder> order = decisiveDateOrder(text))
      return {*order, DateOrderSource::File};
  }
  if (logReading && logReading->source != DateOrderSource::Locale)
    return {logReading->order, DateOrderSource::LogFile};
  return {localeDateOrder(locale), DateOrderSource::Locale};
}

DateReading applyDateOrder(LogTable& table, int dateCol, std::optional<DateOrder> set,
                           std::optional<DateReading> logReading, const QLocale& locale) {
  const DateReading reading = decideDateOrder(table, dateCol, set, logReading, locale);
  table.setDateReading(reading);
  return reading;
}

}  // namespace tarvex
