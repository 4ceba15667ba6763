#include "review/review_model.h"

#include <QTimer>

#include "logfiles/logtable.h"
#include "review/review_texts.h"
#include "review/text_match.h"

namespace tarvex {

namespace {

// Tables of more cells than this are searched in the background.
constexpr qint64 kBackgroundCells = 100000;

int indexOf(ReviewTable t) { return static_cast<int>(t); }

// Whether a table is searched at once rather than in the background.
bool isSmall(const LogTable& table) {
  return qint64(table.lastRow() + 1) * (table.lastCol() + 1) <= kBackgroundCells;
}

}  // namespace

struct ReviewModel::Grid {
  Grid(LogTable& t, ReviewTable kind) : table(t), filter(t, timeColumnsOf(kind)) {}
  LogTable& table;
  RowFilter filter;
  QString text;            // as last set
  quint64 generation = 0;  // of the search whose rows are wanted
  bool searching = false;
  bool stale = false;      // the table changed; the filters wait to be applied
  bool reshaping = false;  // between the start and the end of a change of shape
  BackgroundMatch search;
};

ReviewModel::ReviewModel(const Tables& tables, QObject* parent) : QObject(parent) {
  for (int i = 0; i < kReviewTableCount; ++i) {
    const ReviewTable t = static_cast<ReviewTable>(i);
    grids_[std::size_t(i)] = std::make_unique<Grid>(*tables[std::size_t(i)], t);
    LogTable* table = tables[std::size_t(i)];
    // A search must stop before the table changes under it, and a grid
    // whose table changes shape shows every row by the time the table's own
    // reset ends (whichever view hears of it first); the filters are applied
    // to the new content afterwards. Changed texts keep the rows shown until
    // then.
    // A table filled in a batch may let events run while it fills (the
    // companion readers do): nothing reads it until its change ends, and
    // the filters are applied after that.
    auto reshaped = [this, t] { tableAboutToChange(t, true); };
    auto rewritten = [this, t] { tableAboutToChange(t, false); };
    auto ended = [this, t] { tableReshaped(t); };
    connect(table, &QAbstractItemModel::modelAboutToBeReset, this, reshaped);
    connect(table, &QAbstractItemModel::rowsAboutToBeInserted, this, reshaped);
    connect(table, &QAbstractItemModel::rowsAboutToBeRemoved, this, reshaped);
    connect(table, &QAbstractItemModel::columnsAboutToBeInserted, this, reshaped);
    connect(table, &QAbstractItemModel::columnsAboutToBeRemoved, this, reshaped);
    connect(table, &QAbstractItemModel::modelReset, this, ended);
    connect(table, &QAbstractItemModel::rowsInserted, this, ended);
    connect(table, &QAbstractItemModel::rowsRemoved, this, ended);
    connect(table, &QAbstractItemModel::columnsInserted, this, ended);
    connect(table, &QAbstractItemModel::columnsRemoved, this, ended);
    connect(table, &QAbstractItemModel::dataChanged, this, rewritten);
    connect(table, &LogTable::columnFormatChanged, this, rewritten);
  }
}

ReviewModel::~ReviewModel() {
  for (auto& g : grids_) g->search.stop();
}

ReviewModel::Grid& ReviewModel::grid(ReviewTable t) const {
  return *grids_[std::size_t(indexOf(t))];
}

LogTable& ReviewModel::table(ReviewTable t) const { return grid(t).table; }

// ---- Window ------------------------------------------------------------------

void ReviewModel::setWindow(const TimeWindow& window) {
  checkTimeWindow(window);
  window_ = window;
  for (int i = 0; i < kReviewTableCount; ++i) {
    const ReviewTable t = static_cast<ReviewTable>(i);
    if (grid(t).reshaping) {
      grid(t).stale = true;  // applied when its change ends
      continue;
    }
    emit filterAboutToChange(t);
    grid(t).filter.setWindow(window_);
    emit filterChanged(t);
  }
  emit windowChanged();
}

DateOrder ReviewModel::dateOrder() const {
  const std::optional<DateReading>& r = table(ReviewTable::Data).dateReading();
  return r ? r->order : localeDateOrder();
}

// ---- Text ----------------------------------------------------------------------

void ReviewModel::setText(ReviewTable t, const QString& text) {
  Grid& g = grid(t);
  g.text = text;
  ++g.generation;
  g.search.stop();
  if (g.reshaping) {
    g.stale = true;  // searched when its change ends
    return;
  }
  if (text.isEmpty()) {
    applyMatches(t, std::nullopt);
    return;
  }
  startSearch(t);
}

void ReviewModel::startSearch(ReviewTable t) {
  Grid& g = grid(t);
  if (isSmall(g.table)) {
    applyMatches(t, matchRows(g.table, g.text));
    return;
  }
  const quint64 generation = g.generation;
  if (!g.searching) {
    g.searching = true;
    emit searchingChanged(t, true);
  }
  g.search.start(g.table, g.text, [this, t, generation](RowSet rows) {
    auto found = std::make_shared<RowSet>(std::move(rows));
    QMetaObject::invokeMethod(
        this,
        [this, t, generation, found] {
          if (grid(t).generation == generation) applyMatches(t, std::move(*found));
        },
        Qt::QueuedConnection);
  });
}

void ReviewModel::applyMatches(ReviewTable t, std::optional<RowSet> rows) {
  Grid& g = grid(t);
  emit filterAboutToChange(t);
  g.filter.setTextMatches(g.text, std::move(rows));
  emit filterChanged(t);
  if (g.searching) {
    g.searching = false;
    emit searchingChanged(t, false);
  }
}

const QString& ReviewModel::text(ReviewTable t) const { return grid(t).text; }

bool ReviewModel::searching(ReviewTable t) const { return grid(t).searching; }

void ReviewModel::settle(ReviewTable t) {
  Grid& g = grid(t);
  if (g.stale) reapply();
  if (!g.searching || g.reshaping) return;
  ++g.generation;
  g.search.stop();
  applyMatches(t, matchRows(g.table, g.text));
}

void ReviewModel::readTimes(ReviewTable t) {
  Grid& g = grid(t);
  if (!g.reshaping) g.filter.times();
}

// ---- Table changes ------------------------------------------------------------

void ReviewModel::tableAboutToChange(ReviewTable t, bool reshaped) {
  Grid& g = grid(t);
  ++g.generation;
  g.search.stop();
  if (reshaped) {
    g.filter.tableChanged();
    g.reshaping = true;
  }
  if (!window_.isSet() && g.text.isEmpty()) return;
  g.stale = true;
  queueReapply();
}

void ReviewModel::tableReshaped(ReviewTable t) {
  Grid& g = grid(t);
  g.reshaping = false;
  if (g.stale) queueReapply();
}

void ReviewModel::queueReapply() {
  if (reapplyQueued_) return;
  reapplyQueued_ = true;
  QTimer::singleShot(0, this, [this] { reapply(); });
}

void ReviewModel::reapply() {
  reapplyQueued_ = false;
  for (int i = 0; i < kReviewTableCount; ++i) {
    const ReviewTable t = static_cast<ReviewTable>(i);
    Grid& g = grid(t);
    if (!g.stale || g.reshaping) continue;
    g.stale = false;
    if (g.searching) {
      g.searching = false;
      emit searchingChanged(t, false);
    }
    // A small table's text is found here, so that its grid changes once.
    if (!g.text.isEmpty() && isSmall(g.table)) {
      emit filterAboutToChange(t);
      g.filter.setWindow(window_);
      g.filter.setTextMatches(g.text, matchRows(g.table, g.text));
      emit filterChanged(t);
      continue;
    }
    emit filterAboutToChange(t);
    g.filter.setWindow(window_);
    emit filterChanged(t);
    if (!g.text.isEmpty()) startSearch(t);
  }
}

// ---- What a grid shows ----------------------------------------------------------

const RowFilter& ReviewModel::filter(ReviewTable t) const { return grid(t).filter; }

bool ReviewModel::isFiltered(ReviewTable t) const {
  return window_.isSet() || !grid(t).text.isEmpty();
}

QString ReviewModel::showingText(ReviewTable t) const {
  if (!isFiltered(t)) return {};
  const RowFilter& f = grid(t).filter;
  return tarvex::showingText(f.shownRows(), f.totalRows());
}

QString ReviewModel::unreadableText(ReviewTable t) const {
  return window_.isSet() ? tarvex::unreadableText(grid(t).filter.unreadableShown()) : QString();
}

std::optional<std::vector<int>> ReviewModel::shownRows(ReviewTable t) {
  settle(t);
  if (!isFiltered(t)) return std::nullopt;
  return grid(t).filter.shownTableRows();
}

QString ReviewModel::filterLine(ReviewTable t) {
  settle(t);
  if (!isFiltered(t)) return {};
  const std::optional<DateReading>& r = table(t).dateReading();
  return tarvex::filterLine(window_, grid(t).text, r ? r->order : dateOrder());
}

// ---- Jumps ----------------------------------------------------------------------

std::optional<double> ReviewModel::rowTime(ReviewTable t, int row) const {
  if (row < 1 || row > table(t).lastRow()) return std::nullopt;
  return rowDateTime(table(t), row, timeColumnsOf(t));
}

int ReviewModel::dataRowAtSeconds(qint64 seconds) {
  Grid& data = grid(ReviewTable::Data);
  if (data.reshaping) return -1;
  if (data.stale) reapply();
  const RowTimes* times = data.filter.times();
  if (!times) return -1;
  const int row = times->rowAtOrBefore(seconds);
  if (row < 0) return -1;
  return data.filter.isShown(row) ? row : data.filter.nearestShown(row);
}

int ReviewModel::dataRowAt(double serial) { return dataRowAtSeconds(lastSecondAtOrBefore(serial)); }

int ReviewModel::jumpToData(ReviewTable source, int row) {
  if (row < 1 || row > table(source).lastRow()) return -1;
  const std::optional<qint64> s = rowSeconds(table(source), row, timeColumnsOf(source));
  return s ? dataRowAtSeconds(*s) : -1;
}

std::size_t ReviewModel::memoryBytes() const {
  std::size_t sum = 0;
  for (const auto& g : grids_) sum += g->filter.memoryBytes();
  return sum;
}

}  // namespace tarvex
