#include "batches/batch_record.h"

#include <QDate>
#include <cstdio>

namespace tarvex {
namespace {

// The day of 30 December 1899, day 0 of the clock seconds.
const qint64 kEpochDay = QDate(1899, 12, 30).toJulianDay();

// The digits text[at..at+n) as a number; -1 when one is no digit.
int digits(QStringView text, int at, int n) {
  int v = 0;
  for (int i = at; i < at + n; ++i) {
    const char16_t c = text[i].unicode();
    if (c < u'0' || c > u'9') return -1;
    v = v * 10 + (c - u'0');
  }
  return v;
}

}  // namespace

QString verdictName(SignatureVerdict verdict) {
  switch (verdict) {
    case SignatureVerdict::Confirmed:
      return QStringLiteral("confirmed");
    case SignatureVerdict::Failed:
      return QStringLiteral("failed");
    case SignatureVerdict::Unsigned:
      break;
  }
  return QStringLiteral("unsigned");
}

std::optional<SignatureVerdict> verdictFromName(QStringView name) {
  for (SignatureVerdict v :
       {SignatureVerdict::Unsigned, SignatureVerdict::Confirmed, SignatureVerdict::Failed})
    if (name.compare(verdictName(v), Qt::CaseInsensitive) == 0) return v;
  return std::nullopt;
}

QString reviewName(ReviewState state) { return reviewStateName(state); }

std::optional<ReviewState> reviewStateFromName(QStringView name) {
  for (ReviewState s : {ReviewState::None, ReviewState::Reviewed, ReviewState::Approved,
                        ReviewState::Rejected, ReviewState::Failed})
    if (name.compare(reviewStateName(s), Qt::CaseInsensitive) == 0) return s;
  return std::nullopt;
}

QString isoOfClock(ClockSeconds seconds) {
  // Plain arithmetic: a QDateTime would ask the time zone each time.
  const qint64 day = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  const int second = int(seconds - day * 86400);
  const QDate date = QDate::fromJulianDay(kEpochDay + day);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", date.year(), date.month(),
                date.day(), second / 3600, second / 60 % 60, second % 60);
  return QString::fromLatin1(text);
}

std::optional<ClockSeconds> clockOfIso(QStringView text) {
  if (text.size() != 19 || text[4] != u'-' || text[7] != u'-' || text[10] != u'T' ||
      text[13] != u':' || text[16] != u':')
    return std::nullopt;
  const QDate date(digits(text, 0, 4), digits(text, 5, 2), digits(text, 8, 2));
  const int h = digits(text, 11, 2), m = digits(text, 14, 2), sec = digits(text, 17, 2);
  if (!date.isValid() || h < 0 || h > 23 || m < 0 || m > 59 || sec < 0 || sec > 59)
    return std::nullopt;
  return (date.toJulianDay() - kEpochDay) * 86400 + h * 3600 + m * 60 + sec;
}

}  // namespace tarvex
