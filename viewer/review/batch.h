// A data history file as the comparison reads it: the time of every row and
// the values of the channels asked for, in time order.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "logfiles/date_order.h"
#include "review/alignment.h"

namespace tarvex {

class LogTable;

// Loads the data history file at `path` into `table` with the viewer's own
// loader and layout (titles in row 0, dates in column 0, times in column 1,
// trailing empty columns trimmed, read-only), its dates read in the order
// they decide, or in `dateOrder` when given (as the data file's reader).
// The time column keeps its text as recorded: the "hh:mm:ss AM/PM" rewrite
// is for the grid's eyes and reads back as the same time. Throws
// RuntimeError as the reader does (53 no such file, 75 a folder, pipe or
// device, 7 out of memory, ...).
void loadBatchTable(LogTable& table, const QString& path,
                    std::optional<DateOrder> dateOrder = std::nullopt);

// The first column of the file's channels: 2, or 5 when cell (2, 1) is
// empty (the data columns then begin there).
int firstChannelColumn(const LogTable& table);

// The titles of the channel columns, firstChannelColumn() .. lastCol().
QStringList channelTitles(const LogTable& table);

// The column `given` names, as `tarvex plot` takes it: a column number as
// `tarvex show` prints the table, or a title (exact first, then ignoring
// case and surrounding blanks). Throws RuntimeError 9 when it names no
// column or a column that is not a channel.
int channelColumn(const LogTable& table, const QString& given);

// The rows of one batch in time order.
struct Batch {
  QString name;               // the file's base name
  std::vector<int> columns;   // the table columns read, as asked
  QStringList titles;         // their titles (row 0)
  std::vector<TimeMs> times;  // ascending
  // values[k][i]: column columns[k] at times[i]; NaN where the cell holds
  // no number (a gap).
  std::vector<std::vector<double>> values;
  // False when the file's rows were not in time order: times and values
  // are then a sorted copy (rows of equal time keep their file order).
  bool inFileOrder = true;

  bool empty() const { return times.empty(); }
};

// Reads the data rows 1..lastRow() of `table`: each row's time (the date
// of column 0 plus the time of day of column 1, to the second, as the plot
// builder takes them) and the numbers of `columns`. Throws RuntimeError 13
// naming the first row whose date or time does not read, 7 out of memory.
Batch readBatch(const LogTable& table, const std::vector<int>& columns,
                const QLocale& locale = QLocale());

}  // namespace tarvex
