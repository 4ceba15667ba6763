// The review record in the viewer, headless: the key unlocked once and
// again after Lock, notes from the grids and the trend landing at the right
// anchor, a sign-off binding the files shown and an approval only by
// another person, every refusal's message with nothing written, and the
// status line following a tampered record and a changed data file.
#include "history/record_commands.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "history/tests/scripted_ui.h"
#include "logfiles/readers.h"
#include "record/batch_files.h"
#include "record/note_anchor.h"
#include "record/record_file.h"
#include "record/reviewer_key.h"
#include "record/reviewers.h"

namespace tarvex {
namespace {

using test::ScriptedUi;

class FakeRecordWindow : public RecordWindow {
 public:
  void showRecord(const VerifiedRecord& r) override {
    ++shown;
    entries = int(r.entries.size());
    pending = r.pending;
  }
  void setReviewStatus(const QString& t, bool f) override {
    status = t;
    failed = f;
  }
  int shown = 0;
  int entries = 0;
  bool pending = false;
  QString status;
  bool failed = false;
};

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

class RecordCommandsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    qputenv("TZ", "UTC");
    dir = new QTemporaryDir;
    QProcess p;
    p.start(QStringLiteral(TARVEX_EXE), {QStringLiteral("sample"), dir->path(),
                                         QStringLiteral("--rows"), QStringLiteral("360")});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0);
    const QString keys = dir->filePath(QStringLiteral("keys"));
    for (const auto& [id, name, roles] :
         {std::tuple{"jmiller", "Jane Miller", "reviewer"},
          std::tuple{"kpapas", "Κώστας Παπάς", "reviewer,approver"}}) {
      Reviewer r;
      r.id = QString::fromLatin1(id);
      r.name = QString::fromUtf8(name);
      ASSERT_TRUE(parseRoles(QString::fromLatin1(roles), r));
      r.publicKey = createReviewerKey(r.id, QByteArray("pw-") + id, keys, KdfCost::cheapForTests());
      addReviewerLine(dir->filePath(QStringLiteral("reviewers")), r);
    }
  }
  static void TearDownTestSuite() { delete dir; }

  void SetUp() override {
    // Each test its own copy of the batch: records and changed files stay apart.
    batchDir = std::make_unique<QTemporaryDir>();
    for (const char* name : {"Reactor2_History.csv", "Reactor2_History.sig", "Reactor2_History.evt",
                             "Reactor2_Audit.aud", "Reactor2_Audit.sig", "Reactor2_Alarms.csv"})
      QFile::copy(dir->filePath(QLatin1String(name)), batchDir->filePath(QLatin1String(name)));
    batch.dataFile = batchDir->filePath(QStringLiteral("Reactor2_History.csv"));
    batch.auditFile = batchDir->filePath(QStringLiteral("Reactor2_Audit.aud"));
    batch.alarmFile = batchDir->filePath(QStringLiteral("Reactor2_Alarms.csv"));
    recordPath = batchDir->filePath(QStringLiteral("Reactor2_History.review"));
    loadHistData(data, batch.dataFile);
    loadAuditData(audit, batch.auditFile);
    cmds = std::make_unique<RecordCommands>(ui, window);
    cmds->setPlace({QString(), dir->filePath(QStringLiteral("reviewers"))});
    cmds->setKeysDir(dir->filePath(QStringLiteral("keys")));
    cmds->setWrongPassphraseDelay(0);
    cmds->setMemory(
        {[this] { return lastReviewer; }, [this](const QString& id) { lastReviewer = id; }});
    cmds->openBatch(batch);
  }

  // Answers the next unlock dialog as `id` with `passphrase`.
  void unlockAs(const QString& id, const QByteArray& passphrase) {
    ui.unlockAnswers.push_back([id, passphrase](UnlockValues& v) {
      v.id = id;
      v.passphrase = passphrase;
      return true;
    });
  }
  void noteText(const QString& text) {
    ui.noteAnswers.push_back([text](NoteValues& v) {
      v.text = text;
      return true;
    });
  }
  void signAs(int meaning, const QString& reason = {}) {
    ui.signAnswers.push_back([meaning, reason](SignValues& v) {
      v.meaning = meaning;
      v.reason = reason;
      return true;
    });
  }
  // A fresh verification of the record on disk.
  VerifiedRecord verifiedNow() const {
    RecordTarget t;
    t.batch = batch;
    return verifyRecord(t, readReviewersFile(dir->filePath(QStringLiteral("reviewers"))));
  }

  static QTemporaryDir* dir;
  std::unique_ptr<QTemporaryDir> batchDir;
  BatchPaths batch;
  QString recordPath;
  LogTable data, audit;
  ScriptedUi ui;
  FakeRecordWindow window;
  std::unique_ptr<RecordCommands> cmds;
  QString lastReviewer;
};
QTemporaryDir* RecordCommandsTest::dir = nullptr;

