#include "history/viewer_app.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <cstdio>
#include <utility>

#include "batches/batches_commands.h"
#include "batches/gui/batches_window.h"
#include "history/frm_history.h"
#include "history/history_commands.h"
#include "history/history_review.h"
#include "history/report_commands.h"
#include "record/review_status.h"
#include "review/reference_commands.h"
#include "review/review_model.h"
#include "shell/frame_rules.h"
#include "shell/gui/artwork.h"
#include "shell/gui/frm_main.h"
#include "shell/gui/frm_splash.h"
#include "shell/runtime_error.h"
#include "shell/writefiles.h"
#include "signatures/vxlog.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/gui/trend_setup_dialog.h"
#include "trend/trend_commands.h"

namespace tarvex {

namespace {

// The user interface of the start-up option --open: its first Open dialog
// is answered with the given file, everything else is the real interface.
class AnswerFirstOpen : public UserInterface {
 public:
  AnswerFirstOpen(UserInterface& real, QString file) : real_(real), file_(std::move(file)) {}
  int msgBoxPos(const QString& p, int s, const QString& t, int ms) override {
    return real_.msgBoxPos(p, s, t, ms);
  }
  QString showOpen(const FileDialogSettings& s) override {
    if (file_.isEmpty()) return real_.showOpen(s);
    return std::exchange(file_, QString());
  }
  QString showSave(const FileDialogSettings& s) override { return real_.showSave(s); }
  QString inputText(const QString& p, const QString& i) override { return real_.inputText(p, i); }
  QColor showColor(const QColor& c) override { return real_.showColor(c); }
  int printerCount() override { return real_.printerCount(); }
  PrinterChoice showPrinter(int flags) override { return real_.showPrinter(flags); }
  QPrinter* printer() override { return real_.printer(); }
  void setStatusText(const QString& t) override { real_.setStatusText(t); }
  void setPointer(Pointer p) override { real_.setPointer(p); }
  void doEvents() override { real_.doEvents(); }
  void showProgress(const QString& t, const QString& x, int m) override {
    real_.showProgress(t, x, m);
  }
  void setProgress(int v, const QString& x) override { real_.setProgress(v, x); }
  bool progressCancelled() override { return real_.progressCancelled(); }
  void hideProgress() override { real_.hideProgress(); }

