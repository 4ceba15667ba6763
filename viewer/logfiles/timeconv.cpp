#include "logfiles/timeconv.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QVarLengthArray>
#include <array>
#include <charconv>
#include <cmath>

namespace tarvex {
namespace {

// The locale's order of day and month (cached: the readers ask once per
// cell).
DateOrder localeOrder(const QLocale& locale) {
  static thread_local QLocale cached;
  static thread_local DateOrder order = localeDateOrder(cached);
  if (!(cached == locale)) {
    cached = locale;
    order = localeDateOrder(locale);
  }
  return order;
}

// Days from 1970-01-01 of a proleptic Gregorian date.
qint64 daysFromCivil(qint64 y, unsigned m, unsigned d) {
  y -= m <= 2;
  const qint64 era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + qint64(doe) - 719468;
}

// Day count of the system's dates: days since 30 December 1899.
qint64 serialOf(int y, int m, int d) {
  return daysFromCivil(y, m, d) - daysFromCivil(1899, 12, 30);
}

bool validDate(int y, int m, int d) {
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  static constexpr std::array<int, 12> dim{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d > dim[m - 1]) return false;
  if (m == 2 && d == 29) return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return true;
}

struct Scanner {
  const char* p;
  const char* e;

  bool atEnd() const { return p == e; }
  char peek() const { return p < e ? *p : '\0'; }
  void skipBlanks() {
    while (p < e && (*p == ' ' || *p == '\t')) ++p;
  }
  // Up to maxDigits decimal digits; false when there is none.
  bool number(int maxDigits, int& value, int& digits) {
    value = 0;
    digits = 0;
    while (p < e && *p >= '0' && *p <= '9' && digits < maxDigits) {
      value = value * 10 + (*p - '0');
      ++p;
      ++digits;
    }
    return digits > 0 && !(p < e && *p >= '0' && *p <= '9');
  }
};

struct Parsed {
  double days = 0;  // the day count
  int seconds = 0;  // its time of day
};

// [+-]digits[.digits][e[+-]digits], the whole text.
bool parseNumber(const char* b, const char* e, Parsed& out) {
  if (b == e) return false;
  bool negative = false;
  const char* p = b;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  if (p == e || !((*p >= '0' && *p <= '9') || *p == '.')) return false;
  double v = 0;
  const auto res = std::from_chars(p, e, v, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != e || !std::isfinite(v)) return false;
  if (negative) v = -v;
  out.days = v;
  const double frac = std::fabs(v - std::trunc(v));
  long long secs = std::llround(frac * 86400.0);
  if (secs >= 86400) secs = 0;
  out.seconds = int(secs);
  return true;
}

// h[:mm[:ss[.fff]]] [AM|PM|A|P]; the hour alone needs AM or PM.
bool parseTime(Scanner& s, int hour, int& seconds) {
  int minute = 0, second = 0, digits = 0;
  bool hasMinutes = false;
  if (s.peek() == ':') {
    ++s.p;
    if (!s.number(2, minute, digits)) return false;
    hasMinutes = true;
    if (s.peek() == ':') {
      ++s.p;
      if (!s.number(2, second, digits)) return false;
      if (s.peek() == '.') {  // fractional seconds are dropped
        ++s.p;
        int frac;
        if (!s.number(9, frac, digits)) return false;
      }
    }
  }
  s.skipBlanks();
  int half = 0;  // 1 AM, 2 PM
  if (!s.atEnd()) {
    const char c = char(s.peek() | 0x20);
    if (c != 'a' && c != 'p') return false;
    half = c == 'a' ? 1 : 2;
    ++s.p;
    if (!s.atEnd() && char(s.peek() | 0x20) == 'm') ++s.p;
    s.skipBlanks();
    if (!s.atEnd()) return false;
  }
  if (!hasMinutes && half == 0) return false;
  if (minute > 59 || second > 59) return false;
  if (half != 0) {
    if (hour > 12) return false;
    hour = hour % 12 + (half == 2 ? 12 : 0);
  } else if (hour > 23) {
    return false;
  }
  seconds = hour * 3600 + minute * 60 + second;
  return true;
}

// How dates are read: in `order` first; strict: in `order` only.
struct Reading {
  DateOrder order;
  bool strict;
};

// What the fixed forms made of a text.
enum class Fast {
  Read,           // out holds its value
  NotAForm,       // none of the fixed forms: the locale's forms may read it
  BadDate,        // a date of number fields that does not read in a strict order
  DateThenOther,  // a date read strictly (out.days its serial), then text no fixed
                  // form reads: the locale's forms may read it when they give that date
};

Fast parseFast(const char* b, const char* e, Reading reading, Parsed& out) {
  while (b < e && (*b == ' ' || *b == '\t')) ++b;
  while (e > b && (e[-1] == ' ' || e[-1] == '\t')) --e;
  if (b == e) return Fast::NotAForm;
  if (parseNumber(b, e, out)) return Fast::Read;

  Scanner s{b, e};
  int first, firstDigits;
  if (!s.number(4, first, firstDigits)) return Fast::NotAForm;
  const char sep = s.peek();
  if (sep == '/' || sep == '-' || sep == '.') {
    ++s.p;
    int second, secondDigits, third, thirdDigits;
    if (!s.number(2, second, secondDigits) || s.peek() != sep) return Fast::NotAForm;
    ++s.p;
    if (!s.number(4, third, thirdDigits)) return Fast::NotAForm;
    // Three number fields: a date, read in the given order when it is strict.
    const Fast bad = reading.strict ? Fast::BadDate : Fast::NotAForm;
    auto fullYear = [](int y, int digits) {
      return digits <= 2 ? (y < 30 ? 2000 + y : 1900 + y) : y;
    };
    int y = 0, m = 0, d = 0;
    bool ok = false;
    if (firstDigits > 2) {
      if (reading.strict && reading.order != DateOrder::YearMonthDay) return bad;
      y = first, m = second, d = third;
      ok = thirdDigits <= 2 && validDate(y, m, d);
    } else if (thirdDigits != 3) {
      if (reading.strict && reading.order == DateOrder::YearMonthDay) return bad;
      y = fullYear(third, thirdDigits);
      // The given order first; unless it is strict, then the other of
      // month-first and day-first.
      const DateOrder dayFirst = DateOrder::DayMonthYear;
      const DateOrder monthFirst = DateOrder::MonthDayYear;
      const DateOrder tries[2] = {reading.order == dayFirst ? dayFirst : monthFirst,
                                  reading.order == dayFirst ? monthFirst : dayFirst};
      for (int i = 0; i < (reading.strict ? 1 : 2); ++i) {
        m = tries[i] == monthFirst ? first : second;
        d = tries[i] == monthFirst ? second : first;
        if ((ok = validDate(y, m, d))) break;
      }
    }
    if (!ok) return bad;
    const qint64 serial = serialOf(y, m, d);
    const Fast other = reading.strict ? Fast::DateThenOther : Fast::NotAForm;
    int secs = 0;
    if (!s.atEnd()) {
      out.days = double(serial);
      if (s.peek() == 'T' && firstDigits > 2) {
        ++s.p;
      } else if (s.peek() == ' ' || s.peek() == '\t') {
        s.skipBlanks();
      } else {
        return other;
      }
      int hour, digits;
      if (!s.number(2, hour, digits) || !parseTime(s, hour, secs)) return other;
    }
    out.days = double(serial) + secs / 86400.0;
    out.seconds = secs;
    return Fast::Read;
  }
  if (firstDigits > 2) return Fast::NotAForm;
  int secs;
  if (!parseTime(s, first, secs)) return Fast::NotAForm;
  out.days = secs / 86400.0;
  out.seconds = secs;
  return Fast::Read;
}

bool hasDigit(QStringView text) {
  for (const QChar c : text)
    if (c.isDigit()) return true;
  return false;
}

// The locale's own forms, for texts the fast forms do not cover.
bool parseLocale(QStringView text, const QLocale& locale, Parsed& out) {
  const QString t = text.trimmed().toString();
  if (t.isEmpty() || !hasDigit(t)) return false;
  bool ok = false;
  const double v = locale.toDouble(t, &ok);
  if (ok && std::isfinite(v)) {
    out.days = v;
    const double frac = std::fabs(v - std::trunc(v));
    long long secs = std::llround(frac * 86400.0);
    out.seconds = int(secs >= 86400 ? 0 : secs);
    return true;
  }
  for (const auto f : {QLocale::LongFormat, QLocale::ShortFormat}) {
    const QTime time = locale.toTime(t, f);
    if (time.isValid()) {
      out.seconds = time.msecsSinceStartOfDay() / 1000;
      out.days = out.seconds / 86400.0;
      return true;
    }
  }
  const QStringList dateTimeFormats{
      locale.dateTimeFormat(QLocale::ShortFormat), locale.dateTimeFormat(QLocale::LongFormat),
      locale.dateFormat(QLocale::ShortFormat) + u' ' + locale.timeFormat(QLocale::LongFormat),
      locale.dateFormat(QLocale::ShortFormat) + u' ' + locale.timeFormat(QLocale::ShortFormat)};
  for (const QString& f : dateTimeFormats) {
    const QDateTime dt = locale.toDateTime(t, f);
    if (dt.isValid()) {
      const QDate d = dt.date();
      out.seconds = dt.time().msecsSinceStartOfDay() / 1000;
      out.days = double(serialOf(d.year(), d.month(), d.day())) + out.seconds / 86400.0;
      return true;
    }
  }
  for (const auto f : {QLocale::ShortFormat, QLocale::LongFormat}) {
    const QDate d = locale.toDate(t, f);
    if (d.isValid()) {
      out.seconds = 0;
      out.days = double(serialOf(d.year(), d.month(), d.day()));
      return true;
    }
  }
  return false;
}

// After the fixed forms gave `fast` for text: the locale's forms where they
// may read it (a strictly read date must come out of them unchanged).
bool parseRest(Fast fast, QStringView text, const QLocale& locale, Parsed& out) {
  switch (fast) {
    case Fast::Read:
      return true;
    case Fast::BadDate:
      return false;
    case Fast::NotAForm:
      return parseLocale(text, locale, out);
    case Fast::DateThenOther: {
      const double day = out.days;
      return parseLocale(text, locale, out) && std::trunc(out.days) == day;
    }
  }
  return false;
}

// The fixed forms of text when it is ASCII (the locale's no-break spaces
// counted as blanks); NotAForm when it is not ASCII.
Fast parseTextFast(QStringView text, Reading reading, Parsed& out) {
  // Any length: a long text must read as its bytes do (on the stack up to 64).
  QVarLengthArray<char, 64> buf(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c < 0x80)
      buf[i] = char(c);
    else if (c == 0xA0 || c == 0x202F)
      buf[i] = ' ';
    else
      return Fast::NotAForm;
  }
  return parseFast(buf.data(), buf.data() + text.size(), reading, out);
}

bool parseText(QStringView text, const QLocale& locale, Reading reading, Parsed& out) {
  return parseRest(parseTextFast(text, reading, out), text, locale, out);
}

bool hasAsciiDigit(const char* b, const char* e) {
  for (const char* c = b; c < e; ++c)
    if (*c >= '0' && *c <= '9') return true;
  return false;
}

bool parseBytes(const char* b, const char* e, const QLocale& locale, Reading reading, Parsed& out) {
  const Fast fast = parseFast(b, e, reading, out);
  if (fast == Fast::Read) return true;
  // Only a text with a digit can be one of the locale's forms.
  if (fast == Fast::BadDate || !hasAsciiDigit(b, e)) return false;
  return parseRest(fast, QString::fromLatin1(b, e - b), locale, out);
}

Reading lenient(const QLocale& locale) { return {localeOrder(locale), false}; }

}  // namespace

