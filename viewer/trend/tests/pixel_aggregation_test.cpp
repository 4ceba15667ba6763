// The pixel aggregation and the strokes drawn from it, against a plain
// reading of the points column by column.
#include "trend/pixel_aggregation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "trend/trace_strokes.h"

namespace tarvex {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// What a column holds, read the slow way: every point of it.
struct Expected {
  std::size_t count = 0;
  TrendPoint first, min, max, last;
};

std::vector<std::pair<int, Expected>> byColumn(const std::vector<TrendPoint>& points,
                                               const PixelColumns& c) {
  std::vector<std::pair<int, Expected>> out;
  for (const TrendPoint& p : points) {
    if (std::isnan(p.y)) continue;
    // Column k holds [xMin + k * step, xMin + (k + 1) * step).
    const double step = (c.xMax - c.xMin) / c.width;
    int col = -1;
    if (p.x >= c.xMax)
      col = c.width;
    else
      while (col + 1 < c.width && p.x >= c.xMin + (col + 1) * step) ++col;
    if (out.empty() || out.back().first != col) out.push_back({col, {0, p, p, p, p}});
    Expected& e = out.back().second;
    ++e.count;
    if (p.y < e.min.y) e.min = p;
    if (p.y > e.max.y) e.max = p;
    e.last = p;
  }
  return out;
}

bool same(const TrendPoint& a, const TrendPoint& b) { return a.x == b.x && a.y == b.y; }

TEST(PixelAggregation, EveryColumnKeepsItsFirstLowestHighestAndLastPoint) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> value(-50, 50);
  for (const int width : {1, 7, 100, 1600}) {
    for (const std::size_t n : {std::size_t(1), std::size_t(50), std::size_t(20000)}) {
      // Points a second apart over X 0..n, some beyond either edge, values
      // jumping anywhere (the worst case), 2 % gaps.
      std::vector<TrendPoint> points;
      for (std::size_t i = 0; i < n; ++i)
        points.push_back({static_cast<double>(i), rng() % 50 == 0 ? kNaN : value(rng)});
      const PixelColumns columns{n * 0.05, n * 0.95, width};
      const auto got = aggregateColumns(points.data(), points.size(), columns);
      const auto want = byColumn(points, columns);
      ASSERT_EQ(got.size(), want.size()) << width << " " << n;
      for (std::size_t k = 0; k < got.size(); ++k) {
        const ColumnAggregate& a = got[k];
        const Expected& e = want[k].second;
        EXPECT_EQ(a.column, want[k].first);
        EXPECT_EQ(a.count, e.count);
        EXPECT_TRUE(same(a.first, e.first) && same(a.min, e.min) && same(a.max, e.max) &&
                    same(a.last, e.last))
            << "column " << a.column;
      }
      // As a trace: at most 4 points a column, in X order.
      const std::vector<TrendPoint> trace = aggregatedTrace(got);
      std::size_t values = 0;
      for (std::size_t i = 0; i < trace.size(); ++i) {
        if (!std::isnan(trace[i].y)) ++values;
        if (i > 0) {
          EXPECT_LE(trace[i - 1].x, trace[i].x);
        }
      }
      EXPECT_LE(values, 4 * got.size());
    }
  }
}

TEST(PixelAggregation, SparsePointsPassThroughUnchanged) {
  // Fewer points than columns: the aggregate is the trace itself.
  const std::vector<TrendPoint> points = {{0, 1}, {1, 5}, {2, -3}, {3, 4}, {4, 4}, {5, 0}};
  const auto columns = aggregateColumns(points.data(), points.size(), {0, 6, 600});
  ASSERT_EQ(columns.size(), points.size());
  const std::vector<TrendPoint> trace = aggregatedTrace(columns);
  ASSERT_EQ(trace.size(), points.size());
  for (std::size_t i = 0; i < points.size(); ++i) EXPECT_TRUE(same(trace[i], points[i]));
}

