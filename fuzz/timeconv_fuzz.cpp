// The time conversion functions on arbitrary texts in a few locales. The
// fast byte forms must agree with the text forms on ASCII, a time of day is
// always within a day, and the formatted forms have their fixed shape.
#include <QLocale>
#include <cmath>
#include <cstring>

#include "fuzz_util.h"
#include "logfiles/timeconv.h"

using tarvex::TimeStyle;

namespace {

bool sameValue(const std::optional<double>& a, const std::optional<double>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  return (std::isnan(*a) && std::isnan(*b)) || *a == *b;
}

void checkFormatted(int seconds) {
  FUZZ_CHECK(seconds >= 0 && seconds <= 86399);
  for (TimeStyle style : {TimeStyle::HourMinuteSecond, TimeStyle::HourMinute}) {
    char buf[32];
    std::memset(buf, 0, sizeof buf);
    const int n = tarvex::formatTimeOfDay(seconds, style, buf);
    FUZZ_CHECK(n == (style == TimeStyle::HourMinuteSecond ? 11 : 8));
    const QString text = tarvex::formatTimeOfDay(seconds, style);
    FUZZ_CHECK(text == QString::fromLatin1(buf, n));
    // hh:mm[:ss] AM|PM with hours 01..12.
    const int hour = (buf[0] - '0') * 10 + (buf[1] - '0');
    FUZZ_CHECK(hour >= 1 && hour <= 12 && buf[2] == ':');
    FUZZ_CHECK(buf[n - 3] == ' ' && (buf[n - 2] == 'A' || buf[n - 2] == 'P') && buf[n - 1] == 'M');
    // Read back, the text gives the same time (to the minute in the short style).
    const std::optional<int> back = tarvex::timeOfDaySeconds(QStringView(text), QLocale::c());
    FUZZ_CHECK(back.has_value());
    FUZZ_CHECK(*back == (style == TimeStyle::HourMinuteSecond ? seconds : seconds / 60 * 60));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const QLocale locales[] = {QLocale(QLocale::English, QLocale::UnitedStates),
                                    QLocale(QLocale::German, QLocale::Germany),
                                    QLocale(QLocale::English, QLocale::UnitedKingdom),
                                    QLocale(QLocale::French, QLocale::France),
                                    QLocale(QLocale::Japanese, QLocale::Japan),
                                    QLocale(QLocale::Arabic, QLocale::Egypt),
                                    QLocale::c(),
                                    QLocale(QLocale::Hungarian, QLocale::Hungary)};
  static tarvex::TimeColumnReader readers[] = {
      tarvex::TimeColumnReader(locales[0]), tarvex::TimeColumnReader(locales[1]),
      tarvex::TimeColumnReader(locales[2]), tarvex::TimeColumnReader(locales[3]),
      tarvex::TimeColumnReader(locales[4]), tarvex::TimeColumnReader(locales[5]),
      tarvex::TimeColumnReader(locales[6]), tarvex::TimeColumnReader(locales[7])};
  if (size == 0) return 0;
  const int which = data[0] % 8;
  const QLocale& locale = locales[which];
  const char* begin = reinterpret_cast<const char*>(data + 1);
  const char* end = reinterpret_cast<const char*>(data + size);
  bool ascii = true;
  for (const char* p = begin; p != end; ++p) ascii = ascii && static_cast<unsigned char>(*p) < 0x80;
  const QString text =
      ascii ? QString::fromLatin1(begin, end - begin) : QString::fromUtf8(begin, end - begin);

  const std::optional<double> dt = tarvex::parseDateTime(QStringView(text), locale);
  const std::optional<double> dtFast = tarvex::parseDateTime(begin, end, locale);
  const std::optional<double> num = tarvex::parseNumber(QStringView(text), locale);
  const std::optional<double> numFast = tarvex::parseNumber(begin, end, locale);
  const std::optional<int> secs = tarvex::timeOfDaySeconds(QStringView(text), locale);
  const std::optional<int> secsFast = tarvex::timeOfDaySeconds(begin, end, locale);
  if (ascii) {
    FUZZ_CHECK(sameValue(dt, dtFast));
    FUZZ_CHECK(sameValue(num, numFast));
    FUZZ_CHECK(secs == secsFast);
  }
  // Every number is also a date value, and a date value has a time of day.
  if (num) FUZZ_CHECK(dt.has_value());
  FUZZ_CHECK(dt.has_value() == secs.has_value());
  if (secs) checkFormatted(*secs);
  if (secsFast) checkFormatted(*secsFast);

  // The column reader gives up on the locale's forms after many misses; what
  // it does read must be what the function reads.
  const std::optional<int> col = readers[which].seconds(QStringView(text));
  if (col) FUZZ_CHECK(col == secs);
  if (ascii) {
    const std::optional<int> colFast = readers[which].seconds(begin, end);
    if (colFast) FUZZ_CHECK(colFast == secs);
  }

  for (TimeStyle style : {TimeStyle::HourMinuteSecond, TimeStyle::HourMinute}) {
    const QString formatted = tarvex::formatTime(QStringView(text), style, locale);
    FUZZ_CHECK(formatted == (secs ? tarvex::formatTimeOfDay(*secs, style) : text));
  }
  return 0;
}
