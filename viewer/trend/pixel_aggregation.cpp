#include "trend/pixel_aggregation.h"

namespace tarvex {

std::vector<ColumnAggregate> aggregateColumns(const TrendPoint* points, std::size_t n,
                                              const PixelColumns& columns) {
  std::vector<ColumnAggregate> out;
  aggregateColumns(
      points, n, columns, [](const TrendPoint& p) { return p.x; },
      [](const TrendPoint& p) { return p.y; }, out);
  return out;
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
