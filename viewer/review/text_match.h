// The text filter of a grid: which rows hold a text, found on this thread or
// on a thread of its own, stopped at once when the text changes again.
#pragma once

#include <QString>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "review/row_set.h"

namespace tarvex {

class LogTable;

// The rows of `table` that hold `text` in one of the columns it shows,
// letter case aside, in the cells as shown (RowTextMatcher); row 0 (the
// titles) always. Empty when `cancel` became true on the way (it is looked
// at every 1024 rows). The table must not change meanwhile.
std::optional<RowSet> matchRows(const LogTable& table, const QString& text,
                                const std::atomic<bool>* cancel = nullptr);

// matchRows on a thread of its own, one search at a time: a new start
// stops the running search first (within 1024 rows) and never queues.
class BackgroundMatch {
 public:
  BackgroundMatch() = default;
  ~BackgroundMatch();
  BackgroundMatch(const BackgroundMatch&) = delete;
  BackgroundMatch& operator=(const BackgroundMatch&) = delete;

  // Searches `table` for `text`; `done` runs on the search's thread with
  // the rows found, unless the search was stopped. The table must outlive
  // the search and not change while it runs (stop() first).
  void start(const LogTable& table, const QString& text, std::function<void(RowSet)> done);
  // Stops a running search and waits for its thread (a few milliseconds at
  // most); `done` is not called for it.
  void stop();

 private:
  std::thread thread_;
  std::atomic<bool> cancel_{false};
};

}  // namespace tarvex
