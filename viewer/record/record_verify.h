// A batch's review record verified: every entry with its result, against
// the reviewers a site trusts and the batch's files as they are now.
//
// An entry holds when it parses, follows the entry before it (sequence
// number and the previous line's SHA-256), names this data file, was signed
// by a reviewer of the reviewers file with the key listed there, the author
// has the role its kind needs (a note any; reviewed and rejected reviewer or
// approver; approved approver), a rejection gives a reason, and an approval
// follows a valid review by another person. The files bound by every valid
// sign-off are compared with the files now.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "record/batch_files.h"
#include "record/record_entry.h"
#include "record/review_status.h"
#include "record/reviewers.h"

namespace tarvex {

// The batch whose record is read, and where records are kept.
struct RecordTarget {
  BatchPaths batch;
  QString reviewDir;   // "" = beside the data file
  QString dataSha256;  // when known (64 hex); else the data file is read
};

struct EntryResult {
  int line = 0;                      // the entry's place in the record, from 1
  std::optional<RecordEntry> entry;  // empty when the line does not parse
  QStringList failures;              // empty when the entry holds
  int afterSignOff = 0;              // a note after a valid sign-off: that one's line
  bool valid() const { return failures.isEmpty(); }
};

// A file bound by a valid sign-off that is not as it was.
struct FileChange {
  QString name;
  QString role;
  int signOffLine = 0;
  bool missing = false;
  QString text;  // "NAME changed since signed by ID on DATE"
};

struct VerifiedRecord {
  QString recordPath;
  bool exists = false;  // false: no record (nothing to verify)
  QString dataName;
  QString dataSha256;
  ReviewersFile reviewers;
  std::vector<EntryResult> entries;  // an incomplete last line is the last, failed
  int completeEntries = 0;           // entries, an incomplete last line not counted
  std::vector<FileChange> changes;
  // Everything that fails, as `tarvex review verify` names it:
  // "entry N: reason" and the file changes.
  QStringList problems;
  int decidingLine = 0;  // the last valid sign-off's line; 0 none

  bool holds() const { return problems.isEmpty(); }
  const RecordEntry* decidingSignOff() const;
  // Whether `id` may sign "approved" now: listed with the approver role,
  // and a valid "reviewed" by another person is in the record. `why` gets
  // the reason when not.
  bool approveAllowed(const QString& id, QString* why = nullptr) const;
  // Failed when a problem is listed; else the deciding sign-off's meaning,
  // or None.
  ReviewState state() const;
};

// Reads and verifies the record of target's data file. A missing record is
// exists = false without problems. Throws RuntimeError for a record that
// cannot be read (a pipe or device is refused unread) and for a data file
// that cannot be read.
VerifiedRecord verifyRecord(const RecordTarget& target, const ReviewersFile& reviewers);

// Verifies record contents already read (`contents`) for a data file named
// `dataName` whose SHA-256 is `dataSha256`; file changes are checked
// against `batch` when its data file is given.
VerifiedRecord verifyRecordContents(const QByteArray& contents, const QString& dataName,
                                    const QString& dataSha256, const ReviewersFile& reviewers,
                                    const BatchPaths& batch = {});

// The review status a verified record proves (review_status.h), without
// reading anything again.
ReviewStatus reviewStatusOf(const VerifiedRecord& record);

// The role `entry` needs ("" for a note: any role), and whether `r` has it.
bool hasRoleFor(const Reviewer& r, const RecordEntry& entry);

}  // namespace tarvex