TEST(PixelAggregation, GapsBreakTheTraceBetweenColumnsOnly) {
  // Ten columns of ten points each (X 0..99, column = X / 10).
  std::vector<TrendPoint> points;
  for (int i = 0; i < 100; ++i) points.push_back({double(i), double(i % 10)});
  points[0].y = kNaN;   // a gap before the first point breaks nothing
  points[25].y = kNaN;  // inside column 2, values on both sides: no break
  for (int i = 38; i < 53; ++i) points[i].y = kNaN;  // from column 3 into 5: a break
  points[69].y = kNaN;  // the last point of column 6: breaks before column 7
  points[99].y = kNaN;  // a trailing gap
  const auto columns = aggregateColumns(points.data(), points.size(), {0, 100, 10});
  ASSERT_EQ(columns.size(), 9u);  // column 4 holds nothing
  std::vector<int> breaks;
  for (const ColumnAggregate& a : columns)
    if (a.breakBefore) breaks.push_back(a.column);
  EXPECT_EQ(breaks, (std::vector<int>{5, 7}));
  EXPECT_EQ(columns[0].count, 9u);
  EXPECT_EQ(columns[2].count, 9u);
  EXPECT_TRUE(same(columns[3].last, {37, 7}));
  EXPECT_TRUE(same(columns[4].first, {53, 3}));

  // The trace holds a NaN at each break, never a value bridging it.
  const std::vector<TrendPoint> trace = aggregatedTrace(columns);
  int gaps = 0;
  for (std::size_t i = 0; i < trace.size(); ++i) {
    if (!std::isnan(trace[i].y)) continue;
    ++gaps;
    ASSERT_GT(i, 0u);
    ASSERT_LT(i + 1, trace.size());
    EXPECT_TRUE(same(trace[i - 1], {37, 7}) || same(trace[i - 1], {68, 8}));
    EXPECT_TRUE(same(trace[i + 1], {53, 3}) || same(trace[i + 1], {70, 0}));
  }
  EXPECT_EQ(gaps, 2);

  // Nothing but gaps: nothing.
  const std::vector<TrendPoint> empty = {{0, kNaN}, {1, kNaN}};
  EXPECT_TRUE(aggregateColumns(empty.data(), empty.size(), {0, 2, 10}).empty());
}

TEST(PixelAggregation, ColumnEdges) {
  // A point on a column's left edge belongs to it; X at the right end of the
  // range and beyond falls in the column past the last, X before it in -1.
  const std::vector<TrendPoint> points = {{-5, 1}, {0, 2}, {2.5, 3}, {7.5, 4}, {10, 5}, {20, 6}};
  const auto columns = aggregateColumns(points.data(), points.size(), {0, 10, 4});
  ASSERT_EQ(columns.size(), 5u);
  EXPECT_EQ(columns[0].column, -1);
  EXPECT_EQ(columns[1].column, 0);
  EXPECT_EQ(columns[2].column, 1);
  EXPECT_EQ(columns[3].column, 3);
  EXPECT_EQ(columns[4].column, 4);
  EXPECT_EQ(columns[4].count, 2u);
}

TEST(PixelAggregation, TracesSharingTheirXValuesShareOnePlan) {
  // One X column, irregular steps and repeated X, cut once; several Y
  // columns aggregated by that plan give what each gives on its own: gaps at
  // the start, inside columns, across columns and at the end, points beyond
  // either edge, flat and jumping values. The long run is read by two
  // threads, each from the middle of its points: gaps there, and a first
  // half without values, must break the trace as one thread would.
  for (const std::size_t n : {std::size_t(30000), std::size_t(700000)}) {
    std::mt19937 rng(5);
    std::vector<double> xs;
    double x = -30;
    for (std::size_t i = 0; i < n; ++i)
      xs.push_back(x += (rng() % 7 == 0 ? 0 : (rng() % 100) / 10.0));
    const std::size_t mid = n / 2;
    std::vector<std::vector<double>> traces(6, std::vector<double>(n));
    for (std::size_t i = 0; i < n; ++i) {
      traces[0][i] = double(rng() % 2);                        // random 0/1
      traces[1][i] = i % 7 < 3 ? 1.0 : 0.0;                    // on/off
      traces[2][i] = rng() % 20 == 0 ? kNaN : double(i % 13);  // sawtooth with gaps
      traces[3][i] = (i / 500) % 3 == 1 || i < 40 ? kNaN : std::sin(i * 0.01);  // long gaps
      traces[4][i] = i + 3000 > mid && i < mid + 3000 ? kNaN : double(i % 5);   // gap at the middle
      traces[5][i] = i < mid + 10 ? kNaN : std::cos(i * 0.1);  // nothing in the first half
    }
    for (const int width : {1, 9, 1600, 200000}) {
      const PixelColumns columns{0, x * 0.9, width};
      ColumnPlan plan;
      planColumns(xs.data(), xs.size(), columns, plan);
      // A gap at the first point of every column: every column breaks.
      std::vector<std::vector<double>> all = traces;
      all.push_back(traces[0]);
      for (std::size_t start : plan.start) all.back()[start] = kNaN;
      for (const std::vector<double>& ys : all) {
        std::vector<TrendPoint> points;
        for (std::size_t i = 0; i < n; ++i) points.push_back({xs[i], ys[i]});
        const auto want = aggregateColumns(points.data(), points.size(), columns);
        std::vector<ColumnAggregate> got;
        aggregatePlanned(xs.data(), ys.data(), plan, got);
        ASSERT_EQ(got.size(), want.size()) << n << " " << width;
        for (std::size_t k = 0; k < got.size(); ++k) {
          const ColumnAggregate& a = got[k];
          const ColumnAggregate& e = want[k];
          ASSERT_TRUE(a.column == e.column && a.count == e.count &&
                      a.breakBefore == e.breakBefore && same(a.first, e.first) &&
                      same(a.min, e.min) && same(a.max, e.max) && same(a.last, e.last))
              << n << " points, width " << width << ", column " << e.column;
        }
      }
    }
  }
}

