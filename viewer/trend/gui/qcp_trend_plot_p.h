// Internals shared by the files of QcpTrendPlot: small helpers of the axes
// and cursors.
#pragma once

#include <qcustomplot.h>

#include <limits>

#include "trend/gui/trend_graph_data.h"
#include "trend/trend_plot.h"

namespace tarvex {

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
