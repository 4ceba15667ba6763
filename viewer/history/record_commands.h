// The review record in the viewer, without widgets: the batch's record read
// and verified when a batch opens, the reviewer's key unlocked once a
// session (until "Lock" or the end), notes added from the grids and the
// trend, "Sign Review...", and the status line. Every step with the user
// goes through UserInterface and what the window shows through
// RecordWindow, so tests run it headless with fakes. The record itself is
// the plain code of viewer/record.
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "logfiles/date_order.h"
#include "logfiles/row_time.h"
#include "record/record_verify.h"
#include "record/review_status.h"
#include "review/time_window.h"
#include "shell/userinterface.h"

namespace tarvex {

class LogTable;
class UnlockedKey;

// The window's side of the record.
class RecordWindow {
 public:
  virtual ~RecordWindow() = default;
  // Shows the record as now known: the Review pane's entries, the grids'
  // note marks and the trend's markers (a pending record: entries without
  // results yet).
  virtual void showRecord(const VerifiedRecord& record) = 0;
  // The status bar's review line; `failed` shows it in red.
  virtual void setReviewStatus(const QString& text, bool failed) = 0;
};

// The note-table name of a grid's table ("data", "sig", "evt", "audit",
// "audit-sig", "alarm"), and back.
QString noteTableName(ReviewTable table);
std::optional<ReviewTable> reviewTableOfNote(const QString& name);

// The statement the sign dialog shows for signing a batch's `dataName`.
QString signStatementText(const QString& dataName);
// The messages (style 16 unless said).
QString noReviewersText(const QString& reviewersFile);
QString dataChangedText(const QString& dataName);
QString stillVerifyingText();
QString rejectNeedsReasonText();  // style 32

class RecordCommands {
 public:
  // Runs `work` (which reads and verifies a record) and hands its result
  // to `done`, on the caller's thread, later or at once.
  using Runner = std::function<void(std::function<VerifiedRecord()> work,
                                    std::function<void(VerifiedRecord)> done)>;
  // What the viewer remembers between runs: the last reviewer id used.
  struct Memory {
    std::function<QString()> loadLastReviewer;
    std::function<void(const QString&)> saveLastReviewer;
  };

  // `ui` and `window` must outlive the commands.
  RecordCommands(UserInterface& ui, RecordWindow& window);
  ~RecordCommands();

  // Where records are kept and the reviewers file (record/review_status.h).
  void setPlace(const RecordPlace& place) { place_ = place; }
  const RecordPlace& place() const { return place_; }
  // The keys' folder ("" the default) and the pause after a wrong
  // passphrase (tests shorten both).
  void setKeysDir(const QString& dir) { keysDir_ = dir; }
  void setWrongPassphraseDelay(int ms) { wrongDelayMs_ = ms; }
  // Without a runner the work runs at once.
  void setRunner(Runner runner) { runner_ = std::move(runner); }
  void setMemory(Memory memory) { memory_ = std::move(memory); }
  // The time entries are written at; empty: the clock.
  void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

  // A batch was opened, or one of its files: its record's entries are shown
  // at once, then verified by the runner (the data file's SHA-256 is
  // computed there when `dataSha256` is empty) and shown with their
  // results and the status line. An empty data file closes the batch.
  void openBatch(const BatchPaths& batch, const QString& dataSha256 = {});
  // Reads and verifies the open batch's record again (a file changed).
  void refresh();
  const BatchPaths& batch() const { return batch_; }
  // The record as last shown (pending while it is verified).
  const VerifiedRecord& record() const { return record_; }
  ReviewStatus status() const;
  QString statusLine() const;

  // The key: unlocked by the first action that writes, kept until lock()
  // or the end of the commands, then zeroed.
  bool isUnlocked() const;
  QString unlockedId() const;
  void lock();

  // "Add Note..." on row `row` of a grid's table (`table` as loaded from
  // `file`, which a note on any table but the data keeps by name and
  // SHA-256). Asks for the key when locked, then the text. Returns the
  // entry written; empty when cancelled or refused (the user was told).
  std::optional<RecordEntry> addNoteAtRow(ReviewTable table, const LogTable& logTable, int row,
                                          const QString& file);
  // "Add Note..." of the trend: at `serial` (a date-time serial) in the
  // data file.
  std::optional<RecordEntry> addNoteAtTime(const LogTable& dataTable, double serial);
  // "Sign Review...": the window in force and how the review bar shows it.
  std::optional<RecordEntry> signReview(const TimeWindow& window, const QString& windowText);
  // "Review Settings...": the record folder and the reviewers file; true
  // when changed (the record is then read again).
  bool editSettings();

 private:
  bool ensureUnlocked(const QString& purpose);
  // The checks before a write: a batch open, verified, its data file as
  // it was read. False after saying why.
  bool readyToWrite();
  std::optional<RecordEntry> writeNote(const NoteAnchor& anchor);
  void verified(VerifiedRecord record);
  void written(const RecordEntry& entry);
  void showStatus();
  RecordTarget target() const;

  UserInterface& ui_;
  RecordWindow& window_;
  RecordPlace place_;
  QString keysDir_;
  int wrongDelayMs_ = 1000;
  Runner runner_;
  Memory memory_;
  std::function<QDateTime()> clock_;
  BatchPaths batch_;
  QString dataSha256_;
  qint64 dataSize_ = -1;
  QDateTime dataModified_;
  VerifiedRecord record_;
  ReviewersFile reviewers_;
  std::unique_ptr<UnlockedKey> key_;
  int generation_ = 0;
};

}  // namespace tarvex
