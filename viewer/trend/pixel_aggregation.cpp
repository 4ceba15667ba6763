#include "trend/pixel_aggregation.h"

#include "trend/two_threads.h"

namespace tarvex {

std::vector<ColumnAggregate> aggregateColumns(const TrendPoint* points, std::size_t n,
                                              const PixelColumns& columns) {
  std::vector<ColumnAggregate> out;
  aggregateColumns(
      points, n, columns, [](const TrendPoint& p) { return p.x; },
      [](const TrendPoint& p) { return p.y; }, out);
  return out;
}

void planColumns(const double* xs, std::size_t n, const PixelColumns& columns, ColumnPlan& plan) {
  const detail::ColumnEdges edges(columns);
  plan.column.clear();
  plan.start.clear();
  plan.n = n;
  std::size_t i = 0;
  while (i < n) {
    const int c = edges.columnOf(xs[i], plan.column.empty() ? -1 : plan.column.back() + 1);
    plan.column.push_back(c);
    plan.start.push_back(i);
    const double end = edges.endOf(c);
    ++i;
    while (i < n && xs[i] < end) ++i;
  }
}

namespace {

// What aggregatePlanned() needs to know of the columns before a part of
// them: whether a point with a value came before, and whether a gap has
// followed the last one.
struct PartEnds {
  bool gapAtStart = false;  // the part's first value is preceded by a gap in the part
  bool any = false;         // the part holds a value
  bool gapAtEnd = false;    // a gap follows the part's last value
};

// aggregatePlanned() of the plan's columns [k0, k1), as if no value came
// before them.
PartEnds aggregatePart(const double* xs, const double* ys, const ColumnPlan& plan, std::size_t k0,
                       std::size_t k1, std::vector<ColumnAggregate>& out) {
  PartEnds ends;
  bool gap = false;      // a gap since the last point with a value
  bool started = false;  // gaps before the first point break nothing
  const std::size_t columns = plan.column.size();
  for (std::size_t k = k0; k < k1; ++k) {
    const std::size_t end = k + 1 < columns ? plan.start[k + 1] : plan.n;
    std::size_t i = plan.start[k];
    // The column's first point with a value.
    while (i < end && ys[i] != ys[i]) ++i;
    if (i > plan.start[k]) (started ? gap : ends.gapAtStart) = true;
    if (i == end) continue;
    ColumnAggregate a;
    a.column = plan.column[k];
    a.breakBefore = gap;
    started = true;
    gap = false;
    const double y0 = ys[i];
    double lo = y0, hi = y0;
    std::size_t loAt = i, hiAt = i, lastAt = i;
    std::uint32_t count = 1;
    a.first = {xs[i], y0};
    for (++i; i < end; ++i) {
      const double py = ys[i];
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
    a.min = {xs[loAt], lo};
    a.max = {xs[hiAt], hi};
    a.last = {xs[lastAt], ys[lastAt]};
    out.push_back(a);
  }
  ends.any = started;
  ends.gapAtEnd = gap;
  return ends;
}

// Points a trace must hold before its columns are read by two threads: below
// it, starting a thread costs more than it saves.
constexpr std::size_t kSplitPoints = 1u << 19;

}  // namespace

void aggregatePlanned(const double* xs, const double* ys, const ColumnPlan& plan,
                      std::vector<ColumnAggregate>& out) {
  const std::size_t columns = plan.column.size();
  if (plan.n < kSplitPoints || columns < 2) {
    aggregatePart(xs, ys, plan, 0, columns, out);
    return;
  }
  // A long trace is read from memory by two threads, each walking the
  // columns of one half of its points: reading, not reckoning, is what
  // this costs.
  const std::size_t half = static_cast<std::size_t>(
      std::upper_bound(plan.start.begin(), plan.start.end(), plan.n / 2) - plan.start.begin());
  const std::size_t split = std::clamp<std::size_t>(half, 1, columns - 1);
  std::vector<ColumnAggregate> second;
  second.reserve(columns - split);
  PartEnds before, after;
  onTwoThreads([&] { before = aggregatePart(xs, ys, plan, 0, split, out); },
               [&] { after = aggregatePart(xs, ys, plan, split, columns, second); });
  // The second half's first value breaks the trace when a gap lies between
  // it and the first half's last value.
  if (!second.empty() && before.any)
    second.front().breakBefore = before.gapAtEnd || after.gapAtStart;
  out.insert(out.end(), second.begin(), second.end());
}

std::vector<TrendPoint> aggregatedTrace(const std::vector<ColumnAggregate>& columns) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<TrendPoint> out;
  out.reserve(columns.size() * 4);
  for (std::size_t k = 0; k < columns.size(); ++k) {
    const ColumnAggregate& a = columns[k];
    if (a.breakBefore && k > 0) out.push_back({a.first.x, nan});
    // first, then the two extremes in X order, then last; each point once.
    const bool minFirst = a.min.x <= a.max.x;
    const TrendPoint& e1 = minFirst ? a.min : a.max;
    const TrendPoint& e2 = minFirst ? a.max : a.min;
    const TrendPoint* candidates[] = {&a.first, &e1, &e2, &a.last};
    const TrendPoint* previous = nullptr;
    for (const TrendPoint* p : candidates) {
      if (previous && p->x == previous->x && p->y == previous->y) continue;
      out.push_back(*p);
      previous = p;
    }
  }
  return out;
}

}  // namespace tarvex
