#include "history/log_grid_model.h"

#include <QColor>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <algorithm>

#include "review/row_filter.h"

namespace tarvex {

LogGridModel::LogGridModel(LogTable* table, QObject* parent)
    : QAbstractProxyModel(parent), table_(table) {
  setSourceModel(table);
  // Any change of the table's shape is shown as a reset: loads and growth
  // while reading are the only ones, and both replace what the view shows.
  auto begin = [this] {
    sourceResetting_ = true;
    beginResetModel();
  };
  auto end = [this] {
    sourceResetting_ = false;
    endResetModel();
  };
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

void LogGridModel::setRowFilter(const RowFilter* filter) {
  if (filter == filter_) return;
  beginResetModel();
  filter_ = filter;
  endResetModel();
}

void LogGridModel::beginFilterChange() {
  if (sourceResetting_ || filterResetting_) return;
  filterResetting_ = true;
  beginResetModel();
}

void LogGridModel::endFilterChange() {
  if (!filterResetting_) return;
  filterResetting_ = false;
  endResetModel();
}

bool LogGridModel::filtering() const { return filter_ && filter_->active(); }

int LogGridModel::tableRow(int viewRow) const {
  if (viewRow < 0 || viewRow >= rowCount()) return -1;
  return filtering() ? filter_->tableRowAt(viewRow) : viewRow + 1;
}

int LogGridModel::viewRow(int tableRow) const {
  if (filtering()) return filter_->positionOf(tableRow);
  return tableRow >= 1 && tableRow - 1 < rowCount() ? tableRow - 1 : -1;
}

std::pair<int, int> LogGridModel::viewRowsBetween(int first, int last) const {
  const int rows = rowCount();
  if (rows == 0 || last < first) return {0, -1};
  if (!filtering()) return {std::clamp(first - 1, 0, rows), std::clamp(last - 1, -1, rows - 1)};
  // The shown row nearest at or before a table row, else the first after.
  const int before = filter_->nearestShown(last);
  const int to = before >= 1 && before <= last ? filter_->positionOf(before) : -1;
  const int near = filter_->nearestShown(first);
  int from = near >= 1 ? filter_->positionOf(near) : rows;
  if (near >= 1 && near < first) ++from;
  return {from, to};
}

int LogGridModel::nearestViewRow(int tableRow) const {
  if (rowCount() == 0) return -1;
  if (!filtering()) return std::clamp(tableRow - 1, 0, rowCount() - 1);
  const int near = filter_->nearestShown(tableRow);
  return near >= 1 ? filter_->positionOf(near) : -1;
}

QModelIndex LogGridModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
    return {};
  return createIndex(row, column);
}

QModelIndex LogGridModel::parent(const QModelIndex&) const { return {}; }

int LogGridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !table_) return 0;
  if (filtering()) return filter_->shownRows();
  return std::max(0, table_->rowCount() - 1);
}

int LogGridModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid() || !table_) return 0;
  return std::max(0, table_->columnCount() - 1);
}

QModelIndex LogGridModel::mapToSource(const QModelIndex& proxyIndex) const {
  if (!proxyIndex.isValid() || !table_) return {};
  return table_->index(tableRow(proxyIndex.row()), proxyIndex.column() + 1);
}

QModelIndex LogGridModel::mapFromSource(const QModelIndex& sourceIndex) const {
  if (!sourceIndex.isValid() || sourceIndex.row() < 1 || sourceIndex.column() < 1) return {};
  return index(viewRow(sourceIndex.row()), sourceIndex.column() - 1);
}

namespace {

const QPixmap& noteSign() {
  static const QPixmap sign = [] {
    QPixmap p(10, 12);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0xA0, 0x70, 0x00));
    painter.setBrush(QColor(0xFF, 0xC8, 0x30));
    painter.drawPolygon(QPolygonF({QPointF(0.5, 0.5), QPointF(7, 0.5), QPointF(9.5, 3),
                                   QPointF(9.5, 11.5), QPointF(0.5, 11.5)}));
    painter.drawLine(QPointF(2.5, 5), QPointF(7.5, 5));
    painter.drawLine(QPointF(2.5, 8), QPointF(7.5, 8));
    return p;
  }();
  return sign;
}

}  // namespace

void LogGridModel::setNoteMarks(std::shared_ptr<const NoteMarks> marks) {
  // No signal: one over every row of a million-row table costs the header
  // a walk over every section. The grid repaints (LogGrid::setNoteMarks).
  marks_ = std::move(marks);
}

QVariant LogGridModel::data(const QModelIndex& proxyIndex, int role) const {
  if (marks_ && (role == Qt::BackgroundRole || role == Qt::ToolTipRole) && proxyIndex.isValid()) {
    const auto it = marks_->find(tableRow(proxyIndex.row()));
    if (it != marks_->end())
      return role == Qt::ToolTipRole ? QVariant(it->second) : QVariant(QColor(0xFF, 0xF1, 0xB8));
  }
  return QAbstractProxyModel::data(proxyIndex, role);
}

QVariant LogGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (!table_) return {};
  if (marks_ && orientation == Qt::Vertical &&
      (role == Qt::DecorationRole || role == Qt::ToolTipRole)) {
    const auto it = marks_->find(tableRow(section));
    if (it != marks_->end()) return role == Qt::ToolTipRole ? QVariant(it->second) : noteSign();
  }
  if (role == Qt::DisplayRole) {
    // A row's header is column 0 of its own table row, filtered or not.
    return orientation == Qt::Horizontal ? table_->getCell(section + 1, 0)
                                         : table_->getCell(0, tableRow(section));
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
  // The table rows written, as the view rows that show them.
  const auto [r1, r2] = viewRowsBetween(std::max(1, topLeft.row()), bottomRight.row());
  if (r1 > r2) return;
  if (topLeft.column() == 0) emit headerDataChanged(Qt::Vertical, r1, r2);
  const int c1 = std::max(1, topLeft.column()) - 1;
  const int c2 = bottomRight.column() - 1;
  if (c2 >= c1 && r2 < rowCount() && c2 < columnCount())
    emit dataChanged(index(r1, c1), index(r2, c2), roles);
}

}  // namespace tarvex
