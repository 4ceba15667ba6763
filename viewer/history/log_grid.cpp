#include "history/log_grid.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <algorithm>

namespace tarvex {

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
  model_->setRowFilter(filter_);
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
    // A double-click on the strip is one on the grid's row.
    connect(frozen_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
      if (model_) emit rowActivated(model_->tableRow(index.row()));
    });
    connect(frozen_->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, frozen_->verticalScrollBar(),
            &QAbstractSlider::setValue);
    // After a reset the strip takes in its new range later than this grid
    // may have scrolled: it takes the grid's position then.
    connect(frozen_->verticalScrollBar(), &QAbstractSlider::rangeChanged, this, [this] {
      if (frozen_) frozen_->verticalScrollBar()->setValue(verticalScrollBar()->value());
    });
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
  TableSelection s =
      selectionOf(selectionModel()->selection(), model_->rowCount(), model_->columnCount(),
                  selectionBehavior() == QAbstractItemView::SelectRows);
  // View rows to the table rows they show (the identity without a filter).
  for (SelectionBlock& b : s.blocks) {
    if (b.row1 < 0) continue;
    b.row1 = model_->tableRow(b.row1 - 1);
    b.row2 = model_->tableRow(b.row2 - 1);
  }
  if (s.currentFirstRow > 0) s.currentFirstRow = model_->tableRow(s.currentFirstRow - 1);
  return s;
}

void LogGrid::setRowFilter(const RowFilter* filter) {
  filter_ = filter;
  if (model_) model_->setRowFilter(filter);
}

void LogGrid::beginFilterChange() {
  kept_ = KeptView{};
  if (!model_) return;
  if (selectionModel()) {
    for (const QItemSelectionRange& r : selectionModel()->selection()) {
      if (!r.isValid()) continue;
      kept_.blocks.push_back(
          {model_->tableRow(r.top()), model_->tableRow(r.bottom()), r.left(), r.right()});
    }
    const QModelIndex current = currentIndex();
    if (current.isValid()) {
      kept_.currentRow = model_->tableRow(current.row());
      kept_.currentColumn = current.column();
      const QRect cell = visualRect(current);
      kept_.currentInSight = viewport()->rect().intersects(cell);
    }
  }
  kept_.topRow = model_->tableRow(rowAt(0));
  model_->beginFilterChange();
}

void LogGrid::endFilterChange() {
  if (!model_) return;
  model_->endFilterChange();
  if (!selectionModel() || model_->rowCount() == 0) return;
  QItemSelection selection;
  for (const KeptView::Block& b : kept_.blocks) {
    const auto [from, to] = model_->viewRowsBetween(b.row1, b.row2);
    if (from <= to) selection.select(model_->index(from, b.col1), model_->index(to, b.col2));
  }
  if (!selection.isEmpty()) selectionModel()->select(selection, QItemSelectionModel::Select);
  if (kept_.topRow > 0) {
    const int top = model_->nearestViewRow(kept_.topRow);
    if (top >= 0) scrollTo(model_->index(top, 0), PositionAtTop);
  }
  if (kept_.currentRow > 0) {
    const int row = model_->nearestViewRow(kept_.currentRow);
    const QModelIndex current = model_->index(row, std::max(0, kept_.currentColumn));
    if (current.isValid()) {
      selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
      // The row worked on stays in sight when it was.
      if (kept_.currentInSight) scrollTo(current, EnsureVisible);
    }
  }
  kept_ = KeptView{};
}

int LogGrid::currentTableRow() const {
  const QModelIndex current = currentIndex();
  return model_ && current.isValid() ? std::max(0, model_->tableRow(current.row())) : 0;
}

void LogGrid::showTableRow(int row, ScrollHint hint) {
  if (!model_ || !selectionModel()) return;
  const int viewRow = model_->viewRow(row);
  if (viewRow < 0) return;
  const QModelIndex index = model_->index(viewRow, 0);
  selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  scrollTo(index, hint);
}

void LogGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (!frozen_ || !index.isValid() || index.column() >= frozenCount_) {
    QTableView::scrollTo(index, hint);
    return;
  }
  const int across = horizontalScrollBar()->value();
  QTableView::scrollTo(index, hint);
  horizontalScrollBar()->setValue(across);
}

void LogGrid::setNoteMarks(std::shared_ptr<const NoteMarks> marks) {
  if (!model_) return;
  model_->setNoteMarks(std::move(marks));
  viewport()->update();
  verticalHeader()->viewport()->update();
  if (frozen_) frozen_->viewport()->update();
}

bool LogGrid::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ContextMenu) {
    auto* menu = static_cast<QContextMenuEvent*>(event);
    const int viewRow =
        menu->reason() == QContextMenuEvent::Mouse ? rowAt(menu->pos().y()) : currentIndex().row();
    menuRow_ = model_ && viewRow >= 0 ? std::max(0, model_->tableRow(viewRow)) : 0;
  }
  return QTableView::viewportEvent(event);
}

bool LogGrid::event(QEvent* event) {
  // A right click on the frozen strip reaches the grid itself.
  if (event->type() == QEvent::ContextMenu) {
    auto* menu = static_cast<QContextMenuEvent*>(event);
    const QPoint at = viewport()->mapFrom(this, menu->pos());
    const int viewRow =
        menu->reason() == QContextMenuEvent::Mouse ? rowAt(at.y()) : currentIndex().row();
    menuRow_ = model_ && viewRow >= 0 ? std::max(0, model_->tableRow(viewRow)) : 0;
  }
  return QTableView::event(event);
}

void LogGrid::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      event->modifiers() == Qt::NoModifier && currentIndex().isValid()) {
    emit rowActivated(currentTableRow());
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void LogGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  QTableView::mouseDoubleClickEvent(event);
  if (index.isValid() && model_) emit rowActivated(model_->tableRow(index.row()));
}

}  // namespace tarvex
