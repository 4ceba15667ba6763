// Every step the viewer takes with the user: dialogs, message boxes, status
// text, mouse pointer and letting pending events run. The history window
// implements it with real widgets; tests replace it with a scripted fake, so
// the procedures that use it run headless.
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include "shell/runtime_error.h"

class QPrinter;

namespace tarvex {

// Message box styles (button set + icon) and results.
namespace mb {
inline constexpr int OkOnly = 0;
inline constexpr int Critical = 16;
inline constexpr int Question = 32;
inline constexpr int YesNoQuestion = 36;
inline constexpr int Information = 64;
inline constexpr int ResultOk = 1;
inline constexpr int ResultYes = 6;
inline constexpr int ResultNo = 7;
}  // namespace mb

// Flags of the file and printer dialogs.
namespace cdl {
inline constexpr int ReadOnlyHidden = 0x4;    // hide the read-only check box
inline constexpr int OverwritePrompt = 0x2;   // ask before replacing a file
inline constexpr int FileMustExist = 0x1000;  // the chosen file must exist
inline constexpr int PrintNoSelection = 0x4;  // printer dialog: no selection choice
inline constexpr int PrintNoPageNums = 0x8;   // printer dialog: no page-range choice
}  // namespace cdl

// One use of the shared file dialog; every caller sets all of it.
struct FileDialogSettings {
  QString title;
  QString filter;      // "Description|pattern", pairs separated by "|"
  QString initDir;     // as the program forms it ("\" separators allowed)
  QString fileName;    // proposed name (save dialogs)
  QString defaultExt;  // ".csv", ".jpg"; "" for none
  int flags = 0;       // cdl:: values
};

// What the user chose in the printer dialog.
struct PrinterChoice {
  int firstPage = 0;
  int lastPage = 0;
  int copies = 1;
  int orientation = 1;  // 1 portrait, 2 landscape
};

enum class Pointer { Normal, Hourglass };

// The "Review Report..." dialog's fields: filled before it shows, read
// back after OK.
struct ReportDialogValues {
  QString from;  // the window's ends as typed ("" open)
  QString to;
  QString timeHint;      // the form From and To read ("m/d/yyyy h:mm:ss AM")
  QStringList channels;  // every channel's title, in column order
  QList<bool> chosen;    // per channel: reported
  QStringList lows;      // per channel: the limits as typed ("" none)
  QStringList highs;
  QString reviewer;
  QString output;  // where the PDF goes
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // A modal message box centred over the history window; an empty title
  // shows the application title. timeoutMs > 0 closes the box by itself.
  // Returns mb::ResultOk, mb::ResultYes or mb::ResultNo.
  virtual int msgBoxPos(const QString& prompt, int style, const QString& title = QString(),
                        int timeoutMs = 0) = 0;

  // The shared file dialog as an Open or a Save dialog. Returns the chosen
  // path; throws RuntimeError(err::Cancel) when the user cancels.
  virtual QString showOpen(const FileDialogSettings& settings) = 0;
  virtual QString showSave(const FileDialogSettings& settings) = 0;

  // The colour dialog starting at `initial`; throws RuntimeError(err::Cancel)
  // when the user cancels.
  virtual QColor showColor(const QColor& initial) = 0;

  // The number of printers the printer dialog offers. On Linux that is the
  // printers of the print system plus the PDF file the dialog can always
  // print to, so it is at least 1 there.
  virtual int printerCount() = 0;
  // The printer dialog with cdl:: flags; throws RuntimeError(err::Cancel)
  // when the user cancels. The printer it set up is printer().
  virtual PrinterChoice showPrinter(int flags) = 0;
  // The printer the last printer dialog set up; owned by the interface.
  virtual QPrinter* printer() = 0;

  // Panel 1 of the main window's status bar.
  virtual void setStatusText(const QString& text) = 0;
  virtual void setPointer(Pointer pointer) = 0;
  // Lets pending window events run once.
  virtual void doEvents() = 0;

  // A one-line text input: `prompt` above a field holding `initial`.
  // Returns the text typed; throws RuntimeError(err::Cancel) when the user
  // cancels. The default has no dialog and always cancels.
  virtual QString inputText(const QString& prompt, const QString& initial) {
    (void)prompt, (void)initial;
    throw RuntimeError(err::Cancel);
  }

  // The "Review Report..." dialog on `values`; true for OK (values then
  // hold what the user chose), false for Cancel. The default has no dialog
  // and always cancels.
  virtual bool reviewReportDialog(ReportDialogValues& values) {
    (void)values;
    return false;
  }

  // A folder chooser titled `title`, starting in initDir. Returns the
  // chosen folder; throws RuntimeError(err::Cancel) when the user cancels.
  // The default has no dialog and always cancels.
  virtual QString chooseFolder(const QString& title, const QString& initDir) {
    (void)title, (void)initDir;
    throw RuntimeError(err::Cancel);
  }

  // A progress window for long work: `title` as its caption, `text` above a
  // bar from 0 to `maximum`, and a Cancel button. It blocks input to the
  // other windows (they still repaint while events run), so nothing the
  // work reads can change under it. One at a time; the defaults show
  // nothing and never cancel.
  virtual void showProgress(const QString& title, const QString& text, int maximum) {
    (void)title, (void)text, (void)maximum;
  }
  virtual void setProgress(int value, const QString& text) { (void)value, (void)text; }
  // Whether Cancel was pressed since showProgress (seen after doEvents()).
  virtual bool progressCancelled() { return false; }
  virtual void hideProgress() {}
};

// The error report: "Error N = description in function procName occurred."
// and "Please contact the manufacturer with this error.", style 0.
QString errorReportText(int number, const QString& description, const QString& procName);
void reportError(UserInterface& ui, int number, const QString& description,
                 const QString& procName);
inline void reportError(UserInterface& ui, const RuntimeError& e, const QString& procName) {
  reportError(ui, e.number(), e.description(), procName);
}

}  // namespace tarvex
