#include "trend/gui/qcp_trend_plot.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QMenu>
#include <QPdfWriter>
#include <QPrinter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "shell/runtime_error.h"
#include "shell/writefiles.h"
#include "trend/gui/qcp_trend_graph.h"
#include "trend/gui/qcp_trend_plot_p.h"
#include "trend/gui/trend_ticker.h"

namespace tarvex {

using namespace qcpdetail;

QcpTrendPlot::QcpTrendPlot(QCustomPlot* plot) {
  if (!plot) {
    owned_ = std::make_unique<QCustomPlot>();
    plot = owned_.get();
  }
  plot_ = plot;
  applyInitialDesign();
  connect(plot_, &QCustomPlot::mousePress, this, &QcpTrendPlot::onPress);
  connect(plot_, &QCustomPlot::mouseMove, this, &QcpTrendPlot::onMove);
  connect(plot_, &QCustomPlot::mouseRelease, this, &QcpTrendPlot::onRelease);
  connect(plot_, &QCustomPlot::mouseWheel, this, &QcpTrendPlot::onWheel);
  plot_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(plot_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    std::unique_ptr<QMenu> menu(contextMenu(pos));
    menu->exec(plot_->mapToGlobal(pos));
  });
}

QcpTrendPlot::~QcpTrendPlot() = default;
void QcpTrendPlot::applyInitialDesign() {
  QCustomPlot* p = plot_;
  p->setPlottingHint(QCP::phFastPolylines, true);
  p->setInteractions(QCP::Interactions());
  p->legend->setVisible(false);

  // Title "No Data File Loaded", bold, blue, above the data area.
  if (p->plotLayout()->rowCount() < 2 ||
      !qobject_cast<QCPTextElement*>(p->plotLayout()->element(0, 0))) {
    p->plotLayout()->insertRow(0);
    QFont font(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(), 12, QFont::Bold);
    title_ = new QCPTextElement(p, QStringLiteral("No Data File Loaded"), font);
    title_->setTextColor(Qt::blue);
    title_->setMargins(QMargins(0, 8, 0, 4));
    p->plotLayout()->addElement(0, 0, title_);
  }

  background_ = QColor(212, 212, 212);
  p->setBackground(background_);

  xTicker_ = QSharedPointer<TrendTicker>::create(true);
  xTicker_->setMinorCount(3);
  xTicker_->setDateTimeFormat(QStringLiteral("m/d/yy h:nn:ss am/pm"));
  xTicker_->setTickCount(4);
  p->xAxis->setTicker(xTicker_);
  p->xAxis->setLabel(QStringLiteral("Time"));
  p->xAxis->setTickLabelColor(Qt::blue);
  p->xAxis->setRange(0, 0.0069);
  axisExtras_[kX].labelsFormatStyle = 3;
  axisExtras_[kX].scaleColor = Qt::black;

  yTicker_ = QSharedPointer<TrendTicker>::create(false);
  yTicker_->setMinorCount(1);
  p->yAxis->setTicker(yTicker_);
  p->yAxis->setLabel(QStringLiteral("Y-Axis 1"));
  p->yAxis->setRange(0, 100);
  axisExtras_[kY].scaleColor = Qt::black;

  for (QCPAxis* a : {p->xAxis, p->yAxis}) {
    a->grid()->setSubGridVisible(true);
    // Major lines dotted, minor ones solid and lighter, on screen and in
    // vector pictures alike (width 1, not the cosmetic hairline).
    a->grid()->setSubGridPen(QPen(QColor(225, 225, 225), 1, Qt::SolidLine));
    a->grid()->setPen(QPen(QColor(140, 140, 140), 1, Qt::DotLine));
  }
  p->axisRect()->setBackground(Qt::white);

  // The cursors draw on a layer of their own, so that moving one redraws
  // only that layer and never the channels.
  if (!p->layer(QString::fromLatin1(kCursorLayer))) {
    p->addLayer(QString::fromLatin1(kCursorLayer), p->layer(QStringLiteral("main")),
                QCustomPlot::limAbove);
    p->layer(QString::fromLatin1(kCursorLayer))->setMode(QCPLayer::lmBuffered);
  }
  for (int c = 0; c < 2; ++c) {
    Cursor& cur = cursors_[c];
    cur.line = new QCPItemStraightLine(p);
    cur.line->setLayer(QString::fromLatin1(kCursorLayer));
    cur.line->setClipToAxisRect(true);
    cur.line->setPen(QPen(Qt::black, 1, c == 0 ? Qt::SolidLine : Qt::DashLine));
    cur.line->setVisible(false);
    cur.line->setSelectable(false);
    cur.tracer = new QCPItemTracer(p);
    cur.tracer->setLayer(QString::fromLatin1(kCursorLayer));
    cur.tracer->setStyle(QCPItemTracer::tsCircle);
    cur.tracer->setSize(9);
    cur.tracer->setVisible(false);
    cur.tracer->setSelectable(false);
  }
  hint_ = new QCPItemText(p);
  hint_->setLayer(QString::fromLatin1(kCursorLayer));
  hint_->position->setType(QCPItemPosition::ptAxisRectRatio);
  hint_->position->setCoords(1, 1);
  hint_->setPositionAlignment(Qt::AlignRight | Qt::AlignBottom);
  hint_->setTextAlignment(Qt::AlignLeft);
  hint_->setPadding(QMargins(6, 4, 6, 4));
  hint_->setBrush(QColor(255, 255, 225));
  hint_->setPen(QPen(Qt::black));
  hint_->setClipToAxisRect(false);
  hint_->setSelectable(false);
  hint_->setVisible(false);

  readout_ = new QCPItemText(p);
  readout_->setLayer(QString::fromLatin1(kCursorLayer));
  // At the left, its foot just above the cursor's hint (both show together):
  // a wide readout would hide the hint at the bottom right.
  readout_->position->setTypeX(QCPItemPosition::ptAxisRectRatio);
  readout_->position->setParentAnchorY(hint_->top);
  readout_->position->setTypeY(QCPItemPosition::ptAbsolute);
  readout_->position->setCoords(0, -2);
  readout_->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
  readout_->setTextAlignment(Qt::AlignLeft);
  readout_->setPadding(QMargins(6, 4, 6, 4));
  readout_->setBrush(QColor(255, 255, 255, 230));
  readout_->setPen(QPen(Qt::darkGray));
  readout_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  readout_->setClipToAxisRect(false);
  readout_->setSelectable(false);
  readout_->setVisible(false);

  // The initial channel.
  TrendChannelStyle first;
  first.titleText = QStringLiteral("Channel 1");
  first.traceLineWidth = 2;
  addChannel(first);
  p->replot();
}

