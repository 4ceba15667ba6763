// The table steps of the log readers: what getHistFile, getAuditFile and
// getAlmFile do to their grid once the operator has chosen a file. The open
// dialog, status texts, mouse pointer, event pump and busy flag stay with the
// caller, which also reports a thrown error (with the reader's procedure name)
// and then clears the table(s) as each reader's failure path says.
#pragma once

#include <QLocale>
#include <QString>
#include <optional>

#include "logfiles/date_order.h"
#include "logfiles/logtable.h"

namespace tarvex {

// Widths the readers give their columns, in characters.
inline constexpr double kHistColumnWidth = 14;

// What getHistFile shows besides the table.
struct HistDataResult {
  // Whether the "Operator Events" tab is switched on: cell (2, 1) is empty.
  bool operatorEventsEnabled = false;
  // "Current File is " + path: the status text after a load.
  QString statusText;
  // "Data File: " + baseName(path): the trend plot's title.
  QString plotTitle;
};

// Every reader decides its table's date order (logfiles/date_order.h) from
// the dates of the file, or takes `dateOrder` when the user set one, and
// the table remembers it.

// The data history file at path into vaGrid: loaded with the titles in row 0
// and the dates in column 0; widths 14; column and block selections, several
// blocks at once; lastCol trimmed to the data column count; the date order
// decided over column 0; column 1 rewritten "hh:mm:ss AM/PM" (texts that
// read as no time, such as the title, stay); read-only. Throws RuntimeError
// (see LogTable::loadDelimitedText); vaGrid is unchanged when the load
// itself failed.
HistDataResult loadHistData(LogTable& vaGrid, const QString& path,
                            const QLocale& locale = QLocale(),
                            std::optional<DateOrder> dateOrder = std::nullopt);

// The audit trail at path into auditGrid: the table cleared and lastRow 0;
// line k as row k with field 1 in column 0; read-only, whole-row selection;
// titles "Date", "Time", "User Full Name", "User Action" with widths 12, 12,
// 25, 100; column 4 hidden; the date order decided over column 0. Returns
// the caption of auditNameLab, "Audit Trail File: " + baseName(path).
// Throws RuntimeError.
QString loadAuditData(LogTable& auditGrid, const QString& path,
                      std::optional<DateOrder> dateOrder = std::nullopt);

// The alarm history at path into alarmGrid: the table cleared and lastRow 0;
// line k as row k with field n in column n and the row number in column 0;
// widths 8, 40, 12, 12 and titles "Alarm#", "Alarm Description", "Date",
// "Time"; the date order decided over column 2; column 3 rewritten "hh:mm
// AM/PM"; read-only, whole-row selection. Returns the caption of
// almNameLab, "Alarm History File: " + baseName(path). Throws RuntimeError.
QString loadAlarmData(LogTable& alarmGrid, const QString& path, const QLocale& locale = QLocale(),
                      std::optional<DateOrder> dateOrder = std::nullopt);

// The first channel column of a data table: 2, or 5 when cell (2, 1) is
// empty (columns 2 to 4 then hold no data either).
int firstDataColumn(const LogTable& vaGrid);

// The channel column `given` names: its number as `tarvex show` prints it,
// or its title (exact, then letter case aside). Throws RuntimeError
// err::SubscriptOutOfRange with a plain message when there is no such
// title or the column is no channel.
int channelColumnOf(const LogTable& vaGrid, const QString& given);

// Clears every cell of the table, (0, 0) to (lastCol, lastRow), texts and
// formatting; what a reader does to its own table after a failure.
void clearTable(LogTable& table);

// The table part of clearHistData: clears vaGrid, then digiSigGrid, then
// opEvGrid. The caller then sets dataFileName and the status text to "",
// the pointer to normal, hides DcryLabel and ProgBar and lowers
// f_FileLoading.
void clearHistTables(LogTable& vaGrid, LogTable& digiSigGrid, LogTable& opEvGrid);

}  // namespace tarvex
