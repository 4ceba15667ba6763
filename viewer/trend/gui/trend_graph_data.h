// The points of a trace of the trend plot, held as two columns: the X
// values and the Y values. Channels read from the same rows of a table have
// the same X values, and they hold them once: a trace whose X values are
// those of another trace's column shares that column. Eight channels of a
// million rows then take 9 bytes a point instead of 16.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "trend/trend_plot.h"

namespace tarvex {

class TrendGraphData {
 public:
  // The smallest and largest X and Y of some points (Y without gaps: no Y
  // when vMin > vMax).
  struct Ranges {
    double kMin, kMax, vMin, vMax;
  };

  TrendGraphData() = default;
  ~TrendGraphData();
  TrendGraphData(const TrendGraphData&) = delete;
  TrendGraphData& operator=(const TrendGraphData&) = delete;

  // Changes whenever the points of any trace change, move or go: what a
  // drawing cache keyed by a column's address compares.
  static std::uint64_t changes() { return changes_.load(std::memory_order_relaxed); }

  std::size_t size() const { return values_.size(); }
  bool empty() const { return values_.empty(); }
  // The X and Y columns, size() values each, X ascending.
  const double* keys() const { return keys_ ? keys_->data() : nullptr; }
  const double* values() const { return values_.data(); }
  double key(std::size_t i) const { return (*keys_)[i]; }
  double value(std::size_t i) const { return values_[i]; }
  TrendPoint point(std::size_t i) const { return {key(i), value(i)}; }

  // The first point with X >= x (lower) or X > x (upper), size() if none.
  std::size_t lowerBound(double x) const;
  std::size_t upperBound(double x) const;

  // Appends `n` points, `n` at least 1, in one pass over them. Points with
  // X below the last one are merged in X order (a stable merge: points of
  // equal X keep the order they came in). A trace without points whose new
  // X values begin the X column of a trace in `others` shares that column;
  // a shared column is copied only when this trace's X values leave it or
  // go on beyond it.
  Ranges append(const TrendPoint* points, std::size_t n,
                const std::vector<const TrendGraphData*>& others = {});
  // The points (keys[i], values[i]), i < values.size(), as append() would
  // add them. A trace without points takes `values` over as its Y column and
  // reads its X values from `keys` (at least values.size() values), shared
  // with the caller and with every trace given the same column.
  Ranges appendColumns(std::shared_ptr<const TrendColumn> keys, TrendColumn&& values);
  // Room for `n` more points beyond those held. The X column's room is made
  // when the first points show whether it is shared.
  void reserveMore(std::size_t n);
  // Gives back what a growth reserved beyond the points held.
  void compact();
  // The bytes this trace holds: its Y column and its X column, a shared X
  // column counted once, for the first of `counted` that holds it (pass the
  // traces counted before this one).
  std::size_t bytes(const std::vector<const TrendGraphData*>& counted = {}) const;
  // Whether this trace reads its X values from the same column as `other`.
  bool sharesKeysWith(const TrendGraphData& other) const { return keys_ && keys_ == other.keys_; }
  // Changes with every change of the points (what a drawing cache compares).
  std::uint64_t version() const { return version_; }

 private:
  using Column = TrendColumn;
  // Makes this trace the only owner of its X column (its first size() values).
  void ownKeys();
  // Merges the last `added` points into X order.
  void sortTail(std::size_t added);

  std::shared_ptr<Column> keys_;  // at least size() values
  Column values_;
  std::size_t keysWanted_ = 0;  // room asked for before the first points
  std::uint64_t version_ = 0;
  static std::atomic<std::uint64_t> changes_;
};

}  // namespace tarvex
