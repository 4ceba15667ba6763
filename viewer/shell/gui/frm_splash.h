// frmSplash: the start-up window. Its Load prepares the program (main
// window, start-up folder, the running-copy test, the caption); ten ticks of
// 100 ms later it opens the history window and closes itself.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

namespace tarvex {

class UserInterface;

class FrmSplash : public QWidget {
  Q_OBJECT

 public:
  struct Startup {
    // Creates the main window (hidden) and the shared objects; may throw
    // RuntimeError, which ends the program with the start-up error message.
    std::function<void()> createShared;
    // True when no other copy runs (the test for a running copy).
    std::function<bool()> onlyCopy;
    // Everything after the shared objects: start-up folder, help file,
    // caption. May throw RuntimeError.
    std::function<void()> prepare;
    // Creates and shows the history window inside the main window.
    std::function<void()> showHistory;
  };

  FrmSplash(UserInterface& ui, Startup startup, QWidget* parent = nullptr);

  // Runs Load. Returns false when the program must end (a second copy, a
  // start-up error); the user has then been told why.
  bool load();

  int ticks() const { return ticks_; }
  bool startupFailed() const { return failed_; }
  // One tick of Timer1 (tests call it directly).
  void timer1Tick();

 signals:
  // The history window is shown and the splash is done.
  void finished();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  UserInterface& ui_;
  Startup startup_;
  QTimer timer1_;
  int ticks_ = 0;
  bool failed_ = false;
};

}  // namespace tarvex
