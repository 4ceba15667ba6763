// The date and time of a row of a log table, as the trend's X values and the
// review window read it.
#pragma once

#include <QLocale>
#include <optional>

namespace tarvex {

class LogTable;

// Where a table keeps a row's date and time: columns 0 and 1 in the data,
// signature, operator event and audit trail tables, 2 and 3 in the alarm
// table.
struct TimeColumns {
  int dateCol = 0;
  int timeCol = 1;
};

// The date part of the row's date cell plus the time of day of its time
// cell (rounded to the second; a rewritten time as it shows), as a day count
// (days since 30 December 1899 plus the fraction of the day). Dates read in
// the table's decided order (LogTable::cellDateTime). Empty when either
// cell does not read.
std::optional<double> rowDateTime(const LogTable& table, int row, TimeColumns columns = {},
                                  const QLocale& locale = QLocale());

// The same in whole seconds since 30 December 1899 00:00:00.
std::optional<qint64> rowSeconds(const LogTable& table, int row, TimeColumns columns = {},
                                 const QLocale& locale = QLocale());

// rowSeconds from the values cellDateTime gave for the date and the time
// cell (for a reader that reads a date shared by many rows once).
std::optional<qint64> rowSecondsOf(std::optional<double> date, std::optional<double> time);

}  // namespace tarvex
