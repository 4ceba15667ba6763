#include "datetime_format.h"

#include <QDate>
#include <cmath>

namespace tarvex {

namespace {

const char* const kMonthShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kMonthLong[] = {"January",   "February", "March",    "April",
                                  "May",       "June",     "July",     "August",
                                  "September", "October",  "November", "December"};
const char* const kDayShort[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kDayLong[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                "Friday", "Saturday", "Sunday"};

// The elements of the language, longest first so that "mmm" wins over "mm".
enum class Element {
  None,
  AmPm,
  AP,
  Yyyy,
  Yy,
  Mmmm,
  Mmm,
  Mm,
  M,
  Dddd,
  Ddd,
  Dd,
  D,
  Hh,
  H,
  Nn,
  N,
  Ss,
  S,
  Zzz,
  Z
};

struct ElementName {
  const char* text;
  Element element;
};

const ElementName kElements[] = {
    {"am/pm", Element::AmPm}, {"a/p", Element::AP},  {"yyyy", Element::Yyyy}, {"yy", Element::Yy},
    {"mmmm", Element::Mmmm},  {"mmm", Element::Mmm}, {"mm", Element::Mm},     {"m", Element::M},
    {"dddd", Element::Dddd},  {"ddd", Element::Ddd}, {"dd", Element::Dd},     {"d", Element::D},
    {"hh", Element::Hh},      {"h", Element::H},     {"nn", Element::Nn},     {"n", Element::N},
    {"ss", Element::Ss},      {"s", Element::S},     {"zzz", Element::Zzz},   {"z", Element::Z},
};

// The element that begins at `pos`, and its length.
Element elementAt(const QString& pattern, qsizetype pos, qsizetype* length) {
  for (const ElementName& e : kElements) {
    const QLatin1StringView name(e.text);
    if (QStringView(pattern).mid(pos, name.size()).compare(name, Qt::CaseInsensitive) == 0) {
      *length = name.size();
      return e.element;
    }
  }
  *length = 1;
  return Element::None;
}

bool hasClockMarker(const QString& pattern) {
  return pattern.contains(QLatin1String("am/pm"), Qt::CaseInsensitive) ||
         pattern.contains(QLatin1String("a/p"), Qt::CaseInsensitive);
}

QString twoDigits(int value) { return QString::number(value).rightJustified(2, QLatin1Char('0')); }

}  // namespace

QString formatDateTime(const QString& pattern, double serial) {
  if (!std::isfinite(serial) || serial < -657434.0 || serial >= 2958466.0) return QString();

  // The whole part counts days (also below 0); the fraction is always the
  // time of day, whatever the sign, as in the classic serials.
  double whole = std::trunc(serial);
  long long ms = std::llround(std::fabs(serial - whole) * 86400000.0);
  if (ms >= 86400000LL) {
    ms -= 86400000LL;
    whole += serial < 0 ? -1 : 1;
  }
  const QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(whole));
  const int hour = static_cast<int>(ms / 3600000);
  const int minute = static_cast<int>(ms / 60000 % 60);
  const int second = static_cast<int>(ms / 1000 % 60);
  const int milli = static_cast<int>(ms % 1000);
  const bool twelveHour = hasClockMarker(pattern);
  const int clockHour = twelveHour ? (hour % 12 == 0 ? 12 : hour % 12) : hour;

  QString out;
  out.reserve(pattern.size() + 8);
  bool afterHour = false;  // the last element was h or hh
  for (qsizetype i = 0; i < pattern.size();) {
    const QChar c = pattern.at(i);
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      const qsizetype end = pattern.indexOf(c, i + 1);
      const qsizetype stop = end < 0 ? pattern.size() : end;
      out += QStringView(pattern).mid(i + 1, stop - i - 1);
      i = end < 0 ? pattern.size() : end + 1;
      continue;
    }
    qsizetype length = 1;
    const Element element = elementAt(pattern, i, &length);
    const QStringView written = QStringView(pattern).mid(i, length);
    switch (element) {
      case Element::None:
        out += c;
        break;
      case Element::AmPm: {
        const bool pm = hour >= 12;
        out += pm ? written.mid(3, 2) : written.mid(0, 2);
        break;
      }
      case Element::AP:
        out += hour >= 12 ? written.mid(2, 1) : written.mid(0, 1);
        break;
      case Element::Yyyy:
        out += QString::number(date.year()).rightJustified(4, QLatin1Char('0'));
        break;
      case Element::Yy:
        out += twoDigits(date.year() % 100);
        break;
      case Element::Mmmm:
        out += QLatin1String(kMonthLong[date.month() - 1]);
        break;
      case Element::Mmm:
        out += QLatin1String(kMonthShort[date.month() - 1]);
        break;
      case Element::Mm:
        out += afterHour ? twoDigits(minute) : twoDigits(date.month());
        break;
      case Element::M:
        out += QString::number(afterHour ? minute : date.month());
        break;
      case Element::Dddd:
        out += QLatin1String(kDayLong[date.dayOfWeek() - 1]);
        break;
      case Element::Ddd:
        out += QLatin1String(kDayShort[date.dayOfWeek() - 1]);
        break;
      case Element::Dd:
        out += twoDigits(date.day());
        break;
      case Element::D:
        out += QString::number(date.day());
        break;
      case Element::Hh:
        out += twoDigits(clockHour);
        break;
      case Element::H:
        out += QString::number(clockHour);
        break;
      case Element::Nn:
        out += twoDigits(minute);
        break;
      case Element::N:
        out += QString::number(minute);
        break;
      case Element::Ss:
        out += twoDigits(second);
        break;
      case Element::S:
        out += QString::number(second);
        break;
      case Element::Zzz:
        out += QString::number(milli).rightJustified(3, QLatin1Char('0'));
        break;
      case Element::Z:
        out += QString::number(milli);
        break;
    }
    if (element != Element::None) afterHour = element == Element::Hh || element == Element::H;
    i += length;
  }
  return out;
}

}  // namespace tarvex
