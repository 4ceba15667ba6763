// What the reviewer does in the history window, without widgets: the window
// of time typed into From and To, "Whole File", "From Trend" and a drag on
// the trend with Alt held, the search fields, and the jumps between the
// grids and the trend (Enter or a double-click on a row, "Show on Trend",
// the trend's "Show in Data"). The work is the review model's
// (review/review_model.h); these commands read what the user gave, say
// what went wrong through UserInterface, and tell the window what to show
// through ReviewWindow and the trend through ReviewTrend, so tests run
// them headless with fakes.
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "logfiles/date_order.h"
#include "review/time_window.h"
#include "shell/userinterface.h"

namespace tarvex {

class ReviewModel;

// The window's side of the review.
class ReviewWindow {
 public:
  enum Field { From, To };
  virtual ~ReviewWindow() = default;
  // Shows the window's ends in From and To ("" for an open end) and takes
  // the marks off both fields.
  virtual void setWindowFields(const QString& from, const QString& to) = 0;
  // Marks a field whose text does not read, with the reason; "" unmarks.
  virtual void markField(Field field, const QString& why) = 0;
  // Selects table row `row` of the data grid, shows the Data tab and
  // scrolls the row to the middle of the grid.
  virtual void showDataRow(int row) = 0;
  // Shows the Trend Data tab.
  virtual void showTrendTab() = 0;
};

// The trend plot as the review uses it.
class ReviewTrend {
 public:
  virtual ~ReviewTrend() = default;
  // Whether a trend has been plotted (it has points).
  virtual bool hasTrend() const = 0;
  // The X value (a date-time serial) of cursor 0 ("Cursor 1") or 1 while
  // it is shown; empty while it is hidden.
  virtual std::optional<double> cursorX(int cursor) const = 0;
  // The visible X range.
  virtual double xMin() const = 0;
  virtual double xSpan() const = 0;
  // Shows the X range from `xMin` on, its span kept, with cursor 1 shown
  // at `x`.
  virtual void showAt(double xMin, double x) = 0;
};

// The grid of each tab that has a search field (0 Data, 1 Operator Events,
// 2 Audit Trail, 3 Alarm History); empty for the Trend Data tab.
std::optional<ReviewTable> searchedTable(int tab);
// The tab showing a grid.
int tabOf(ReviewTable table);

// The form the From and To fields read in `order`, shown in them while
// they are empty: "m/d/yyyy h:mm:ss AM", "d/m/yyyy h:mm:ss AM",
// "yyyy-mm-dd h:mm:ss AM".
QString windowFieldHint(DateOrder order);

// The messages of the review's commands (style 32).
QString fromAfterToText(const QString& from, const QString& to);
QString noTrendText();
QString noTimeText();
QString noDataRowText();
QString noCursorText();
QString noRowText();

class ReviewCommands {
 public:
  // All references must outlive the commands.
  ReviewCommands(UserInterface& ui, ReviewModel& review, ReviewWindow& window, ReviewTrend& trend);

  // Whether the history window is busy (a file loads, a plot is built):
  // meanwhile every command but the search is refused with busyText()
  // (style 64), as the tool bars' are. The search goes on: the review
  // applies it to a table being filled once it is filled.
  void setBusy(std::function<bool()> busy) { busy_ = std::move(busy); }

  // From and To as typed: each "" (an open end) or a date and time in the
  // data file's date order or as YYYY-MM-DD (review/time_bound.h). Sets
  // the window on every grid and shows its ends in the file's order. A
  // field that does not read is marked and its reason shown; From after To
  // is refused with a message; either way nothing changes. Both empty is
  // "Whole File". False when refused.
  bool applyWindow(const QString& from, const QString& to);
  // "Whole File": no window; the fields are emptied.
  void wholeFile();
  // "From Trend": the time between the trend's two cursors, or its visible
  // range while fewer are shown (review/trend_link.h). Without a trend:
  // a message, nothing changes.
  void fromTrend();
  // A drag across the trend's data area with Alt held, from X x1 to x2.
  void trendDragged(double x1, double x2);

  // A search field's text: the rows of its tab's grid holding it.
  void setSearchText(int tab, const QString& text);

  // Enter or a double-click on row `row` (a table row) of an event, audit,
  // alarm or signature grid: the data row nearest at or before its time is
  // shown (the nearest the data grid shows when the text filter hides it).
  // No row (0), a time that does not read, or no data row: a message.
  void jumpToData(ReviewTable source, int row);
  // "Show on Trend" of such a row: the trend shows the row's time in the
  // middle of its span with cursor 1 there. Without a trend, or a time
  // that does not read: a message.
  void showOnTrend(ReviewTable source, int row);
  // The trend's "Show in Data": the data row at cursor 1.
  void showInData();

  // The window's ends as the fields show them, in the data file's order.
  QString fieldText(const std::optional<double>& bound) const;
  // Shows the present window in the fields (after the date order changed).
  void refreshFields();

 private:
  bool refuseWhenBusy();
  bool setWindow(const TimeWindow& window);
  void showDataRow(int row);

  UserInterface& ui_;
  ReviewModel& review_;
  ReviewWindow& window_;
  ReviewTrend& trend_;
  std::function<bool()> busy_;
};

}  // namespace tarvex
