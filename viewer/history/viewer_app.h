// The running viewer: the start-up sequence (splash, running-copy test,
// main window, history window), the program-wide values and the wiring of
// the history window's tool bars to the commands.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

#include "logfiles/date_order.h"
#include "shell/gui/instance_lock.h"
#include "shell/gui/qt_userinterface.h"

namespace tarvex {

class BatchesCommands;
class BatchesWindow;
struct BatchRecord;
class FrmMain;
class FrmSplash;
class FrmHistory;
class HistoryCommands;
class HistoryReview;
class QcpTrendPlot;
class ReferenceCommands;
class ReportCommands;
class ReviewModel;
class TrendCommands;
struct ViewerGlobals;
class VxLog;

// The program's name, version and desktop entry. No display name is set:
// the window system would append it to every caption, and each window's
// caption is its own title alone.
void setApplicationIdentity(const QString& version);

class ViewerApp : public QObject {
  Q_OBJECT

 public:
  struct Options {
    QString openFile;                    // open this data history file once the window shows
    QString screenshot;                  // then save a picture of the main window here and end
    std::optional<DateOrder> dateOrder;  // read every file's dates in this order
  };

  explicit ViewerApp(Options options);
  ~ViewerApp() override;

  // Shows the splash and runs its Load. False when the program must end
  // (another copy runs, or start-up failed; the user has been told).
  bool start();

  FrmMain* mainWindow() const { return main_; }
  FrmHistory* historyWindow() const { return history_; }
  HistoryCommands* commands() const { return commands_.get(); }
  ReferenceCommands* reference() const { return reference_.get(); }
  ReportCommands* report() const { return report_.get(); }
  // The review of the six grids (window, text filters, jumps); null before
  // the history window shows.
  ReviewModel* review() const { return review_.get(); }
  // The review wired into the history window (bar, grids, jumps); null
  // before the history window shows.
  HistoryReview* historyReview() const { return historyReview_.get(); }
  UserInterface& ui() { return ui_; }
  // The Batches window once "Batches..." opened it; null before.
  BatchesWindow* batchesWindow() const { return batches_; }
  // "Batches..." of the File menu.
  void showBatches();
  // Opens a batch as "Open History File" does with its file chosen (its
  // ".sig" and ".evt" follow), then its audit trail and alarm history as
  // their Open commands do; refused with the busy message while the window
  // is busy.
  void openBatch(const BatchRecord& batch);

 signals:
  // The history window is on the screen.
  void historyShown();

 private:
  void createShared();
  void prepare();
  void showHistory();
  void runStartupOptions();
  void openHistoryFile(const QString& path);

  Options options_;
  QtUserInterface ui_;
  InstanceLock lock_;
  std::unique_ptr<ViewerGlobals> globals_;
  std::unique_ptr<VxLog> sigLog_;
  FrmMain* main_ = nullptr;
  FrmSplash* splash_ = nullptr;
  FrmHistory* history_ = nullptr;
  std::unique_ptr<QcpTrendPlot> plot_;
  std::unique_ptr<TrendCommands> trend_;
  std::unique_ptr<ReferenceCommands> reference_;
  std::unique_ptr<ReviewModel> review_;
  std::unique_ptr<HistoryReview> historyReview_;
  std::unique_ptr<HistoryCommands> commands_;
  std::unique_ptr<ReportCommands> report_;
  std::unique_ptr<BatchesCommands> batchesCommands_;
  BatchesWindow* batches_ = nullptr;  // a child of the main window
};

}  // namespace tarvex
