// A set of table rows as a bitmap with a count per 64 rows: a million rows
// take 188 KiB, and the k-th row of the set or the position of a row in it
// is found in a few steps.
#pragma once

#include <cstdint>
#include <vector>

namespace tarvex {

class RowSet {
 public:
  RowSet() = default;
  // Rows 0..size-1, all out or all in.
  explicit RowSet(int size, bool in = false);

  int size() const { return size_; }
  bool contains(int row) const {
    return row >= 0 && row < size_ && (words_[std::size_t(row) >> 6] >> (row & 63)) & 1;
  }
  // Changing the set; call finish() before count(), rank() or select().
  void insert(int row) { words_[std::size_t(row) >> 6] |= std::uint64_t(1) << (row & 63); }
  void erase(int row) { words_[std::size_t(row) >> 6] &= ~(std::uint64_t(1) << (row & 63)); }
  // Rows in both sets (the same size).
  void intersect(const RowSet& other);
  // Counts the rows; the lookups below are valid until the set changes.
  void finish();

  // The number of rows in the set.
  int count() const { return count_; }
  // The number of rows of the set below `row`.
  int rank(int row) const;
  // The k-th row of the set (from 0); -1 when k is outside 0..count()-1.
  int select(int k) const;
  // The last row of the set at or before `row`, or -1.
  int lastAtOrBefore(int row) const;
  // The first row of the set at or after `row`, or -1.
  int firstAtOrAfter(int row) const;

  // Appends the rows of the set from `from` on to out, ascending.
  void appendRows(std::vector<int>& out, int from = 0) const;

  // Bytes the set holds.
  std::size_t memoryBytes() const;

 private:
  std::vector<std::uint64_t> words_;
  std::vector<std::int32_t> before_;  // rows of the set in the words before each word
  int size_ = 0;
  int count_ = 0;
};

}  // namespace tarvex