void QcpTrendPlot::setUserInterface(UserInterface* ui, const QString& caption) {
  ui_ = ui;
  caption_ = caption;
}

// ---- Whole plot ---------------------------------------------------------------

QString QcpTrendPlot::titleText() const { return title_ ? title_->text() : QString(); }

void QcpTrendPlot::setTitleText(const QString& text) {
  if (title_) title_->setText(text);
  plot_->replot();
}

QColor QcpTrendPlot::backGroundColor() const { return background_; }

void QcpTrendPlot::setBackGroundColor(const QColor& color) {
  background_ = color;
  plot_->setBackground(color);
  plot_->replot();
}

// ---- Axes -----------------------------------------------------------------------

TrendAxisSettings QcpTrendPlot::axis(TrendAxis which) const {
  const QCPAxis* a = axisOf(plot_, which);
  const TrendTicker& t = which == TrendAxis::X ? *xTicker_ : *yTicker_;
  const AxisExtras& e = axisExtras_[which == TrendAxis::X ? kX : kY];
  TrendAxisSettings s;
  s.title = a->label();
  s.min = a->range().lower;
  s.span = a->range().size();
  s.minorCount = t.minorCount();
  s.dateTimeFormat = t.dateTimeFormat();
  s.labelsFormatStyle = e.labelsFormatStyle;
  s.scrollMode = e.scrollMode;
  s.followData = e.followData;
  s.scaleColor = e.scaleColor;
  return s;
}

