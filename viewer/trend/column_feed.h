// The cells the trend builder turns into points, read on worker threads
// while the builder hands the previous column to the plot: the X values of
// a block's rows (date + time of day) and the numbers of one column after
// another. The builder's own thread keeps the plot, the progress bar, the
// event pump and the cancel; the workers only read the table.
#pragma once

#include <QLocale>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

#include "logfiles/column_reader.h"
#include "logfiles/logtable.h"
#include "trend/trend_plot.h"

namespace tarvex {

// Rows first..last of a table (first > last: none).
struct FeedRows {
  int first = 0;
  int last = -1;
  int count() const { return last >= first ? last - first + 1 : 0; }
  bool operator==(const FeedRows& o) const { return first == o.first && last == o.last; }
};

class ColumnFeed {
 public:
  // `table` must outlive the feed and stay unchanged while it reads.
  // `threaded` false reads on the caller's thread inside wait() (the same
  // values, in the same order).
  ColumnFeed(const LogTable& table, const QLocale& locale, bool threaded = true);
  // Stops a read in progress and waits for it.
  ~ColumnFeed();
  ColumnFeed(const ColumnFeed&) = delete;
  ColumnFeed& operator=(const ColumnFeed&) = delete;

  // Starts reading column `col` of `rows`, after the X values of the rows
  // when they are not those read last. The previous column must have been
  // waited for; when the rows change, nothing may still use xs().
  void start(int col, FeedRows rows);
  // Waits for the column started last, calling `idle` about every 30 ms
  // meanwhile (may be empty). Rethrows what the read threw.
  void wait(const std::function<void()>& idle);
  // After wait(): the X value of every row of the column's rows up to the
  // first whose date or time does not read (rowDateTime), and the column's
  // numbers, one a row (NaN where a cell holds none; cellNumber). The X
  // values of other rows go to a new column, so the plot may keep this one;
  // the numbers may be taken away (the next column is read into another).
  std::shared_ptr<const TrendColumn> xs() const { return xs_; }
  TrendColumn& values() { return ys_[current_]; }

 private:
  void readTimes(FeedRows rows);
  void readColumn(int col, FeedRows rows, TrendColumn& out);

  const LogTable& table_;
  QLocale locale_;
  bool threaded_;
  std::atomic<bool> stop_{false};

  FeedRows xsRows_;
  bool haveRows_ = false;
  std::shared_ptr<TrendColumn> xs_;
  // The rows of xs_ in two halves, each read by a thread of its own.
  std::optional<ColumnNumberReader> readers_[2];
  FeedRows halves_[2];
  TrendColumn ys_[2];
  int current_ = 1;  // the buffer of the column started last

  // The pending work (threaded), or what wait() does (not threaded).
  std::future<void> times_, column_;
  std::function<void()> later_;
};

}  // namespace tarvex
