// Where a note points, made from the table the reviewer looks at: a row of
// a table with that row's time, or a time within the data file.
#pragma once

#include <QString>
#include <optional>

#include "logfiles/row_time.h"
#include "record/record_entry.h"

namespace tarvex {

class LogTable;

// "YYYY-MM-DDTHH:MM:SS" of seconds since 30 December 1899 (the tables'
// row times), and back.
QString isoOfSeconds(qint64 seconds);
std::optional<qint64> secondsOfIso(const QString& iso);

// The anchor of row `row` (1..lastRow) of `table` (named as isNoteTable()
// names it), with its time ("" when its date or time does not read). Throws
// RuntimeError(9) naming the table's rows for a row outside them.
NoteAnchor anchorAtRow(const LogTable& table, const QString& tableName, int row,
                       TimeColumns columns);

// The anchor of a time (seconds as above) in the data table: refused with
// RuntimeError(9), naming the file's first and last time, when it lies
// before the first or after the last readable row time.
NoteAnchor anchorAtTime(const LogTable& dataTable, qint64 seconds, TimeColumns columns = {});

// "data row 12 at 2007-03-14 06:00:00", "audit row 3 of Line1.aud at ...",
// "2007-03-14 06:00:00".
QString anchorText(const NoteAnchor& anchor);

}  // namespace tarvex
