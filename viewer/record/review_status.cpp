#include "record/review_status.h"

#include <QFileInfo>
#include <new>

#include "record/record_verify.h"
#include "shell/runtime_error.h"

namespace tarvex {

QString reviewStateName(ReviewState state) {
  switch (state) {
    case ReviewState::None:
      return QStringLiteral("none");
    case ReviewState::Reviewed:
      return QStringLiteral("reviewed");
    case ReviewState::Approved:
      return QStringLiteral("approved");
    case ReviewState::Rejected:
      return QStringLiteral("rejected");
    case ReviewState::Failed:
      return QStringLiteral("failed");
  }
  return {};
}

ReviewStatus reviewStatusOf(const VerifiedRecord& record) {
  ReviewStatus status;
  status.state = record.state();
  status.problems = record.problems;
  status.entries = record.completeEntries;
  if (const RecordEntry* d = record.decidingSignOff()) {
    status.signerId = d->author;
    status.signerName = d->name;
    status.signedAt = d->written;
    status.reason = d->reason;
  }
  return status;
}

ReviewStatus reviewStatusOf(const QString& dataFile, const RecordPlace& place,
                            const QByteArray& dataSha256) {
  ReviewStatus status;
  try {
    RecordTarget target;
    target.batch.dataFile = dataFile;
    target.reviewDir = place.reviewDir;
    if (dataSha256.size() == 32) target.dataSha256 = QString::fromLatin1(dataSha256.toHex());
    const ReviewersFile reviewers = readReviewersFile(place.reviewersFile);
    status = reviewStatusOf(verifyRecord(target, reviewers));
  } catch (const RuntimeError& e) {
    status = {};
    status.state = ReviewState::Failed;
    status.problems << e.description();
  } catch (const std::bad_alloc&) {
    status = {};
    status.state = ReviewState::Failed;
    status.problems << QStringLiteral("out of memory");
  }
  return status;
}

}  // namespace tarvex
