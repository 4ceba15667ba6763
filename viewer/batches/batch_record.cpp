#include "batches/batch_record.h"

#include <QDateTime>

namespace tarvex {
namespace {

const QDateTime& clockEpoch() {
  static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
  return epoch;
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
  return clockEpoch().addSecs(seconds).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

std::optional<ClockSeconds> clockOfIso(QStringView text) {
  if (text.size() != 19) return std::nullopt;
  QDateTime t = QDateTime::fromString(text.toString(), QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
  if (!t.isValid()) return std::nullopt;
  t.setTimeSpec(Qt::UTC);
  return clockEpoch().secsTo(t);
}

}  // namespace tarvex
