// QcpTrendPlot: the data cursors with their readout, mouse navigation and
// the context menu.
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <cmath>
#include <cstdint>
#include <limits>

#include "trend/gui/qcp_trend_plot.h"
#include "trend/gui/qcp_trend_plot_p.h"
#include "trend/gui/trend_ticker.h"
#include "trend/save_picture.h"

namespace tarvex {

using namespace qcpdetail;

// ---- Cursors --------------------------------------------------------------------

void QcpTrendPlot::setCursorVisible(bool visible) {
  cursors_[0].visible = visible;
  if (!visible) cursors_[1].visible = false;
  updateCursorItems();
  replotCursors();
}

void QcpTrendPlot::setSecondCursor(std::optional<double> x) {
  if (x) {
    if (!cursors_[0].visible) cursors_[0].visible = true;
    cursors_[1].visible = true;
    cursors_[1].channel = cursors_[0].channel;
    moveCursor(1, *x);
    return;
  }
  cursors_[1].visible = false;
  updateCursorItems();
  replotCursors();
}

void QcpTrendPlot::moveCursor(int cursor, double x, int channel) {
  Cursor& c = cursors_[static_cast<std::size_t>(cursor)];
  if (channel >= 0 && channel < channelCount()) c.channel = channel;
  if (c.channel >= channelCount()) c.channel = 0;
  c.x = x;
  if (c.channel < channelCount()) {
    if (const auto r = readingAt(*this, c.channel, x)) c.x = r->x;
  }
  c.placed = true;
  updateCursorItems();
  replotCursors();
}

void QcpTrendPlot::setCursorStyle(CursorStyle style) {
  style_ = style;
  updateCursorItems();
  replotCursors();
}

QString QcpTrendPlot::cursorHint() const { return hint_->visible() ? hint_->text() : QString(); }

void QcpTrendPlot::setMeasurementsVisible(bool on) {
  readoutWanted_ = on;
  updateCursorItems();
  replotCursors();
}

bool QcpTrendPlot::measurementsVisible() const { return readout_->visible(); }

Measurement QcpTrendPlot::measurement() const {
  std::optional<double> x2;
  if (cursors_[1].visible) x2 = cursors_[1].x;
  const QCPRange r = plot_->xAxis->range();
  return measure(*this, cursors_[0].x, x2, r.lower, r.upper, readings_);
}

QString QcpTrendPlot::measurementText() const {
  return tarvex::measurementText(measurement(), xTicker_->dateTimeFormat());
}

void QcpTrendPlot::copyMeasurements() const {
  if (QClipboard* cb = QGuiApplication::clipboard()) cb->setText(measurementText());
}

void QcpTrendPlot::updateCursorItems() {
  const int channels = channelCount();
  const QCPRange xr = plot_->xAxis->range();
  for (Cursor& c : cursors_) {
    if (c.channel >= channels) c.channel = 0;
    if (c.visible && !c.placed) {
      // A cursor shown for the first time (or after new data) starts in the
      // middle of the visible range, on a point of its channel. Until the
      // channel has points it stays in the middle.
      c.x = xr.center();
      if (channels > 0)
        if (const auto r = readingAt(*this, c.channel, c.x)) {
          c.x = r->x;
          c.placed = true;
        }
    }
  }
  if (!cursors_[0].visible) cursors_[1].visible = false;

  for (Cursor& c : cursors_) {
    const bool show = c.visible;
    const QColor color = c.channel < channels ? graph(c.channel)->pen().color() : QColor(Qt::black);
    c.line->setVisible(show);
    c.line->point1->setCoords(c.x, 0);
    c.line->point2->setCoords(c.x, 1);
    QPen pen = c.line->pen();
    pen.setColor(color);
    c.line->setPen(pen);
    double y = kNaN;
    if (show && c.channel < channels)
      if (const auto r = readingAt(*this, c.channel, c.x)) y = r->y;
    c.tracer->setVisible(show && !std::isnan(y));
    c.tracer->position->setCoords(c.x, std::isnan(y) ? 0 : y);
    c.tracer->setPen(QPen(color, 2));
    c.tracer->setBrush(Qt::NoBrush);
  }

  const Cursor& c0 = cursors_[0];
  hint_->setVisible(c0.visible);
  if (c0.visible) {
    TrendPoint reading{c0.x, kNaN};
    QString title;
    if (c0.channel < channels) {
      title = graph(c0.channel)->name();
      if (const auto r = readingAt(*this, c0.channel, c0.x)) reading = *r;
    }
    std::optional<TrendPoint> other;
    if (cursors_[1].visible) {
      other = TrendPoint{cursors_[1].x, kNaN};
      if (c0.channel < channels)
        if (const auto r = readingAt(*this, c0.channel, cursors_[1].x)) other = *r;
    }
    hint_->setText(QStringLiteral("Cursor 1 - ") +
                   cursorHintText(style_, title, reading, other, xTicker_->dateTimeFormat()));
    hint_->setColor(c0.channel < channels ? graph(c0.channel)->pen().color() : QColor(Qt::black));
  }

  const bool readout = c0.visible && (readoutWanted_ || cursors_[1].visible);
  readout_->setVisible(readout);
  if (readout) readout_->setText(measurementTable(measurement(), xTicker_->dateTimeFormat()));
}

void QcpTrendPlot::replotCursors() {
  QCPLayer* layer = plot_->layer(QString::fromLatin1(kCursorLayer));
  // A layer of its own is redrawn alone; before the first full replot (or
  // when the buffers are not set up) everything is drawn.
  if (layer && plot_->isVisible())
    layer->replot();
  else
    plot_->replot();
}

int QcpTrendPlot::cursorUnder(const QPointF& pos) const {
  for (int c = 1; c >= 0; --c) {
    const Cursor& cur = cursors_[static_cast<std::size_t>(c)];
    if (!cur.visible) continue;
    if (std::abs(plot_->xAxis->coordToPixel(cur.x) - pos.x()) <= 5) return c;
  }
  return -1;
}

// ---- Navigation -----------------------------------------------------------------

void QcpTrendPlot::zoomAt(const QPointF& pos, double steps, bool yInDataArea) {
  const double factor = std::pow(0.85, steps);
  const QRect area = plot_->axisRect()->rect();
  QCPAxis* axis = nullptr;
  if (area.contains(pos.toPoint()))
    axis = yInDataArea ? plot_->yAxis : plot_->xAxis;
  else if (pos.x() < area.left() && pos.y() >= area.top() && pos.y() <= area.bottom())
    axis = plot_->yAxis;
  else if (pos.y() > area.bottom() && pos.x() >= area.left() && pos.x() <= area.right())
    axis = plot_->xAxis;
  if (!axis) return;
  const double centre = axis->orientation() == Qt::Horizontal ? axis->pixelToCoord(pos.x())
                                                              : axis->pixelToCoord(pos.y());
  axis->scaleRange(factor, centre);
  updateCursorItems();
  plot_->replot(QCustomPlot::rpQueuedReplot);
}

void QcpTrendPlot::panBy(const QPointF& delta) {
  QCPAxis* x = plot_->xAxis;
  QCPAxis* y = plot_->yAxis;
  const double dx = x->pixelToCoord(0) - x->pixelToCoord(delta.x());
  const double dy = y->pixelToCoord(0) - y->pixelToCoord(delta.y());
  x->moveRange(dx);
  y->moveRange(dy);
  updateCursorItems();
  plot_->replot(QCustomPlot::rpQueuedReplot);
}

void QcpTrendPlot::onPress(QMouseEvent* event) {
  drag_ = Drag::None;
  moved_ = false;
  pressPos_ = lastPos_ = event->position();
  if (event->button() != Qt::LeftButton) return;
  if (!plot_->axisRect()->rect().contains(event->position().toPoint())) return;
  if (reviewLinked_ && (event->modifiers() & Qt::AltModifier)) {
    startReviewDrag(event->position());
    return;
  }
  if (event->modifiers() & Qt::ShiftModifier) {
    setSecondCursor(plot_->xAxis->pixelToCoord(event->position().x()));
    return;
  }
  const int c = cursorUnder(event->position());
  if (c >= 0) {
    drag_ = Drag::Cursor;
    dragCursor_ = c;
    return;
  }
  drag_ = Drag::Pan;
}

void QcpTrendPlot::onMove(QMouseEvent* event) {
  if (drag_ == Drag::None) {
    plot_->setCursor(cursorUnder(event->position()) >= 0 ? Qt::SizeHorCursor : Qt::ArrowCursor);
    return;
  }
  const QPointF pos = event->position();
  if (!moved_ && (pos - pressPos_).manhattanLength() < 3) return;
  moved_ = true;
  if (drag_ == Drag::Review) {
    moveReviewDrag(pos);
    return;
  }
  if (drag_ == Drag::Cursor) {
    moveCursor(dragCursor_, plot_->xAxis->pixelToCoord(pos.x()));
  } else {
    plot_->setCursor(Qt::ClosedHandCursor);
    panBy(pos - lastPos_);
  }
  lastPos_ = pos;
}

void QcpTrendPlot::onRelease(QMouseEvent* event) {
  const Drag was = drag_;
  drag_ = Drag::None;
  plot_->setCursor(Qt::ArrowCursor);
  if (was == Drag::Review) {
    endReviewDrag(event->position());
    return;
  }
  if (was == Drag::Pan && !moved_ && cursors_[0].visible) {
    // A click in the data area moves cursor 1 there, onto the trace nearest
    // to the click.
    const double x = plot_->xAxis->pixelToCoord(event->position().x());
    const double y = plot_->yAxis->pixelToCoord(event->position().y());
    moveCursor(0, x, nearestChannel(*this, x, y));
  }
}

void QcpTrendPlot::onWheel(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps == 0) return;
  zoomAt(event->position(), steps, event->modifiers() & Qt::ControlModifier);
  event->accept();
}

