// The user interface of work without windows (batch tools, benchmarks,
// tests): every dialog is cancelled, there is no printer, status text and
// the pointer go nowhere, and there are no events to let run. Message boxes
// are answered OK and kept, so the caller can report or check them.
#pragma once

#include <utility>
#include <vector>

#include "shell/userinterface.h"

namespace tarvex {

class HeadlessUi : public UserInterface {
 public:
  struct Message {
    QString prompt;
    int style = 0;
    QString title;
  };

  int msgBoxPos(const QString& prompt, int style, const QString& title, int) override {
    messages.push_back({prompt, style, title});
    return mb::ResultOk;
  }
  QString showOpen(const FileDialogSettings&) override { throw RuntimeError(err::Cancel); }
  QString showSave(const FileDialogSettings&) override { throw RuntimeError(err::Cancel); }
  QColor showColor(const QColor&) override { throw RuntimeError(err::Cancel); }
  int printerCount() override { return 0; }
  PrinterChoice showPrinter(int) override { throw RuntimeError(err::Cancel); }
  QPrinter* printer() override { return nullptr; }
  void setStatusText(const QString&) override {}
  void setPointer(Pointer) override {}
  void doEvents() override {}

  // The message boxes shown, in order.
  std::vector<Message> messages;
};

}  // namespace tarvex
