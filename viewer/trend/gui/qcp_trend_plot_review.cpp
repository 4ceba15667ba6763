// QcpTrendPlot: a drag across the data area with Alt held marks a span of
// time for the review; a band shows it while the mouse moves.
#include <QMouseEvent>
#include <QRubberBand>
#include <algorithm>

#include "trend/gui/qcp_trend_plot.h"
#include "trend/gui/qcp_trend_plot_p.h"

namespace tarvex {

namespace {

// The part of the data area between two X pixels, full height.
QRect bandBetween(const QRect& area, double x1, double x2) {
  const int left = int(std::clamp(std::min(x1, x2), double(area.left()), double(area.right())));
  const int right = int(std::clamp(std::max(x1, x2), double(area.left()), double(area.right())));
  return QRect(QPoint(left, area.top()), QPoint(right, area.bottom()));
}

}  // namespace

void QcpTrendPlot::startReviewDrag(const QPointF& pos) {
  drag_ = Drag::Review;
  if (!band_) band_ = new QRubberBand(QRubberBand::Rectangle, plot_);
  band_->setGeometry(bandBetween(plot_->axisRect()->rect(), pos.x(), pos.x()));
  band_->show();
  plot_->setCursor(Qt::SizeHorCursor);
}

void QcpTrendPlot::moveReviewDrag(const QPointF& pos) {
  if (band_) band_->setGeometry(bandBetween(plot_->axisRect()->rect(), pressPos_.x(), pos.x()));
}

void QcpTrendPlot::endReviewDrag(const QPointF& pos) {
  if (band_) band_->hide();
  // A click with Alt held marks nothing.
  if (!moved_) return;
  dragWindow(pressPos_, pos);
}

void QcpTrendPlot::dragWindow(const QPointF& from, const QPointF& pos) {
  const QRect area = plot_->axisRect()->rect();
  auto xAt = [&](double px) {
    return plot_->xAxis->pixelToCoord(std::clamp(px, double(area.left()), double(area.right())));
  };
  emit windowDragged(xAt(from.x()), xAt(pos.x()));
}

}  // namespace tarvex
