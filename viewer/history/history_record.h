// The review record wired into the history window: the Review tab's pane,
// "Add Note..." in every grid's and the trend's context menu, the grids'
// note marks, the trend's note markers and the status bar's review line,
// all following the record as RecordCommands (record_commands.h) reads,
// verifies and extends it. The work is the commands'; this class connects
// the widgets to them.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

#include "history/record_commands.h"
#include "trend/trend_menu.h"

namespace tarvex {

class FrmHistory;
class HistoryReview;
class QcpTrendPlot;
class ReviewModel;
class ReviewPane;

class HistoryRecord : public QObject, public RecordWindow {
  Q_OBJECT

 public:
  // Everything given must outlive this object.
  HistoryRecord(FrmHistory& window, ReviewModel& review, HistoryReview& historyReview,
                QcpTrendPlot& plot, UserInterface& ui);
  ~HistoryRecord() override;

  RecordCommands& commands() { return *commands_; }
  ReviewPane* pane() const { return pane_; }

  // Where the status bar's review line goes (FrmMain::setReviewStatusText).
  void setStatusSink(std::function<void(const QString&, bool)> sink) {
    statusSink_ = std::move(sink);
  }
  // While `busy` answers true (a load, a plot build) the record's commands
  // are refused with the busy message, as the tool bars are.
  void setBusy(std::function<bool()> busy) { busy_ = std::move(busy); }

  // The batch's files changed (a data file, audit trail or alarm history
  // opened): its record is read and verified again.
  void batchChanged(const BatchPaths& batch);
  // "Add Note..." of the trend's context menu: at cursor 1's time, or at
  // the time clicked while the cursor is hidden.
  TrendMenuEntry trendMenuEntry();
  // "Sign Review..." with the review window in force.
  void signReview();
  // Double-click on entry `entry` of the pane: its row shown in its grid,
  // the trend centred on its time.
  void jumpToEntry(int entry);

  // RecordWindow
  void showRecord(const VerifiedRecord& record) override;
  void setReviewStatus(const QString& text, bool failed) override;

 private:
  void wireGrid(ReviewTable t);
  bool refuseWhenBusy();
  QString fileOf(ReviewTable t) const;
  void updateWindow();

  QPointer<FrmHistory> window_;
  ReviewModel& review_;
  HistoryReview& historyReview_;
  QPointer<QcpTrendPlot> plot_;
  UserInterface& ui_;
  std::unique_ptr<RecordCommands> commands_;
  ReviewPane* pane_ = nullptr;
  std::function<void(const QString&, bool)> statusSink_;
  std::function<bool()> busy_;
  std::shared_ptr<const VerifiedRecord> shown_;
  QFileSystemWatcher watcher_;
  QTimer changed_;
};

}  // namespace tarvex
