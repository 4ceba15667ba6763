#include "history/log_grid.h"

#include <QHeaderView>
#include <QLabel>
#include <algorithm>

namespace tarvex {

// ---- LogGridModel ---------------------------------------------------------------

LogGridModel::LogGridModel(LogTable* table, QObject* parent)
    : QAbstractProxyModel(parent), table_(table) {
  setSourceModel(table);
  // Any change of the table's shape is shown as a reset: loads and growth
  // while reading are the only ones, and both replace what the view shows.
  auto begin = [this] { beginResetModel(); };
  auto end = [this] { endResetModel(); };
  connect(table, &QAbstractItemModel::modelAboutToBeReset, this, begin);
  connect(table, &QAbstractItemModel::modelReset, this, end);
  connect(table, &QAbstractItemModel::rowsAboutToBeInserted, this, begin);
  connect(table, &QAbstractItemModel::rowsInserted, this, end);
  connect(table, &QAbstractItemModel::rowsAboutToBeRemoved, this, begin);
  connect(table, &QAbstractItemModel::rowsRemoved, this, end);
  connect(table, &QAbstractItemModel::columnsAboutToBeInserted, this, begin);
  connect(table, &QAbstractItemModel::columnsInserted, this, end);
  connect(table, &QAbstractItemModel::columnsAboutToBeRemoved, this, begin);
  connect(table, &QAbstractItemModel::columnsRemoved, this, end);
  connect(table, &QAbstractItemModel::layoutAboutToBeChanged, this,
          [this] { emit layoutAboutToBeChanged(); });
  connect(table, &QAbstractItemModel::layoutChanged, this, [this] { emit layoutChanged(); });
  connect(table, &QAbstractItemModel::dataChanged, this, &LogGridModel::sourceDataChanged);
}

QModelIndex LogGridModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
    return {};
  return createIndex(row, column);
}

QModelIndex LogGridModel::parent(const QModelIndex&) const { return {}; }

int LogGridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !table_) return 0;
  return std::max(0, table_->rowCount() - 1);
}

int LogGridModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid() || !table_) return 0;
  return std::max(0, table_->columnCount() - 1);
}

QModelIndex LogGridModel::mapToSource(const QModelIndex& proxyIndex) const {
  if (!proxyIndex.isValid() || !table_) return {};
  return table_->index(proxyIndex.row() + 1, proxyIndex.column() + 1);
}

QModelIndex LogGridModel::mapFromSource(const QModelIndex& sourceIndex) const {
  if (!sourceIndex.isValid() || sourceIndex.row() < 1 || sourceIndex.column() < 1) return {};
  return index(sourceIndex.row() - 1, sourceIndex.column() - 1);
}

QVariant LogGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (!table_) return {};
  if (role == Qt::DisplayRole) {
    return orientation == Qt::Horizontal ? table_->getCell(section + 1, 0)
                                         : table_->getCell(0, section + 1);
  }
  if (role == Qt::ToolTipRole && orientation == Qt::Horizontal)
    return table_->getCell(section + 1, 0);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return QAbstractProxyModel::headerData(section, orientation, role);
}

void LogGridModel::sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                     const QList<int>& roles) {
  if (topLeft.row() == 0 && columnCount() > 0)
    emit headerDataChanged(Qt::Horizontal, std::max(0, topLeft.column() - 1),
                           std::max(0, bottomRight.column() - 1));
  if (topLeft.column() == 0 && rowCount() > 0)
    emit headerDataChanged(Qt::Vertical, std::max(0, topLeft.row() - 1),
                           std::max(0, bottomRight.row() - 1));
  const int r1 = std::max(1, topLeft.row()) - 1;
  const int c1 = std::max(1, topLeft.column()) - 1;
  const int r2 = bottomRight.row() - 1;
  const int c2 = bottomRight.column() - 1;
  if (r2 >= r1 && c2 >= c1 && r2 < rowCount() && c2 < columnCount())
    emit dataChanged(index(r1, c1), index(r2, c2), roles);
}

// ---- selection ------------------------------------------------------------------

