#include "shell/progress_pump.h"

#include <chrono>

namespace tarvex {

namespace {

qint64 steadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

ProgressPump::ProgressPump(UserInterface& ui, Clock clock)
    : ui_(ui), clock_(clock ? std::move(clock) : Clock(steadyMs)) {}

ProgressPump::~ProgressPump() { close(); }

void ProgressPump::open(const QString& title, const QString& text, int maximum) {
  ui_.showProgress(title, text, maximum);
  shown_ = true;
  cancelled_ = false;
  pump();
}

bool ProgressPump::step(int value, const std::function<QString()>& text) {
  if (cancelled_) return false;
  const qint64 now = clock_();
  if (now - last_ < kPumpIntervalMs) return true;
  ui_.setProgress(value, text ? text() : QString());
  pump();
  return !cancelled_;
}

void ProgressPump::pump() {
  ui_.doEvents();
  ++pumps_;
  last_ = clock_();
  if (ui_.progressCancelled()) cancelled_ = true;
}

void ProgressPump::close() {
  if (!shown_) return;
  shown_ = false;
  ui_.hideProgress();
}

}  // namespace tarvex
