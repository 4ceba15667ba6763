#include "history/history_record.h"

#include <QAction>
#include <QFileInfo>
#include <QVBoxLayout>
#include <map>

#include "history/frm_history.h"
#include "history/history_commands.h"
#include "history/history_review.h"
#include "history/log_grid.h"
#include "logfiles/companions.h"
#include "record/gui/review_pane.h"
#include "record/note_anchor.h"
#include "review/review_model.h"
#include "trend/gui/qcp_trend_plot.h"

namespace tarvex {

namespace {

constexpr int kReviewTab = 5;

constexpr std::array<ReviewTable, kReviewTableCount> kTables = {
    ReviewTable::Data,       ReviewTable::DataSignatures,  ReviewTable::OperatorEvents,
    ReviewTable::AuditTrail, ReviewTable::AuditSignatures, ReviewTable::Alarms};

std::optional<double> serialOf(const QString& iso) {
  if (iso.isEmpty()) return std::nullopt;
  const auto s = secondsOfIso(iso);
  return s ? std::optional(double(*s) / 86400.0) : std::nullopt;
}

QString markLine(const RecordEntry& e, bool valid) {
  return QStringLiteral("Note by %1 (%2), %3%4:\n%5")
      .arg(e.name, e.author, writtenText(e), valid ? QString() : QStringLiteral(" (FAILED)"),
           e.text);
}

}  // namespace

HistoryRecord::HistoryRecord(FrmHistory& window, ReviewModel& review, HistoryReview& historyReview,
                             QcpTrendPlot& plot, UserInterface& ui)
    : window_(&window), review_(review), historyReview_(historyReview), plot_(&plot), ui_(ui) {
  commands_ = std::make_unique<RecordCommands>(ui, *this);
  // The Review tab holds the pane.
  QFrame* page = window.DataTab->page(kReviewTab);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  pane_ = new ReviewPane(page);
  layout->addWidget(pane_);
  connect(pane_, &ReviewPane::entryActivated, this, [this](int entry) { jumpToEntry(entry); });
  for (ReviewTable t : kTables) wireGrid(t);
  connect(&review, &ReviewModel::windowChanged, this, [this] { updateWindow(); });
  // A data file changed on disk: the record is verified again (a sign-off
  // bound the file as it was), once the writes have settled.
  changed_.setSingleShot(true);
  changed_.setInterval(500);
  connect(&changed_, &QTimer::timeout, this, [this] { commands_->refresh(); });
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { changed_.start(); });
  updateWindow();
}

HistoryRecord::~HistoryRecord() {
  if (window_)
    for (ReviewTable t : kTables)
      if (LogGrid* g = historyReview_.grid(t)) g->setNoteMarks(nullptr);
  if (plot_) plot_->setMarkers({});
}

bool HistoryRecord::refuseWhenBusy() {
  if (!busy_ || !busy_()) return false;
  ui_.msgBoxPos(busyText(), mb::Information);
  return true;
}

QString HistoryRecord::fileOf(ReviewTable t) const {
  const BatchPaths& b = commands_->batch();
  switch (t) {
    case ReviewTable::Data:
      return b.dataFile;
    case ReviewTable::DataSignatures:
      return companionFileName(b.dataFile, CompanionKind::DataSignatures);
    case ReviewTable::OperatorEvents:
      return companionFileName(b.dataFile, CompanionKind::OperatorEvents);
    case ReviewTable::AuditTrail:
      return b.auditFile;
    case ReviewTable::AuditSignatures:
      return b.auditFile.isEmpty() ? QString()
                                   : companionFileName(b.auditFile, CompanionKind::AuditSignatures);
    case ReviewTable::Alarms:
      return b.alarmFile;
  }
  return {};
}

void HistoryRecord::wireGrid(ReviewTable t) {
  LogGrid* g = historyReview_.grid(t);
  if (!g) return;
  if (!g->actions().isEmpty()) {
    auto* separator = new QAction(g);
    separator->setSeparator(true);
    g->addAction(separator);
  }
  auto* add = new QAction(QStringLiteral("Add Note..."), g);
  add->setObjectName(g->objectName() + QStringLiteral("AddNote"));
  connect(add, &QAction::triggered, this, [this, g, t] {
    if (refuseWhenBusy() || !g->table()) return;
    const int row = g->menuTableRow() > 0 ? g->menuTableRow() : g->currentTableRow();
    commands_->addNoteAtRow(t, *g->table(), row, fileOf(t));
  });
  g->addAction(add);
  g->setContextMenuPolicy(Qt::ActionsContextMenu);
}

TrendMenuEntry HistoryRecord::trendMenuEntry() {
  TrendMenuEntry e;
  e.text = QStringLiteral("Add Note...");
  e.enabled = historyReview_.hasTrend() && !commands_->batch().dataFile.isEmpty();
  e.action = [this] {
    if (refuseWhenBusy() || !plot_) return;
    const double x = plot_->cursorVisible() ? plot_->cursorX(0) : plot_->menuX();
    commands_->addNoteAtTime(review_.table(ReviewTable::Data), x);
  };
  return e;
}

