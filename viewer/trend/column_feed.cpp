#include "trend/column_feed.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "logfiles/row_time.h"

namespace tarvex {

namespace {

// Rows read between two looks at the stop flag.
constexpr int kRowsPerLook = 65536;

}  // namespace

ColumnFeed::ColumnFeed(const LogTable& table, const QLocale& locale, bool threaded)
    : table_(table), locale_(locale), threaded_(threaded) {}

ColumnFeed::~ColumnFeed() {
  stop_ = true;
  // A future of std::async waits for its work when it goes; the work's
  // faults are of no interest any more.
  try {
    if (times_.valid()) times_.wait();
    if (column_.valid()) column_.wait();
  } catch (...) {
  }
}

void ColumnFeed::readTimes(FeedRows rows) {
  const QLocale locale = locale_;
  xs_.clear();
  xs_.reserve(static_cast<std::size_t>(rows.count()));
  for (int r = rows.first; r <= rows.last; ++r) {
    if ((r - rows.first) % kRowsPerLook == 0 && stop_) return;
    const std::optional<double> x = rowDateTime(table_, r, TimeColumns{0, 1}, locale);
    if (!x) break;
    xs_.push_back(*x);
  }
}

void ColumnFeed::readColumn(int col, FeedRows rows, std::vector<double>& out) {
  if (!reader_) reader_.emplace(table_, rows.first, rows.last, locale_);
  const int n = rows.count();
  out.resize(static_cast<std::size_t>(n));
  for (int from = 0; from < n; from += kRowsPerLook) {
    if (stop_) return;
    reader_->read(col, from, std::min(kRowsPerLook, n - from), out.data() + from);
  }
}

void ColumnFeed::start(int col, FeedRows rows) {
  const bool newRows = !haveRows_ || !(rows == xsRows_);
  if (newRows) {
    reader_.reset();
    xsRows_ = rows;
    haveRows_ = true;
  }
  current_ ^= 1;
  std::vector<double>& out = ys_[current_];
  if (!threaded_) {
    later_ = [this, col, rows, newRows, &out] {
      if (newRows) readTimes(rows);
      readColumn(col, rows, out);
    };
    return;
  }
  if (newRows) times_ = std::async(std::launch::async, [this, rows] { readTimes(rows); });
  column_ = std::async(std::launch::async, [this, col, rows, &out] { readColumn(col, rows, out); });
}

void ColumnFeed::wait(const std::function<void()>& idle) {
  if (!threaded_) {
    if (later_) std::exchange(later_, {})();
    return;
  }
  for (std::future<void>* f : {&times_, &column_}) {
    if (!f->valid()) continue;
    while (f->wait_for(std::chrono::milliseconds(30)) != std::future_status::ready)
      if (idle) idle();
    f->get();
  }
}

}  // namespace tarvex
