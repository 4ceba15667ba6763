#include "review/row_set.h"

#include <algorithm>
#include <bit>

namespace tarvex {

RowSet::RowSet(int size, bool in) : size_(std::max(0, size)) {
  words_.assign((std::size_t(size_) + 63) / 64, in ? ~std::uint64_t(0) : 0);
  // No row beyond the end.
  if (in && (size_ & 63) != 0) words_.back() = (std::uint64_t(1) << (size_ & 63)) - 1;
  finish();
}

void RowSet::intersect(const RowSet& other) {
  const std::size_t n = std::min(words_.size(), other.words_.size());
  for (std::size_t i = 0; i < n; ++i) words_[i] &= other.words_[i];
  for (std::size_t i = n; i < words_.size(); ++i) words_[i] = 0;
}

void RowSet::finish() {
  before_.resize(words_.size());
  std::int32_t sum = 0;
  for (std::size_t i = 0; i < words_.size(); ++i) {
    before_[i] = sum;
    sum += std::popcount(words_[i]);
  }
  count_ = sum;
}

int RowSet::rank(int row) const {
  if (row <= 0) return 0;
  if (row >= size_) return count_;
  const std::size_t w = std::size_t(row) >> 6;
  const std::uint64_t below = (std::uint64_t(1) << (row & 63)) - 1;
  return before_[w] + std::popcount(words_[w] & below);
}

int RowSet::select(int k) const {
  if (k < 0 || k >= count_) return -1;
  // The last word with fewer set rows before it than k + 1.
  const auto it = std::upper_bound(before_.begin(), before_.end(), k);
  const std::size_t w = std::size_t(it - before_.begin()) - 1;
  std::uint64_t bits = words_[w];
  for (int left = k - before_[w]; left > 0; --left) bits &= bits - 1;
  return int(w * 64) + std::countr_zero(bits);
}

int RowSet::lastAtOrBefore(int row) const {
  if (row < 0) return -1;
  return select(rank(std::min(row, size_ - 1) + 1) - 1);
}

int RowSet::firstAtOrAfter(int row) const { return select(rank(std::max(row, 0))); }

void RowSet::appendRows(std::vector<int>& out, int from) const {
  from = std::max(from, 0);
  for (std::size_t w = std::size_t(from) >> 6; w < words_.size(); ++w) {
    std::uint64_t bits = words_[w];
    if (w == std::size_t(from) >> 6) bits &= ~((std::uint64_t(1) << (from & 63)) - 1);
    while (bits) {
      out.push_back(int(w * 64) + std::countr_zero(bits));
      bits &= bits - 1;
    }
  }
}

std::size_t RowSet::memoryBytes() const {
  return words_.capacity() * sizeof(std::uint64_t) + before_.capacity() * sizeof(std::int32_t);
}

}  // namespace tarvex
