#include "shell/gui/qt_userinterface.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>

#include "shell/frame_rules.h"
#include "shell/gui/report_dialog.h"
#include "shell/msgbox_placement.h"

namespace tarvex {

namespace {

PixelRect toPixelRect(const QRect& r) {
  return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// The owner's outer rectangle in screen pixels: the frame of a top-level
// window, the whole widget (its frame included) for a child window.
PixelRect ownerRect(QWidget* owner) {
  if (!owner) return {};
  if (owner->isWindow()) return toPixelRect(owner->frameGeometry());
  return toPixelRect(QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size()));
}

// A message box that places itself once, at its first show (after the box
// has given itself its final size), as the placement rule says.
class PlacedMessageBox : public QMessageBox {
 public:
  PlacedMessageBox(QWidget* parent, QWidget* owner) : QMessageBox(parent), owner_(owner) {}

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);
    if (placed_) return;
    placed_ = true;
    QScreen* screen = owner_ ? owner_->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect screenRect = screen->geometry();
    PixelRect owner = ownerRect(owner_);
    // The rule works in coordinates whose origin is the screen's corner.
    if (owner_) {
      owner.left -= screenRect.left();
      owner.right -= screenRect.left();
      owner.top -= screenRect.top();
      owner.bottom -= screenRect.top();
    }
    PixelRect r = centreOver(toPixelRect(frameGeometry()), owner);
    const double tppX = 1440.0 / screen->logicalDotsPerInchX();
    const double tppY = 1440.0 / screen->logicalDotsPerInchY();
    keepRectOnScreen(r, screenRect.width() * tppX, screenRect.height() * tppY, tppX, tppY);
    move(r.left + screenRect.left(), r.top + screenRect.top());
  }

 public:
  // A box without an OK answer (Yes/No) has no close box: it ignores close
  // requests and Esc, and only its buttons end it.
  void setClosable(bool closable) {
    closable_ = closable;
    if (!closable) setWindowFlag(Qt::WindowCloseButtonHint, false);
  }

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (!closable_) {
      event->ignore();
      return;
    }
    QMessageBox::closeEvent(event);
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (!closable_ && event->key() == Qt::Key_Escape) {
      event->ignore();
      return;
    }
    QMessageBox::keyPressEvent(event);
  }

 private:
  QPointer<QWidget> owner_;
  bool placed_ = false;
  bool closable_ = true;
};

}  // namespace

QStringList qtNameFilters(const QString& filter) {
  QStringList out;
  const QStringList parts = filter.split(QLatin1Char('|'));
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    const QString& pattern = parts[i + 1];
    if (description.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')')))
      out << description;
    else
      out << description + QStringLiteral(" (") + pattern + QLatin1Char(')');
  }
  return out;
}

QString localFolder(const QString& folder) {
  QString f = folder;
  f.replace(QLatin1Char('\\'), QLatin1Char('/'));
  return QDir::cleanPath(f);
}

QtUserInterface::QtUserInterface() = default;
QtUserInterface::~QtUserInterface() = default;

int QtUserInterface::msgBoxPos(const QString& prompt, int style, const QString& title,
                               int timeoutMs) {
  PlacedMessageBox box(owner_ ? owner_->window() : nullptr, owner_);
  box.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
  QString text = prompt;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  box.setText(text);
  const int buttons = style & 0xF;
  const int icon = style & 0xF0;
  switch (icon) {
    case mb::Critical:
      box.setIcon(QMessageBox::Critical);
      break;
    case mb::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case 48:
      box.setIcon(QMessageBox::Warning);
      break;
    case mb::Information:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      box.setIcon(QMessageBox::NoIcon);
  }
  if (buttons == 4) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setClosable(false);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
  }
  if (timeoutMs > 0) {
    // The same request as the box's close box: a Yes/No box without an
    // escape answer ignores it, as such a box ignores its close box.
    QTimer::singleShot(timeoutMs, &box, [&box] { box.close(); });
  }
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  if (clicked == box.button(QMessageBox::Yes)) return mb::ResultYes;
  if (clicked == box.button(QMessageBox::No)) return mb::ResultNo;
  return mb::ResultOk;
}

QString QtUserInterface::showFileDialog(const FileDialogSettings& settings, bool save) {
  QFileDialog dialog(owner_ ? owner_->window() : nullptr, settings.title,
                     localFolder(settings.initDir));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilters(qtNameFilters(settings.filter));
  if (save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!(settings.flags & cdl::OverwritePrompt))
      dialog.setOption(QFileDialog::DontConfirmOverwrite);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode((settings.flags & cdl::FileMustExist) ? QFileDialog::ExistingFile
                                                             : QFileDialog::AnyFile);
  }
  if (!settings.defaultExt.isEmpty()) {
    QString ext = settings.defaultExt;
    if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    dialog.setDefaultSuffix(ext);
  }
  if (!settings.fileName.isEmpty()) dialog.selectFile(settings.fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    throw RuntimeError(err::Cancel);
  return dialog.selectedFiles().constFirst();
}

