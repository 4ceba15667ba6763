// The history window's commands, without widgets: the dispatch of the five
// tool bars by array and index, the three readers' work with the user
// (dialog, pointer, status, event pump, busy flag), the data side's reset,
// the verifications, exports and printouts. They work on the window through
// HistoryWindowState and with the user through UserInterface, so tests run
// them headless with a scripted interface.
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "logfiles/date_order.h"
#include "logfiles/logtable.h"
#include "shell/userinterface.h"
#include "signatures/verify.h"
#include "trend/trend_operations.h"

namespace tarvex {

class ReviewModel;
class VxLog;

// The program-wide values of the viewer.
struct ViewerGlobals {
  QString startDir;         // the current folder at start-up; dialogs start here
  QString dataFileName;     // the open data history file; "" = none
  QString auditFileName;    // the audit trail chosen last; never cleared
  QString alarmFileName;    // the alarm history chosen last; never cleared
  bool f_Plotting = false;  // true while the plot builder runs
  // The date order the user set (--date-order); none: each file's dates
  // decide (logfiles/date_order.h).
  std::optional<DateOrder> dateOrder;
};

// The history window as the commands see it.
class HistoryWindowState {
 public:
  virtual ~HistoryWindowState() = default;

  // True while a reader runs; the main window refuses to close meanwhile.
  bool f_FileLoading = false;

  virtual LogTable& vaGrid() = 0;
  virtual LogTable& digiSigGrid() = 0;
  virtual LogTable& opEvGrid() = 0;
  virtual LogTable& auditGrid() = 0;
  virtual LogTable& auditSigGrid() = 0;
  virtual LogTable& alarmGrid() = 0;
  // What is selected in the grid showing `table`, in table rows (a
  // filtered grid maps its rows back to the table's).
  virtual TableSelection selection(const LogTable& table) const = 0;
  // The tab control's per-tab switch (index 1 is "Operator Events").
  virtual void setTabEnabled(int index, bool on) = 0;
  virtual void setAuditNameCaption(const QString& text) = 0;
  virtual void setAlmNameCaption(const QString& text) = 0;
  // Shows or hides DcryLabel and ProgBar together.
  virtual void setPlotProgressVisible(bool visible) = 0;
  // Selects row `row` of the grid showing `table` alone and scrolls it
  // into view.
  virtual void showRow(const LogTable& table, int row) { (void)table, (void)row; }
};

// Whether the "Operator Events" tab is switched on: when cell (2, 1) of the
// data table is empty, or when the operator event table holds an event.
bool operatorEventsTabOn(const LogTable& vaGrid, const LogTable& opEvGrid);

// The message of a refused command while the window is busy (style 64).
QString busyText();

// The selection check of "Plot History File": true when every block of
// `selection` may be plotted; otherwise shows the first failure's message
// (style 32) and returns false.
bool checkPlotSelection(UserInterface& ui, const LogTable& vaGrid, const TableSelection& selection);

class HistoryCommands {
 public:
  // All references must outlive the commands. `sigLog` may be null only in
  // tests that do not read companions or verify.
  HistoryCommands(UserInterface& ui, HistoryWindowState& window, ViewerGlobals& globals,
                  VxLog* sigLog, TrendOperations& trend);

  // The review of the six grids (review/review_model.h); null: no grid is
  // ever filtered. With it, the exports and printouts of a filtered grid
  // write only the rows it shows, and a printout says how it was filtered.
  // Not owned.
  void setReview(ReviewModel* review) { review_ = review; }

  // The busy state: a reader or the plot builder runs (the builder counts
  // until it ends, also after Cancel lowered f_Plotting).
  bool busy() const;

  // Click handlers of the five tool bars; an index outside an array does
  // nothing. While the window is busy every command except "Cancel History
  // Plot" is refused with busyText(): a second load or plot started from
  // the event pump of a running one would work on tables in use.
  void DataBarBtn_Click(int index);
  void opBarBtn_Click(int index);
  void auditBarBtn_Click(int index);
  void almBarBtn_Click(int index);
  void histBarBtn_Click(int index);
  // What the Trend Data tool bar's fifth button, "Compare With...", runs
  // (the reference's commands); empty: the button does nothing.
  void setCompareHandler(std::function<void()> handler) { compare_ = std::move(handler); }

  // "Verify All" of the context menu of digiSigGrid (DataFile) or
  // auditSigGrid (AuditTrail): every record checked, the Result column
  // filled (verify_results.h). Refused while busy.
  void verifyAll(SignedFile kind);

  // The readers' procedures. Each raises f_FileLoading while it works and
  // lowers it on every way out, a cancelled dialog included.
  void getHistFile();
  void getAuditFile();
  void getAlmFile();
  // Returns the data side to "no data file open".
  void clearHistData();

 private:
  bool refuseWhenBusy();
  // "Verify Digital Signature": the first selected row of the kind's table.
  void verifySelected(SignedFile kind);
  // The exporters and printouts of the four tables (history_outputs.cpp).
  void exportHistData();
  void exportOpEventData();
  void exportAuditTrailData();
  void exportAlmData();
  void PrintDataGrid();
  void PrintOpEventGrid();
  void PrintAuditGrid();
  void PrintAlarmGrid();

  UserInterface& ui_;
  HistoryWindowState& win_;
  ViewerGlobals& g_;
  VxLog* sigLog_;
  TrendOperations& trend_;
  std::function<void()> compare_;
  ReviewModel* review_ = nullptr;
};

}  // namespace tarvex