 private:
  UserInterface& real_;
  QString file_;
};

}  // namespace

void setApplicationIdentity(const QString& version) {
  QCoreApplication::setApplicationName(QStringLiteral("tarvex-viewer"));
  QCoreApplication::setApplicationVersion(version);
  QGuiApplication::setDesktopFileName(QStringLiteral("tarvex-viewer"));
}

ViewerApp::ViewerApp(Options options)
    : options_(std::move(options)), globals_(std::make_unique<ViewerGlobals>()) {}

ViewerApp::~ViewerApp() {
  // The review's searches read the grids' tables, which go with the window;
  // the grids stop reading the review's filters first.
  historyReview_.reset();
  review_.reset();
  delete main_;
  delete splash_;
}

bool ViewerApp::start() {
  QApplication::setWindowIcon(applicationIcon());
  FrmSplash::Startup startup;
  startup.createShared = [this] { createShared(); };
  startup.onlyCopy = [this] { return lock_.acquire(); };
  startup.prepare = [this] { prepare(); };
  startup.showHistory = [this] { showHistory(); };
  splash_ = new FrmSplash(ui_, std::move(startup));
  if (QScreen* screen = splash_->screen()) {
    QRect r = splash_->rect();
    r.moveCenter(screen->availableGeometry().center());
    splash_->move(r.topLeft());
  }
  ui_.setOwner(splash_);
  // Load first: a second copy says so and ends before any splash shows.
  if (!splash_->load()) return false;
  splash_->show();
  return true;
}

void ViewerApp::createShared() {
  main_ = new FrmMain(ui_);
  sigLog_ = std::make_unique<VxLog>();
  ui_.setStatusSink([this](const QString& text) { main_->setStatusText(text); });
  connect(main_, &FrmMain::exitConfirmed, qApp, &QApplication::quit, Qt::QueuedConnection);
}

void ViewerApp::prepare() {
  globals_->startDir = QDir::currentPath();
  globals_->dateOrder = options_.dateOrder;
  // Registered as the application's help file only; the viewer never opens it.
  qApp->setProperty("helpFile",
                    globals_->startDir + QStringLiteral("\\MARVESKi DATA VIEWER HELP.hlp"));
  main_->setWindowTitle(applicationTitle());
}

void ViewerApp::showHistory() {
  history_ = new FrmHistory;
  plot_ = std::make_unique<QcpTrendPlot>(history_->iPlotX);
  plot_->setUserInterface(&ui_, history_->caption());
  plot_->setBuildingCheck([this] { return trend_ && trend_->building(); });
  trend_ = std::make_unique<TrendCommands>(ui_, *history_, *plot_, history_->vaGrid(),
                                           globals_->f_Plotting, trendSetupOpener(main_));
  history_->setSliderHandlers([this](int p) { trend_->dateSliderChanged(p); },
                              [this](int p) { trend_->ySliderChanged(p); });
  commands_ = std::make_unique<HistoryCommands>(ui_, *history_, *globals_, sigLog_.get(), *trend_);
  review_ = std::make_unique<ReviewModel>(ReviewModel::Tables{
      &history_->vaGrid(), &history_->digiSigGrid(), &history_->opEvGrid(), &history_->auditGrid(),
      &history_->auditSigGrid(), &history_->alarmGrid()});
  commands_->setReview(review_.get());
  historyReview_ = std::make_unique<HistoryReview>(*history_, *review_, *plot_, ui_);
  historyReview_->setDateOrderSink([this](const QString& text) { main_->setDateOrderText(text); });
  historyReview_->commands().setBusy([this] { return commands_->busy(); });
  // The reference batch: the tool bar's fifth button and the plot's menu.
  reference_ = std::make_unique<ReferenceCommands>(ui_, *plot_, *sigLog_,
                                                   [this] { return globals_->startDir; });
  reference_->setDateOrder(globals_->dateOrder);
  commands_->setCompareHandler([this] { reference_->compareWith(); });
  plot_->setMenuSource([this] {
    std::vector<TrendMenuEntry> entries = reference_->menuEntries();
    // Refused, as the tool bar is, while a load or a plot runs.
    if (commands_->busy())
      for (TrendMenuEntry& e : entries) e.enabled = false;
    return entries;
  });
  history_->setClickHandler([this](ToolBar bar, int index) {
    switch (bar) {
      case ToolBar::DataBarBtn:
        commands_->DataBarBtn_Click(index);
        // A data file read (or cleared) sets the order its dates are read in.
        if (index == 0) historyReview_->dataFileChanged();
        break;
      case ToolBar::opBarBtn:
        commands_->opBarBtn_Click(index);
        break;
      case ToolBar::auditBarBtn:
        commands_->auditBarBtn_Click(index);
        break;
      case ToolBar::almBarBtn:
        commands_->almBarBtn_Click(index);
        break;
      case ToolBar::histBarBtn:
        commands_->histBarBtn_Click(index);
        break;
    }
  });
  history_->setVerifyAllHandler([this](SignedFile kind) { commands_->verifyAll(kind); });
  // "Review Report..." of the File menu; the reviewer's name is remembered.
  report_ = std::make_unique<ReportCommands>(
      ui_, *globals_, history_->vaGrid(), review_.get(), *sigLog_,
      ReportCommands::ReviewerMemory{
          [] {
            return QSettings(QStringLiteral("tarvex"), QStringLiteral("tarvex-viewer"))
                .value(QStringLiteral("report/reviewer"))
                .toString();
          },
          [](const QString& name) {
            QSettings(QStringLiteral("tarvex"), QStringLiteral("tarvex-viewer"))
                .setValue(QStringLiteral("report/reviewer"), name);
          }});
  main_->setReviewReportHandler([this] {
    // Refused, as the tool bars are, while a load or a plot runs.
    if (commands_->busy()) {
      ui_.msgBoxPos(busyText(), mb::Information);
      return;
    }
    report_->reviewReport(history_->selection(history_->vaGrid()));
  });
  main_->setBatchesHandler([this] { showBatches(); });
  main_->setHistoryWindow(history_, [this] { return commands_->busy(); });
  ui_.setOwner(main_->historyWindow()->parentWidget());
  // Maximized; without a window manager to do it, the window takes the
  // screen's available area itself.
  if (QScreen* screen = main_->screen()) main_->setGeometry(screen->availableGeometry());
  main_->showMaximized();
  ui_.setStatusText(QStringLiteral("No Data File Loaded."));
  emit historyShown();
  if (!options_.openFile.isEmpty() || !options_.screenshot.isEmpty())
    QTimer::singleShot(200, this, [this] { runStartupOptions(); });
}

void ViewerApp::openHistoryFile(const QString& path) {
  // "Open History File" with its dialog answered by the file.
  AnswerFirstOpen answered(ui_, path);
  HistoryCommands opener(answered, *history_, *globals_, sigLog_.get(), *trend_);
  opener.setReview(review_.get());
  opener.DataBarBtn_Click(0);
  historyReview_->dataFileChanged();
}

void ViewerApp::openBatch(const BatchRecord& batch) {
  if (commands_->busy()) {
    ui_.msgBoxPos(busyText(), mb::Information);
    return;
  }
  openHistoryFile(batch.path);
  if (globals_->dataFileName != batch.path) return;  // the load failed and said so
  // Its audit trail and alarm history, each through its own Open command.
  if (!batch.auditPath.isEmpty()) {
    AnswerFirstOpen answered(ui_, batch.auditPath);
    HistoryCommands(answered, *history_, *globals_, sigLog_.get(), *trend_).auditBarBtn_Click(0);
  }
  if (!batch.alarmPath.isEmpty()) {
    AnswerFirstOpen answered(ui_, batch.alarmPath);
    HistoryCommands(answered, *history_, *globals_, sigLog_.get(), *trend_).almBarBtn_Click(0);
  }
  // The data file is the one the window is about.
  ui_.setStatusText(QStringLiteral("Current File is ") + batch.path);
  main_->raise();
  main_->activateWindow();
}

void ViewerApp::showBatches() {
  if (!batches_) {
    const QString key = QStringLiteral("batches/register");
    BatchesCommands::Hooks hooks;
    hooks.loadSetting = [key] {
      return QSettings(QStringLiteral("tarvex"), QStringLiteral("tarvex-viewer"))
          .value(key)
          .toString();
    };
    hooks.saveSetting = [key](const QString& value) {
      QSettings(QStringLiteral("tarvex"), QStringLiteral("tarvex-viewer")).setValue(key, value);
    };
    hooks.openBatch = [this](const BatchRecord& b) { openBatch(b); };
    // The review record beside each data file, the reviewers file of the
    // user or the site.
    hooks.reviewOf = [](const QString& file, const QByteArray& sha256) {
      return reviewStatusOf(file, RecordPlace{}, sha256);
    };
    hooks.startDir = globals_->startDir;
    batchesCommands_ = std::make_unique<BatchesCommands>(ui_, std::move(hooks));
    batches_ = new BatchesWindow(*batchesCommands_, main_);
    batches_->setAttribute(Qt::WA_DeleteOnClose, false);
    batches_->start();
  }
  batches_->show();
  batches_->raise();
  batches_->activateWindow();
}

void ViewerApp::runStartupOptions() {
  if (!options_.openFile.isEmpty()) openHistoryFile(options_.openFile);
  if (!options_.screenshot.isEmpty()) {
    QApplication::processEvents();
    const QPixmap shot = main_->grab();
    QByteArray png;
    QBuffer buffer(&png);
    bool ok = buffer.open(QIODevice::WriteOnly) && shot.save(&buffer, "PNG");
    try {
      if (ok) writeWholeFile(options_.screenshot, png);
    } catch (const RuntimeError&) {
      ok = false;
    }
    if (ok) {
      std::printf("Screenshot saved to %s\n", qPrintable(options_.screenshot));
      std::fflush(stdout);
      QCoreApplication::exit(0);
    } else {
      std::fprintf(stderr, "Cannot write the screenshot %s\n", qPrintable(options_.screenshot));
      QCoreApplication::exit(2);
    }
  }
}

}  // namespace tarvex