TEST_F(RecordCommandsTest, NotesLandAtTheirAnchorsWithTheKeyUnlockedOnceUntilLock) {
  EXPECT_EQ(window.status, QStringLiteral("No review record"));
  EXPECT_FALSE(window.failed);

  unlockAs(QStringLiteral("jmiller"), "pw-jmiller");
  noteText(QStringLiteral("Pressure dip"));
  const auto row = cmds->addNoteAtRow(ReviewTable::Data, data, 5, batch.dataFile);
  ASSERT_TRUE(row);
  EXPECT_EQ(row->anchor.kind, NoteAnchor::Kind::Row);
  EXPECT_EQ(row->anchor.table, QStringLiteral("data"));
  EXPECT_EQ(row->anchor.row, 5);
  EXPECT_EQ(row->anchor.time, isoOfSeconds(*rowSeconds(data, 5)));
  EXPECT_TRUE(row->anchor.file.isEmpty());
  ASSERT_EQ(ui.unlockDialogs.size(), 1u);
  EXPECT_EQ(ui.unlockDialogs[0].ids, (QStringList{"jmiller", "kpapas"}));
  EXPECT_EQ(ui.unlockDialogs[0].purpose, QStringLiteral("Add Note"));
  EXPECT_EQ(ui.noteDialogs[0].anchor, anchorText(row->anchor));
  EXPECT_EQ(ui.noteDialogs[0].author, QStringLiteral("Jane Miller (jmiller)"));

  // Another table's row keeps its file's name and SHA-256; the key stays open.
  noteText(QStringLiteral("Setpoint changed"));
  const auto auditNote = cmds->addNoteAtRow(ReviewTable::AuditTrail, audit, 2, batch.auditFile);
  ASSERT_TRUE(auditNote);
  EXPECT_EQ(auditNote->anchor.table, QStringLiteral("audit"));
  EXPECT_EQ(auditNote->anchor.file, QStringLiteral("Reactor2_Audit.aud"));
  EXPECT_EQ(auditNote->anchor.fileSha256, sha256OfFile(batch.auditFile));
  EXPECT_EQ(auditNote->anchor.time,
            isoOfSeconds(*rowSeconds(audit, 2, timeColumnsOf(ReviewTable::AuditTrail))));

  // The trend's note: at a time (a serial), to the second.
  const qint64 at = *rowSeconds(data, 100) + 7;
  noteText(QStringLiteral("Trend spike"));
  const auto timed = cmds->addNoteAtTime(data, double(at) / 86400.0);
  ASSERT_TRUE(timed);
  EXPECT_EQ(timed->anchor.kind, NoteAnchor::Kind::Time);
  EXPECT_EQ(timed->anchor.time, isoOfSeconds(at));
  EXPECT_EQ(ui.unlockDialogs.size(), 1u);  // asked once

  // What the window shows is what a fresh verification finds.
  EXPECT_EQ(window.entries, 3);
  EXPECT_EQ(cmds->record().completeEntries, 3);
  EXPECT_TRUE(cmds->record().holds());
  EXPECT_EQ(verifiedNow().completeEntries, 3);
  EXPECT_TRUE(verifiedNow().holds());
  EXPECT_EQ(window.status, QStringLiteral("Review record: 3 entries, not signed yet"));

  // A time outside the file is refused before anything is asked.
  const std::size_t notesAsked = ui.noteDialogs.size();
  EXPECT_FALSE(cmds->addNoteAtTime(data, double(*rowSeconds(data, 1) - 3600) / 86400.0));
  EXPECT_TRUE(ui.messages.back().prompt.contains(QStringLiteral("is outside the file")));
  EXPECT_EQ(ui.noteDialogs.size(), notesAsked);

  // Lock: the next write asks again, the last reviewer preselected.
  cmds->lock();
  EXPECT_FALSE(cmds->isUnlocked());
  EXPECT_EQ(ui.statusTexts.last(), QStringLiteral("The key of jmiller is locked."));
  unlockAs(QStringLiteral("jmiller"), "pw-jmiller");
  noteText(QStringLiteral("After lock"));
  EXPECT_TRUE(cmds->addNoteAtRow(ReviewTable::Data, data, 6, batch.dataFile));
  ASSERT_EQ(ui.unlockDialogs.size(), 2u);
  EXPECT_EQ(ui.unlockDialogs[1].id, QStringLiteral("jmiller"));

  // Cancel in the note dialog, or an empty text asked again: nothing written.
  const QByteArray before = readAll(recordPath);
  ui.noteAnswers.push_back([](NoteValues& v) {
    v.text = QStringLiteral("  ");
    return true;
  });
  EXPECT_FALSE(cmds->addNoteAtRow(ReviewTable::Data, data, 7, batch.dataFile));
  EXPECT_EQ(ui.messages.back().prompt, QStringLiteral("Write the note's text."));
  EXPECT_EQ(readAll(recordPath), before);
}

