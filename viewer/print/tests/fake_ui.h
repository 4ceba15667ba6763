// A scripted user: records every step a procedure takes with the user and
// answers from a script.
#pragma once

#include <QColor>
#include <QPrinter>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "shell/userinterface.h"

namespace tarvex::testing {

class FakeUi : public UserInterface {
 public:
  // One line per step: "msg <style> <prompt>", "printers", "printer <flags>",
  // "save <title>|<filter>|<initDir>|<fileName>|<defaultExt>|<flags>".
  QStringList log;

  // Answers. Empty optionals mean "cancel" for dialogs.
  std::deque<int> msgResults;
  int printers = 1;
  std::optional<PrinterChoice> printerChoice = PrinterChoice{};
  std::optional<int> printerError;  // showPrinter throws this error number
  std::optional<QString> saveAnswer;
  std::unique_ptr<QPrinter> thePrinter;

  int msgBoxPos(const QString& prompt, int style, const QString& title, int timeoutMs) override {
    log << QStringLiteral("msg %1 %2").arg(style).arg(prompt);
    if (!title.isEmpty() || timeoutMs != 0) log << QStringLiteral("msg title/timeout set");
    if (msgResults.empty()) return mb::ResultOk;
    const int result = msgResults.front();
    msgResults.pop_front();
    return result;
  }
  QString showOpen(const FileDialogSettings& s) override {
    log << "open " + describe(s);
    throw RuntimeError(err::Cancel);
  }
  QString showSave(const FileDialogSettings& s) override {
    log << "save " + describe(s);
    if (!saveAnswer) throw RuntimeError(err::Cancel);
    return *saveAnswer;
  }
  QColor showColor(const QColor&) override { throw RuntimeError(err::Cancel); }
  int printerCount() override {
    log << QStringLiteral("printers");
    return printers;
  }
  PrinterChoice showPrinter(int flags) override {
    log << QStringLiteral("printer %1").arg(flags);
    if (printerError) throw RuntimeError(*printerError);
    if (!printerChoice) throw RuntimeError(err::Cancel);
    return *printerChoice;
  }
  QPrinter* printer() override { return thePrinter.get(); }
  void setStatusText(const QString& text) override { log << "status " + text; }
  void setPointer(Pointer pointer) override {
    log << (pointer == Pointer::Hourglass ? "pointer hourglass" : "pointer normal");
  }
  void doEvents() override {
    ++eventPumps;
    if (onDoEvents) onDoEvents();
  }

  // The progress window, apart from `log`: "show <title>|<text>|<max>",
  // "set <value>|<text>", "hide".
  QStringList progressLog;
  int eventPumps = 0;
  std::function<void()> onDoEvents;  // "user input" while events run
  bool cancelPressed = false;        // the progress window's Cancel
  void showProgress(const QString& title, const QString& text, int maximum) override {
    progressLog << QStringLiteral("show %1|%2|%3").arg(title, text).arg(maximum);
    cancelPressed = false;
  }
  void setProgress(int value, const QString& text) override {
    progressLog << QStringLiteral("set %1|%2").arg(value).arg(text);
  }
  bool progressCancelled() override { return cancelPressed; }
  void hideProgress() override { progressLog << QStringLiteral("hide"); }

  // Prints to the PDF file `path`.
  void printToPdf(const QString& path) {
    thePrinter = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
    thePrinter->setOutputFormat(QPrinter::PdfFormat);
    thePrinter->setPageSize(QPageSize(QPageSize::A4));
    thePrinter->setOutputFileName(path);
  }

 private:
  static QString describe(const FileDialogSettings& s) {
    return QStringList{s.title,    s.filter,     s.initDir,
                       s.fileName, s.defaultExt, QString::number(s.flags)}
        .join(u'|');
  }
};

}  // namespace tarvex::testing
