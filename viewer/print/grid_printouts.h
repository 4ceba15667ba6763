// The four printouts of the history window's tool bars: the data history,
// the operator events, the audit trail and the alarm history. Each checks
// that its file is open and that a printer exists, shows the printer dialog
// (no selection and no page-range choice), and prints its table once per
// copy as a job of its own named after the printout and the time. Only the
// data printout can be limited to the selected cells.
#pragma once

#include <QString>
#include <vector>

#include "logfiles/logtable.h"
#include "print/table_printer.h"
#include "shell/userinterface.h"

namespace tarvex {

// A log table as the table printout reads it.
class LogTableSheet : public PrintableTable {
 public:
  // Does not take ownership; `table` must outlive the sheet.
  explicit LogTableSheet(const LogTable& table) : table_(table) {}
  QString cellText(int col, int row) const override { return table_.getCell(col, row); }
  int lastRow() const override { return table_.lastRow(); }
  int lastCol() const override { return table_.lastCol(); }
  int lastDataRow() const override { return table_.dataRowCount(); }
  double columnWidth(int col) const override { return table_.columnWidth(col); }
  bool isColumnHidden(int col) const override { return table_.isColumnHidden(col); }

 private:
  const LogTable& table_;
};

// What a filtered grid shows, for its printout.
struct PrintFilter {
  std::vector<int> rows;  // the table rows shown, ascending
  QString headerLine;     // printed under the header line of every page
};

// With a filter (null: none) only the rows the grid shows are printed and
// every page carries the filter's line under its header.
//
// vaGrid with dataFileName. `selection` is the grid's selection; its current
// (last made) block is printed alone when it spans three rows or more (of
// the rows shown).
void PrintDataGrid(UserInterface& ui, const LogTable& vaGrid, const QString& dataFileName,
                   const TableSelection& selection, const PrintFilter* filter = nullptr);
// opEvGrid; guarded by the data file, since the events belong to it.
void PrintOpEventGrid(UserInterface& ui, const LogTable& opEvGrid, const QString& dataFileName,
                      const PrintFilter* filter = nullptr);
void PrintAuditGrid(UserInterface& ui, const LogTable& auditGrid, const QString& auditFileName,
                    const PrintFilter* filter = nullptr);
void PrintAlarmGrid(UserInterface& ui, const LogTable& alarmGrid, const QString& alarmFileName,
                    const PrintFilter* filter = nullptr);

}  // namespace tarvex