// ---- Strokes -----------------------------------------------------------------------

// The strokes of `values` one per X unit over `width` columns of X 0..n,
// with X and Y unchanged as picture coordinates.
TraceStrokes strokesOf(const std::vector<double>& values, int width, std::size_t maxPiece = 64) {
  std::vector<TrendPoint> points;
  for (std::size_t i = 0; i < values.size(); ++i) points.push_back({double(i), values[i]});
  const auto columns =
      aggregateColumns(points.data(), points.size(), {0, double(values.size()), width});
  StrokeOptions options;
  options.maxPiecePoints = maxPiece;
  return traceStrokes(columns, TraceMapping{}, options);
}

TEST(TraceStrokes, ASparseLineIsCutIntoPiecesThatShareASegment) {
  std::vector<double> values;
  for (int i = 0; i < 150; ++i) values.push_back(i % 2 ? 3 : 4);  // a zigzag of 149 segments
  const TraceStrokes s = strokesOf(values, 1000, 64);
  EXPECT_TRUE(s.spans.empty());
  ASSERT_EQ(s.pieces.size(), 3u);  // 64 + 63 + 25 points, two shared segments
  double length = 0;
  for (std::size_t k = 0; k < s.pieces.size(); ++k) {
    const TraceStrokes::Piece& p = s.pieces[k];
    EXPECT_LE(p.end - p.begin, 64u);
    EXPECT_EQ(p.capAtStart, k == 0);
    EXPECT_EQ(p.capAtEnd, k + 1 == s.pieces.size());
    EXPECT_EQ(p.continues, k > 0);
    EXPECT_NEAR(p.dashStart, length, 1e-9);
    if (k > 0) {
      const TraceStrokes::Piece& q = s.pieces[k - 1];
      EXPECT_EQ(s.points[p.begin], s.points[q.end - 2]);
      EXPECT_EQ(s.points[p.begin + 1], s.points[q.end - 1]);
    }
    for (std::size_t i = p.begin; i + 2 < p.end; ++i) {
      const QPointF d = s.points[i + 1] - s.points[i];
      length += std::hypot(d.x(), d.y());
    }
  }
  EXPECT_EQ(s.points.front(), QPointF(0, 4));
  EXPECT_EQ(s.points.back(), QPointF(149, 3));
}

TEST(TraceStrokes, ADenseZigzagIsARowOfSpans) {
  // 100 points a column jumping between 0 and 10: one span a column, and no
  // line at all (the lines between columns run inside their spans).
  std::vector<double> values;
  for (int i = 0; i < 10000; ++i) values.push_back(i % 2 ? 10 : 0);
  const TraceStrokes s = strokesOf(values, 100);
  EXPECT_TRUE(s.pieces.empty());
  ASSERT_EQ(s.spans.size(), 100u);
  for (std::size_t c = 0; c < s.spans.size(); ++c) {
    const QRectF& r = s.spans[c];
    EXPECT_EQ(r.top(), 0);
    EXPECT_EQ(r.bottom(), 10);
    EXPECT_GE(r.left(), double(c) * 100);
    EXPECT_LT(r.right(), double(c + 1) * 100);
  }
}