namespace {

void addMenuEntries(QMenu* menu, const std::vector<TrendMenuEntry>& entries) {
  for (const TrendMenuEntry& e : entries) {
    if (e.text.isEmpty()) {
      menu->addSeparator();
      continue;
    }
    if (!e.submenu.empty()) {
      QMenu* sub = menu->addMenu(e.text);
      sub->setEnabled(e.enabled);
      addMenuEntries(sub, e.submenu);
      continue;
    }
    QAction* a = menu->addAction(e.text);
    a->setCheckable(e.checkable);
    a->setChecked(e.checked);
    a->setEnabled(e.enabled);
    if (e.action) QObject::connect(a, &QAction::triggered, menu, [action = e.action] { action(); });
  }
}

}  // namespace

QMenu* QcpTrendPlot::contextMenu(const QPointF& pos) {
  menuX_ = plot_->xAxis->pixelToCoord(pos.x());
  auto* menu = new QMenu(plot_);
  if (ui_) {
    const bool building = building_ && building_();
    for (const char* f : {"png", "pdf", "svg"}) {
      const QString format = QString::fromLatin1(f);
      menu->addAction(QStringLiteral("Save as %1...").arg(format.toUpper()), this,
                      [this, format] { savePictureAs(format); })
          ->setEnabled(!building);
    }
    menu->addSeparator();
  }
  const double x = plot_->xAxis->pixelToCoord(pos.x());
  if (menuSource_) {
    addMenuEntries(menu, menuSource_());
    menu->addSeparator();
  }
  QAction* show = menu->addAction(QStringLiteral("Cursor 1"), this,
                                  [this] { setCursorVisible(!cursorVisible()); });
  show->setCheckable(true);
  show->setChecked(cursorVisible());
  if (cursors_[1].visible)
    menu->addAction(QStringLiteral("Remove Cursor 2"), this,
                    [this] { setSecondCursor(std::nullopt); });
  else
    menu->addAction(QStringLiteral("Add Cursor 2 Here"), this, [this, x] { setSecondCursor(x); });
  QMenu* styles = menu->addMenu(QStringLiteral("Cursor Style"));
  const QStringList captions = cursorStyleCaptions();
  for (int i = 0; i < captions.size(); ++i) {
    QAction* a = styles->addAction(captions[i], this,
                                   [this, i] { setCursorStyle(static_cast<CursorStyle>(i)); });
    a->setCheckable(true);
    a->setChecked(static_cast<int>(style_) == i);
  }
  QAction* readout = menu->addAction(QStringLiteral("Show Measurements"), this,
                                     [this] { setMeasurementsVisible(!readoutWanted_); });
  readout->setCheckable(true);
  // Shown as it is on the plot; with two cursors it is always shown.
  readout->setChecked(measurementsVisible());
  readout->setEnabled(cursorVisible() && !cursors_[1].visible);
  menu->addAction(QStringLiteral("Copy Measurements"), this, [this] { copyMeasurements(); })
      ->setEnabled(cursorVisible());
  if (reviewLinked_) {
    menu->addSeparator();
    menu->addAction(QStringLiteral("Show in Data"), this, [this] { emit showInDataRequested(); })
        ->setEnabled(cursorVisible());
  }
  return menu;
}

void QcpTrendPlot::savePictureAs(const QString& format) {
  if (ui_ && !(building_ && building_())) savePlotPictureAs(*ui_, *this, format, caption_);
}

}  // namespace tarvex