TEST_F(RecordCommandsTest, AWrongPassphraseSaysSoAndWritesNothing) {
  unlockAs(QStringLiteral("kpapas"), "not-it");
  EXPECT_FALSE(cmds->addNoteAtRow(ReviewTable::Data, data, 5, batch.dataFile));
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().prompt,
            QStringLiteral("Wrong passphrase for kpapas; nothing was written."));
  EXPECT_EQ(ui.messages.back().style, mb::Critical);
  EXPECT_TRUE(ui.noteDialogs.empty());
  EXPECT_FALSE(cmds->isUnlocked());
  EXPECT_FALSE(QFile::exists(recordPath));
  EXPECT_EQ(ui.pointer, Pointer::Normal);
  // Cancel in the unlock dialog: nothing asked further.
  EXPECT_FALSE(cmds->addNoteAtRow(ReviewTable::Data, data, 5, batch.dataFile));
  EXPECT_TRUE(ui.noteDialogs.empty());

  // No reviewers file lists anyone: said, nothing asked.
  writeAll(batchDir->filePath(QStringLiteral("empty")), "# nobody\n");
  cmds->setPlace({QString(), batchDir->filePath(QStringLiteral("empty"))});
  const std::size_t asked = ui.unlockDialogs.size();
  EXPECT_FALSE(cmds->signReview({}, QStringLiteral("the whole file")));
  EXPECT_EQ(ui.unlockDialogs.size(), asked);
  EXPECT_TRUE(ui.messages.back().prompt.contains(QStringLiteral("lists no reviewer")));
}