void QcpTrendPlot::setAxis(TrendAxis which, const TrendAxisSettings& s) {
  QCPAxis* a = axisOf(plot_, which);
  TrendTicker& t = which == TrendAxis::X ? *xTicker_ : *yTicker_;
  AxisExtras& e = axisExtras_[which == TrendAxis::X ? kX : kY];
  // Settings that change nothing drawn (the builder switching the axis to
  // follow the data) need no redraw of a plot that may hold millions of
  // points.
  const TrendAxisSettings was = axis(which);
  if (was.title == s.title && was.min == s.min && was.span == s.span &&
      was.minorCount == s.minorCount && was.dateTimeFormat == s.dateTimeFormat &&
      was.labelsFormatStyle == s.labelsFormatStyle && was.scaleColor == s.scaleColor) {
    e.scrollMode = s.scrollMode;
    e.followData = s.followData;
    return;
  }
  a->setLabel(s.title);
  a->setRange(s.min, s.min + s.span);
  t.setMinorCount(s.minorCount);
  t.setDateTimeFormat(s.dateTimeFormat);
  t.setDateTime(s.labelsFormatStyle == 3);
  e.labelsFormatStyle = s.labelsFormatStyle;
  e.scrollMode = s.scrollMode;
  e.followData = s.followData;
  e.scaleColor = s.scaleColor;
  setScaleColor(a, s.scaleColor);
  // New tick labels: the cached ones were drawn with the old pattern.
  a->setTicker(which == TrendAxis::X ? xTicker_.staticCast<QCPAxisTicker>()
                                     : yTicker_.staticCast<QCPAxisTicker>());
  replot();
}

void QcpTrendPlot::setAxisRange(TrendAxis which, double min, double span) {
  axisOf(plot_, which)->setRange(min, min + span);
}

// ---- Channels -------------------------------------------------------------------

QColor QcpTrendPlot::channelColor(int index) {
  static const QColor colors[] = {QColor(220, 0, 0),   QColor(0, 0, 220),   QColor(0, 140, 0),
                                  QColor(200, 0, 200), QColor(230, 120, 0), QColor(0, 140, 140),
                                  QColor(140, 70, 20), QColor(110, 0, 180), QColor(120, 120, 0),
                                  QColor(70, 70, 70),  QColor(0, 90, 160),  QColor(200, 60, 110)};
  return colors[static_cast<std::size_t>(index) % std::size(colors)];
}

QCPGraph* QcpTrendPlot::graph(int index) const {
  if (index < 0 || index >= channelCount()) throw RuntimeError(err::SubscriptOutOfRange);
  return plot_->graph(index);
}

TrendGraphData& QcpTrendPlot::data(int index) const {
  return static_cast<TrendGraph*>(graph(index))->points();
}

std::vector<const TrendGraphData*> QcpTrendPlot::channelPoints() const {
  std::vector<const TrendGraphData*> all;
  for (int i = 0; i < channelCount(); ++i) all.push_back(&data(i));
  return all;
}

void QcpTrendPlot::clearChannels() {
  clearOverlay();
  plot_->clearGraphs();
  haveKeys_ = haveValues_ = false;
  for (Cursor& c : cursors_) {
    c.channel = 0;
    c.placed = false;
  }
  // Cursor 1 stays as toggled; the second one belonged to the old points.
  cursors_[1].visible = false;
  updateCursorItems();
}

