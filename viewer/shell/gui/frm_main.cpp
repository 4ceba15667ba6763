#include "shell/gui/frm_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>

#include "shell/frame_rules.h"
#include "shell/gui/frm_about.h"
#include "shell/twips.h"
#include "shell/userinterface.h"

namespace tarvex {

FrmMain::FrmMain(UserInterface& ui, QWidget* parent) : QMainWindow(parent), ui_(ui) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(applicationTitle());

  QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
  mnuFile->setObjectName(QStringLiteral("mnuFile"));
  QAction* batches = mnuFile->addAction(QStringLiteral("&Batches..."));
  batches->setObjectName(QStringLiteral("mnuFileBatches"));
  connect(batches, &QAction::triggered, this, [this] {
    if (batches_) batches_();
  });
  QAction* report = mnuFile->addAction(QStringLiteral("&Review Report..."));
  report->setObjectName(QStringLiteral("mnuFileReviewReport"));
  connect(report, &QAction::triggered, this, [this] {
    if (reviewReport_) reviewReport_();
  });
  mnuFile->addSeparator();
  QAction* exit = mnuFile->addAction(QStringLiteral("E&xit"));
  exit->setObjectName(QStringLiteral("mnuFileExit"));
  connect(exit, &QAction::triggered, this, [this] { mnuFileExit_Click(); });
  QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
  mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
  QAction* about = mnuHelp->addAction(QStringLiteral("&About "));
  about->setObjectName(QStringLiteral("mnuHelpAbout"));
  connect(about, &QAction::triggered, this, [this] { mnuHelpAbout_Click(); });

  QStatusBar* sb = statusBar();
  sb->setObjectName(QStringLiteral("sbStatusBar"));
  sb->setSizeGripEnabled(true);
  statusPanel_ = new QLabel(QStringLiteral("Status"), sb);
  statusPanel_->setObjectName(QStringLiteral("statusPanel1"));
  statusPanel_->setFrameShape(QFrame::Panel);
  statusPanel_->setFrameShadow(QFrame::Sunken);
  statusPanel_->setMinimumWidth(100);
  orderPanel_ = new QLabel(sb);
  orderPanel_->setObjectName(QStringLiteral("dateOrderPanel"));
  orderPanel_->setFrameShape(QFrame::Panel);
  orderPanel_->setFrameShadow(QFrame::Sunken);
  orderPanel_->hide();
  datePanel_ = new QLabel(sb);
  datePanel_->setFrameShape(QFrame::Panel);
  datePanel_->setFrameShadow(QFrame::Sunken);
  datePanel_->setAlignment(Qt::AlignCenter);
  timePanel_ = new QLabel(sb);
  timePanel_->setFrameShape(QFrame::Panel);
  timePanel_->setFrameShadow(QFrame::Sunken);
  timePanel_->setAlignment(Qt::AlignCenter);
  sb->addWidget(statusPanel_, 1);
  sb->addPermanentWidget(orderPanel_);
  sb->addPermanentWidget(datePanel_);
  sb->addPermanentWidget(timePanel_);
  updateClock();
  connect(&clock_, &QTimer::timeout, this, [this] { updateClock(); });
  clock_.start(1000);

  mdi_ = new QMdiArea(this);
  mdi_->setObjectName(QStringLiteral("mdiClient"));
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  mdi_->viewport()->installEventFilter(this);
  setCentralWidget(mdi_);

  setMinimumSize(twipsToPixels(kMainMinWidth, dpiX()), twipsToPixels(kMainMinHeight, dpiY()));
}

double FrmMain::dpiX() const {
  const QScreen* s = screen();
  return s ? s->logicalDotsPerInchX() : 96.0;
}

double FrmMain::dpiY() const {
  const QScreen* s = screen();
  return s ? s->logicalDotsPerInchY() : 96.0;
}

void FrmMain::setHistoryWindow(QWidget* history, std::function<bool()> busy) {
  busy_ = std::move(busy);
  historySub_ =
      new QMdiSubWindow(mdi_, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  historySub_->setWidget(history);
  historySub_->setWindowTitle(history->windowTitle());
  historySub_->setAttribute(Qt::WA_DeleteOnClose, false);
  // A fixed single border: the user cannot drag its size.
  historySub_->setOption(QMdiSubWindow::RubberBandResize, false);
  // It has no close box or system menu: the program ends through the main
  // window only, and a stray close request (Ctrl+F4) is ignored.
  historySub_->setSystemMenu(nullptr);
  historySub_->installEventFilter(this);
  mdi_->addSubWindow(historySub_);
  historySub_->show();
  fitHistory();
}

QWidget* FrmMain::historyWindow() const { return historySub_ ? historySub_->widget() : nullptr; }

void FrmMain::setStatusText(const QString& text) { statusPanel_->setText(text); }

QString FrmMain::statusText() const { return statusPanel_->text(); }

void FrmMain::setDateOrderText(const QString& text) {
  orderPanel_->setText(text);
  orderPanel_->setVisible(!text.isEmpty());
}

void FrmMain::updateClock() {
  const QDateTime now = QDateTime::currentDateTime();
  const QLocale locale;
  datePanel_->setText(locale.toString(now.date(), QLocale::ShortFormat));
  timePanel_->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

void FrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (isMinimized()) return;
  const MainResize r =
      mainWindowResize(pixelsToTwips(width(), dpiX()), pixelsToTwips(height(), dpiY()));
  if (r.forceMinimum) {
    // Both sides return to the minimum, also when only one was too small.
    resize(minimumSize());
    return;
  }
  fitHistory();
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == mdi_->viewport() && event->type() == QEvent::Resize) fitHistory();
  if (watched == historySub_ && event->type() == QEvent::Close && !ending_) {
    event->ignore();
    return true;
  }
  if (watched == historySub_) {
    switch (event->type()) {
      // The history window fills the main window: its caption cannot drag
      // it (or double-click it into another state).
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::MouseButtonRelease:
        return true;
      case QEvent::Move:
        // Moved in any other way: back to the corner.
        if (!fitting_ && historySub_->pos() != QPoint(0, 0))
          QMetaObject::invokeMethod(
              this, [this] { fitHistory(); }, Qt::QueuedConnection);
        break;
      default:
        break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// The history window fills the main window's inner area at (0, 0); its own
// resize then lays out its controls.
void FrmMain::fitHistory() {
  if (!historySub_ || fitting_ || isMinimized()) return;
  fitting_ = true;
  historySub_->setGeometry(QRect(QPoint(0, 0), mdi_->viewport()->size()));
  fitting_ = false;
}

void FrmMain::closeEvent(QCloseEvent* event) {
  const bool busy = busy_ ? busy_() : false;
  if (!queryUnload(ui_, busy)) {
    event->ignore();
    return;
  }
  event->accept();
  ending_ = true;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w != this && w->objectName() != QLatin1String("frmMain") && w->isVisible()) w->close();
  }
  emit exitConfirmed();
}

void FrmMain::mnuFileExit_Click() { close(); }

void FrmMain::mnuHelpAbout_Click() {
  try {
    FrmAbout about(ui_, this);
    about.exec();
  } catch (const RuntimeError& e) {
    reportError(ui_, e, QStringLiteral("mnuHelpAbout"));
  }
}

}  // namespace tarvex