std::optional<double> parseDateTime(QStringView text, const QLocale& locale) {
  Parsed p;
  if (!parseText(text, locale, lenient(locale), p)) return std::nullopt;
  return p.days;
}

std::optional<double> parseDateTime(QStringView text, const QLocale& locale, DateOrder order) {
  Parsed p;
  if (!parseText(text, locale, {order, true}, p)) return std::nullopt;
  return p.days;
}

std::optional<double> parseDateTime(const char* begin, const char* end, const QLocale& locale) {
  Parsed p;
  if (!parseBytes(begin, end, locale, lenient(locale), p)) return std::nullopt;
  return p.days;
}

std::optional<double> parseDateTime(const char* begin, const char* end, const QLocale& locale,
                                    DateOrder order) {
  Parsed p;
  if (!parseBytes(begin, end, locale, {order, true}, p)) return std::nullopt;
  return p.days;
}

std::optional<double> parseNumber(const char* begin, const char* end, const QLocale& locale) {
  const char* b = begin;
  const char* e = end;
  while (b < e && (*b == ' ' || *b == '\t')) ++b;
  while (e > b && (e[-1] == ' ' || e[-1] == '\t')) --e;
  Parsed p;
  if (parseNumber(b, e, p)) return p.days;
  if (!hasAsciiDigit(b, e)) return std::nullopt;
  bool ok = false;
  const double v = locale.toDouble(QString::fromLatin1(b, e - b), &ok);
  return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

std::optional<double> parseNumber(QStringView text, const QLocale& locale) {
  const QStringView t = text.trimmed();
  // The US form allows blanks around it, as the byte form and the date
  // reader do; other white space (a line break or form feed left in a
  // quoted cell) is for the locale's reader to judge.
  QStringView us = text;
  while (!us.isEmpty() && (us.front() == u' ' || us.front() == u'\t')) us = us.sliced(1);
  while (!us.isEmpty() && (us.back() == u' ' || us.back() == u'\t')) us.chop(1);
  QVarLengthArray<char, 64> buf(us.size());
  bool ascii = true;
  for (qsizetype i = 0; i < us.size() && ascii; ++i) {
    ascii = us[i].unicode() < 0x80;
    buf[i] = char(us[i].unicode());
  }
  Parsed p;
  if (ascii && parseNumber(buf.data(), buf.data() + us.size(), p)) return p.days;
  if (!hasDigit(t)) return std::nullopt;
  bool ok = false;
  const double v = locale.toDouble(t, &ok);
  return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

std::optional<int> timeOfDaySeconds(QStringView text, const QLocale& locale) {
  Parsed p;
  if (!parseText(text, locale, lenient(locale), p)) return std::nullopt;
  return p.seconds;
}

std::optional<int> timeOfDaySeconds(const char* begin, const char* end, const QLocale& locale) {
  Parsed p;
  if (!parseBytes(begin, end, locale, lenient(locale), p)) return std::nullopt;
  return p.seconds;
}

TimeColumnReader::TimeColumnReader(const QLocale& locale, std::optional<DateOrder> order)
    : locale_(locale), order_(order) {}

std::optional<int> TimeColumnReader::viaLocale(QStringView text, int fast, double day) {
  if (localeOff_) return std::nullopt;
  Parsed p;
  const bool read = parseLocale(text, locale_, p) &&
                    (Fast(fast) != Fast::DateThenOther || std::trunc(p.days) == day);
  if (read) {
    localeRead_ = true;
    failuresInARow_ = 0;
    return p.seconds;
  }
  if (!localeRead_ && ++failuresInARow_ >= 1000) localeOff_ = true;
  return std::nullopt;
}

std::optional<int> TimeColumnReader::seconds(QStringView text) {
  Parsed p;
  const Reading reading = order_ ? Reading{*order_, true} : lenient(locale_);
  const Fast fast = parseTextFast(text, reading, p);
  if (fast == Fast::Read) return p.seconds;
  if (fast == Fast::BadDate || !hasDigit(text)) return std::nullopt;
  return viaLocale(text, int(fast), p.days);
}

std::optional<int> TimeColumnReader::seconds(const char* begin, const char* end) {
  Parsed p;
  const Reading reading = order_ ? Reading{*order_, true} : lenient(locale_);
  const Fast fast = parseFast(begin, end, reading, p);
  if (fast == Fast::Read) return p.seconds;
  if (fast == Fast::BadDate || localeOff_ || !hasAsciiDigit(begin, end)) return std::nullopt;
  return viaLocale(QString::fromLatin1(begin, end - begin), int(fast), p.days);
}

int formatTimeOfDay(int seconds, TimeStyle style, char* out) {
  const int h24 = seconds / 3600;
  const int m = seconds / 60 % 60;
  const int s = seconds % 60;
  const int h = h24 % 12 == 0 ? 12 : h24 % 12;
  int n = 0;
  out[n++] = char('0' + h / 10);
  out[n++] = char('0' + h % 10);
  out[n++] = ':';
  out[n++] = char('0' + m / 10);
  out[n++] = char('0' + m % 10);
  if (style == TimeStyle::HourMinuteSecond) {
    out[n++] = ':';
    out[n++] = char('0' + s / 10);
    out[n++] = char('0' + s % 10);
  }
  out[n++] = ' ';
  out[n++] = h24 < 12 ? 'A' : 'P';
  out[n++] = 'M';
  return n;
}

QString formatTimeOfDay(int seconds, TimeStyle style) {
  char buf[16];
  const int n = formatTimeOfDay(seconds, style, buf);
  return QString::fromLatin1(buf, n);
}

QString formatTime(QStringView text, TimeStyle style, const QLocale& locale) {
  const std::optional<int> secs = timeOfDaySeconds(text, locale);
  return secs ? formatTimeOfDay(*secs, style) : text.toString();
}

}  // namespace tarvex
