// A grid of the history window: a read-only table view of a LogTable that
// shows the table's row 0 as the column titles and its column 0 as the row
// header, honours the table's column widths, hidden columns and selection
// settings, and reports its selection in table coordinates.
#pragma once

#include <QAbstractProxyModel>
#include <QPointer>
#include <QTableView>

#include "logfiles/logtable.h"

class QLabel;

namespace tarvex {

// The data part of a LogTable: view row r / column c is table row r + 1 /
// column c + 1; the header texts come from row 0 and column 0.
class LogGridModel : public QAbstractProxyModel {
  Q_OBJECT

 public:
  explicit LogGridModel(LogTable* table, QObject* parent = nullptr);

  LogTable* table() const { return table_; }

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
  QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  void sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                         const QList<int>& roles);

  QPointer<LogTable> table_;
};

// The selection of a grid as the table reports it: blocks in the order they
// were made (view ranges turned into table coordinates; a block spanning
// every row reports rows -1, one spanning every column in a whole-row grid
// reports columns -1), and the first data row of the current block (the
// last one made), 0 when no data row is selected.
TableSelection selectionOf(const QItemSelection& selection, int viewRows, int viewColumns,
                           bool wholeRowGrid);

class LogGrid : public QTableView {
  Q_OBJECT

 public:
  explicit LogGrid(QWidget* parent = nullptr);

  // Shows `table` (not owned; must outlive the grid or be detached).
  void setTable(LogTable* table);
  LogTable* table() const { return model_ ? model_->table() : nullptr; }

  TableSelection tableSelection() const;

  // Pixels of a column `chars` characters wide.
  int charsToPixels(double chars) const;

  // Keeps the first `count` columns right of the header column in place
  // while the grid scrolls sideways (the columns that identify a row).
  // 0 (the default) freezes none.
  void setFrozenColumns(int count);
  int frozenColumns() const { return frozenCount_; }
  // The view that shows the frozen columns over the grid (null when none).
  QTableView* frozenView() const { return frozen_; }

  // The width a column needs for its title and the texts of its first
  // rows, in pixels; never less than `minimum`.
  int fittedWidth(int viewColumn, int minimum) const;

 protected:
  void updateGeometries() override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void applyColumnFormat();
  void placeCorner();
  void applySettings();
  void placeFrozen();
  // Shows in the frozen view the frozen columns at this grid's widths and
  // hides every other column.
  void syncFrozenColumns();

  LogGridModel* model_ = nullptr;
  QLabel* corner_ = nullptr;
  QTableView* frozen_ = nullptr;
  int frozenCount_ = 0;
};

}  // namespace tarvex
