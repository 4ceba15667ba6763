// A trace of the trend plot: a QCustomPlot graph that holds its points in a
// TrendGraphData (X values shared between channels of the same rows) and
// draws its trace through the pixel aggregation (trend/pixel_aggregation.h)
// and the bounded strokes of trend/trace_strokes.h, on the screen, in
// pictures and in printouts alike, at the resolution of the device it draws
// on. The channels and the overlay's traces are all drawn this way.
#pragma once

#include <qcustomplot.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "trend/gui/trend_graph_data.h"
#include "trend/pixel_aggregation.h"
#include "trend/trace_strokes.h"

namespace tarvex {

class TrendGraph : public QCPGraph {
  Q_OBJECT

 public:
  // Adds the graph to the axes' plot, which owns it. It starts without
  // points.
  TrendGraph(QCPAxis* keyAxis, QCPAxis* valueAxis);

  // The points drawn. QCPGraph's own container stays empty: it is filled
  // from these only while QCustomPlot draws the graph itself (see below).
  TrendGraphData& points() { return *points_; }
  const TrendGraphData& points() const { return *points_; }

  // On (the default): the trace is drawn from its pixel columns. Off: every
  // point goes through QCustomPlot's own drawing (kept to compare with).
  void setPixelAggregation(bool on);
  bool pixelAggregation() const { return aggregation_; }

  // A shorter stand-in for a long trace, drawn through the same pixel
  // columns instead of the points while a column of the view holds
  // `density` points or more (see the reference's traces). Null: none.
  void setEnvelope(std::unique_ptr<TrendGraphData> envelope, double density);
  // Whether the last draw drew the envelope.
  bool drewEnvelope() const { return drewEnvelope_; }

  // Mean height in pixels a segment of a piece climbs or falls above which
  // the piece counts as a steep zigzag.
  static constexpr double kSteepRise = 16;

  QCPRange getKeyRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
  QCPRange getValueRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                         const QCPRange& inKeyRange = QCPRange()) const override;

 protected:
  void draw(QCPPainter* painter) override;

 private:
  // Whether the aggregated drawing covers this graph's settings (lines, no
  // fill, no scatter symbols, no selection, linear horizontal key axis).
  bool aggregates() const;
  // Fills QCPGraph's container from the points when they changed since.
  void fillContainer();
  void drawSpans(QCPPainter* painter, const TraceStrokes& strokes) const;
  void drawPieces(QCPPainter* painter, const TraceStrokes& strokes) const;

  std::unique_ptr<TrendGraphData> points_;
  std::unique_ptr<TrendGraphData> envelope_;
  double envelopeDensity_ = 0;
  bool drewEnvelope_ = false;
  bool aggregation_ = true;
  std::uint64_t filledVersion_ = 0;
  bool filled_ = false;
};

}  // namespace tarvex
