// Internals shared by the files of QcpTrendPlot: the channel storage and
// small helpers of the axes and cursors.
#pragma once

#include <qcustomplot.h>
#ifdef __linux__
#include <sys/mman.h>
#endif

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "trend/trend_plot.h"

namespace tarvex {

// A channel's points. QCPGraphDataContainer with control over its storage:
// appends grow it by what they bring (not by doubling) and compact() gives
// back what a growth reserved beyond it, so a channel holds 16 bytes a point.
class TrendGraphData : public QCPGraphDataContainer {
 public:
  // The smallest and largest X and Y of some points (Y without gaps: no Y
  // when vMin > vMax).
  struct Ranges {
    double kMin, kMax, vMin, vMax;
  };

  // Appends `n` points, `n` at least 1, in one pass over them. Points with
  // X below the last one are merged in X order.
  Ranges append(const TrendPoint* points, std::size_t n) {
    const qsizetype old = mData.size();
    const qsizetype total = old + static_cast<qsizetype>(n);
    if (mData.capacity() < total) {
      // Room for this append and a quarter more, so that many small appends
      // stay linear; compact() gives the rest back.
      grow(old == 0 ? total : std::max<qsizetype>(total, old + old / 4));
    }
    // A point is two doubles, as QCPGraphData is (a primitive type to
    // QList): the list grows by `n` copies of one point, filled in place
    // (QList would call QCPGraphData's out-of-line constructor for each when
    // resized), and the points are copied over them at once.
    static_assert(sizeof(TrendPoint) == sizeof(QCPGraphData) &&
                  offsetof(TrendPoint, x) == offsetof(QCPGraphData, key) &&
                  offsetof(TrendPoint, y) == offsetof(QCPGraphData, value));
    static_assert(!QTypeInfo<QCPGraphData>::isComplex);
    mData.insert(old, static_cast<qsizetype>(n), QCPGraphData(0, 0));
    std::memcpy(static_cast<void*>(mData.data() + old), points, n * sizeof(QCPGraphData));

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
      std::stable_sort(mData.begin() + old, mData.end(), qcpLessThanSortKey<QCPGraphData>);
    }
    if (old > mPreallocSize && mData[old].key < mData[old - 1].key)
      std::inplace_merge(mData.begin() + mPreallocSize, mData.begin() + old, mData.end(),
                         qcpLessThanSortKey<QCPGraphData>);
    return r;
  }
  // Room for `n` more points beyond those held.
  void reserveMore(std::size_t n) { grow(mData.size() + static_cast<qsizetype>(n)); }
  void compact() {
    if (mData.capacity() > mData.size()) mData.squeeze();
  }

 private:
  // Room for `capacity` points. A large block is backed by huge pages where
  // the system offers them on request: filling it then takes a few page
  // faults instead of one per 4 KB.
  void grow(qsizetype capacity) {
    if (mData.capacity() >= capacity) return;
    mData.reserve(capacity);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t huge = 2u << 20;
    const auto from = reinterpret_cast<std::uintptr_t>(mData.data());
    const std::uintptr_t to =
        from + static_cast<std::uintptr_t>(mData.capacity()) * sizeof(QCPGraphData);
    const std::uintptr_t alignedFrom = (from + huge - 1) & ~(huge - 1);
    const std::uintptr_t alignedTo = to & ~(huge - 1);
    if (alignedTo > alignedFrom)
      madvise(reinterpret_cast<void*>(alignedFrom), alignedTo - alignedFrom, MADV_HUGEPAGE);
#endif
  }

 public:
  const QCPGraphData& pointAt(std::size_t i) const {
    return mData[mPreallocSize + static_cast<qsizetype>(i)];
  }
  std::size_t bytes() const {
    return static_cast<std::size_t>(mData.capacity()) * sizeof(QCPGraphData);
  }
};

namespace qcpdetail {

inline constexpr int kX = 0;
inline constexpr int kY = 1;
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
inline const char* const kCursorLayer = "cursors";

inline QCPAxis* axisOf(QCustomPlot* plot, TrendAxis which) {
  return which == TrendAxis::X ? plot->xAxis : plot->yAxis;
}

inline void setScaleColor(QCPAxis* axis, const QColor& color) {
  QPen pen = axis->basePen();
  pen.setColor(color);
  axis->setBasePen(pen);
  pen = axis->tickPen();
  pen.setColor(color);
  axis->setTickPen(pen);
  pen = axis->subTickPen();
  pen.setColor(color);
  axis->setSubTickPen(pen);
}

}  // namespace qcpdetail

}  // namespace tarvex
