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
#include <functional>
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

// One line of a record and what its verification found.
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

// A record as verified (or, `pending`, only read): every entry with its
// result, the files changed since signed, and what fails, as the CLI, the
// window and the report show it.
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
  // The last complete line's SHA-256 (64 hex; firstPrev() when none): what
  // the next entry's "prev" must be.
  QByteArray lastLineHash;
  // Entries parsed only (readRecordEntries): no entry has been checked yet,
  // `failures` hold only what does not parse, and `problems` is empty.
  bool pending = false;

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

// As above, the data file's SHA-256 asked for only once every line's
// signature has been checked, so that it can be computed meanwhile.
VerifiedRecord verifyRecordContents(const QByteArray& contents, const QString& dataName,
                                    const std::function<QString()>& dataSha256,
                                    const ReviewersFile& reviewers, const BatchPaths& batch = {});

// verifyRecord with the data file hashed on a thread of its own while the
// record's signatures are checked (target.dataSha256 is taken when given).
VerifiedRecord verifyRecordHashing(const RecordTarget& target, const ReviewersFile& reviewers);

// The record of target's data file read and its lines parsed, nothing
// checked: what a window shows at once while verifyRecord runs elsewhere.
// `pending` is set; a line that does not parse carries that failure. A
// missing record is exists = false. Throws as verifyRecord does.
// `contents`, when given, receives the bytes read.
VerifiedRecord readRecordEntries(const RecordTarget& target, QByteArray* contents = nullptr);

// Verifies the record `pending` (readRecordEntries) was read from, those
// very bytes (`contents`), taking its parsed entries instead of parsing
// again and hashing the data file meanwhile when target.dataSha256 is
// empty. The result is verifyRecord's for those bytes.
VerifiedRecord verifyReadRecord(const VerifiedRecord& pending, const QByteArray& contents,
                                const RecordTarget& target, const ReviewersFile& reviewers);

// Takes the entry just appended by this program (`line`, as written, no
// LF) into `record`, a verified view of the record as it was before the
// append, checking it as verifyRecordContents would check it as the last
// entry (chain, signer, key, role, approval rule), without verifying the
// earlier entries again. False when the line does not follow the view's
// last line (another writer appended meanwhile): verify again then.
bool extendVerified(VerifiedRecord& record, const QByteArray& line);

// The review status a verified record proves (review_status.h), without
// reading anything again.
ReviewStatus reviewStatusOf(const VerifiedRecord& record);

// The role `entry` needs ("" for a note: any role), and whether `r` has it.
bool hasRoleFor(const Reviewer& r, const RecordEntry& entry);

}  // namespace tarvex