QString QtUserInterface::showOpen(const FileDialogSettings& settings) {
  return showFileDialog(settings, false);
}

QString QtUserInterface::showSave(const FileDialogSettings& settings) {
  return showFileDialog(settings, true);
}

QColor QtUserInterface::showColor(const QColor& initial) {
  const QColor c = QColorDialog::getColor(initial, owner_ ? owner_->window() : nullptr, QString(),
                                          QColorDialog::DontUseNativeDialog);
  if (!c.isValid()) throw RuntimeError(err::Cancel);
  return c;
}

QString QtUserInterface::inputText(const QString& prompt, const QString& initial) {
  bool ok = false;
  const QString text =
      QInputDialog::getText(owner_ ? owner_->window() : nullptr, applicationTitle(), prompt,
                            QLineEdit::Normal, initial, &ok);
  if (!ok) throw RuntimeError(err::Cancel);
  return text;
}

bool QtUserInterface::reviewReportDialog(ReportDialogValues& values) {
  ReportDialog dialog(values, owner_ ? owner_->window() : nullptr);
  if (dialog.exec() != QDialog::Accepted) return false;
  values = dialog.values();
  return true;
}

QString QtUserInterface::chooseFolder(const QString& title, const QString& initDir) {
  QFileDialog dialog(owner_ ? owner_->window() : nullptr, title, localFolder(initDir));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    throw RuntimeError(err::Cancel);
  return dialog.selectedFiles().constFirst();
}

int QtUserInterface::printerCount() {
  // The printer dialog always offers printing to a PDF file besides the
  // printers of the print system, so a machine without printers still has
  // one to print on.
  return static_cast<int>(QPrinterInfo::availablePrinterNames().size()) + 1;
}

PrinterChoice QtUserInterface::showPrinter(int flags) {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
  QPrintDialog dialog(printer_.get(), owner_ ? owner_->window() : nullptr);
  QAbstractPrintDialog::PrintDialogOptions options = dialog.options();
  if (flags & cdl::PrintNoSelection) options &= ~QAbstractPrintDialog::PrintSelection;
  if (flags & cdl::PrintNoPageNums) options &= ~QAbstractPrintDialog::PrintPageRange;
  options &= ~QAbstractPrintDialog::PrintCurrentPage;
  dialog.setOptions(options);
  if (dialog.exec() != QDialog::Accepted) throw RuntimeError(err::Cancel);
  PrinterChoice choice;
  choice.firstPage = printer_->fromPage();
  choice.lastPage = printer_->toPage();
  choice.copies = printer_->copyCount();
  choice.orientation = printer_->pageLayout().orientation() == QPageLayout::Landscape ? 2 : 1;
  // Each copy is its own print job, so the printer itself prints one.
  printer_->setCopyCount(1);
  return choice;
}

QPrinter* QtUserInterface::printer() {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
  return printer_.get();
}

void QtUserInterface::setStatusText(const QString& text) {
  if (statusSink_) statusSink_(text);
}

void QtUserInterface::setPointer(Pointer pointer) {
  const bool wantHourglass = pointer == Pointer::Hourglass;
  if (wantHourglass == hourglass_) return;
  hourglass_ = wantHourglass;
  if (wantHourglass)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void QtUserInterface::doEvents() { QCoreApplication::processEvents(); }

void QtUserInterface::showProgress(const QString& title, const QString& text, int maximum) {
  progress_ = std::make_unique<QProgressDialog>(owner_ ? owner_->window() : nullptr);
  progressCancelled_ = false;
  QProgressDialog& d = *progress_;
  d.setWindowTitle(title);
  d.setLabelText(text);
  d.setCancelButtonText(QStringLiteral("Cancel"));
  d.setRange(0, std::max(1, maximum));
  d.setValue(0);
  // Shown at once and kept until hidden; input to the other windows waits.
  d.setMinimumDuration(0);
  d.setAutoClose(false);
  d.setAutoReset(false);
  d.setWindowModality(Qt::ApplicationModal);
  d.setMinimumWidth(360);
  QObject::connect(&d, &QProgressDialog::canceled, [this] { progressCancelled_ = true; });
  d.show();
}

void QtUserInterface::setProgress(int value, const QString& text) {
  if (!progress_) return;
  if (!text.isEmpty()) progress_->setLabelText(text);
  // A modal progress window also lets events run when its value changes;
  // callers move it only on their pump's clock.
  progress_->setValue(std::min(value, progress_->maximum()));
}

bool QtUserInterface::progressCancelled() {
  // Its Cancel button, Esc or its close box.
  return progressCancelled_ || (progress_ && progress_->wasCanceled());
}

void QtUserInterface::hideProgress() {
  if (!progress_) return;
  progress_->hide();
  progress_.reset();
}

}  // namespace tarvex
