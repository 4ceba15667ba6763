#include "history/log_grid.h"

#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
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

namespace {

// The strip that shows a grid's frozen columns. It shares the grid's model
// and selection, so every cell made current in the grid is current here too;
// it must still never scroll by itself: the grid brings the current cell into
// view and the strip follows the grid's vertical scroll bar, while sideways it
// stays at its first column whatever the keys, the wheel or its scroll bar do.
class FrozenStrip : public QTableView {
 public:
  using QTableView::QTableView;

  void scrollTo(const QModelIndex&, ScrollHint) override {}

 protected:
  void updateGeometries() override {
    QTableView::updateGeometries();
    horizontalScrollBar()->setRange(0, 0);
  }
};

}  // namespace

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
    if (frozen_) frozen_->setModel(nullptr);
    setModel(nullptr);
    return;
  }
  model_ = new LogGridModel(table, this);
  setModel(model_);
  if (frozen_) {
    frozen_->setModel(model_);
    frozen_->setSelectionModel(selectionModel());
  }
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

namespace {

// Rows whose texts a column's width is fitted to: enough to show a table's
// usual content, few enough to cost nothing on a table of millions of rows.
constexpr int kFittedRows = 50;
// Room around a text in a cell or title (borders, padding, sort arrow).
constexpr int kTextMargin = 12;

}  // namespace

int LogGrid::fittedWidth(int viewColumn, int minimum) const {
  LogTable* t = table();
  if (!t) return minimum;
  const int col = viewColumn + 1;
  int width = minimum;
  const QFontMetrics titleMetrics = horizontalHeader()->fontMetrics();
  const QFontMetrics cellMetrics = viewColumn < 0 ? verticalHeader()->fontMetrics() : fontMetrics();
  if (viewColumn >= 0)
    width = std::max(width, titleMetrics.horizontalAdvance(t->getCell(col, 0)) + kTextMargin);
  else
    width =
        std::max(width, corner_->fontMetrics().horizontalAdvance(t->getCell(0, 0)) + kTextMargin);
  const int rows = std::min(t->lastRow(), kFittedRows);
  for (int r = 1; r <= rows; ++r)
    if (!t->isCellEmpty(col, r))
      width = std::max(width, cellMetrics.horizontalAdvance(t->getCell(col, r)) + kTextMargin);
  return width;
}

void LogGrid::applyColumnFormat() {
  LogTable* t = table();
  if (!t) return;
  // Every column at least as wide as the table asks, and wide enough that
  // neither its title nor its first rows are cut.
  for (int c = 1; c <= t->lastCol(); ++c) {
    setColumnHidden(c - 1, t->isColumnHidden(c));
    setColumnWidth(c - 1, fittedWidth(c - 1, charsToPixels(t->columnWidth(c))));
  }
  const int headerWidth =
      t->isColumnHidden(0) ? 0 : fittedWidth(-1, charsToPixels(t->columnWidth(0)));
  verticalHeader()->setFixedWidth(headerWidth);
  verticalHeader()->setVisible(headerWidth > 0);
  corner_->setText(t->getCell(0, 0));
  placeCorner();
  syncFrozenColumns();
}

void LogGrid::syncFrozenColumns() {
  if (!frozen_ || !model_) return;
  for (int c = 0; c < model_->columnCount(); ++c) {
    frozen_->setColumnHidden(c, c >= frozenCount_ || isColumnHidden(c));
    frozen_->setColumnWidth(c, columnWidth(c));
  }
  placeFrozen();
}

void LogGrid::setFrozenColumns(int count) {
  frozenCount_ = std::max(0, count);
  if (frozenCount_ == 0) {
    delete frozen_;
    frozen_ = nullptr;
    return;
  }
  if (!frozen_) {
    // A second view of the same rows over the left edge of this one: it
    // shares the model and the selection, never scrolls sideways, and
    // follows this view's vertical scrolling.
    frozen_ = new FrozenStrip(this);
    frozen_->setObjectName(objectName() + QStringLiteral("Frozen"));
    frozen_->setFocusPolicy(Qt::NoFocus);
    frozen_->verticalHeader()->hide();
    frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setFrameShape(QFrame::NoFrame);
    frozen_->setWordWrap(false);
    frozen_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    frozen_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    frozen_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    frozen_->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    // Its right click is this grid's (the signature grids' context menu).
    frozen_->setContextMenuPolicy(Qt::NoContextMenu);
    frozen_->setStyleSheet(QStringLiteral("QTableView { border-right: 1px solid palette(mid); }"));
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    connect(frozen_->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, frozen_->verticalScrollBar(),
            &QAbstractSlider::setValue);
    // The columns a table gains (a load, growth while reading) come to the
    // strip's header shown and at the default width, before or after this
    // grid has taken in the new shape: they are hidden or sized as soon as
    // they exist there.
    connect(frozen_->horizontalHeader(), &QHeaderView::sectionCountChanged, this,
            [this] { syncFrozenColumns(); });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) {
              if (frozen_ && section < frozenCount_) {
                frozen_->setColumnWidth(section, size);
                placeFrozen();
              }
            });
  }
  if (model_) {
    frozen_->setModel(model_);
    frozen_->setSelectionModel(selectionModel());
    applySettings();
    applyColumnFormat();
  }
}

void LogGrid::placeFrozen() {
  if (!frozen_) return;
  int width = 0;
  for (int c = 0; c < std::min(frozenCount_, model_ ? model_->columnCount() : 0); ++c)
    if (!isColumnHidden(c)) width += columnWidth(c);
  const int left = frameWidth() + (verticalHeader()->isVisible() ? verticalHeader()->width() : 0);
  frozen_->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
  frozen_->setGeometry(left, frameWidth(), std::min(width, viewport()->width()),
                       viewport()->height() + horizontalHeader()->height());
  frozen_->setVisible(width > 0);
  frozen_->verticalScrollBar()->setValue(verticalScrollBar()->value());
}

void LogGrid::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  placeFrozen();
}

void LogGrid::scrollContentsBy(int dx, int dy) {
  QTableView::scrollContentsBy(dx, dy);
  if (frozen_ && dy != 0) frozen_->viewport()->update();
}

void LogGrid::updateGeometries() {
  QTableView::updateGeometries();
  placeCorner();
  placeFrozen();
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
  if (frozen_) {
    frozen_->setSelectionBehavior(selectionBehavior());
    frozen_->setSelectionMode(selectionMode());
  }
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