TEST_F(RecordCommandsTest, ASignOffBindsTheFilesShownAndApprovalTakesAnotherPerson) {
  unlockAs(QStringLiteral("jmiller"), "pw-jmiller");
  // Approve where it is not allowed, and a rejection without a reason, are
  // each said and asked again; then Reviewed.
  signAs(1);
  signAs(2);
  signAs(0, QStringLiteral("Batch conforms"));
  const auto reviewed = cmds->signReview({}, QStringLiteral("the whole file"));
  ASSERT_TRUE(reviewed);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].prompt, QStringLiteral("jmiller lacks the role approver"));
  EXPECT_EQ(ui.messages[1].prompt, rejectNeedsReasonText());
  ASSERT_EQ(ui.signDialogs.size(), 3u);
  const SignValues& shown = ui.signDialogs[0];
  EXPECT_EQ(shown.signer, QStringLiteral("Jane Miller (jmiller)"));
  EXPECT_FALSE(shown.approveAllowed);
  EXPECT_EQ(shown.approveWhy, QStringLiteral("jmiller lacks the role approver"));
  EXPECT_EQ(shown.window, QStringLiteral("the whole file"));
  EXPECT_TRUE(shown.statement.contains(QStringLiteral("Reactor2_History.csv")));
  // The files shown are the files bound, digest for digest.
  EXPECT_EQ(
      shown.files,
      (QStringList{"Data file: Reactor2_History.csv", "Data signatures: Reactor2_History.sig",
                   "Operator events: Reactor2_History.evt", "Audit trail: Reactor2_Audit.aud",
                   "Audit signatures: Reactor2_Audit.sig", "Alarm history: Reactor2_Alarms.csv"}));
  ASSERT_EQ(reviewed->files.size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(reviewed->files[i].sha256, shown.sha256[int(i)]);
  EXPECT_EQ(reviewed->files[3].sha256, sha256OfFile(batch.auditFile));
  EXPECT_EQ(reviewed->meaning, Meaning::Reviewed);
  EXPECT_TRUE(window.status.startsWith(QStringLiteral("Reviewed by Jane Miller ")));
  EXPECT_TRUE(window.status.endsWith(QStringLiteral("; approval pending")));

  // The same person cannot approve; another one can, with a window.
  cmds->lock();
  unlockAs(QStringLiteral("kpapas"), "pw-kpapas");
  signAs(1, QString());
  TimeWindow w;
  w.from = double(*rowSeconds(data, 10)) / 86400.0;
  const auto approved = cmds->signReview(w, QStringLiteral("From 3/14/2007 ... To the file's end"));
  ASSERT_TRUE(approved);
  EXPECT_TRUE(ui.signDialogs.back().approveAllowed);
  EXPECT_EQ(approved->from, isoOfSeconds(*rowSeconds(data, 10)));
  EXPECT_TRUE(approved->to.isEmpty());
  EXPECT_TRUE(window.status.startsWith(QStringLiteral("Approved by Κώστας Παπάς ")));
  EXPECT_FALSE(window.failed);
  EXPECT_EQ(verifiedNow().state(), ReviewState::Approved);
  EXPECT_EQ(cmds->record().state(), ReviewState::Approved);
}

TEST_F(RecordCommandsTest, TheStatusFollowsATamperedRecordAndAChangedDataFile) {
  unlockAs(QStringLiteral("jmiller"), "pw-jmiller");
  noteText(QStringLiteral("first"));
  ASSERT_TRUE(cmds->addNoteAtRow(ReviewTable::Data, data, 3, batch.dataFile));
  // A file changed while the sign dialog shows it is not signed unseen.
  const QByteArray noted = readAll(recordPath);
  ui.signAnswers.push_back([this](SignValues& v) {
    writeAll(batch.alarmFile, readAll(batch.alarmFile) + "High A,3/14/2007,7:00:00\r\n");
    v.meaning = 0;
    return true;
  });
  EXPECT_FALSE(cmds->signReview({}, QStringLiteral("the whole file")));
  EXPECT_TRUE(ui.messages.back().prompt.startsWith(
      QStringLiteral("The batch's files changed while the dialog was open; nothing was written.")));
  EXPECT_EQ(readAll(recordPath), noted);
  signAs(0);
  ASSERT_TRUE(cmds->signReview({}, QStringLiteral("the whole file")));

  // One byte of entry 1's text altered.
  const QByteArray good = readAll(recordPath);
  QByteArray bad = good;
  bad.replace("\"first\"", "\"firsT\"");
  writeAll(recordPath, bad);
  cmds->refresh();
  EXPECT_TRUE(window.failed);
  EXPECT_TRUE(window.status.startsWith(
      QStringLiteral("Review record FAILED: entry 1: altered (its signature does not hold)")))
      << qPrintable(window.status);
  // A write to a record that fails is still checked by the writer: refused.
  writeAll(recordPath, good);
  cmds->refresh();
  EXPECT_FALSE(window.failed);

  // The data file changes after the sign-off: the status names it, and a
  // note is refused in plain words with nothing written.
  QByteArray changed = readAll(batch.dataFile);
  changed.append("\r\n");
  writeAll(batch.dataFile, changed);
  noteText(QStringLiteral("never written"));
  EXPECT_FALSE(cmds->addNoteAtRow(ReviewTable::Data, data, 4, batch.dataFile));
  EXPECT_EQ(ui.messages.back().prompt, dataChangedText(QStringLiteral("Reactor2_History.csv")));
  EXPECT_EQ(readAll(recordPath), good);
  EXPECT_TRUE(window.failed);
  EXPECT_TRUE(window.status.contains(
      QStringLiteral("Reactor2_History.csv changed since signed by jmiller on ")))
      << qPrintable(window.status);
}

}  // namespace
}  // namespace tarvex

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
