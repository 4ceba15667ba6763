#include "record/record_writer.h"

#include <QFileInfo>

#include "logfiles/companions.h"
#include "record/record_file.h"
#include "record/reviewer_key.h"
#include "shell/readfiles.h"
#include "shell/runtime_error.h"

namespace tarvex {

namespace {

RuntimeError refused(int number, const QString& why) {
  return RuntimeError(number, why + QStringLiteral("; nothing was written"));
}

// The reviewer key signs for, checked against the reviewers file.
const Reviewer& signerOf(const ReviewersFile& reviewers, const UnlockedKey& key) {
  if (reviewers.path.isEmpty())
    throw refused(err::PermissionDenied,
                  QStringLiteral("no reviewers file lists %1").arg(key.id()));
  const Reviewer* r = reviewers.find(key.id());
  if (!r)
    throw refused(
        err::PermissionDenied,
        QStringLiteral("%1 is not in the reviewers file %2").arg(key.id(), reviewers.path));
  if (r->publicKey != key.publicKey())
    throw refused(err::PermissionDenied,
                  QStringLiteral("the key of %1 is not the one the reviewers "
                                 "file %2 lists for %1")
                      .arg(key.id(), reviewers.path));
  return *r;
}

// The record's path, never one of the batch's own files.
QString recordPathOf(const RecordTarget& target) {
  const QString path = recordPathFor(target.batch.dataFile, target.reviewDir);
  const BatchPaths& b = target.batch;
  for (const QString& f :
       {b.dataFile, companionFileName(b.dataFile, CompanionKind::DataSignatures),
        companionFileName(b.dataFile, CompanionKind::OperatorEvents), b.auditFile, b.alarmFile})
    if (!f.isEmpty() && (sameFile(path, f) ||
                         QFileInfo(path).absoluteFilePath() == QFileInfo(f).absoluteFilePath()))
      throw refused(err::PermissionDenied,
                    QStringLiteral("the record %1 would be the batch's file %2").arg(path, f));
  return path;
}

RecordEntry append(const RecordTarget& target, const Reviewer& signer, const UnlockedKey& key,
                   RecordEntry entry, const QDateTime& now) {
  const QString path = recordPathOf(target);
  const QString dataName = QFileInfo(target.batch.dataFile).fileName();
  const QString dataSha =
      target.dataSha256.isEmpty() ? sha256OfFile(target.batch.dataFile) : target.dataSha256;
  const QDateTime local = now.isValid() ? now : QDateTime::currentDateTime();
  entry.data = dataName;
  entry.dataSha256 = dataSha;
  entry.written = local.toUTC();
  entry.written.setTime(QTime(entry.written.time().hour(), entry.written.time().minute(),
                              entry.written.time().second()));
  entry.offsetSeconds = local.offsetFromUtc();
  entry.author = signer.id;
  entry.name = signer.name;
  entry.keyFingerprint = key.fingerprint();
  appendRecordLine(path, [&](const RecordTail& tail) -> QByteArray {
    entry.seq = 1;
    entry.prev = firstPrev();
    if (tail.lastLineNumber > 0) {
      QString why;
      const std::optional<RecordEntry> last = parseEntryLine(tail.lastLine, &why);
      if (!last)
        throw refused(err::TypeMismatch,
                      QStringLiteral("the record %1 does not parse at line %2 (%3)")
                          .arg(path)
                          .arg(tail.lastLineNumber)
                          .arg(why));
      if (last->data != dataName)
        throw refused(
            err::TypeMismatch,
            QStringLiteral("the record %1 belongs to %2, not %3").arg(path, last->data, dataName));
      if (last->dataSha256 != dataSha)
        throw refused(err::TypeMismatch,
                      QStringLiteral("the record %1 was written for another %2 (its SHA-256 at "
                                     "entry %3 differs: a copied record, or the file changed)")
                          .arg(path, dataName)
                          .arg(tail.lastLineNumber));
      entry.seq = last->seq + 1;
      entry.prev = lineHash(tail.lastLine);
    }
    const QByteArray body = entryLineBody(entry);
    entry.signature = key.sign(signedBytes(body));
    const QByteArray line = writeEntryLine(entry);
    // What is written must read back as written (a text that does not
    // survive UTF-8, say, is refused here rather than found later).
    QString why;
    if (!parseEntryLine(line, &why))
      throw refused(err::InvalidCall, QStringLiteral("the entry cannot be written (%1)").arg(why));
    return line;
  });
  return entry;
}

}  // namespace

RecordEntry appendNote(const RecordTarget& target, const ReviewersFile& reviewers,
                       const UnlockedKey& key, const NoteRequest& note, const QDateTime& now) {
  const Reviewer& signer = signerOf(reviewers, key);
  if (!signer.reviewer && !signer.approver)
    throw refused(err::PermissionDenied, QStringLiteral("%1 has no role").arg(signer.id));
  if (note.text.trimmed().isEmpty())
    throw refused(err::InvalidCall, QStringLiteral("the note's text is empty"));
  RecordEntry entry;
  entry.kind = EntryKind::Note;
  entry.anchor = note.anchor;
  entry.text = note.text;
  return append(target, signer, key, entry, now);
}

RecordEntry appendSignOff(const RecordTarget& target, const ReviewersFile& reviewers,
                          const UnlockedKey& key, const SignOffRequest& signOff,
                          const QDateTime& now) {
  const Reviewer& signer = signerOf(reviewers, key);
  RecordEntry entry;
  entry.kind = EntryKind::SignOff;
  entry.meaning = signOff.meaning;
  if (!hasRoleFor(signer, entry))
    throw refused(err::PermissionDenied,
                  QStringLiteral("%1 lacks the role %2 needed to sign %3")
                      .arg(signer.id,
                           signOff.meaning == Meaning::Approved ? QStringLiteral("approver")
                                                                : QStringLiteral("reviewer"),
                           meaningName(signOff.meaning)));
  if (signOff.meaning == Meaning::Rejected && signOff.reason.trimmed().isEmpty())
    throw refused(err::InvalidCall, QStringLiteral("a rejection needs a reason (--reason TEXT)"));
  if (signOff.meaning == Meaning::Approved) {
    const VerifiedRecord record = verifyRecord(target, reviewers);
    QString why;
    if (!record.approveAllowed(signer.id, &why)) throw refused(err::PermissionDenied, why);
  }
  entry.reason = signOff.reason;
  entry.from = signOff.from;
  entry.to = signOff.to;
  const std::vector<BatchFile> files =
      signOff.files.empty() ? batchFiles(target.batch, target.dataSha256) : signOff.files;
  for (const BatchFile& f : files)
    if (f.present) entry.files.push_back({f.role, f.name, f.sha256});
  return append(target, signer, key, entry, now);
}

}  // namespace tarvex
