// A trace reduced to what a picture of it can show: per pixel column its
// first, lowest, highest and last point ("M4" aggregation, Jugel et al.,
// VLDB 2014). Lines drawn through those points in X order light the same
// pixels as lines through every point of the column, so a picture of a
// trace costs what its width costs, however many points it holds and however
// they jump. Screen, pictures, printouts and vector reports all draw through
// it, at the resolution of the device they draw on.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "trend/trend_plot.h"

namespace tarvex {

// The pixel columns an X range is divided into: column c holds the X values
// in [xMin + c * step, xMin + (c + 1) * step) with step = (xMax - xMin) /
// width. X below xMin falls in column -1, X at or above xMax in column
// `width`, so lines to points beyond the edges keep their true direction.
struct PixelColumns {
  double xMin = 0;
  double xMax = 1;
  int width = 1;  // at least 1; xMax > xMin
};

// What one pixel column holds of a trace. Points with a value only: gaps
// (NaN) are not points. `first` and `last` are the column's first and last
// points in X order, `min` and `max` the first of its lowest and of its
// highest points; with one point all four are that point.
struct ColumnAggregate {
  int column = 0;
  std::uint32_t count = 0;   // points with a value in the column, at least 1
  bool breakBefore = false;  // a gap lies between the previous point and `first`
  TrendPoint first, min, max, last;
};

// Reduces points in ascending X order to one ColumnAggregate per pixel column
// that holds a point, appended to `out` in column order. A gap (NaN Y) that
// lies between two columns' points breaks the trace there (breakBefore); a
// gap with points of the same column on both sides is narrower than the
// column and leaves the column whole, as it does on the screen. Cost: one
// pass over the points, no memory beyond `out`.
// `x(p)` and `y(p)` read a point of type P.
template <typename P, typename GetX, typename GetY>
void aggregateColumns(const P* points, std::size_t n, const PixelColumns& columns, GetX x, GetY y,
                      std::vector<ColumnAggregate>& out);

// The same for TrendPoints.
std::vector<ColumnAggregate> aggregateColumns(const TrendPoint* points, std::size_t n,
                                              const PixelColumns& columns);

// Where the columns of a run of ascending X values begin: the k-th column
// that holds any of the values is column[k] and holds values start[k] to
// start[k + 1] - 1 (the last to n - 1). Traces that share their X values
// share the plan: their X column is then read once a picture, not once a
// trace, which halves what the aggregation reads from memory.
struct ColumnPlan {
  std::vector<int> column;
  std::vector<std::size_t> start;
  std::size_t n = 0;
};

// The plan of `n` ascending X values `xs`, into `plan`.
void planColumns(const double* xs, std::size_t n, const PixelColumns& columns, ColumnPlan& plan);

// aggregateColumns() of the points (xs[i], ys[i]), i < plan.n, by their
// plan: the same aggregates, appended to `out`.
void aggregatePlanned(const double* xs, const double* ys, const ColumnPlan& plan,
                      std::vector<ColumnAggregate>& out);

// The aggregate as a trace again: at most 4 points a column, in X order,
// and a point with NaN Y wherever a gap breaks the trace. Drawn as a line
// through its points (broken at the NaNs) it shows what the full trace
// shows at that width: the form a vector report stores.
std::vector<TrendPoint> aggregatedTrace(const std::vector<ColumnAggregate>& columns);

// ---- Implementation -------------------------------------------------------------

namespace detail {

// The one definition of the columns' edges.
class ColumnEdges {
 public:
  explicit ColumnEdges(const PixelColumns& columns)
      : c_(columns),
        width_(columns.width < 1 ? 1 : columns.width),
        scale_(span() > 0 ? width_ / span() : 0),
        step_(span() > 0 ? span() / width_ : std::numeric_limits<double>::infinity()) {}
  // Where column c ends.
  double endOf(int c) const {
    if (c < 0) return c_.xMin;
    if (c >= width_) return std::numeric_limits<double>::infinity();
    return c + 1 == width_ ? c_.xMax : c_.xMin + (c + 1) * step_;
  }
  // The column of `px`, never below `atLeast` (a column already closed).
  int columnOf(double px, int atLeast) const {
    int c;
    if (!(px >= c_.xMin)) {
      c = -1;
    } else if (px >= c_.xMax) {
      c = width_;
    } else {
      // The estimate may be one off at an edge: settle it by the edges.
      c = std::min(width_ - 1, static_cast<int>((px - c_.xMin) * scale_));
      if (px >= endOf(c)) ++c;
      if (c > 0 && px < endOf(c - 1)) --c;
    }
    return c < atLeast ? atLeast : c;
  }

 private:
  double span() const { return c_.xMax - c_.xMin; }
  PixelColumns c_;
  int width_;
  double scale_, step_;
};

}  // namespace detail

template <typename P, typename GetX, typename GetY>
void aggregateColumns(const P* points, std::size_t n, const PixelColumns& columns, GetX x, GetY y,
                      std::vector<ColumnAggregate>& out) {
  const detail::ColumnEdges edges(columns);
  auto endOf = [&](int c) { return edges.endOf(c); };
  auto columnOf = [&](double px, int atLeast) { return edges.columnOf(px, atLeast); };

  std::size_t i = 0;
  bool gap = false;
  // Gaps before the first point break nothing.
  while (i < n && std::isnan(static_cast<double>(y(points[i])))) ++i;
  int previous = -2;
  while (i < n) {
    // A new column starts with the point at i, which has a value.
    const double x0 = x(points[i]);
    const double y0 = y(points[i]);
    ColumnAggregate a;
    a.column = columnOf(x0, previous + 1);
    a.count = 1;
    a.breakBefore = gap;
    a.first = a.min = a.max = a.last = {x0, y0};
    const double end = endOf(a.column);
    gap = false;
    ++i;
    // The rest of the column: the hot loop of every picture.
    double lo = y0, hi = y0;
    std::size_t loAt = i - 1, hiAt = i - 1, lastAt = i - 1;
    std::uint32_t count = 1;
    for (; i < n; ++i) {
      const double px = x(points[i]);
      if (px >= end) break;
      const double py = y(points[i]);
      if (py != py) {  // NaN: a gap, which only counts when the column ends with it
        gap = true;
        continue;
      }
      gap = false;
      ++count;
      lastAt = i;
      if (py < lo) {
        lo = py;
        loAt = i;
      } else if (py > hi) {
        hi = py;
        hiAt = i;
      }
    }
    a.count = count;
    a.min = {x(points[loAt]), lo};
    a.max = {x(points[hiAt]), hi};
    a.last = {x(points[lastAt]), y(points[lastAt])};
    // A trailing gap may reach into later columns: skip to the next value.
    while (i < n && std::isnan(static_cast<double>(y(points[i])))) {
      gap = true;
      ++i;
    }
    previous = a.column;
    out.push_back(a);
  }
}

}  // namespace tarvex
