#include "history/viewer_app.h"

#include <QApplication>
#include <QDir>
#include <QSaveFile>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "history/frm_history.h"
#include "shell/frame_rules.h"
#include "shell/gui/artwork.h"
#include "shell/gui/frm_main.h"
#include "shell/gui/frm_splash.h"

namespace tarvex {

struct ViewerGlobals {
  QString startDir;
  QString helpFile;
};

class HistoryWindowAdapter {};
class HistoryCommands {};
class VxLog {};

ViewerApp::ViewerApp(Options options)
    : options_(std::move(options)), globals_(std::make_unique<ViewerGlobals>()) {}

ViewerApp::~ViewerApp() {
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
  splash_->show();
  ui_.setOwner(splash_);
  if (!splash_->load()) return false;
  return true;
}

void ViewerApp::createShared() {
  main_ = new FrmMain(ui_);
  ui_.setStatusSink([this](const QString& text) { main_->setStatusText(text); });
  connect(main_, &FrmMain::exitConfirmed, qApp, &QApplication::quit, Qt::QueuedConnection);
}

void ViewerApp::prepare() {
  globals_->startDir = QDir::currentPath();
  // Registered as the application's help file only; the viewer never opens it.
  globals_->helpFile = globals_->startDir + QStringLiteral("\\MARVESKi DATA VIEWER HELP.hlp");
  qApp->setProperty("helpFile", globals_->helpFile);
  main_->setWindowTitle(applicationTitle());
}

void ViewerApp::showHistory() {
  history_ = new FrmHistory;
  main_->setHistoryWindow(history_, [] { return false; });
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

void ViewerApp::runStartupOptions() {
  if (!options_.screenshot.isEmpty()) {
    QApplication::processEvents();
    const QPixmap shot = main_->grab();
    QSaveFile file(options_.screenshot);
    bool ok = file.open(QIODevice::WriteOnly) && shot.save(&file, "PNG") && file.commit();
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
