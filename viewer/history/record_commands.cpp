#include "history/record_commands.h"

#include <QFileInfo>
#include <cmath>
#include <new>

#include "logfiles/logtable.h"
#include "record/note_anchor.h"
#include "record/record_file.h"
#include "record/record_writer.h"
#include "record/reviewer_key.h"
#include "shell/runtime_error.h"

namespace tarvex {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

qint64 secondsOfSerial(double serial) { return qint64(std::llround(serial * 86400.0)); }

QString signerText(const Reviewer* r, const QString& id) {
  return r ? QStringLiteral("%1 (%2)").arg(r->name, id) : id;
}

// The roles of the batch's files as a signer reads them.
QString roleText(const QString& role) {
  if (role == u"data") return QStringLiteral("Data file");
  if (role == u"data-sig") return QStringLiteral("Data signatures");
  if (role == u"evt") return QStringLiteral("Operator events");
  if (role == u"audit") return QStringLiteral("Audit trail");
  if (role == u"audit-sig") return QStringLiteral("Audit signatures");
  if (role == u"alarms") return QStringLiteral("Alarm history");
  return role;
}

}  // namespace

QString noteTableName(ReviewTable table) {
  switch (table) {
    case ReviewTable::Data:
      return QStringLiteral("data");
    case ReviewTable::DataSignatures:
      return QStringLiteral("sig");
    case ReviewTable::OperatorEvents:
      return QStringLiteral("evt");
    case ReviewTable::AuditTrail:
      return QStringLiteral("audit");
    case ReviewTable::AuditSignatures:
      return QStringLiteral("audit-sig");
    case ReviewTable::Alarms:
      return QStringLiteral("alarm");
  }
  return {};
}

std::optional<ReviewTable> reviewTableOfNote(const QString& name) {
  for (ReviewTable t : {ReviewTable::Data, ReviewTable::DataSignatures, ReviewTable::OperatorEvents,
                        ReviewTable::AuditTrail, ReviewTable::AuditSignatures, ReviewTable::Alarms})
    if (noteTableName(t) == name) return t;
  return std::nullopt;
}

QString signStatementText(const QString& dataName) {
  return QStringLiteral(
             "Signing adds an electronic signature under your name and key to the review "
             "record of %1. It states that you have given the batch the meaning chosen above, "
             "for the window shown, on exactly the files listed as they are now (their SHA-256). "
             "The signature cannot be changed or taken back; a later sign-off can only be "
             "added after it. It is the equivalent of your handwritten signature.")
      .arg(dataName);
}

QString noReviewersText(const QString& reviewersFile) {
  return reviewersFile.isEmpty()
             ? QStringLiteral(
                   "No reviewers file was found (neither $XDG_CONFIG_HOME/tarvex/"
                   "reviewers nor /etc/tarvex/reviewers). Choose one with File > "
                   "Review Settings...; nothing was written.")
             : QStringLiteral("The reviewers file %1 lists no reviewer; nothing was written.")
                   .arg(reviewersFile);
}

QString dataChangedText(const QString& dataName) {
  return QStringLiteral(
             "%1 has changed on disk since it was opened (its SHA-256 differs). Open it again "
             "before adding notes or signing; nothing was written.")
      .arg(dataName);
}

QString stillVerifyingText() {
  return QStringLiteral("The review record is still being verified. Try again in a moment.");
}

QString rejectNeedsReasonText() { return QStringLiteral("A rejection needs a reason."); }

RecordCommands::RecordCommands(UserInterface& ui, RecordWindow& window)
    : ui_(ui), window_(window) {}

RecordCommands::~RecordCommands() = default;

RecordTarget RecordCommands::target() const {
  RecordTarget t;
  t.batch = batch_;
  t.reviewDir = place_.reviewDir;
  t.dataSha256 = dataSha256_;
  return t;
}

