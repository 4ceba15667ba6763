// The review's notes on the trend: a layer over the channels that draws
// each note as a thin vertical line with a small label, in every picture
// the plot makes (screen, saved pictures, printouts, report pages).
#include <qcustomplot.h>

#include <algorithm>

#include "trend/gui/qcp_trend_plot.h"
#include "trend/marker_clusters.h"

namespace tarvex {

namespace {

const char kNotesLayer[] = "notes";
const QColor kMarkerColour(0xC0, 0x58, 0x00);

}  // namespace

// Draws the markers visible on the X axis: those closer than a label's
// width as one line at their mean, labelled with their count; a lone one
// labelled with its text, shortened to the room before the next.
class NoteMarkerLayer : public QCPLayerable {
 public:
  explicit NoteMarkerLayer(QCustomPlot* plot) : QCPLayerable(plot) {
    if (!plot->layer(QString::fromLatin1(kNotesLayer)))
      plot->addLayer(QString::fromLatin1(kNotesLayer), plot->layer(QStringLiteral("main")),
                     QCustomPlot::limAbove);
    setLayer(QString::fromLatin1(kNotesLayer));
  }

  void setMarkers(std::vector<TrendMarker> markers) {
    std::stable_sort(markers.begin(), markers.end(),
                     [](const TrendMarker& a, const TrendMarker& b) { return a.x < b.x; });
    markers_ = std::move(markers);
    xs_.clear();
    xs_.reserve(markers_.size());
    for (const TrendMarker& m : markers_) xs_.push_back(m.x);
  }
  std::size_t count() const { return markers_.size(); }
  int drawnLines() const { return drawnLines_; }

 protected:
  void applyDefaultAntialiasingHint(QCPPainter* painter) const override {
    applyAntialiasingHint(painter, false, QCP::aeOther);
  }

  void draw(QCPPainter* painter) override {
    drawnLines_ = 0;
    if (markers_.empty()) return;
    QCPAxisRect* rect = mParentPlot->axisRect();
    QCPAxis* x = mParentPlot->xAxis;
    if (!rect || !x) return;
    const QRect area = rect->rect();
    const QCPRange range = x->range();
    const auto first = std::lower_bound(xs_.begin(), xs_.end(), range.lower);
    const auto last = std::upper_bound(first, xs_.end(), range.upper);
    if (first == last) return;
    const int base = int(first - xs_.begin());
    std::vector<double> pixels;
    pixels.reserve(std::size_t(last - first));
    for (auto it = first; it != last; ++it) pixels.push_back(x->coordToPixel(*it));
    if (x->rangeReversed()) std::reverse(pixels.begin(), pixels.end());

    QFont font = mParentPlot->font();
    font.setPointSizeF(std::max(6.0, font.pointSizeF() * 0.8));
    const QFontMetricsF m(font, painter->device());
    const double pad = 2;
    const double minGap = m.horizontalAdvance(QStringLiteral("000")) + 2 * pad + 2;
    const std::vector<MarkerCluster> clusters = clusterMarkers(pixels, minGap);

    painter->save();
    painter->setClipRect(area);
    painter->setFont(font);
    const double labelH = m.height() + 2;
    for (std::size_t k = 0; k < clusters.size(); ++k) {
      const MarkerCluster& c = clusters[k];
      const double px = c.pixel;
      painter->setPen(QPen(kMarkerColour, c.count > 1 ? 2 : 1));
      painter->drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
      // The label: room until the next line, at most a short phrase.
      const double next = k + 1 < clusters.size() ? clusters[k + 1].pixel : area.right();
      const double room = std::min(140.0, next - px - 2);
      QString text;
      if (c.count > 1) {
        text = QStringLiteral("%1 notes").arg(c.count);
        if (m.horizontalAdvance(text) + 2 * pad > room) text = QString::number(c.count);
      } else {
        const QString full = markers_[std::size_t(base + c.first)].label.simplified();
        text = m.elidedText(full, Qt::ElideRight, std::max(0.0, room - 2 * pad));
        if (text.isEmpty() || text == QStringLiteral("…")) text = QStringLiteral("1");
      }
      const QRectF box(px + 1, area.top() + 1 + (k % 2) * labelH,
                       m.horizontalAdvance(text) + 2 * pad, labelH);
      painter->setPen(Qt::NoPen);
      painter->setBrush(QColor(0xFF, 0xF4, 0xD8, 230));
      painter->drawRect(box);
      painter->setPen(kMarkerColour.darker(140));
      painter->drawText(box, Qt::AlignCenter, text);
      ++drawnLines_;
    }
    painter->restore();
  }

 private:
  std::vector<TrendMarker> markers_;
  std::vector<double> xs_;
  int drawnLines_ = 0;
};

void QcpTrendPlot::setMarkers(std::vector<TrendMarker> markers) {
  if (!markers_) markers_ = new NoteMarkerLayer(plot_);
  markers_->setMarkers(std::move(markers));
}

std::size_t QcpTrendPlot::markerCount() const { return markers_ ? markers_->count() : 0; }

int QcpTrendPlot::drawnMarkerLines() const { return markers_ ? markers_->drawnLines() : 0; }

}  // namespace tarvex
