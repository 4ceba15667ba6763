// The tool-bar commands that write or print a table: the four exporters and
// the four printouts, each handed its table, file name and, for the data
// printout, the data grid's selection. A grid the review filters writes and
// prints only the rows it shows.
#include "history/history_commands.h"
#include "logfiles/export_commands.h"
#include "print/grid_printouts.h"
#include "review/review_model.h"

namespace tarvex {

namespace {

// The rows an export of the grid writes; empty: every row.
std::optional<std::vector<int>> exportRows(ReviewModel* review, ReviewTable t) {
  return review ? review->shownRows(t) : std::nullopt;
}

// The rows and header line of a printout of the grid; empty when the grid
// is not filtered.
std::optional<PrintFilter> printFilter(ReviewModel* review, ReviewTable t) {
  if (!review) return std::nullopt;
  std::optional<std::vector<int>> rows = review->shownRows(t);
  if (!rows) return std::nullopt;
  return PrintFilter{std::move(*rows), review->filterLine(t)};
}

template <class T>
const T* orNull(const std::optional<T>& o) {
  return o ? &*o : nullptr;
}

}  // namespace

void HistoryCommands::exportHistData() {
  const auto rows = exportRows(review_, ReviewTable::Data);
  tarvex::exportHistData(ui_, win_.vaGrid(), g_.dataFileName, g_.startDir, orNull(rows));
}

void HistoryCommands::exportOpEventData() {
  const auto rows = exportRows(review_, ReviewTable::OperatorEvents);
  tarvex::exportOpEventData(ui_, win_.opEvGrid(), g_.dataFileName, g_.startDir, orNull(rows));
}

void HistoryCommands::exportAuditTrailData() {
  const auto rows = exportRows(review_, ReviewTable::AuditTrail);
  tarvex::exportAuditTrailData(ui_, win_.auditGrid(), g_.auditFileName, g_.startDir, orNull(rows));
}

void HistoryCommands::exportAlmData() {
  const auto rows = exportRows(review_, ReviewTable::Alarms);
  tarvex::exportAlmData(ui_, win_.alarmGrid(), g_.alarmFileName, g_.startDir, orNull(rows));
}

void HistoryCommands::PrintDataGrid() {
  const auto filter = printFilter(review_, ReviewTable::Data);
  tarvex::PrintDataGrid(ui_, win_.vaGrid(), g_.dataFileName, win_.selection(win_.vaGrid()),
                        orNull(filter));
}

void HistoryCommands::PrintOpEventGrid() {
  const auto filter = printFilter(review_, ReviewTable::OperatorEvents);
  tarvex::PrintOpEventGrid(ui_, win_.opEvGrid(), g_.dataFileName, orNull(filter));
}

void HistoryCommands::PrintAuditGrid() {
  const auto filter = printFilter(review_, ReviewTable::AuditTrail);
  tarvex::PrintAuditGrid(ui_, win_.auditGrid(), g_.auditFileName, orNull(filter));
}

void HistoryCommands::PrintAlarmGrid() {
  const auto filter = printFilter(review_, ReviewTable::Alarms);
  tarvex::PrintAlarmGrid(ui_, win_.alarmGrid(), g_.alarmFileName, orNull(filter));
}

}  // namespace tarvex