void RecordCommands::openBatch(const BatchPaths& batch, const QString& dataSha256) {
  ++generation_;
  batch_ = batch;
  dataSha256_ = dataSha256;
  record_ = VerifiedRecord{};
  if (batch.dataFile.isEmpty()) {
    window_.showRecord(record_);
    window_.setReviewStatus(QString(), false);
    return;
  }
  const QFileInfo info(batch.dataFile);
  dataSize_ = info.size();
  dataModified_ = info.lastModified();
  // The entries at once; their results when the runner has them, checked
  // on the very bytes read here.
  QByteArray contents;
  try {
    record_ = readRecordEntries(target(), &contents);
  } catch (const RuntimeError& e) {
    record_.pending = false;
    record_.problems << e.description();
  }
  window_.showRecord(record_);
  window_.setReviewStatus(QStringLiteral("Verifying the review record..."), false);
  const int generation = generation_;
  const RecordTarget t = target();
  const QString reviewersFile = place_.reviewersFile;
  const bool readFailed = !record_.pending;
  auto work = [t, reviewersFile, pending = record_, contents, readFailed]() -> VerifiedRecord {
    VerifiedRecord v;
    try {
      // The data file is hashed while the record's signatures are checked.
      const ReviewersFile reviewers = readReviewersFile(reviewersFile);
      v = readFailed ? verifyRecordHashing(t, reviewers)
                     : verifyReadRecord(pending, contents, t, reviewers);
    } catch (const RuntimeError& e) {
      v = VerifiedRecord{};
      v.dataName = QFileInfo(t.batch.dataFile).fileName();
      v.problems << e.description();
    } catch (const std::bad_alloc&) {
      v = VerifiedRecord{};
      v.problems << QStringLiteral("out of memory");
    }
    return v;
  };
  auto done = [this, generation](VerifiedRecord v) {
    // A batch opened since: its own verification decides.
    if (generation != generation_) return;
    verified(std::move(v));
  };
  if (runner_)
    runner_(work, done);
  else
    done(work());
}

void RecordCommands::refresh() {
  if (!batch_.dataFile.isEmpty()) openBatch(batch_, QString());
}

void RecordCommands::verified(VerifiedRecord v) {
  if (!v.dataSha256.isEmpty() && dataSha256_.isEmpty()) dataSha256_ = v.dataSha256;
  reviewers_ = v.reviewers;
  record_ = std::move(v);
  window_.showRecord(record_);
  showStatus();
}

ReviewStatus RecordCommands::status() const { return reviewStatusOf(record_); }

QString RecordCommands::statusLine() const {
  if (batch_.dataFile.isEmpty()) return {};
  if (record_.pending) return QStringLiteral("Verifying the review record...");
  if (!record_.exists && record_.problems.isEmpty()) return QStringLiteral("No review record");
  ReviewStatus s = status();
  // A file changed since it was signed says most: it leads.
  if (!record_.changes.empty()) {
    s.problems.removeAll(record_.changes.front().text);
    s.problems.prepend(record_.changes.front().text);
  }
  return reviewStatusLine(s);
}

void RecordCommands::showStatus() {
  window_.setReviewStatus(statusLine(), !record_.pending && record_.state() == ReviewState::Failed);
}

bool RecordCommands::isUnlocked() const { return key_ && !key_->isLocked(); }

QString RecordCommands::unlockedId() const { return isUnlocked() ? key_->id() : QString(); }

void RecordCommands::lock() {
  if (!key_) return;
  const QString id = key_->id();
  key_->lock();
  key_.reset();
  ui_.setStatusText(QStringLiteral("The key of %1 is locked.").arg(id));
}

bool RecordCommands::ensureUnlocked(const QString& purpose) {
  if (isUnlocked()) return true;
  ReviewersFile reviewers;
  try {
    reviewers = readReviewersFile(place_.reviewersFile);
  } catch (const RuntimeError& e) {
    ui_.msgBoxPos(e.description() + QStringLiteral("; nothing was written."), mb::Critical);
    return false;
  }
  if (reviewers.reviewers.empty()) {
    ui_.msgBoxPos(noReviewersText(reviewers.path), mb::Critical);
    return false;
  }
  UnlockValues v;
  for (const Reviewer& r : reviewers.reviewers) {
    v.ids << r.id;
    v.names << r.name;
  }
  const QString last = memory_.loadLastReviewer ? memory_.loadLastReviewer() : QString();
  v.id = v.ids.contains(last) ? last : v.ids.front();
  v.purpose = purpose;
  if (!ui_.unlockDialog(v)) {
    wipe(v.passphrase);
    return false;
  }
  ui_.setPointer(Pointer::Hourglass);
  try {
    key_ = UnlockedKey::unlock(v.id, v.passphrase, keysDir_, wrongDelayMs_);
  } catch (const RuntimeError& e) {
    wipe(v.passphrase);
    ui_.setPointer(Pointer::Normal);
    QString text = e.description();
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    ui_.msgBoxPos(text + QStringLiteral("; nothing was written."), mb::Critical);
    return false;
  }
  wipe(v.passphrase);
  ui_.setPointer(Pointer::Normal);
  if (memory_.saveLastReviewer) memory_.saveLastReviewer(v.id);
  reviewers_ = reviewers;
  ui_.setStatusText(
      QStringLiteral("The key of %1 is unlocked until Lock or the end of the program.").arg(v.id));
  return true;
}

