// The model a grid of the history window shows: the data part of a
// LogTable (row 0 gives the column titles, column 0 the row headers), and
// with the review's row filter only the rows the filter shows, each under
// its own header (column 0 of its table row), so that the grid keeps the
// file's rows and numbers however it is filtered.
#pragma once

#include <QAbstractProxyModel>
#include <QPointer>
#include <memory>
#include <unordered_map>

#include "logfiles/logtable.h"

namespace tarvex {

class RowFilter;

// The rows of a table that review notes point at: table row -> the notes'
// text and authors, one note a line.
using NoteMarks = std::unordered_map<int, QString>;

// View row r / column c is table row tableRow(r) / column c + 1: without a
// filter tableRow(r) is r + 1; with one it is filter->tableRowAt(r).
class LogGridModel : public QAbstractProxyModel {
  Q_OBJECT

 public:
  explicit LogGridModel(LogTable* table, QObject* parent = nullptr);

  LogTable* table() const { return table_; }

  // Shows only the rows `filter` shows; null shows every row. The filter
  // must be the one over this model's table and outlive the model (or be
  // removed first). Not owned. Resets the model.
  void setRowFilter(const RowFilter* filter);
  const RowFilter* rowFilter() const { return filter_; }

  // Around every change of the rows the filter shows (the review's
  // filterAboutToChange / filterChanged): the model resets. Inside a reset
  // of the table itself (a load) they do nothing, the table's own reset
  // ending it.
  void beginFilterChange();
  void endFilterChange();

  // Marks the rows notes point at: their cells get a pale background and
  // the notes as their tool tip, their row header a note sign. Null: none.
  // The views are not told: LogGrid::setNoteMarks repaints them.
  void setNoteMarks(std::shared_ptr<const NoteMarks> marks);
  const NoteMarks* noteMarks() const { return marks_.get(); }

  // The table row of view row `viewRow`; -1 outside the rows shown.
  int tableRow(int viewRow) const;
  // The view row of table row `tableRow`; -1 when the row is not shown.
  int viewRow(int tableRow) const;
  // The view rows of the rows shown among table rows first..last, as a
  // pair (from, to); from > to when none is shown there.
  std::pair<int, int> viewRowsBetween(int first, int last) const;
  // The view row showing the table row nearest at or before `tableRow` (the
  // first shown after it when none is before); -1 when no row is shown.
  int nearestViewRow(int tableRow) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
  QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
  QVariant data(const QModelIndex& proxyIndex, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  void sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                         const QList<int>& roles);
  bool filtering() const;

  QPointer<LogTable> table_;
  const RowFilter* filter_ = nullptr;
  std::shared_ptr<const NoteMarks> marks_;
  bool sourceResetting_ = false;  // between the table's begin and end of a shape change
  bool filterResetting_ = false;  // inside beginFilterChange / endFilterChange
};

}  // namespace tarvex
