// QcpTrendPlot: the overlay of a reference batch, its traces after the
// channels' graphs, its line under the title and the second Y axis of the
// differences.
#include <QFontDatabase>
#include <algorithm>
#include <cmath>
#include <limits>

#include "trend/gui/qcp_trend_plot.h"
#include "trend/gui/qcp_trend_plot_p.h"

namespace tarvex {

using namespace qcpdetail;

void QcpTrendPlot::setOverlay(TrendOverlay&& overlay) {
  clearOverlay();
  compactChannels();
  QCustomPlot* p = plot_;
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  double firstLo = lo, firstHi = hi;
  bool second = false;
  for (TrendOverlayTrace& t : overlay.traces) {
    QCPAxis* valueAxis = t.secondAxis ? p->yAxis2 : p->yAxis;
    QCPGraph* g = p->addGraph(p->xAxis, valueAxis);
    auto d = QSharedPointer<TrendGraphData>::create();
    if (!t.points.empty()) {
      const TrendGraphData::Ranges r = d->append(t.points.data(), t.points.size());
      d->compact();
      if (r.vMin <= r.vMax) {
        double& l = t.secondAxis ? lo : firstLo;
        double& h = t.secondAxis ? hi : firstHi;
        l = std::min(l, r.vMin);
        h = std::max(h, r.vMax);
      }
    }
    std::vector<TrendPoint>().swap(t.points);
    second = second || t.secondAxis;
    g->setData(d);
    g->setAdaptiveSampling(true);
    g->setLineStyle(QCPGraph::lsLine);
    g->setName(t.titleText);
    g->setPen(QPen(t.color, std::max(1, t.traceLineWidth), t.penStyle, Qt::FlatCap));
    overlayGraphs_.push_back(g);
  }

  // The value axis widens to hold the overlay's values (never narrows).
  if (firstLo <= firstHi) {
    const QCPRange r = p->yAxis->range();
    if (firstLo < r.lower || firstHi > r.upper)
      p->yAxis->setRange(std::min(r.lower, firstLo), std::max(r.upper, firstHi));
  }

  // The differences' own axis: their range and 0, on the right.
  p->yAxis2->setVisible(second);
  if (second) {
    lo = std::min(lo, 0.0);
    hi = std::max(hi, 0.0);
    if (!(hi > lo)) hi = lo + 1;
    const double margin = (hi - lo) * 0.05;
    p->yAxis2->setRange(lo - margin, hi + margin);
    p->yAxis2->setLabel(overlay.secondAxisTitle);
    p->yAxis2->setTickLabels(true);
  }

  if (!overlay.titleLine.isEmpty()) {
    // A line of its own under the title, in the title's colour, not bold.
    QCPLayoutGrid* layout = p->plotLayout();
    layout->insertRow(1);
    QFont font(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(), 10);
    overlayTitle_ = new QCPTextElement(p, overlay.titleLine, font);
    overlayTitle_->setTextColor(Qt::blue);
    overlayTitle_->setMargins(QMargins(0, 0, 0, 4));
    layout->addElement(1, 0, overlayTitle_);
  }
  readings_ = overlay.readings;
  replot();
}

void QcpTrendPlot::clearOverlay() {
  if (overlayGraphs_.empty() && !overlayTitle_ && !readings_) return;
  for (QCPGraph* g : overlayGraphs_) plot_->removeGraph(g);
  overlayGraphs_.clear();
  plot_->yAxis2->setVisible(false);
  if (overlayTitle_) {
    QCPLayoutGrid* layout = plot_->plotLayout();
    layout->remove(overlayTitle_);  // deletes it
    layout->simplify();
    overlayTitle_ = nullptr;
  }
  readings_ = nullptr;
  updateCursorItems();
}

QString QcpTrendPlot::overlayTitleLine() const {
  return overlayTitle_ ? overlayTitle_->text() : QString();
}

}  // namespace tarvex