bool RecordCommands::readyToWrite() {
  if (batch_.dataFile.isEmpty()) {
    ui_.msgBoxPos(QStringLiteral("Open a data history file first."), mb::Information);
    return false;
  }
  if (record_.pending) {
    ui_.msgBoxPos(stillVerifyingText(), mb::Information);
    return false;
  }
  // The data file as it was read: its size and time, else its SHA-256.
  const QFileInfo info(batch_.dataFile);
  if (!info.exists() || info.size() != dataSize_ || info.lastModified() != dataModified_) {
    QString now;
    try {
      now = sha256OfFile(batch_.dataFile);
    } catch (const RuntimeError&) {
    }
    if (now.isEmpty() || now != dataSha256_) {
      ui_.msgBoxPos(dataChangedText(info.fileName()), mb::Critical);
      refresh();
      return false;
    }
    dataSize_ = info.size();
    dataModified_ = info.lastModified();
  }
  return true;
}

std::optional<RecordEntry> RecordCommands::addNoteAtRow(ReviewTable table, const LogTable& logTable,
                                                        int row, const QString& file) {
  if (!readyToWrite()) return std::nullopt;
  if (row < 1 || row > logTable.lastRow()) {
    ui_.msgBoxPos(QStringLiteral("Choose a row for the note."), mb::Question);
    return std::nullopt;
  }
  NoteAnchor anchor;
  try {
    anchor = anchorAtRow(logTable, noteTableName(table), row, timeColumnsOf(table));
    if (table != ReviewTable::Data) {
      anchor.file = QFileInfo(file).fileName();
      anchor.fileSha256 = sha256OfFile(file);
    }
  } catch (const RuntimeError& e) {
    ui_.msgBoxPos(e.description() + QStringLiteral("; nothing was written."), mb::Critical);
    return std::nullopt;
  }
  return writeNote(anchor);
}

std::optional<RecordEntry> RecordCommands::addNoteAtTime(const LogTable& dataTable, double serial) {
  if (!readyToWrite()) return std::nullopt;
  NoteAnchor anchor;
  try {
    anchor = anchorAtTime(dataTable, secondsOfSerial(serial));
  } catch (const RuntimeError& e) {
    ui_.msgBoxPos(e.description() + QStringLiteral("; nothing was written."), mb::Critical);
    return std::nullopt;
  }
  return writeNote(anchor);
}

std::optional<RecordEntry> RecordCommands::writeNote(const NoteAnchor& anchor) {
  if (!ensureUnlocked(QStringLiteral("Add Note"))) return std::nullopt;
  NoteValues v;
  v.anchor = anchorText(anchor);
  v.author = signerText(reviewers_.find(key_->id()), key_->id());
  for (;;) {
    if (!ui_.noteDialog(v)) return std::nullopt;
    if (!v.text.trimmed().isEmpty()) break;
    ui_.msgBoxPos(QStringLiteral("Write the note's text."), mb::Question);
  }
  try {
    NoteRequest note;
    note.anchor = anchor;
    note.text = v.text;
    const RecordEntry entry =
        appendNote(target(), reviewers_, *key_, note, clock_ ? clock_() : QDateTime());
    written(entry);
    ui_.setStatusText(QStringLiteral("Note %1 saved to %2").arg(entry.seq).arg(record_.recordPath));
    return entry;
  } catch (const RuntimeError& e) {
    ui_.msgBoxPos(e.description(), mb::Critical);
    return std::nullopt;
  }
}

