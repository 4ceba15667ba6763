// A batch's review at a glance: the state its review record proves, once
// the whole record has been verified against the reviewers a site trusts
// and against the batch's files as they are now. The status bar, the batch
// register and the report's verdict all read it from here.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace tarvex {

enum class ReviewState {
  None,      // no record, or a record without a sign-off
  Reviewed,  // the last sign-off says reviewed
  Approved,  // the last sign-off says approved
  Rejected,  // the last sign-off says rejected
  Failed,    // the record does not verify, or a signed file changed since
};

// "none", "reviewed", "approved", "rejected", "failed".
QString reviewStateName(ReviewState state);

struct ReviewStatus {
  ReviewState state = ReviewState::None;
  // The sign-off that decides the state (empty for None, and for Failed
  // when no sign-off verified).
  QString signerId;
  QString signerName;
  QDateTime signedAt;  // UTC
  QString reason;
  // Failed: every failure, each as `review verify` names it
  // ("entry 7: altered", "NAME.csv changed since signed by ID on DATE").
  QStringList problems;
  int entries = 0;  // entries in the record, an incomplete last line not counted
};

// Where records are and who may sign them; an empty field takes the
// default (records beside their data files; the reviewers file from
// $XDG_CONFIG_HOME/tarvex/reviewers, else /etc/tarvex/reviewers).
struct RecordPlace {
  QString reviewDir;
  QString reviewersFile;
};

// Reads and verifies the review record of `dataFile`. `dataSha256`, when
// given (32 bytes), is taken as the data file's SHA-256 instead of reading
// the file again. A record that cannot be read or does not verify is a
// Failed status with the reason, never an exception; a missing record is
// None. Safe to call from several threads at once.
ReviewStatus reviewStatusOf(const QString& dataFile, const RecordPlace& place,
                            const QByteArray& dataSha256 = {});

}  // namespace tarvex