int QcpTrendPlot::addChannel(const TrendChannelStyle& style) {
  // A channel's graph follows the other channels', before any overlay's.
  clearOverlay();
  compactChannels();
  auto* g = new TrendGraph(plot_->xAxis, plot_->yAxis);
  g->setPixelAggregation(pixelAggregation_);
  g->setAdaptiveSampling(true);
  g->setLineStyle(QCPGraph::lsLine);
  const int index = plot_->graphCount() - 1;
  TrendChannelStyle s = style;
  if (!s.color.isValid()) s.color = channelColor(index);
  setChannelStyle(index, s);
  return index;
}

int QcpTrendPlot::channelCount() const {
  return plot_->graphCount() - static_cast<int>(overlay_.size());
}

TrendChannelStyle QcpTrendPlot::channelStyle(int index) const {
  const QCPGraph* g = graph(index);
  TrendChannelStyle s;
  s.titleText = g->name();
  s.traceLineWidth = g->pen().width();
  s.color = g->pen().color();
  return s;
}

void QcpTrendPlot::setChannelStyle(int index, const TrendChannelStyle& style) {
  QCPGraph* g = graph(index);
  g->setName(style.titleText);
  g->setPen(QPen(style.color, std::max(1, style.traceLineWidth)));
  if (QCPPlottableLegendItem* item = plot_->legend->itemWithPlottable(g))
    item->setTextColor(style.color);
  updateCursorItems();
}

void QcpTrendPlot::setPixelAggregation(bool on) {
  pixelAggregation_ = on;
  for (int i = 0; i < plot_->graphCount(); ++i)
    if (auto* g = qobject_cast<TrendGraph*>(plot_->graph(i))) g->setPixelAggregation(on);
}

void QcpTrendPlot::appendPoints(int index, std::vector<TrendPoint>&& points) {
  TrendGraphData& d = data(index);
  if (points.empty()) return;
  // The X values may be those of a channel read from the same rows.
  const TrendGraphData::Ranges r = d.append(points.data(), points.size(), channelPoints());
  std::vector<TrendPoint>().swap(points);
  followData(r.kMin, r.kMax, r.vMin, r.vMax);
}

void QcpTrendPlot::appendColumns(int index, std::shared_ptr<const TrendColumn> keys,
                                 TrendColumn&& values) {
  TrendGraphData& d = data(index);
  if (values.empty()) return;
  const TrendGraphData::Ranges r = d.appendColumns(std::move(keys), std::move(values));
  followData(r.kMin, r.kMax, r.vMin, r.vMax);
}

void QcpTrendPlot::reservePoints(int index, std::size_t count) { data(index).reserveMore(count); }

void QcpTrendPlot::followData(double keyMin, double keyMax, double valueMin, double valueMax) {
  if (!haveKeys_) {
    keyMin_ = keyMin;
    keyMax_ = keyMax;
    haveKeys_ = true;
  } else {
    keyMin_ = std::min(keyMin_, keyMin);
    keyMax_ = std::max(keyMax_, keyMax);
  }
  if (valueMin <= valueMax) {
    if (!haveValues_) {
      valueMin_ = valueMin;
      valueMax_ = valueMax;
      haveValues_ = true;
    } else {
      valueMin_ = std::min(valueMin_, valueMin);
      valueMax_ = std::max(valueMax_, valueMax);
    }
  }
  if (axisExtras_[kX].followData) {
    const double span = keyMax_ > keyMin_ ? keyMax_ - keyMin_ : plot_->xAxis->range().size();
    plot_->xAxis->setRange(keyMin_, keyMin_ + span);
  }
  if (axisExtras_[kY].followData && haveValues_) {
    const double span =
        valueMax_ > valueMin_ ? valueMax_ - valueMin_ : plot_->yAxis->range().size();
    plot_->yAxis->setRange(valueMin_, valueMin_ + span);
  }
}

std::size_t QcpTrendPlot::pointCount(int index) const {
  return static_cast<std::size_t>(data(index).size());
}

TrendPoint QcpTrendPlot::point(int index, std::size_t i) const {
  const TrendGraphData& d = data(index);
  if (i >= d.size()) throw RuntimeError(err::SubscriptOutOfRange);
  return d.point(i);
}