void HistoryRecord::batchChanged(const BatchPaths& batch) {
  if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
  if (!batch.dataFile.isEmpty()) watcher_.addPath(batch.dataFile);
  commands_->openBatch(batch);
}

void HistoryRecord::signReview() {
  if (refuseWhenBusy()) return;
  const TimeWindow& w = review_.window();
  ReviewCommands& rc = historyReview_.commands();
  const QString text =
      !w.isSet() ? QStringLiteral("the whole file")
                 : QStringLiteral("From %1 To %2")
                       .arg(w.from ? rc.fieldText(w.from) : QStringLiteral("the file's start"),
                            w.to ? rc.fieldText(w.to) : QStringLiteral("the file's end"));
  commands_->signReview(w, text);
}

void HistoryRecord::updateWindow() {
  const TimeWindow& w = review_.window();
  pane_->model()->setWindow(w.from, w.to);
}

void HistoryRecord::showRecord(const VerifiedRecord& record) {
  auto shown = std::make_shared<const VerifiedRecord>(record);
  shown_ = shown;
  pane_->model()->setRecord(shown);
  pane_->setHeading(record.recordPath.isEmpty()
                        ? QString()
                        : QStringLiteral("Review record %1").arg(record.recordPath),
                    false);

  // The grids' marks: every note's row, by the table and file it names; a
  // note at a time marks the data row of that time.
  std::array<NoteMarks, kReviewTableCount> marks;
  std::array<QString, kReviewTableCount> names;
  for (ReviewTable t : kTables) names[std::size_t(t)] = QFileInfo(fileOf(t)).fileName();
  std::vector<TrendMarker> markers;
  for (const EntryResult& res : record.entries) {
    if (!res.entry || res.entry->kind != EntryKind::Note) continue;
    const RecordEntry& e = *res.entry;
    const bool valid = record.pending || res.valid();
    const std::optional<double> serial = serialOf(e.anchor.time);
    if (serial) markers.push_back({*serial, e.text});
    std::optional<ReviewTable> table;
    int row = 0;
    if (e.anchor.kind == NoteAnchor::Kind::Row) {
      table = reviewTableOfNote(e.anchor.table);
      row = e.anchor.row;
      if (table && *table != ReviewTable::Data && e.anchor.file != names[std::size_t(*table)])
        continue;  // a note on a file not open now
    } else if (serial) {
      table = ReviewTable::Data;
      row = review_.dataRowAt(*serial);
    }
    if (!table || row <= 0) continue;
    QString& tip = marks[std::size_t(*table)][row];
    if (!tip.isEmpty()) tip += QStringLiteral("\n\n");
    tip += markLine(e, valid);
  }
  for (ReviewTable t : kTables)
    if (LogGrid* g = historyReview_.grid(t))
      g->setNoteMarks(marks[std::size_t(t)].empty()
                          ? nullptr
                          : std::make_shared<const NoteMarks>(std::move(marks[std::size_t(t)])));
  if (plot_) {
    plot_->setMarkers(std::move(markers));
    if (historyReview_.hasTrend()) plot_->replot();
  }
}

void HistoryRecord::setReviewStatus(const QString& text, bool failed) {
  if (statusSink_) statusSink_(text, failed);
  const QString path = shown_ ? shown_->recordPath : QString();
  pane_->setHeading(path.isEmpty() ? text : QStringLiteral("%1 - %2").arg(path, text), failed);
}

void HistoryRecord::jumpToEntry(int entry) {
  if (refuseWhenBusy() || !shown_ || entry < 0 || entry >= int(shown_->entries.size())) return;
  const std::optional<RecordEntry>& e = shown_->entries[std::size_t(entry)].entry;
  if (!e || e->kind != EntryKind::Note) return;
  const std::optional<double> serial = serialOf(e->anchor.time);
  // The trend first (it stays behind), then the row's grid in front.
  if (serial && historyReview_.hasTrend())
    historyReview_.showAt(*serial - historyReview_.xSpan() / 2, *serial);
  if (e->anchor.kind == NoteAnchor::Kind::Row) {
    const std::optional<ReviewTable> t = reviewTableOfNote(e->anchor.table);
    if (!t) return;
    if (*t == ReviewTable::Data) {
      historyReview_.showDataRow(e->anchor.row);
      return;
    }
    LogGrid* g = historyReview_.grid(*t);
    if (!g || !window_) return;
    window_->DataTab->setCurrentIndex(tabOf(*t));
    g->showTableRow(e->anchor.row, QAbstractItemView::PositionAtCenter);
    g->setFocus(Qt::OtherFocusReason);
  } else if (serial) {
    const int row = review_.dataRowAt(*serial);
    if (row > 0) historyReview_.showDataRow(row);
  }
}

}  // namespace tarvex
