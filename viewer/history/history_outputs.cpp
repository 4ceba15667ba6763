// The tool-bar commands that write or print a table: the four exporters and
// the four printouts, each handed its table, file name and, for the data
// printout, the data grid's selection.
#include "history/history_commands.h"
#include "logfiles/export_commands.h"
#include "print/grid_printouts.h"

namespace tarvex {

void HistoryCommands::exportHistData() {
  tarvex::exportHistData(ui_, win_.vaGrid(), g_.dataFileName, g_.startDir);
}

void HistoryCommands::exportOpEventData() {
  tarvex::exportOpEventData(ui_, win_.opEvGrid(), g_.dataFileName, g_.startDir);
}

void HistoryCommands::exportAuditTrailData() {
  tarvex::exportAuditTrailData(ui_, win_.auditGrid(), g_.auditFileName, g_.startDir);
}

void HistoryCommands::exportAlmData() {
  tarvex::exportAlmData(ui_, win_.alarmGrid(), g_.alarmFileName, g_.startDir);
}

void HistoryCommands::PrintDataGrid() {
  tarvex::PrintDataGrid(ui_, win_.vaGrid(), g_.dataFileName, win_.selection(win_.vaGrid()));
}

void HistoryCommands::PrintOpEventGrid() {
  tarvex::PrintOpEventGrid(ui_, win_.opEvGrid(), g_.dataFileName);
}

void HistoryCommands::PrintAuditGrid() {
  tarvex::PrintAuditGrid(ui_, win_.auditGrid(), g_.auditFileName);
}

void HistoryCommands::PrintAlarmGrid() {
  tarvex::PrintAlarmGrid(ui_, win_.alarmGrid(), g_.alarmFileName);
}

}  // namespace tarvex
