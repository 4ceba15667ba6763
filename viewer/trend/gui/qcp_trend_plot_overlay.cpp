// QcpTrendPlot: the overlay of a reference batch, its traces after the
// channels' graphs, its line under the title and the second Y axis of the
// differences.
#include <QFontDatabase>
#include <algorithm>
#include <cmath>
#include <limits>

#include "shell/runtime_error.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/gui/qcp_trend_plot_p.h"

namespace tarvex {

using namespace qcpdetail;

namespace {

// Points of an envelope bucket.
constexpr std::size_t kBucket = 32;

// The envelope of `d`: per bucket of kBucket points its smallest and
// largest value at their own X, in X order, and a gap where it has one.
QSharedPointer<TrendGraphData> envelopeOf(const TrendGraphData& d) {
  const std::size_t n = static_cast<std::size_t>(d.size());
  std::vector<TrendPoint> out;
  out.reserve(n / kBucket * 3 + 3);
  for (std::size_t b = 0; b < n; b += kBucket) {
    const std::size_t e = std::min(n, b + kBucket);
    std::size_t lo = e, hi = e, gap = e;
    for (std::size_t i = b; i < e; ++i) {
      const double v = d.pointAt(i).value;
      if (std::isnan(v)) {
        if (gap == e) gap = i;
        continue;
      }
      if (lo == e || v < d.pointAt(lo).value) lo = i;
      if (hi == e || v > d.pointAt(hi).value) hi = i;
    }
    std::size_t picks[3] = {lo, hi, gap};
    std::sort(std::begin(picks), std::end(picks));
    for (std::size_t k = 0; k < 3; ++k) {
      const std::size_t i = picks[k];
      if (i == e || (k > 0 && i == picks[k - 1])) continue;
      out.push_back({d.pointAt(i).key, i == gap ? kNaN : d.pointAt(i).value});
    }
  }
  auto c = QSharedPointer<TrendGraphData>::create();
  if (!out.empty()) c->append(out.data(), out.size());
  c->compact();
  return c;
}

}  // namespace

void QcpTrendPlot::chooseOverlayDetail(int pixels) {
  const QCPRange r = plot_->xAxis->range();
  for (OverlayTrace& t : overlay_) {
    if (!t.coarse) continue;
    const auto from = t.full->findBegin(r.lower, false);
    const auto to = t.full->findEnd(r.upper, false);
    const bool coarse =
        static_cast<double>(to - from) >= 2.0 * static_cast<double>(kBucket) * std::max(1, pixels);
    const QSharedPointer<QCPGraphDataContainer> want = coarse ? t.coarse : t.full;
    if (t.graph->data() != want) t.graph->setData(want);
  }
}

void QcpTrendPlot::copyPoints(int index, std::size_t first, std::size_t n, TrendPoint* out) const {
  const TrendGraphData& d = data(index);
  if (first > static_cast<std::size_t>(d.size()) || n > static_cast<std::size_t>(d.size()) - first)
    throw RuntimeError(err::SubscriptOutOfRange);
  for (std::size_t i = 0; i < n; ++i) {
    const QCPGraphData& p = d.pointAt(first + i);
    out[i] = {p.key, p.value};
  }
}

bool QcpTrendPlot::overlayCoarse(int i) const {
  const OverlayTrace& t = overlay_.at(static_cast<std::size_t>(i));
  return t.coarse && t.graph->data() == t.coarse.staticCast<QCPGraphDataContainer>();
}

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
    double& l = t.secondAxis ? lo : firstLo;
    double& h = t.secondAxis ? hi : firstHi;
    auto add = [&](const TrendPoint* points, std::size_t n) {
      if (n == 0) return;
      const TrendGraphData::Ranges r = d->append(points, n);
      if (r.vMin <= r.vMax) {
        l = std::min(l, r.vMin);
        h = std::max(h, r.vMax);
      }
    };
    if (t.fill) {
      d->reserveMore(t.count);
      std::vector<TrendPoint> part(std::min<std::size_t>(t.count, 4096));
      for (std::size_t first = 0; first < t.count; first += part.size()) {
        const std::size_t n = std::min(part.size(), t.count - first);
        t.fill(first, n, part.data());
        add(part.data(), n);
      }
    } else {
      add(t.points.data(), t.points.size());
    }
    d->compact();
    std::vector<TrendPoint>().swap(t.points);
    second = second || t.secondAxis;
    OverlayTrace trace;
    trace.graph = g;
    trace.full = d;
    // Short traces are walked quickly enough as they are.
    if (d->size() >= static_cast<int>(kBucket) * 4096) trace.coarse = envelopeOf(*d);
    overlay_.push_back(trace);
    g->setData(d);
    g->setAdaptiveSampling(true);
    g->setLineStyle(QCPGraph::lsLine);
    g->setName(t.titleText);
    // A dashed or dotted pen is drawn one pixel wide: wider, the painter
    // strokes every dash of a dense trace as a polygon of its own, which
    // costs several times the replot of all the channels.
    QPen pen(t.color, std::max(1, t.traceLineWidth), t.penStyle, Qt::FlatCap);
    if (t.penStyle != Qt::SolidLine) {
      pen.setWidth(1);
      pen.setCosmetic(true);
    }
    g->setPen(pen);
  }
  overlayDetail_ = connect(plot_, &QCustomPlot::beforeReplot, this,
                           [this] { chooseOverlayDetail(plot_->axisRect()->width()); });

  // The value axis widens to hold the overlay's values (never narrows).
  if (firstLo <= firstHi) {
    const QCPRange r = p->yAxis->range();
    if (firstLo < r.lower || firstHi > r.upper) {
      p->yAxis->setRange(std::min(r.lower, firstLo), std::max(r.upper, firstHi));
      const QCPRange w = p->yAxis->range();
      overlayWidened_ = std::array<double, 4>{r.lower, r.upper, w.lower, w.upper};
    }
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
  if (overlay_.empty() && !overlayTitle_ && !readings_) return;
  disconnect(overlayDetail_);
  for (const OverlayTrace& t : overlay_) plot_->removeGraph(t.graph);
  overlay_.clear();
  plot_->yAxis2->setVisible(false);
  if (overlayWidened_) {
    const std::array<double, 4>& w = *overlayWidened_;
    const QCPRange now = plot_->yAxis->range();
    if (now.lower == w[2] && now.upper == w[3]) plot_->yAxis->setRange(w[0], w[1]);
  }
  overlayWidened_.reset();
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
