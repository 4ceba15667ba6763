#include "trend/column_feed.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "logfiles/row_time.h"
#include "trend/two_threads.h"

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
  auto xs = std::make_shared<TrendColumn>();
  xs->reserve(static_cast<std::size_t>(rows.count()));
  for (int r = rows.first; r <= rows.last; ++r) {
    if ((r - rows.first) % kRowsPerLook == 0 && stop_) break;
    const std::optional<double> x = rowDateTime(table_, r, TimeColumns{0, 1}, locale);
    if (!x) break;
    xs->push_back(*x);
  }
  xs_ = std::move(xs);
}

void ColumnFeed::readColumn(int col, FeedRows rows, TrendColumn& out) {
  // The column in two halves of its rows at once; each half's reader
  // remembers where its rows' last cells ended, so the columns read left to
  // right cost one pass over the bytes.
  out.resize(static_cast<std::size_t>(rows.count()));  // not zeroed
  auto half = [this, col, rows, &out](int h) {
    const FeedRows part = halves_[h];
    if (part.count() == 0) return;
    if (!readers_[h]) readers_[h].emplace(table_, part.first, part.last, locale_);
    double* to = out.data() + (part.first - rows.first);
    for (int from = 0; from < part.count(); from += kRowsPerLook) {
      if (stop_) {
        // What was not read is no number.
        std::fill(to + from, to + part.count(), std::numeric_limits<double>::quiet_NaN());
        return;
      }
      readers_[h]->read(col, from, std::min(kRowsPerLook, part.count() - from), to + from);
    }
  };
  if (!threaded_ || rows.count() < 2 * kRowsPerLook) {
    half(0);
    half(1);
    return;
  }
  onTwoThreads([&] { half(0); }, [&] { half(1); });
}

void ColumnFeed::start(int col, FeedRows rows) {
  const bool newRows = !haveRows_ || !(rows == xsRows_);
  if (newRows) {
    for (auto& r : readers_) r.reset();
    const int mid = rows.first + rows.count() / 2;
    halves_[0] = FeedRows{rows.first, mid - 1};
    halves_[1] = FeedRows{mid, rows.last};
    xsRows_ = rows;
    haveRows_ = true;
  }
  current_ ^= 1;
  TrendColumn& out = ys_[current_];
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
