// The strokes that draw one aggregated trace: what a painter is asked to
// draw, so that no stroke's cost grows with the data. Columns of three or
// more points that reach higher than the pen covers become one vertical span
// each (their lowest to their highest point); the rest of the trace becomes
// lines through the remaining points,
// cut into pieces of a bounded number of points. Lines hidden under the
// spans (inside a column, and between neighbouring columns whose spans
// overlap) are left out, so a dense zigzag draws as a row of spans instead of
// thousands of crossing segments. Gaps stay breaks.
#pragma once

#include <QPointF>
#include <QRectF>
#include <cstddef>
#include <vector>

#include "trend/pixel_aggregation.h"

namespace tarvex {

// Data to picture coordinates: the data point (xOrigin, yOrigin) lies at
// (xOffset, yOffset), one unit of X is xScale pixels across, one of Y yScale
// down or up. Measured from an origin in view, X values such as day serials
// keep their precision however far the axis is zoomed.
struct TraceMapping {
  double xOrigin = 0;
  double xOffset = 0;
  double xScale = 1;
  double yOrigin = 0;
  double yOffset = 0;
  double yScale = 1;
  QPointF map(const TrendPoint& p) const {
    return {xOffset + xScale * (p.x - xOrigin), yOffset + yScale * (p.y - yOrigin)};
  }
  double mapY(double y) const { return yOffset + yScale * (y - yOrigin); }
};

struct TraceStrokes {
  // One polyline piece: points [begin, end) of `points`. Consecutive pieces
  // of one line share a segment (the last of one is the first of the next),
  // so that every corner of the line lies inside a piece and is joined there;
  // their ends inside the line are meant to be drawn flat. capAtStart and
  // capAtEnd mark the ends where the trace itself starts, stops at a gap or
  // ends: those take the pen's cap (a line that only runs into a span ends
  // flat there).
  struct Piece {
    std::size_t begin = 0;
    std::size_t end = 0;
    double dashStart = 0;    // length of the line before `begin`, for a dash pattern
    bool continues = false;  // its first segment is the previous piece's last
    bool capAtStart = false;
    bool capAtEnd = false;
  };
  std::vector<QPointF> points;
  std::vector<Piece> pieces;
  // One rectangle a dense column: from its first to its last point across,
  // from its lowest to its highest point up (a line when they are level).
  // Drawn as the area a pen of the trace's width covers around it.
  std::vector<QRectF> spans;
};

struct StrokeOptions {
  // Points a piece holds at most (at least 3).
  std::size_t maxPiecePoints = 64;
  // A column of three or more points no higher than this in the picture is
  // drawn as the line from its first to its last point instead of a span:
  // with half the pen's width here, the line's stroke covers the column's
  // other points, and a smooth trace stays one line (a small vector file).
  double flatHeight = 0;
};

// The strokes of `columns` (one trace, in column order) in picture
// coordinates.
TraceStrokes traceStrokes(const std::vector<ColumnAggregate>& columns, const TraceMapping& map,
                          const StrokeOptions& options = {});

}  // namespace tarvex
