// A scripted user interface for the command tests: records every step the
// code takes with the user, and answers dialogs and message boxes from a
// queue the test fills.
#pragma once

#include <QColor>
#include <QPrinter>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "shell/userinterface.h"

namespace tarvex::test {

struct MessageCall {
  QString prompt;
  int style = 0;
  QString title;
  int timeoutMs = 0;
};

class ScriptedUi : public UserInterface {
 public:
  // One event of the log, in the order they happened: "msg:<style>:<text>",
  // "open:<title>", "save:<title>", "color", "printer:<flags>",
  // "status:<text>", "pointer:hourglass|normal", "doEvents".
  QStringList log;
  std::vector<MessageCall> messages;
  std::vector<FileDialogSettings> openDialogs;
  std::vector<FileDialogSettings> saveDialogs;
  QStringList statusTexts;

  // Answers; an empty answer queue means Cancel (dialogs) or OK / Yes.
  std::deque<std::optional<QString>> openAnswers;  // nullopt = cancel
  std::deque<std::optional<QString>> saveAnswers;
  std::deque<int> msgAnswers;
  std::deque<std::optional<QString>> inputAnswers;  // nullopt = cancel
  int printers = 1;
  // The printer dialog's answer; none means the user cancels. When set, the
  // printer writes a PDF to pdfFile.
  std::optional<PrinterChoice> printerAnswer;
  QString pdfFile;
  // Runs inside doEvents (to deliver "user input" in the middle of work).
  std::function<void()> onDoEvents;

  int msgBoxPos(const QString& prompt, int style, const QString& title = QString(),
                int timeoutMs = 0) override {
    messages.push_back({prompt, style, title, timeoutMs});
    log << QStringLiteral("msg:%1:%2").arg(style).arg(prompt);
    if (!msgAnswers.empty()) {
      const int a = msgAnswers.front();
      msgAnswers.pop_front();
      return a;
    }
    return (style & 0xF) == 4 ? mb::ResultYes : mb::ResultOk;
  }
  QString showOpen(const FileDialogSettings& s) override {
    openDialogs.push_back(s);
    log << QStringLiteral("open:") + s.title;
    return answer(openAnswers);
  }
  QString showSave(const FileDialogSettings& s) override {
    saveDialogs.push_back(s);
    log << QStringLiteral("save:") + s.title;
    return answer(saveAnswers);
  }
  QString inputText(const QString& prompt, const QString&) override {
    log << QStringLiteral("input:") + prompt;
    return answer(inputAnswers);
  }
  QColor showColor(const QColor&) override {
    log << QStringLiteral("color");
    throw RuntimeError(err::Cancel);
  }
  int printerCount() override { return printers; }
  PrinterChoice showPrinter(int flags) override {
    log << QStringLiteral("printer:%1").arg(flags);
    if (!printerAnswer) throw RuntimeError(err::Cancel);
    printer()->setOutputFormat(QPrinter::PdfFormat);
    printer()->setOutputFileName(pdfFile);
    return *printerAnswer;
  }
  QPrinter* printer() override {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
    return printer_.get();
  }
  void setStatusText(const QString& text) override {
    statusTexts << text;
    log << QStringLiteral("status:") + text;
  }
  void setPointer(Pointer p) override {
    pointer = p;
    log << (p == Pointer::Hourglass ? QStringLiteral("pointer:hourglass")
                                    : QStringLiteral("pointer:normal"));
  }
  void doEvents() override {
    log << QStringLiteral("doEvents");
    if (onDoEvents) onDoEvents();
  }

  // The progress window, apart from `log`: "show:<title>:<text>:<max>",
  // "hide"; `cancelProgress` is its Cancel button.
  QStringList progress;
  bool cancelProgress = false;
  void showProgress(const QString& title, const QString& text, int maximum) override {
    progress << QStringLiteral("show:%1:%2:%3").arg(title, text).arg(maximum);
  }
  bool progressCancelled() override { return cancelProgress; }
  // The progress window's texts as set, and a hook that sees each.
  QStringList progressTexts;
  std::function<void(int, const QString&)> onProgress;
  void setProgress(int value, const QString& text) override {
    progressTexts << text;
    if (onProgress) onProgress(value, text);
  }

  // The "Review Report..." dialog: the values each showing started from,
  // and the answers, each editing the values and returning OK (true) or
  // Cancel; no answer left means Cancel.
  std::vector<ReportDialogValues> reportDialogs;
  std::deque<std::function<bool(ReportDialogValues&)>> reportAnswers;
  bool reviewReportDialog(ReportDialogValues& values) override {
    reportDialogs.push_back(values);
    log << QStringLiteral("report");
    if (reportAnswers.empty()) return false;
    const auto answer = reportAnswers.front();
    reportAnswers.pop_front();
    return answer(values);
  }
  void hideProgress() override { progress << QStringLiteral("hide"); }

  // The review record's dialogs: the values each showing started from, and
  // the answers, each editing the values and returning OK (true) or Cancel;
  // no answer left means Cancel. Logged as "unlock", "note", "sign",
  // "record-settings".
  std::vector<UnlockValues> unlockDialogs;
  std::deque<std::function<bool(UnlockValues&)>> unlockAnswers;
  std::vector<NoteValues> noteDialogs;
  std::deque<std::function<bool(NoteValues&)>> noteAnswers;
  std::vector<SignValues> signDialogs;
  std::deque<std::function<bool(SignValues&)>> signAnswers;
  std::deque<std::function<bool(RecordSettingsValues&)>> settingsAnswers;
  bool unlockDialog(UnlockValues& v) override {
    unlockDialogs.push_back(v);
    return scripted(QStringLiteral("unlock"), unlockAnswers, v);
  }
  bool noteDialog(NoteValues& v) override {
    noteDialogs.push_back(v);
    return scripted(QStringLiteral("note"), noteAnswers, v);
  }
  bool signDialog(SignValues& v) override {
    signDialogs.push_back(v);
    return scripted(QStringLiteral("sign"), signAnswers, v);
  }
  bool recordSettingsDialog(RecordSettingsValues& v) override {
    return scripted(QStringLiteral("record-settings"), settingsAnswers, v);
  }

  Pointer pointer = Pointer::Normal;

 private:
  std::unique_ptr<QPrinter> printer_;
  template <typename V>
  bool scripted(const QString& name, std::deque<std::function<bool(V&)>>& answers, V& v) {
    log << name;
    if (answers.empty()) return false;
    const auto a = answers.front();
    answers.pop_front();
    return a(v);
  }
  static QString answer(std::deque<std::optional<QString>>& q) {
    if (q.empty()) throw RuntimeError(err::Cancel);
    const bool cancel = !q.front().has_value();
    const QString path = q.front().value_or(QString());
    q.pop_front();
    if (cancel) throw RuntimeError(err::Cancel);
    return path;
  }
};

}  // namespace tarvex::test
