// A scripted UserInterface for headless tests: records every call in order
// and answers from queues the test fills beforehand.
//
//   FakeUi ui;
//   ui.openAnswers.push_back("/tmp/run.csv");      // next showOpen returns it
//   ui.openAnswers.push_back(FakeUi::kCancel);     // the one after cancels
//   ui.msgBoxAnswers.push_back(mb::ResultNo);      // next message box: No
//   ... run the procedure ...
//   EXPECT_EQ(ui.messages().size(), 1);
//   EXPECT_EQ(ui.messages()[0].style, mb::Critical);
//
// An empty answer queue gives a default answer (mb::ResultOk, or ResultYes
// for a Yes/No box; cancel for dialogs) so a procedure never blocks.
// Header-only; include as "shell/tests/fake_ui.h" and link tarvex_base.
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <deque>

#include "shell/userinterface.h"

namespace tarvex {

class FakeUi : public UserInterface {
 public:
  // A file-dialog answer that cancels the dialog.
  static inline const QString kCancel = QStringLiteral("<cancel>");

  enum class Kind { MsgBox, Open, Save, Color, PrinterCount, Printer, Status, Pointer, DoEvents };

  // One recorded call. `text` is the prompt, the dialog title or the status
  // text; `style` the message box style or the dialog flags.
  struct Call {
    Kind kind;
    QString text;
    int style = 0;
    QString title;
    int timeoutMs = 0;
    FileDialogSettings dialog;  // Open, Save
    Pointer pointer = Pointer::Normal;
    int result = 0;  // message box result given
  };

  // Scripted answers, taken from the front.
  std::deque<int> msgBoxAnswers;
  std::deque<QString> openAnswers;
  std::deque<QString> saveAnswers;
  std::deque<QColor> colorAnswers;           // an invalid QColor cancels
  std::deque<PrinterChoice> printerAnswers;  // empty queue cancels
  int printers = 1;

  // Current state as the window would show it.
  QString statusText;
  Pointer pointer = Pointer::Normal;
  int doEventsCount = 0;

  const QList<Call>& calls() const { return calls_; }
  void clearCalls() { calls_.clear(); }

  // The message boxes shown, in order.
  QList<Call> messages() const { return ofKind(Kind::MsgBox); }
  // The status texts set, in order.
  QStringList statusTexts() const {
    QStringList out;
    for (const Call& c : calls_)
      if (c.kind == Kind::Status) out << c.text;
    return out;
  }
  QList<Call> ofKind(Kind kind) const {
    QList<Call> out;
    for (const Call& c : calls_)
      if (c.kind == kind) out << c;
    return out;
  }

  int msgBoxPos(const QString& prompt, int style, const QString& title, int timeoutMs) override {
    int answer = (style & 0xF) == 4 ? mb::ResultYes : mb::ResultOk;
    if (!msgBoxAnswers.empty()) {
      answer = msgBoxAnswers.front();
      msgBoxAnswers.pop_front();
    }
    Call c{Kind::MsgBox, prompt, style, title, timeoutMs, {}, pointer, answer};
    calls_ << c;
    return answer;
  }

  QString showOpen(const FileDialogSettings& settings) override {
    return fileAnswer(Kind::Open, settings, openAnswers);
  }
  QString showSave(const FileDialogSettings& settings) override {
    return fileAnswer(Kind::Save, settings, saveAnswers);
  }

  QColor showColor(const QColor& initial) override {
    Call c{Kind::Color, initial.name(), 0, {}, 0, {}, pointer, 0};
    calls_ << c;
    if (colorAnswers.empty() || !colorAnswers.front().isValid()) {
      if (!colorAnswers.empty()) colorAnswers.pop_front();
      throw RuntimeError(err::Cancel);
    }
    const QColor answer = colorAnswers.front();
    colorAnswers.pop_front();
    return answer;
  }

  int printerCount() override {
    calls_ << Call{Kind::PrinterCount, {}, printers, {}, 0, {}, pointer, printers};
    return printers;
  }

  PrinterChoice showPrinter(int flags) override {
    calls_ << Call{Kind::Printer, {}, flags, {}, 0, {}, pointer, 0};
    if (printerAnswers.empty()) throw RuntimeError(err::Cancel);
    const PrinterChoice answer = printerAnswers.front();
    printerAnswers.pop_front();
    return answer;
  }

  // The printer handed out by printer(): the test owns it (for example a
  // QPrinter writing a PDF file).
  QPrinter* printerToUse = nullptr;
  QPrinter* printer() override { return printerToUse; }

  void setStatusText(const QString& text) override {
    statusText = text;
    calls_ << Call{Kind::Status, text, 0, {}, 0, {}, pointer, 0};
  }
  void setPointer(Pointer p) override {
    pointer = p;
    calls_ << Call{Kind::Pointer, {}, 0, {}, 0, {}, p, 0};
  }
  void doEvents() override {
    ++doEventsCount;
    if (recordDoEvents) calls_ << Call{Kind::DoEvents, {}, 0, {}, 0, {}, pointer, 0};
  }
  // doEvents runs often in loops; record it in calls() only when asked.
  bool recordDoEvents = false;

 private:
  QString fileAnswer(Kind kind, const FileDialogSettings& settings, std::deque<QString>& queue) {
    Call c{kind, settings.title, settings.flags, {}, 0, settings, pointer, 0};
    calls_ << c;
    if (queue.empty()) throw RuntimeError(err::Cancel);
    const QString answer = queue.front();
    queue.pop_front();
    if (answer == kCancel) throw RuntimeError(err::Cancel);
    return answer;
  }

  QList<Call> calls_;
};

}  // namespace tarvex
