// The Qt implementation of the viewer's user-interface interface: message
// boxes placed over the history window, the shared file, colour and printer
// dialog, the main window's status text, the mouse pointer and the event
// pump.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "shell/userinterface.h"

class QPrinter;
class QProgressDialog;

namespace tarvex {

class QtUserInterface : public UserInterface {
 public:
  QtUserInterface();
  ~QtUserInterface() override;

  // The window message boxes are centred over (the history window). A box
  // with no owner is placed as for an owner rectangle of all zeros.
  void setOwner(QWidget* owner) { owner_ = owner; }
  QWidget* owner() const { return owner_; }
  // Where status texts go (panel 1 of the main window's status bar).
  void setStatusSink(std::function<void(const QString&)> sink) { statusSink_ = std::move(sink); }

  int msgBoxPos(const QString& prompt, int style, const QString& title = QString(),
                int timeoutMs = 0) override;
  QString showOpen(const FileDialogSettings& settings) override;
  QString showSave(const FileDialogSettings& settings) override;
  QColor showColor(const QColor& initial) override;
  QString inputText(const QString& prompt, const QString& initial) override;
  bool reviewReportDialog(ReportDialogValues& values) override;
  QString chooseFolder(const QString& title, const QString& initDir) override;
  int printerCount() override;
  PrinterChoice showPrinter(int flags) override;
  QPrinter* printer() override;
  void setStatusText(const QString& text) override;
  void setPointer(Pointer pointer) override;
  void doEvents() override;
  void showProgress(const QString& title, const QString& text, int maximum) override;
  void setProgress(int value, const QString& text) override;
  bool progressCancelled() override;
  void hideProgress() override;
  // The progress window while one is shown (for tests and screenshots).
  QProgressDialog* progressDialog() const { return progress_.get(); }

 private:
  QString showFileDialog(const FileDialogSettings& settings, bool save);

  QPointer<QWidget> owner_;
  std::function<void(const QString&)> statusSink_;
  std::unique_ptr<QPrinter> printer_;
  bool hourglass_ = false;
  std::unique_ptr<QProgressDialog> progress_;
  bool progressCancelled_ = false;
};

// The Qt name filters of a "Description|pattern|Description|pattern" filter.
// A description that already ends with its pattern in parentheses is kept
// as it reads; otherwise the pattern is appended in parentheses.
QStringList qtNameFilters(const QString& filter);

// A folder as the program forms it ("\" separators) in the local form.
QString localFolder(const QString& folder);

}  // namespace tarvex
