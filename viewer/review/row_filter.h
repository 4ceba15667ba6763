// The rows one grid shows under the review window and its text filter, and
// the way between the grid's rows and the table's.
//
// A data row is shown when its date and time lie in the window (both ends
// inclusive) or do not read, and, with a text filter, when it holds the
// text. Row 0 (the titles) is always shown. Without window and text every
// row is shown and the maps are the identity. Positions count the shown
// data rows from 0 (a grid that shows row 0 as its column titles shows
// table row tableRowAt(i) as its row i); table rows keep their numbers.
#pragma once

#include <QLocale>
#include <QString>
#include <optional>
#include <vector>

#include "review/row_set.h"
#include "review/row_times.h"
#include "review/time_window.h"

namespace tarvex {

class LogTable;

class RowFilter {
 public:
  // The table must outlive the filter.
  RowFilter(const LogTable& table, TimeColumns columns);

  // The window; reads the table's times the first time one is set (after
  // that a change costs one pass over 4 bytes a row).
  void setWindow(const TimeWindow& window);
  const TimeWindow& window() const { return window_; }

  // The text filter: the rows matchRows found for `text`; an empty text
  // (or no rows) removes it.
  void setTextMatches(const QString& text, std::optional<RowSet> matches);
  // The text whose rows are applied ("" for none).
  const QString& text() const { return text_; }

  // The table has changed: times and text matches are forgotten and every
  // row is shown until the window and the text are applied again; the
  // window and the text are kept for that.
  void tableChanged();

  // Whether rows are hidden: a window or a text filter is applied.
  bool active() const { return shown_.has_value(); }

  // Data rows of the table (rows 1..lastRow) and those shown.
  int totalRows() const;
  int shownRows() const;
  // The table row at position i of the shown rows; -1 outside them.
  int tableRowAt(int position) const;
  // The position of a table row among the shown rows; -1 when it is hidden
  // or no data row.
  int positionOf(int tableRow) const;
  bool isShown(int tableRow) const;
  // The shown data row nearest at or before tableRow, else the first shown
  // after it; -1 when no data row is shown.
  int nearestShown(int tableRow) const;
  // The table rows shown, ascending (for exports and printouts).
  std::vector<int> shownTableRows() const;

  // Shown rows whose date or time does not read (0 without a window).
  int unreadableShown() const { return unreadableShown_; }

  // The table's times, read now when they are not yet (null when the
  // table has no rows).
  const RowTimes* times();

  // Bytes the filter holds (times, shown rows, text matches).
  std::size_t memoryBytes() const;

 private:
  void apply();

  const LogTable& table_;
  TimeColumns columns_;
  TimeWindow window_;
  QString text_;
  std::optional<RowTimes> times_;
  std::optional<RowSet> matches_;
  std::optional<RowSet> shown_;
  int unreadableShown_ = 0;
};

}  // namespace tarvex