TrendChannelStats QcpTrendPlot::stats(int index, double x1, double x2) const {
  const TrendGraphData& d = data(index);
  TrendChannelStats s;
  const std::size_t end = d.upperBound(x2);
  double sum = 0;
  for (std::size_t i = d.lowerBound(x1); i < end; ++i) {
    const double v = d.value(i);
    if (std::isnan(v)) continue;
    if (s.count == 0) {
      s.min = s.max = v;
    } else {
      s.min = std::min(s.min, v);
      s.max = std::max(s.max, v);
    }
    sum += v;
    ++s.count;
  }
  if (s.count > 0) s.mean = sum / static_cast<double>(s.count);
  return s;
}

void QcpTrendPlot::compactChannels() {
  for (int i = 0; i < channelCount(); ++i) data(i).compact();
}

// ---- Legend ---------------------------------------------------------------------

bool QcpTrendPlot::legendVisible() const { return plot_->legend->visible(); }

void QcpTrendPlot::setLegendVisible(bool visible) {
  QCPLegend* legend = plot_->legend;
  QCPLayoutGrid* layout = plot_->plotLayout();
  const bool below = legend->layout() == layout;
  if (visible && !below) {
    // Its own row under the data area, so it never covers a trace.
    plot_->axisRect()->insetLayout()->take(legend);
    const int row = layout->rowCount();
    layout->addElement(row, 0, legend);
    layout->setRowStretchFactor(row, 0.001);
    legend->setBorderPen(Qt::NoPen);
    legend->setBrush(Qt::NoBrush);
    legend->setMargins(QMargins(8, 0, 8, 6));
  } else if (!visible && below) {
    layout->take(legend);
    layout->simplify();
    plot_->axisRect()->insetLayout()->addElement(legend, Qt::AlignRight | Qt::AlignTop);
  }
  legend->setVisible(visible);
  if (visible) arrangeLegend(plot_->width());
}

void QcpTrendPlot::arrangeLegend(int width) {
  QCPLegend* legend = plot_->legend;
  if (!legend->visible() || legend->itemCount() == 0) return;
  int widest = 1;
  for (int i = 0; i < legend->itemCount(); ++i)
    if (QCPAbstractLegendItem* item = legend->item(i))
      widest = std::max(widest, item->minimumOuterSizeHint().width() + legend->columnSpacing());
  const int room = std::max(1, width - legend->margins().left() - legend->margins().right());
  legend->setWrap(std::clamp(room / widest, 1, legend->itemCount()));
  legend->setFillOrder(QCPLayoutGrid::foColumnsFirst, true);
}

// ---- Output ---------------------------------------------------------------------

void QcpTrendPlot::replot() {
  compactChannels();
  updateCursorItems();
  plot_->replot(QCustomPlot::rpImmediateRefresh);
}

double QcpTrendPlot::lastReplotMs() const { return plot_->replotTime(false); }

std::size_t QcpTrendPlot::pointMemory() const {
  std::size_t bytes = 0;
  std::vector<const TrendGraphData*> counted;
  for (int i = 0; i < channelCount(); ++i) {
    bytes += data(i).bytes(counted);
    counted.push_back(&data(i));
  }
  return bytes;
}

