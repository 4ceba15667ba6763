// Keeps long work on the user-interface thread responsive: shows the
// progress window, and at most every kPumpIntervalMs moves its bar, lets
// window events run and looks whether the user pressed Cancel. The work
// calls step() as often as it likes (every page, every row); the clock is
// read there, so steps cost next to nothing between two pumps.
#pragma once

#include <QString>
#include <functional>

#include "shell/userinterface.h"

namespace tarvex {

class ProgressPump {
 public:
  // Milliseconds from any fixed start.
  using Clock = std::function<qint64()>;
  // Events run at most this often; a step that comes later pumps at once.
  static constexpr qint64 kPumpIntervalMs = 25;

  // `clock` may be empty (a steady clock is used). Does not show anything
  // until open().
  explicit ProgressPump(UserInterface& ui, Clock clock = {});
  // Hides the progress window if it is still shown.
  ~ProgressPump();
  ProgressPump(const ProgressPump&) = delete;
  ProgressPump& operator=(const ProgressPump&) = delete;

  // Shows the progress window and lets events run once, so that it is on
  // the screen before the work begins.
  void open(const QString& title, const QString& text, int maximum);
  // Reports `value` and `text`; the text function is only called when the
  // window is updated. Returns false once the user has cancelled.
  bool step(int value, const std::function<QString()>& text);
  // Hides the progress window.
  void close();

  bool cancelled() const { return cancelled_; }
  // How many times events were let run (for tests and benchmarks).
  int pumps() const { return pumps_; }

 private:
  void pump();

  UserInterface& ui_;
  Clock clock_;
  qint64 last_ = 0;
  bool shown_ = false;
  bool cancelled_ = false;
  int pumps_ = 0;
};

}  // namespace tarvex
