#include "history/history_review.h"

#include <qcustomplot.h>

#include <QAction>
#include <QGroupBox>
#include <QStringList>

#include "history/frm_history.h"
#include "history/log_grid.h"
#include "logfiles/date_order.h"
#include "review/gui/review_bar.h"
#include "review/review_model.h"
#include "review/review_texts.h"
#include "trend/gui/qcp_trend_plot.h"

namespace tarvex {

namespace {

constexpr std::array<ReviewTable, kReviewTableCount> kTables = {
    ReviewTable::Data,       ReviewTable::DataSignatures,  ReviewTable::OperatorEvents,
    ReviewTable::AuditTrail, ReviewTable::AuditSignatures, ReviewTable::Alarms};

// The captions the marks are added to.
const char* const kTabCaptions[] = {"Data", "Operator Events", "Audit Trail", "Alarm History"};
const char* const kDataSigFrame = "Digital Signatures:";
const char* const kAuditSigFrame = "Audit Trail Digital Signatures";

// What a filtered grid tells about itself: its count and the rows kept
// without a readable time.
QString gridLine(const ReviewModel& review, ReviewTable t) {
  QStringList parts;
  for (const QString& s : {review.showingText(t), review.unreadableText(t)})
    if (!s.isEmpty()) parts << s;
  if (review.searching(t)) parts << QStringLiteral("searching...");
  return parts.join(QStringLiteral("; "));
}

}  // namespace

HistoryReview::HistoryReview(FrmHistory& window, ReviewModel& review, QcpTrendPlot& plot,
                             UserInterface& ui)
    : window_(&window), review_(review), plot_(&plot) {
  commands_ = std::make_unique<ReviewCommands>(ui, review, *this, *this);
  for (ReviewTable t : kTables) wireGrid(t);

  connect(&review, &ReviewModel::filterAboutToChange, this, [this](ReviewTable t) {
    if (LogGrid* g = grid(t)) g->beginFilterChange();
  });
  connect(&review, &ReviewModel::filterChanged, this, [this](ReviewTable t) {
    if (LogGrid* g = grid(t)) g->endFilterChange();
    updateTexts();
  });
  connect(&review, &ReviewModel::windowChanged, this, [this] { updateTexts(); });
  connect(&review, &ReviewModel::searchingChanged, this, [this] { updateTexts(); });

  ReviewBar* bar = window.reviewBar;
  ReviewCommands* cmds = commands_.get();
  connect(bar, &ReviewBar::applyRequested, this,
          [cmds](const QString& from, const QString& to) { cmds->applyWindow(from, to); });
  connect(bar, &ReviewBar::wholeFileRequested, this, [cmds] { cmds->wholeFile(); });
  connect(bar, &ReviewBar::fromTrendRequested, this, [cmds] { cmds->fromTrend(); });
  connect(bar, &ReviewBar::searchTextChanged, this,
          [cmds](int tab, const QString& text) { cmds->setSearchText(tab, text); });
  connect(window.DataTab->tabBar(), &QTabBar::currentChanged, this, [this] { updateTexts(); });

  plot.setReviewLinked(true);
  connect(&plot, &QcpTrendPlot::windowDragged, this,
          [cmds](double x1, double x2) { cmds->trendDragged(x1, x2); });
  connect(&plot, &QcpTrendPlot::showInDataRequested, this, [cmds] { cmds->showInData(); });

  bar->setFieldHint(windowFieldHint(review.dateOrder()));
  updateTexts();
}

HistoryReview::~HistoryReview() {
  // The grids stop reading the review's filters, which may go first.
  if (window_)
    for (ReviewTable t : kTables)
      if (LogGrid* g = grid(t)) g->setRowFilter(nullptr);
  if (plot_) plot_->setReviewLinked(false);
}

LogGrid* HistoryReview::grid(ReviewTable t) const {
  if (!window_) return nullptr;
  switch (t) {
    case ReviewTable::Data:
      return window_->vaGridView;
    case ReviewTable::DataSignatures:
      return window_->digiSigGridView;
    case ReviewTable::OperatorEvents:
      return window_->opEvGridView;
    case ReviewTable::AuditTrail:
      return window_->auditGridView;
    case ReviewTable::AuditSignatures:
      return window_->auditSigGridView;
    case ReviewTable::Alarms:
      return window_->alarmGridView;
  }
  return nullptr;
}

QAction* HistoryReview::showInDataAction(ReviewTable t) const {
  return showInData_[std::size_t(t)];
}

QAction* HistoryReview::showOnTrendAction(ReviewTable t) const {
  return showOnTrend_[std::size_t(t)];
}

void HistoryReview::wireGrid(ReviewTable t) {
  LogGrid* g = grid(t);
  g->setRowFilter(&review_.filter(t));
  if (t == ReviewTable::Data) return;
  // Every other grid's rows lead to the data row and the trend of their time.
  ReviewCommands* cmds = commands_.get();
  connect(g, &LogGrid::rowActivated, this, [cmds, t](int row) { cmds->jumpToData(t, row); });
  if (!g->actions().isEmpty()) {
    auto* separator = new QAction(g);
    separator->setSeparator(true);
    g->addAction(separator);
  }
  auto* inData = new QAction(QStringLiteral("Show in Data"), g);
  inData->setObjectName(g->objectName() + QStringLiteral("ShowInData"));
  connect(inData, &QAction::triggered, this,
          [cmds, g, t] { cmds->jumpToData(t, g->currentTableRow()); });
  auto* onTrend = new QAction(QStringLiteral("Show on Trend"), g);
  onTrend->setObjectName(g->objectName() + QStringLiteral("ShowOnTrend"));
  connect(onTrend, &QAction::triggered, this,
          [cmds, g, t] { cmds->showOnTrend(t, g->currentTableRow()); });
  g->addAction(inData);
  g->addAction(onTrend);
  g->setContextMenuPolicy(Qt::ActionsContextMenu);
  showInData_[std::size_t(t)] = inData;
  showOnTrend_[std::size_t(t)] = onTrend;
}

void HistoryReview::dataFileChanged() {
  const std::optional<DateReading>& reading = review_.table(ReviewTable::Data).dateReading();
  if (dateOrderSink_) dateOrderSink_(reading ? dateOrderText(*reading) : QString());
  if (window_) window_->reviewBar->setFieldHint(windowFieldHint(review_.dateOrder()));
  commands_->refreshFields();
}

void HistoryReview::updateTexts() {
  if (!window_) return;
  FrmHistory& w = *window_;
  const int tab = w.DataTab->currentIndex();
  const std::optional<ReviewTable> shown = searchedTable(tab);
  w.reviewBar->setCountText(shown ? gridLine(review_, *shown) : QString());
  for (int i = 0; i < 4; ++i) {
    const ReviewTable t = *searchedTable(i);
    w.DataTab->tabBar()->setTabText(
        i, tabCaption(QLatin1String(kTabCaptions[i]), review_.isFiltered(t)));
  }
  auto frameTitle = [&](QGroupBox* frame, const char* caption, ReviewTable t) {
    const QString line = gridLine(review_, t);
    frame->setTitle(line.isEmpty() ? QLatin1String(caption) : QLatin1String(caption) + u' ' + line);
  };
  frameTitle(w.sigFrame, kDataSigFrame, ReviewTable::DataSignatures);
  frameTitle(w.auditSigFrame, kAuditSigFrame, ReviewTable::AuditSignatures);
}

// ---- ReviewWindow ---------------------------------------------------------------

void HistoryReview::setWindowFields(const QString& from, const QString& to) {
  if (window_) window_->reviewBar->setWindowFields(from, to);
}

void HistoryReview::markField(Field field, const QString& why) {
  if (window_) window_->reviewBar->markField(field == From ? ReviewBar::From : ReviewBar::To, why);
}

void HistoryReview::showDataRow(int row) {
  if (!window_) return;
  window_->DataTab->setCurrentIndex(0);
  window_->vaGridView->showTableRow(row, QAbstractItemView::PositionAtCenter);
  window_->vaGridView->setFocus(Qt::OtherFocusReason);
}

void HistoryReview::showTrendTab() {
  if (!window_) return;
  window_->DataTab->setCurrentIndex(4);
  window_->iPlotX->setFocus(Qt::OtherFocusReason);
}

// ---- ReviewTrend -------------------------------------------------------------------

bool HistoryReview::hasTrend() const {
  // The plot's first channel exists before any plot: a trend has points.
  if (!plot_) return false;
  for (int i = 0; i < plot_->channelCount(); ++i)
    if (plot_->pointCount(i) > 0) return true;
  return false;
}

std::optional<double> HistoryReview::cursorX(int cursor) const {
  if (!plot_) return std::nullopt;
  const bool shown = cursor == 0 ? plot_->cursorVisible() : plot_->secondCursorVisible();
  return shown ? std::optional(plot_->cursorX(cursor)) : std::nullopt;
}

double HistoryReview::xMin() const { return plot_ ? plot_->axis(TrendAxis::X).min : 0; }

double HistoryReview::xSpan() const { return plot_ ? plot_->axis(TrendAxis::X).span : 0; }

void HistoryReview::showAt(double min, double x) {
  if (!plot_) return;
  plot_->setAxisRange(TrendAxis::X, min, xSpan());
  plot_->setCursorVisible(true);
  plot_->moveCursor(0, x);
  plot_->replot();
}

}  // namespace tarvex
