// The review of the history window's six grids: one window of time for all
// of them, a text filter per grid, the rows each shows, and the jumps from
// a row or a trend cursor to the data row of that time. The widgets (the
// window's bar, the search fields, the grids' row maps, the tab marks) read
// and drive it; the history window's exports and printouts ask it which
// rows to write.
//
// A table that changes shape (a new file read into it) keeps the window and
// its text: its grid shows every row from the table's own reset on (the
// views hear of that from the table), and the filters are applied again
// when the event loop next runs after the change has ended
// (filterAboutToChange / filterChanged around it); a window or text set
// while the table is being filled waits for that too. Texts written into a table (the Result
// column) are filtered again the same way, the rows shown meanwhile staying as they were. A text
// search of a large table runs on a thread of its own while the user types; a new text stops it and
// starts again. Small tables are searched at once.
#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "logfiles/date_order.h"
#include "review/row_filter.h"
#include "review/time_window.h"

namespace tarvex {

class LogTable;

class ReviewModel : public QObject {
  Q_OBJECT

 public:
  // The six tables in ReviewTable order. Not owned; they must outlive the
  // model.
  using Tables = std::array<LogTable*, kReviewTableCount>;
  explicit ReviewModel(const Tables& tables, QObject* parent = nullptr);
  ~ReviewModel() override;

  LogTable& table(ReviewTable t) const;

  // ---- The window (every grid) ------------------------------------------

  // Applies the window to every grid. Throws RuntimeError(err::InvalidCall)
  // ("From lies after To") when From lies after To; nothing changes then.
  void setWindow(const TimeWindow& window);
  // "Whole File": no window.
  void clearWindow() { setWindow({}); }
  const TimeWindow& window() const { return window_; }
  // The order the window's fields read and show dates in: the data
  // table's, or the locale's while no data file is read.
  DateOrder dateOrder() const;

  // ---- The text filter (one grid) ----------------------------------------

  // Keeps the grid's rows holding `text` (letter case aside, cells as
  // shown, shown columns only); "" removes the filter at once. A large
  // table is searched in the background: filterChanged follows when the
  // rows are known.
  void setText(ReviewTable t, const QString& text);
  // The text as last set (it may still be searched for).
  const QString& text(ReviewTable t) const;
  bool searching(ReviewTable t) const;
  // Ends a running search of the table here and now (searched on this
  // thread), so its rows are known.
  void settle(ReviewTable t);

  // ---- What a grid shows ---------------------------------------------------

  // The rows of the grid: maps between its rows and the table's, counts.
  const RowFilter& filter(ReviewTable t) const;
  // Whether the grid is filtered: a window is set, or a text for the grid.
  bool isFiltered(ReviewTable t) const;
  // "Showing N of M rows" while filtered, "" otherwise.
  QString showingText(ReviewTable t) const;
  // The unreadable-time line (review_texts.h) while a window is set.
  QString unreadableText(ReviewTable t) const;
  // The rows an export or printout of the grid writes (row 0 aside), its
  // search settled; empty when the grid is not filtered (everything is).
  std::optional<std::vector<int>> shownRows(ReviewTable t);
  // The line under a printout's header ("Filtered: ..."), its search
  // settled; "" when the grid is not filtered. Dates in the table's order.
  QString filterLine(ReviewTable t);

  // ---- Jumps --------------------------------------------------------------

  // The date and time of a row of a grid as a serial; empty when it does
  // not read ("Show on Trend" centres the plot on it).
  std::optional<double> rowTime(ReviewTable t, int row) const;
  // The data row nearest at or before the serial (the trend's "Show in
  // Data" with cursor 1): of the rows with the latest time not after it,
  // the first; a time before every row gives the first row. A row the Data
  // grid hides gives the nearest one it shows. -1 when it shows none.
  int dataRowAt(double serial);
  // The same for the time of row `row` of grid `source` (Enter or a
  // double-click on an event, audit, alarm or signature row); -1 when that
  // row's time does not read.
  int jumpToData(ReviewTable source, int row);

  // Reads the table's dates and times now (the end of a file's load), so
  // that neither the first window nor the first jump waits for them.
  void readTimes(ReviewTable t);

  // Bytes the filters of every grid hold.
  std::size_t memoryBytes() const;

 signals:
  // Around every change of the rows a grid shows.
  void filterAboutToChange(tarvex::ReviewTable table);
  void filterChanged(tarvex::ReviewTable table);
  void windowChanged();
  // A background search of the grid started or ended.
  void searchingChanged(tarvex::ReviewTable table, bool searching);

 private:
  struct Grid;
  Grid& grid(ReviewTable t) const;
  void tableAboutToChange(ReviewTable t, bool reshaped);
  void tableReshaped(ReviewTable t);
  void queueReapply();
  void reapply();
  void startSearch(ReviewTable t);
  void applyMatches(ReviewTable t, std::optional<RowSet> rows);
  int dataRowAtSeconds(qint64 seconds);

  std::array<std::unique_ptr<Grid>, kReviewTableCount> grids_;
  TimeWindow window_;
  bool reapplyQueued_ = false;
};

}  // namespace tarvex
