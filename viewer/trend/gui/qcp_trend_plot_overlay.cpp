// QcpTrendPlot: the overlay of a reference batch, its traces after the
// channels' graphs, its line under the title and the second Y axis of the
// differences.
#include <QFontDatabase>
#include <algorithm>
#include <cmath>
#include <limits>

#include "shell/runtime_error.h"
#include "trend/gui/qcp_trend_graph.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/gui/qcp_trend_plot_p.h"
#include "trend/two_threads.h"

namespace tarvex {

using namespace qcpdetail;

namespace {

// Points of an envelope bucket.
constexpr std::size_t kBucket = 16;

// The envelope of `d`: per bucket of kBucket points its smallest and
// largest value at their own X, in X order, and a gap where it has one.
std::unique_ptr<TrendGraphData> envelopeOf(const TrendGraphData& d) {
  const std::size_t n = d.size();
  std::vector<TrendPoint> out;
  out.reserve(n / kBucket * 3 + 3);
  for (std::size_t b = 0; b < n; b += kBucket) {
    const std::size_t e = std::min(n, b + kBucket);
    std::size_t lo = e, hi = e, gap = e;
    for (std::size_t i = b; i < e; ++i) {
      const double v = d.value(i);
      if (std::isnan(v)) {
        if (gap == e) gap = i;
        continue;
      }
      if (lo == e || v < d.value(lo)) lo = i;
      if (hi == e || v > d.value(hi)) hi = i;
    }
    std::size_t picks[3] = {lo, hi, gap};
    std::sort(std::begin(picks), std::end(picks));
    for (std::size_t k = 0; k < 3; ++k) {
      const std::size_t i = picks[k];
      if (i == e || (k > 0 && i == picks[k - 1])) continue;
      out.push_back({d.key(i), i == gap ? kNaN : d.value(i)});
    }
  }
  auto c = std::make_unique<TrendGraphData>();
  if (!out.empty()) c->append(out.data(), out.size());
  c->compact();
  return c;
}

}  // namespace

bool QcpTrendPlot::overlayCoarse(int i) const {
  return overlay_.at(static_cast<std::size_t>(i))->drewEnvelope();
}

void QcpTrendPlot::copyPoints(int index, std::size_t first, std::size_t n, TrendPoint* out) const {
  const TrendGraphData& d = data(index);
  if (first > d.size() || n > d.size() - first) throw RuntimeError(err::SubscriptOutOfRange);
  const double* k = d.keys() + first;
  const double* v = d.values() + first;
  for (std::size_t i = 0; i < n; ++i) out[i] = {k[i], v[i]};
}

QCPGraph* QcpTrendPlot::overlayGraph(int i) const {
  return overlay_.at(static_cast<std::size_t>(i));
}

std::size_t QcpTrendPlot::overlayPointCount(int i) const {
  return overlay_.at(static_cast<std::size_t>(i))->points().size();
}

TrendPoint QcpTrendPlot::overlayPoint(int i, std::size_t k) const {
  const TrendGraphData& d = overlay_.at(static_cast<std::size_t>(i))->points();
  if (k >= d.size()) throw RuntimeError(err::SubscriptOutOfRange);
  return d.point(k);
}

void QcpTrendPlot::setOverlay(TrendOverlay&& overlay) {
  clearOverlay();
  compactChannels();
  QCustomPlot* p = plot_;
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  double firstLo = lo, firstHi = hi;
  bool second = false;
  // A trace may share the X values of a channel (a difference trace) or of
  // another trace (the reference's channels).
  std::vector<const TrendGraphData*> others = channelPoints();
  std::vector<TrendGraph*> enveloped;
  for (TrendOverlayTrace& t : overlay.traces) {
    QCPAxis* valueAxis = t.secondAxis ? p->yAxis2 : p->yAxis;
    auto* g = new TrendGraph(p->xAxis, valueAxis);
    g->setPixelAggregation(pixelAggregation_);
    TrendGraphData* d = &g->points();
    double& l = t.secondAxis ? lo : firstLo;
    double& h = t.secondAxis ? hi : firstHi;
    auto add = [&](const TrendPoint* points, std::size_t n) {
      if (n == 0) return;
      const TrendGraphData::Ranges r = d->append(points, n, others);
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
    overlay_.push_back(g);
    others.push_back(d);
    // A long trace (65,536 points or more) also keeps its envelope (the
    // smallest and largest value of every 16 points, in their order, and its
    // gaps), drawn instead while a pixel column of the view holds 32 points
    // or more: the same extremes in every column, lines between columns that
    // may start at an extreme instead of the first point, for about a fifth
    // of the values walked at every replot.
    if (d->size() >= kBucket * 4096) enveloped.push_back(g);
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
    // Its legend entry (tarvex plot) in its colour, as a channel's is.
    if (QCPPlottableLegendItem* item = p->legend->itemWithPlottable(g)) item->setTextColor(t.color);
  }

  // The envelopes, on two threads (each only reads its trace's points).
  {
    std::vector<std::unique_ptr<TrendGraphData>> made(enveloped.size());
    auto make = [&](std::size_t from) {
      for (std::size_t i = from; i < enveloped.size(); i += 2)
        made[i] = envelopeOf(enveloped[i]->points());
    };
    onTwoThreads([&] { make(0); }, [&] { make(1); });
    for (std::size_t i = 0; i < enveloped.size(); ++i)
      enveloped[i]->setEnvelope(std::move(made[i]), 2.0 * kBucket);
  }

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
  for (TrendGraph* g : overlay_) plot_->removeGraph(g);
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
