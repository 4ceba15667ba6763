#include "review/text_match.h"

#include "logfiles/logtable.h"
#include "logfiles/row_text_matcher.h"

namespace tarvex {

std::optional<RowSet> matchRows(const LogTable& table, const QString& text,
                                const std::atomic<bool>* cancel) {
  const int rows = table.lastRow() + 1;
  RowSet set(rows, text.isEmpty());
  if (text.isEmpty()) return set;
  const RowTextMatcher matcher(table, text, shownColumns(table));
  set.insert(0);
  for (int r = 1; r < rows; ++r) {
    if ((r & 1023) == 0 && cancel && cancel->load(std::memory_order_relaxed)) return std::nullopt;
    if (matcher.matches(r)) set.insert(r);
  }
  set.finish();
  return set;
}

BackgroundMatch::~BackgroundMatch() { stop(); }

void BackgroundMatch::start(const LogTable& table, const QString& text,
                            std::function<void(RowSet)> done) {
  stop();
  cancel_.store(false);
  thread_ = std::thread([this, &table, text, done = std::move(done)] {
    std::optional<RowSet> rows = matchRows(table, text, &cancel_);
    if (rows && !cancel_.load()) done(std::move(*rows));
  });
}

void BackgroundMatch::stop() {
  cancel_.store(true);
  if (thread_.joinable()) thread_.join();
}

}  // namespace tarvex
