#include "trend/gui/trend_graph_data.h"

#include <algorithm>
#include <limits>

namespace tarvex {

namespace {

using Column = TrendColumn;

// Room for `capacity` values (huge pages for a long column: see
// HugePageAllocator).
void grow(Column& column, std::size_t capacity) {
  if (column.capacity() < capacity) column.reserve(capacity);
}

// Room for `total` values in a column that already holds `held`: many small
// appends stay linear (a quarter more each time), and compact() gives the
// rest back.
void growFor(Column& column, std::size_t held, std::size_t total) {
  if (column.capacity() < total) grow(column, held == 0 ? total : std::max(total, held + held / 4));
}

}  // namespace

std::atomic<std::uint64_t> TrendGraphData::changes_{0};

TrendGraphData::~TrendGraphData() { ++changes_; }

std::size_t TrendGraphData::lowerBound(double x) const {
  const double* k = keys();
  return static_cast<std::size_t>(std::lower_bound(k, k + size(), x) - k);
}

std::size_t TrendGraphData::upperBound(double x) const {
  const double* k = keys();
  return static_cast<std::size_t>(std::upper_bound(k, k + size(), x) - k);
}

TrendGraphData::Ranges TrendGraphData::append(const TrendPoint* points, std::size_t n,
                                              const std::vector<const TrendGraphData*>& others) {
  ++changes_;
  const std::size_t old = size();
  ++version_;

  // The X column: another trace's when the points begin it.
  if (!keys_) {
    for (const TrendGraphData* o : others) {
      if (!o || o == this || !o->keys_ || o->keys_->size() < n) continue;
      const double* k = o->keys_->data();
      std::size_t i = 0;
      while (i < n && k[i] == points[i].x) ++i;
      if (i == n) {
        keys_ = o->keys_;
        break;
      }
    }
    if (!keys_) {
      keys_ = std::make_shared<Column>();
      grow(*keys_, std::max(keysWanted_, n));
    }
    keysWanted_ = 0;
  }
  // The points' X values that the column holds already, from `old` on; where
  // they leave it, the column ends (copied first when shared).
  std::size_t same = 0;
  {
    const Column& k = *keys_;
    const std::size_t held = std::min(k.size() - old, n);
    while (same < held && k[old + same] == points[same].x) ++same;
    if (same < held) {
      if (keys_.use_count() > 1) {
        auto own = std::make_shared<Column>();
        grow(*own, old + n);
        own->assign(k.begin(), k.begin() + static_cast<std::ptrdiff_t>(old + same));
        keys_ = std::move(own);
      } else {
        keys_->resize(old + same);
      }
    }
  }
  if (same < n) {
    // The column ends at old + same here: the rest is appended to it, to a
    // copy of it when it is shared (its other holders may read it meanwhile).
    if (keys_.use_count() > 1) {
      auto own = std::make_shared<Column>();
      grow(*own, old + n);
      own->assign(keys_->begin(), keys_->begin() + static_cast<std::ptrdiff_t>(old + same));
      keys_ = std::move(own);
    }
    Column& k = *keys_;
    growFor(k, k.size(), old + n);
    for (std::size_t i = same; i < n; ++i) k.push_back(points[i].x);
  }

  growFor(values_, old, old + n);
  values_.resize(old + n);
  double* v = values_.data() + old;
  for (std::size_t i = 0; i < n; ++i) v[i] = points[i].y;

  constexpr double inf = std::numeric_limits<double>::infinity();
  Ranges r{points[0].x, points[n - 1].x, inf, -inf};
  bool sorted = true;
  for (std::size_t i = 1; i < n; ++i) sorted &= points[i].x >= points[i - 1].x;
  for (std::size_t i = 0; i < n; ++i) {
    const double y = points[i].y;
    r.vMin = y < r.vMin ? y : r.vMin;  // NaN compares false
    r.vMax = y > r.vMax ? y : r.vMax;
  }
  if (!sorted) {
    for (std::size_t i = 0; i < n; ++i) {
      r.kMin = std::min(r.kMin, points[i].x);
      r.kMax = std::max(r.kMax, points[i].x);
    }
  }
  if (!sorted || (old > 0 && points[0].x < key(old - 1))) sortTail(n);
  return r;
}

TrendGraphData::Ranges TrendGraphData::appendColumns(std::shared_ptr<const TrendColumn> keys,
                                                     TrendColumn&& values) {
  ++changes_;
  const std::size_t n = values.size();
  constexpr double inf = std::numeric_limits<double>::infinity();
  Ranges r{inf, -inf, inf, -inf};
  if (n == 0) return r;
  if (!empty()) {
    // Points after points: appended in parts.
    constexpr std::size_t kPart = 4096;
    std::vector<TrendPoint> part;
    for (std::size_t from = 0; from < n; from += kPart) {
      const std::size_t end = std::min(n, from + kPart);
      part.clear();
      for (std::size_t i = from; i < end; ++i) part.push_back({(*keys)[i], values[i]});
      const Ranges p = append(part.data(), part.size());
      r = {std::min(r.kMin, p.kMin), std::max(r.kMax, p.kMax), std::min(r.vMin, p.vMin),
           std::max(r.vMax, p.vMax)};
    }
    TrendColumn().swap(values);
    return r;
  }
  ++version_;
  // Shared as it is: nothing here writes a column another holds (see append).
  keys_ = std::const_pointer_cast<Column>(std::move(keys));
  keysWanted_ = 0;
  values_ = std::move(values);
  const double* k = keys_->data();
  const double* v = values_.data();
  r.kMin = k[0];
  r.kMax = k[n - 1];
  bool sorted = true;
  for (std::size_t i = 1; i < n; ++i) sorted &= k[i] >= k[i - 1];
  for (std::size_t i = 0; i < n; ++i) {
    r.vMin = v[i] < r.vMin ? v[i] : r.vMin;  // NaN compares false
    r.vMax = v[i] > r.vMax ? v[i] : r.vMax;
  }
  if (!sorted) {
    r.kMin = *std::min_element(k, k + n);
    r.kMax = *std::max_element(k, k + n);
    sortTail(n);
  }
  return r;
}

void TrendGraphData::sortTail(std::size_t added) {
  ++changes_;
  ownKeys();
  const std::size_t total = size();
  const std::size_t old = total - added;
  double* k = keys_->data();
  double* v = values_.data();
  // Points before the smallest new X keep their places.
  const double smallest = *std::min_element(k + old, k + total);
  const std::size_t from = static_cast<std::size_t>(std::upper_bound(k, k + old, smallest) - k);
  std::vector<TrendPoint> tail(total - from);
  for (std::size_t i = from; i < total; ++i) tail[i - from] = {k[i], v[i]};
  auto byX = [](const TrendPoint& a, const TrendPoint& b) { return a.x < b.x; };
  const auto mid = tail.begin() + static_cast<std::ptrdiff_t>(old - from);
  std::stable_sort(mid, tail.end(), byX);
  std::inplace_merge(tail.begin(), mid, tail.end(), byX);
  for (std::size_t i = from; i < total; ++i) {
    k[i] = tail[i - from].x;
    v[i] = tail[i - from].y;
  }
}

void TrendGraphData::ownKeys() {
  ++changes_;
  if (!keys_) return;
  if (keys_.use_count() > 1) {
    keys_ = std::make_shared<Column>(keys_->begin(),
                                     keys_->begin() + static_cast<std::ptrdiff_t>(size()));
  } else if (keys_->size() > size()) {
    keys_->resize(size());
  }
}

void TrendGraphData::reserveMore(std::size_t n) {
  ++changes_;
  grow(values_, size() + n);
  if (!keys_)
    keysWanted_ = size() + n;
  else if (keys_.use_count() == 1 && keys_->size() == size())
    grow(*keys_, size() + n);
}

void TrendGraphData::compact() {
  ++changes_;
  if (values_.capacity() > values_.size()) values_.shrink_to_fit();
  if (keys_ && keys_->capacity() > keys_->size()) keys_->shrink_to_fit();
}

std::size_t TrendGraphData::bytes(const std::vector<const TrendGraphData*>& counted) const {
  std::size_t b = values_.capacity() * sizeof(double);
  if (!keys_) return b;
  for (const TrendGraphData* o : counted)
    if (o && o != this && sharesKeysWith(*o)) return b;
  return b + keys_->capacity() * sizeof(double);
}

}  // namespace tarvex
