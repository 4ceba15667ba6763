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

// rowSeconds for the rows of a table taken in ascending order, as a reader
// of every row needs them: a date text shared by consecutive rows is read
// once, and rewritten times are taken as stored. The table must outlive the
// reader and stay unchanged while it is used.
class RowSecondsReader {
 public:
  RowSecondsReader(const LogTable& table, TimeColumns columns, const QLocale& locale = QLocale());
  // rowSeconds(table, row, columns, locale); rows in ascending order are
  // the fast way, any order gives the same values.
  std::optional<qint64> seconds(int row);

 private:
  std::optional<double> date(int row);

  const LogTable& table_;
  TimeColumns columns_;
  QLocale locale_;
  // The date text of the row read last (file bytes) and its value.
  const char* lastBegin_ = nullptr;
  const char* lastEnd_ = nullptr;
  std::optional<double> lastDate_;
};

}  // namespace tarvex