TableSelection selectionOf(const QItemSelection& selection, int viewRows, int viewColumns,
                           bool wholeRowGrid) {
  TableSelection out;
  for (const QItemSelectionRange& range : selection) {
    if (!range.isValid()) continue;
    SelectionBlock b;
    b.col1 = range.left() + 1;
    b.col2 = range.right() + 1;
    b.row1 = range.top() + 1;
    b.row2 = range.bottom() + 1;
    if (!wholeRowGrid && range.top() == 0 && range.bottom() == viewRows - 1) b.row1 = b.row2 = -1;
    if (wholeRowGrid && range.left() == 0 && range.right() == viewColumns - 1) b.col1 = b.col2 = -1;
    out.blocks.push_back(b);
  }
  if (!out.blocks.empty()) {
    const SelectionBlock& current = out.blocks.back();
    out.currentFirstRow = current.row1 == -1 ? (viewRows > 0 ? 1 : 0) : current.row1;
  }
  return out;
}

// ---- LogGrid --------------------------------------------------------------------

LogGrid::LogGrid(QWidget* parent) : QTableView(parent) {
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // A title wider than its column shows its start.
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setHighlightSections(true);
  // The corner cell (0, 0) shows the header column's title.
  corner_ = new QLabel(this);
  corner_->setAlignment(Qt::AlignCenter);
  corner_->setAttribute(Qt::WA_TransparentForMouseEvents);
  corner_->hide();
}

void LogGrid::setTable(LogTable* table) {
  if (model_) {
    model_->deleteLater();
    model_ = nullptr;
  }
  if (!table) {
    setModel(nullptr);
    return;
  }
  model_ = new LogGridModel(table, this);
  setModel(model_);
  connect(table, &LogTable::columnFormatChanged, this, [this] { applyColumnFormat(); });
  connect(table, &LogTable::tableSettingsChanged, this, [this] { applySettings(); });
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { applyColumnFormat(); });
  connect(table, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& tl) {
    if (tl.row() == 0 && tl.column() == 0) applyColumnFormat();
  });
  applySettings();
  applyColumnFormat();
}

int LogGrid::charsToPixels(double chars) const {
  return static_cast<int>(chars * fontMetrics().averageCharWidth() + 0.5) + 8;
}

void LogGrid::applyColumnFormat() {
  LogTable* t = table();
  if (!t) return;
  for (int c = 1; c <= t->lastCol(); ++c) {
    setColumnHidden(c - 1, t->isColumnHidden(c));
    setColumnWidth(c - 1, charsToPixels(t->columnWidth(c)));
  }
  const int headerWidth = t->isColumnHidden(0) ? 0 : charsToPixels(t->columnWidth(0));
  verticalHeader()->setFixedWidth(headerWidth);
  verticalHeader()->setVisible(headerWidth > 0);
  corner_->setText(t->getCell(0, 0));
  placeCorner();
}

void LogGrid::updateGeometries() {
  QTableView::updateGeometries();
  placeCorner();
}

void LogGrid::placeCorner() {
  const int w = verticalHeader()->isVisible() ? verticalHeader()->width() : 0;
  const int h = horizontalHeader()->height();
  corner_->setGeometry(frameWidth(), frameWidth(), w, h);
  corner_->setVisible(w > 0 && !corner_->text().isEmpty());
  corner_->raise();
}

void LogGrid::applySettings() {
  LogTable* t = table();
  if (!t) return;
  setEditTriggers(t->isReadOnly()
                      ? QAbstractItemView::NoEditTriggers
                      : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  const bool rows = t->selectionUnit() == SelectionUnit::Rows;
  setSelectionBehavior(rows ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
  setSelectionMode(t->multipleBlocks() || rows ? QAbstractItemView::ExtendedSelection
                                               : QAbstractItemView::ContiguousSelection);
  // Whole rows only in a row grid; columns and blocks (no rows) otherwise.
  verticalHeader()->setSectionsClickable(rows);
  horizontalHeader()->setSectionsClickable(!rows);
}

TableSelection LogGrid::tableSelection() const {
  if (!model_ || !selectionModel()) return {};
  return selectionOf(selectionModel()->selection(), model_->rowCount(), model_->columnCount(),
                     selectionBehavior() == QAbstractItemView::SelectRows);
}

}  // namespace tarvex