std::optional<RecordEntry> RecordCommands::signReview(const TimeWindow& window,
                                                      const QString& windowText) {
  if (!readyToWrite()) return std::nullopt;
  if (!ensureUnlocked(QStringLiteral("Sign Review"))) return std::nullopt;
  SignOffRequest request;
  if (window.from) request.from = isoOfSeconds(secondsOfSerial(*window.from));
  if (window.to) request.to = isoOfSeconds(secondsOfSerial(*window.to));
  SignValues v;
  try {
    request.files = batchFiles(batch_, dataSha256_);
  } catch (const RuntimeError& e) {
    ui_.msgBoxPos(e.description() + QStringLiteral("; nothing was written."), mb::Critical);
    return std::nullopt;
  }
  for (const BatchFile& f : request.files) {
    v.files << QStringLiteral("%1: %2").arg(roleText(f.role), f.name);
    v.sha256 << f.sha256;
  }
  v.signer = signerText(reviewers_.find(key_->id()), key_->id());
  v.approveAllowed = record_.approveAllowed(key_->id(), &v.approveWhy);
  if (v.approveAllowed) v.approveWhy.clear();
  v.window = windowText;
  v.statement = signStatementText(QFileInfo(batch_.dataFile).fileName());
  for (;;) {
    if (!ui_.signDialog(v)) return std::nullopt;
    if (v.meaning == 1 && !v.approveAllowed) {
      ui_.msgBoxPos(v.approveWhy, mb::Question);
      continue;
    }
    if (v.meaning == 2 && v.reason.trimmed().isEmpty()) {
      ui_.msgBoxPos(rejectNeedsReasonText(), mb::Question);
      continue;
    }
    break;
  }
  request.meaning = v.meaning == 1   ? Meaning::Approved
                    : v.meaning == 2 ? Meaning::Rejected
                                     : Meaning::Reviewed;
  request.reason = v.reason.trimmed();
  try {
    // The files shown are the files bound: one that changed since the
    // dialog showed them is refused rather than signed unseen.
    const std::vector<BatchFile> now = batchFiles(batch_, QString());
    bool same = now.size() == request.files.size();
    for (std::size_t i = 0; same && i < now.size(); ++i)
      same = now[i].name == request.files[i].name && now[i].sha256 == request.files[i].sha256;
    if (!same) {
      ui_.msgBoxPos(QStringLiteral("The batch's files changed while the dialog was open; nothing "
                                   "was written. Sign again to see them as they are now."),
                    mb::Critical);
      refresh();
      return std::nullopt;
    }
    const RecordEntry entry =
        appendSignOff(target(), reviewers_, *key_, request, clock_ ? clock_() : QDateTime());
    written(entry);
    ui_.setStatusText(QStringLiteral("Sign-off %1 (%2) saved to %3")
                          .arg(entry.seq)
                          .arg(meaningName(entry.meaning), record_.recordPath));
    return entry;
  } catch (const RuntimeError& e) {
    ui_.msgBoxPos(e.description(), mb::Critical);
    return std::nullopt;
  }
}

void RecordCommands::written(const RecordEntry& entry) {
  // The verified view takes the new entry; verified again only when
  // another writer appended meanwhile.
  if (!extendVerified(record_, writeEntryLine(entry))) {
    refresh();
    return;
  }
  if (record_.recordPath.isEmpty())
    record_.recordPath = recordPathFor(batch_.dataFile, place_.reviewDir);
  window_.showRecord(record_);
  showStatus();
}

bool RecordCommands::editSettings() {
  RecordSettingsValues v;
  v.reviewDir = place_.reviewDir;
  v.reviewersFile = place_.reviewersFile;
  if (!ui_.recordSettingsDialog(v)) return false;
  v.reviewDir = v.reviewDir.trimmed();
  v.reviewersFile = v.reviewersFile.trimmed();
  if (!v.reviewDir.isEmpty() && !QFileInfo(v.reviewDir).isDir()) {
    ui_.msgBoxPos(QStringLiteral("The record folder %1 does not exist.").arg(v.reviewDir),
                  mb::Question);
    return false;
  }
  if (!v.reviewersFile.isEmpty() && !QFileInfo(v.reviewersFile).isFile()) {
    ui_.msgBoxPos(QStringLiteral("The reviewers file %1 does not exist.").arg(v.reviewersFile),
                  mb::Question);
    return false;
  }
  const bool changed = v.reviewDir != place_.reviewDir || v.reviewersFile != place_.reviewersFile;
  place_.reviewDir = v.reviewDir;
  place_.reviewersFile = v.reviewersFile;
  if (changed) refresh();
  return changed;
}

}  // namespace tarvex
