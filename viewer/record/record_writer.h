// Adding to a batch's review record: a note or a sign-off, signed with an
// unlocked key, appended as one line (record_file.h). Every refusal throws
// before a byte is written.
#pragma once

#include <QDateTime>
#include <QString>
#include <vector>

#include "record/batch_files.h"
#include "record/record_entry.h"
#include "record/record_verify.h"
#include "record/reviewers.h"

namespace tarvex {

class UnlockedKey;

struct NoteRequest {
  NoteAnchor anchor;
  QString text;
};

struct SignOffRequest {
  Meaning meaning = Meaning::Reviewed;
  QString reason;
  QString from, to;  // "YYYY-MM-DDTHH:MM:SS", "" open; both "" the whole file
  // The files bound, as batchFiles() lists them (shown to the signer
  // first); empty: batchFiles(target.batch) at signing.
  std::vector<BatchFile> files;
};

// Appends a note by key's reviewer. Throws RuntimeError (nothing written):
// 70 when the reviewer is not in the reviewers file, lacks the role or the
// key is not the one listed there; 5 for an empty text; 13 when the record
// does not parse at its last line (named) or belongs to another data file
// (by name, or by the data file's SHA-256 at its last entry); the errors of
// appendRecordLine. `now` (empty: the clock) is the time written. Returns
// the entry as written.
RecordEntry appendNote(const RecordTarget& target, const ReviewersFile& reviewers,
                       const UnlockedKey& key, const NoteRequest& note, const QDateTime& now = {});

// Appends a sign-off. Refuses as appendNote does, and also: rejected
// without a reason (5); approved when approveAllowed() does not hold for
// the signer on the record as verified now (70).
RecordEntry appendSignOff(const RecordTarget& target, const ReviewersFile& reviewers,
                          const UnlockedKey& key, const SignOffRequest& signOff,
                          const QDateTime& now = {});

}  // namespace tarvex
