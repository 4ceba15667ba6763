#include "print/grid_printouts.h"

#include "logfiles/guards.h"
#include "print/grid_printout_steps.h"

namespace tarvex {

namespace {

void applyFilter(GridPrintout& printout, const PrintFilter* filter) {
  if (!filter) return;
  printout.rows = filter->rows;
  printout.headerLines = {filter->headerLine};
}

}  // namespace

void PrintDataGrid(UserInterface& ui, const LogTable& vaGrid, const QString& dataFileName,
                   const TableSelection& selection, const PrintFilter* filter) {
  GridPrintout printout;
  printout.guard = checkHistFileOpen;
  printout.jobText = QStringLiteral("Data History Printout At: ");
  printout.repeatedColumns = {1};  // Time; the Date is the header column
  // No selection reads as an empty block, which never limits the printout.
  PrintBlock current;
  if (!selection.blocks.empty()) {
    const SelectionBlock& block = selection.blocks.back();
    current = PrintBlock{block.col1, block.row1, block.col2, block.row2};
  }
  printout.selection = current;
  applyFilter(printout, filter);
  printGrid(ui, LogTableSheet(vaGrid), dataFileName, printout);
}

void PrintOpEventGrid(UserInterface& ui, const LogTable& opEvGrid, const QString& dataFileName,
                      const PrintFilter* filter) {
  GridPrintout printout;
  printout.guard = checkHistFileOpen;
  printout.jobText = QStringLiteral("Operator Event Printout At: ");
  printout.repeatedColumns = {1, 2};  // Time, User Full Name
  applyFilter(printout, filter);
  printGrid(ui, LogTableSheet(opEvGrid), dataFileName, printout);
}

void PrintAuditGrid(UserInterface& ui, const LogTable& auditGrid, const QString& auditFileName,
                    const PrintFilter* filter) {
  GridPrintout printout;
  printout.guard = checkAuditFileOpen;
  printout.jobText = QStringLiteral("Audit Trail Printout At: ");
  printout.repeatedColumns = {1, 2};  // Time, User Full Name
  applyFilter(printout, filter);
  printGrid(ui, LogTableSheet(auditGrid), auditFileName, printout);
}

void PrintAlarmGrid(UserInterface& ui, const LogTable& alarmGrid, const QString& alarmFileName,
                    const PrintFilter* filter) {
  GridPrintout printout;
  printout.guard = checkAlmFileOpen;
  printout.jobText = QStringLiteral("Alarm History Printout At: ");
  printout.repeatedColumns = {2, 3};  // Date, Time; the Alarm# is the header column
  applyFilter(printout, filter);
  printGrid(ui, LogTableSheet(alarmGrid), alarmFileName, printout);
}

}  // namespace tarvex