TEST(TraceStrokes, LinesJoinSpansThatDoNotOverlapAndStopAtGaps) {
  // A steep ramp: each column's values lie above the previous column's, so
  // the line from one column to the next shows. A gap in the middle breaks
  // it: the pen's cap on both sides of the gap.
  std::vector<double> values;
  for (int i = 0; i < 1000; ++i) values.push_back(i);
  for (int i = 495; i < 515; ++i) values[static_cast<std::size_t>(i)] = kNaN;
  const TraceStrokes s = strokesOf(values, 100);  // 10 points a column
  EXPECT_EQ(s.spans.size(), 99u);                 // column 50 is all gap
  // 98 connecting lines of two points each, one a piece: none bridges the gap.
  ASSERT_EQ(s.pieces.size(), 97u);
  for (const TraceStrokes::Piece& p : s.pieces) {
    ASSERT_EQ(p.end - p.begin, 2u);
    const double from = s.points[p.begin].y(), to = s.points[p.begin + 1].y();
    EXPECT_TRUE(to - from == 1) << from << " " << to;
    EXPECT_FALSE(from < 495 && to >= 515);
    EXPECT_FALSE(p.capAtStart || p.capAtEnd);  // they leave and enter spans
  }
}

TEST(TraceStrokes, ColumnsNoHigherThanThePenCoversStayALine) {
  // A slow ramp of 10 points a column rising 0.5 a column, and one column
  // that jumps: with a flat height of 1 the ramp is a line through each
  // column's first and last point, only the jump is a span.
  std::vector<double> values;
  for (int i = 0; i < 400; ++i) values.push_back(i * 0.05);
  values[205] = 30;
  std::vector<TrendPoint> points;
  for (std::size_t i = 0; i < values.size(); ++i) points.push_back({double(i), values[i]});
  const auto columns = aggregateColumns(points.data(), points.size(), {0, 400, 40});
  StrokeOptions options;
  options.flatHeight = 1;
  const TraceStrokes s = traceStrokes(columns, TraceMapping{}, options);
  ASSERT_EQ(s.spans.size(), 1u);
  EXPECT_EQ(s.spans[0].bottom(), 30);
  std::size_t linePoints = 0;
  for (const TraceStrokes::Piece& p : s.pieces) linePoints += p.end - p.begin;
  EXPECT_EQ(linePoints, 2u * 39 + 2);  // 39 columns' ends, plus the span's two ends
  // Without it every column is a span and the lines between them hidden.
  const TraceStrokes spans = traceStrokes(columns, TraceMapping{});
  EXPECT_EQ(spans.spans.size(), 40u);
}

TEST(TraceStrokes, ADenseColumnBesideSparseOnesIsJoinedToThem) {
  // Sparse points, then one column holding 5 points, then sparse again.
  std::vector<TrendPoint> points = {{0, 1},    {10, 2},   {20.1, 8}, {20.2, 0}, {20.3, 5},
                                    {20.4, 9}, {20.5, 3}, {30, 4},   {40, 5}};
  const auto columns = aggregateColumns(points.data(), points.size(), {0, 50, 50});
  const TraceStrokes s = traceStrokes(columns, TraceMapping{});
  ASSERT_EQ(s.spans.size(), 1u);
  EXPECT_EQ(s.spans[0], QRectF(QPointF(20.1, 0), QPointF(20.5, 9)));
  ASSERT_EQ(s.pieces.size(), 2u);
  EXPECT_EQ(s.points[s.pieces[0].end - 1], QPointF(20.1, 8));  // into the span at its first point
  EXPECT_EQ(s.points[s.pieces[1].begin], QPointF(20.5, 3));    // out of it at its last
  EXPECT_TRUE(s.pieces[0].capAtStart && !s.pieces[0].capAtEnd);
  EXPECT_TRUE(!s.pieces[1].capAtStart && s.pieces[1].capAtEnd);
}

}  // namespace
}  // namespace tarvex
