#include "review/row_times.h"

#include <algorithm>
#include <limits>

#include "logfiles/logtable.h"

namespace tarvex {

namespace {

// Rows read between two questions to keepGoing.
constexpr int kRowsPerCheck = 4096;

}  // namespace

std::optional<RowTimes> RowTimes::read(const LogTable& table, TimeColumns columns,
                                       const std::function<bool()>& keepGoing,
                                       const QLocale& locale) {
  RowTimes t;
  const int rows = table.lastRow() + 1;
  t.times_.assign(std::size_t(rows), kUnread);
  bool haveBase = false;
  qint64 previous = std::numeric_limits<qint64>::min();
  RowSecondsReader reader(table, columns, locale);
  for (int r = 1; r < rows; ++r) {
    if (keepGoing && r % kRowsPerCheck == 0 && !keepGoing()) return std::nullopt;
    const std::optional<qint64> s = reader.seconds(r);
    if (!s) {
      ++t.unreadable_;
      continue;
    }
    if (!haveBase) {
      t.base_ = *s;
      haveBase = true;
    }
    const qint64 rel = *s - t.base_;
    if (rel > std::numeric_limits<qint32>::max() || rel <= kFar) {
      t.times_[std::size_t(r)] = kFar;
      t.far_.emplace_back(r, *s);
    } else {
      t.times_[std::size_t(r)] = qint32(rel);
    }
    if (*s < previous) t.ascending_ = false;
    previous = *s;
  }
  return t;
}

qint64 RowTimes::at(int r) const {
  const qint32 v = times_[std::size_t(r)];
  if (v != kFar) return base_ + v;
  const auto it = std::lower_bound(far_.begin(), far_.end(), std::pair<int, qint64>(r, 0),
                                   [](const auto& a, const auto& b) { return a.first < b.first; });
  return it->second;
}

std::optional<qint64> RowTimes::seconds(int row) const {
  if (row < 1 || row >= rowCount() || times_[std::size_t(row)] == kUnread) return std::nullopt;
  return at(row);
}

RowSet RowTimes::within(std::optional<qint64> from, std::optional<qint64> to) const {
  RowSet set(rowCount());
  if (rowCount() == 0) return set;
  set.insert(0);
  // The bounds relative to base_, clamped to what a relative time can be.
  const qint64 lo =
      from ? std::max<qint64>(*from - base_, qint64(kFar) + 1) : std::numeric_limits<qint64>::min();
  const qint64 hi = to ? std::min<qint64>(*to - base_, std::numeric_limits<qint32>::max())
                       : std::numeric_limits<qint64>::max();
  const bool fromBeyond = from && *from - base_ > std::numeric_limits<qint32>::max();
  const bool toBeyond = to && *to - base_ <= kFar;
  for (int r = 1; r < rowCount(); ++r) {
    const qint32 v = times_[std::size_t(r)];
    bool in;
    if (v == kUnread) {
      in = true;
    } else if (v == kFar) {
      const qint64 s = at(r);
      in = (!from || s >= *from) && (!to || s <= *to);
    } else {
      in = !fromBeyond && !toBeyond && v >= lo && v <= hi;
    }
    if (in) set.insert(r);
  }
  set.finish();
  return set;
}

int RowTimes::firstReadable(int from, int to) const {
  for (int r = from; r < to; ++r)
    if (times_[std::size_t(r)] != kUnread) return r;
  return -1;
}

int RowTimes::rowAtOrBefore(qint64 seconds) const {
  if (rowCount() < 2) return -1;
  int best = -1;
  if (ascending_) {
    // The last readable row not after `seconds`: rows below lo are, rows
    // from hi on are not (unreadable rows are skipped over).
    int lo = 1;
    int hi = rowCount();
    while (lo < hi) {
      const int mid = lo + (hi - lo) / 2;
      const int r = firstReadable(mid, hi);
      if (r < 0) {
        hi = mid;
      } else if (at(r) <= seconds) {
        best = r;
        lo = r + 1;
      } else {
        hi = mid;
      }
    }
    if (best < 0) return 1;
    // The first row with that time: the first readable row from lo on has
    // it, from hi on certainly (best has it).
    const qint64 t = at(best);
    lo = 1;
    hi = best;
    while (lo < hi) {
      const int mid = lo + (hi - lo) / 2;
      if (at(firstReadable(mid, best + 1)) == t)
        hi = mid;
      else
        lo = mid + 1;
    }
    return firstReadable(lo, best + 1);
  }
  // One pass over the relative times; the rows far from the base after.
  const qint64 want = seconds - base_;
  qint64 bestTime = std::numeric_limits<qint64>::min();
  for (int r = 1; r < rowCount(); ++r) {
    const qint32 v = times_[std::size_t(r)];
    if (v > kFar && v <= want && v > bestTime) {
      best = r;
      bestTime = v;
    }
  }
  for (const auto& [r, s] : far_) {
    const qint64 v = s - base_;
    if (v <= want && (v > bestTime || (v == bestTime && r < best))) {
      best = r;
      bestTime = v;
    }
  }
  return best < 0 ? 1 : best;
}

std::size_t RowTimes::memoryBytes() const {
  return times_.capacity() * sizeof(qint32) + far_.capacity() * sizeof(std::pair<int, qint64>);
}

}  // namespace tarvex
