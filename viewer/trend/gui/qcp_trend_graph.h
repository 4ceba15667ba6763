// A channel of the trend plot: a QCustomPlot graph that draws its trace
// through the pixel aggregation (trend/pixel_aggregation.h) and the bounded
// strokes of trend/trace_strokes.h, on the screen, in pictures and in
// printouts alike, at the resolution of the device it draws on.
#pragma once

#include <qcustomplot.h>

#include <vector>

#include "trend/pixel_aggregation.h"
#include "trend/trace_strokes.h"

namespace tarvex {

class TrendGraph : public QCPGraph {
  Q_OBJECT

 public:
  // Adds the graph to the axes' plot, which owns it.
  TrendGraph(QCPAxis* keyAxis, QCPAxis* valueAxis);

  // On (the default): the trace is drawn from its pixel columns. Off: every
  // point goes through QCustomPlot's own drawing (kept to compare with).
  void setPixelAggregation(bool on) { aggregation_ = on; }
  bool pixelAggregation() const { return aggregation_; }

  // Mean height in pixels a segment of a piece climbs or falls above which
  // the piece counts as a steep zigzag.
  static constexpr double kSteepRise = 16;

 protected:
  void draw(QCPPainter* painter) override;

 private:
  // Whether the aggregated drawing covers this graph's settings (lines, no
  // fill, no scatter symbols, no selection, linear horizontal key axis).
  bool aggregates() const;
  void drawSpans(QCPPainter* painter, const TraceStrokes& strokes) const;
  void drawPieces(QCPPainter* painter, const TraceStrokes& strokes) const;

  bool aggregation_ = true;
};

}  // namespace tarvex
