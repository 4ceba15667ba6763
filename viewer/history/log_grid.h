// A grid of the history window: a read-only table view of a LogTable that
// shows the table's row 0 as the column titles and its column 0 as the row
// header, honours the table's column widths, hidden columns and selection
// settings, and reports its selection in table coordinates. The review's
// filter may hide rows (LogGridModel); rows keep their table numbers in
// everything the grid reports.
#pragma once

#include <QTableView>
#include <vector>

#include "history/log_grid_model.h"
#include "logfiles/logtable.h"

class QLabel;

namespace tarvex {

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

  // What is selected, in table rows however the grid is filtered.
  TableSelection tableSelection() const;

  LogGridModel* gridModel() const { return model_; }
  // Shows only the rows `filter` shows (null: every row); see LogGridModel.
  void setRowFilter(const RowFilter* filter);
  // Around a change of the rows the filter shows: the selection, the
  // current cell and the first row in sight stay on the same table rows as
  // far as those are still shown (a selected block keeps the shown rows
  // between its ends; the current cell moves to the nearest row shown).
  void beginFilterChange();
  void endFilterChange();

  // The table row of the current cell; 0 when there is none.
  int currentTableRow() const;
  // Selects table row `row` alone, makes it current and scrolls it into
  // view with `hint` (the middle for a jump). A row not shown does nothing.
  void showTableRow(int row, ScrollHint hint = EnsureVisible);

  // The rows review notes point at (LogGridModel::setNoteMarks), shown at
  // once.
  void setNoteMarks(std::shared_ptr<const NoteMarks> marks);

  // The table row under the mouse at the last right click (the current
  // row for a menu opened from the keyboard; 0 for none): the row a
  // context-menu command such as "Add Note..." works on.
  int menuTableRow() const { return menuRow_; }

  // Pixels of a column `chars` characters wide.
  int charsToPixels(double chars) const;

  // Keeps the first `count` columns right of the header column in place
  // while the grid scrolls sideways (the columns that identify a row).
  // 0 (the default) freezes none.
  void setFrozenColumns(int count);
  int frozenColumns() const { return frozenCount_; }
  // The view that shows the frozen columns over the grid (null when none).
  QTableView* frozenView() const { return frozen_; }

  // Brings `index` into view; a frozen column is always in sight in the
  // strip, so for one of its cells only the row is brought into view and the
  // grid keeps the columns it was scrolled to sideways.
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

  // The width a column needs for its title and the texts of its first
  // rows, in pixels; never less than `minimum`.
  int fittedWidth(int viewColumn, int minimum) const;

 signals:
  // Enter or Return on the current row, or a double-click on a row (in the
  // frozen strip too): the table row.
  void rowActivated(int tableRow);

 protected:
  bool event(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
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

  // What beginFilterChange keeps for endFilterChange, in table rows.
  struct KeptView {
    struct Block {
      int row1, row2, col1, col2;
    };
    std::vector<Block> blocks;
    int currentRow = 0;
    int currentColumn = -1;
    int topRow = 0;
    bool currentInSight = false;
  };

  LogGridModel* model_ = nullptr;
  const RowFilter* filter_ = nullptr;
  KeptView kept_;
  QLabel* corner_ = nullptr;
  QTableView* frozen_ = nullptr;
  int frozenCount_ = 0;
  int menuRow_ = 0;
};

}  // namespace tarvex