void QcpTrendPlot::savePicture(const QString& path, const QString& format, int width, int height) {
  const QString f = format.toLower();
  const bool raster =
      f == QLatin1String("jpg") || f == QLatin1String("jpeg") || f == QLatin1String("png");
  if (!raster && f != QLatin1String("pdf") && f != QLatin1String("svg"))
    throw RuntimeError(err::InvalidCall);
  checkOutputTarget(path);
  compactChannels();
  updateCursorItems();
  const int w = width > 0 ? width : plot_->width();
  const int h = height > 0 ? height : plot_->height();
  if (w <= 0 || h <= 0 || w > 20000 || h > 20000) throw RuntimeError(err::InvalidCall);
  arrangeLegend(w);

  // The picture is made in memory and written in one checked write, so that
  // a short write (disk full, file size limit) is noticed: the encoders do
  // not report failures of the device they write to.
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  bool ok = false;
  if (raster) {
    QImage image(w, h, QImage::Format_RGB32);
    if (!image.isNull()) {
      image.fill(Qt::white);
      QCPPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      plot_->toPainter(&painter, w, h);
      painter.end();
      const bool jpg = f != QLatin1String("png");
      ok = image.save(&buffer, jpg ? "JPG" : "PNG", jpg ? 100 : -1);
    }
  } else if (f == QLatin1String("pdf")) {
    QPdfWriter writer(&buffer);
    writer.setCreator(QStringLiteral("Tarvex Data Viewer"));
    writer.setTitle(titleText());
    writer.setResolution(96);
    writer.setPageSize(QPageSize(QSizeF(w * 72.0 / 96.0, h * 72.0 / 96.0), QPageSize::Point,
                                 QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QCPPainter painter;
    if (painter.begin(&writer)) {
      painter.setMode(QCPPainter::pmVectorized);
      painter.setMode(QCPPainter::pmNoCaching);
      plot_->toPainter(&painter, w, h);
      ok = painter.end();
    }
  } else {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(w, h));
    svg.setViewBox(QRect(0, 0, w, h));
    svg.setResolution(96);
    svg.setTitle(titleText());
    QCPPainter painter;
    if (painter.begin(&svg)) {
      painter.setMode(QCPPainter::pmVectorized);
      painter.setMode(QCPPainter::pmNoCaching);
      plot_->toPainter(&painter, w, h);
      ok = painter.end();
    }
  }
  buffer.close();
  if (!ok || buffer.data().isEmpty()) throw RuntimeError(err::InvalidCall);

  // A failure leaves an existing file as it was.
  writeWholeFile(path, buffer.data());
}

void QcpTrendPlot::print(QPrinter& printer) {
  compactChannels();
  updateCursorItems();
  // At a printer's own resolution the plot's fonts come out far too large
  // against its pixel-sized lines: lay it out at screen resolution and scale
  // it to the page inside the margins.
  if (printer.printerState() != QPrinter::Active) printer.setResolution(96);
  printer.setPageMargins(
      QMarginsF(printMarginInches_, printMarginInches_, printMarginInches_, printMarginInches_),
      QPageLayout::Inch);
  QCPPainter painter;
  if (!painter.begin(&printer))
    throw RuntimeError(err::InvalidCall, QStringLiteral("The printout cannot start"));
  const QRectF page = printer.pageRect(QPrinter::DevicePixel);
  const int w = std::max(1, plot_->width());
  const int h = std::max(1, plot_->height());
  arrangeLegend(w);
  const double scale = std::min(page.width() / w, page.height() / h);
  painter.setMode(QCPPainter::pmVectorized);
  painter.setMode(QCPPainter::pmNoCaching);
  painter.setMode(QCPPainter::pmNonCosmetic);
  painter.scale(scale, scale);
  plot_->toPainter(&painter, w, h);
  painter.end();
}

void QcpTrendPlot::paintTo(QCPPainter& painter, const QRectF& rect, int width, int height) {
  compactChannels();
  updateCursorItems();
  const int w = std::max(1, width);
  const int h = std::max(1, height);
  arrangeLegend(w);
  const QCPPainter::PainterModes modes = painter.modes();
  painter.save();
  painter.setMode(QCPPainter::pmVectorized);
  painter.setMode(QCPPainter::pmNoCaching);
  painter.setMode(QCPPainter::pmNonCosmetic);
  painter.translate(rect.topLeft());
  const double scale = std::min(rect.width() / w, rect.height() / h);
  painter.scale(scale, scale);
  plot_->toPainter(&painter, w, h);
  painter.restore();
  painter.setModes(modes);
}

}  // namespace tarvex
