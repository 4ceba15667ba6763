// The four export commands of the history window's tool bars: each checks
// that its file is open, asks for the file to write in a Save dialog (in the
// folder "Export Data" of the start-up directory, proposing a name made from
// the log file's), and writes its table there as comma-separated text. A
// cancelled dialog ends the command silently; a failed write is reported with
// the command's name and leaves any older file of that name untouched.
#pragma once

#include <QString>
#include <vector>

#include "logfiles/logtable.h"
#include "shell/userinterface.h"

namespace tarvex {

// The Save dialog's initial folder: startDir followed by "\Export Data" (the
// dialog shows it with the platform's separators). It is only proposed and
// never created.
QString exportFolder(const QString& startDir);

// The file name the Save dialog proposes: exportFileName(prefix,
// logFileName), with " export" put before ".csv" when that name, in the
// folder the dialog opens in (the export folder, or startDir when it is
// missing), is an open log file: the proposal never names a log.
// run.csv in the start-up folder gives "run export.csv".
QString proposedExportName(const QString& prefix, const QString& logFileName,
                           const QString& startDir);

// A chosen path that is a file read in this run (the open log, a companion,
// another log; shell/readfiles.h) is refused with a plain message that
// names it; nothing is written.
//
// With `rows` (the rows a filtered grid shows) only row 0 and those rows
// are written (LogTable::exportDelimitedText); null writes the whole table.
//
// vaGrid of the data file dataFileName: "Export data file as?", run.csv.
void exportHistData(UserInterface& ui, const LogTable& vaGrid, const QString& dataFileName,
                    const QString& startDir, const std::vector<int>* rows = nullptr);
// opEvGrid, guarded by the data file: "Export Op Event File as?",
// Op Event run.csv.
void exportOpEventData(UserInterface& ui, const LogTable& opEvGrid, const QString& dataFileName,
                       const QString& startDir, const std::vector<int>* rows = nullptr);
// auditGrid: "Export Audit Trail File as?", Audit trail.csv.
void exportAuditTrailData(UserInterface& ui, const LogTable& auditGrid,
                          const QString& auditFileName, const QString& startDir,
                          const std::vector<int>* rows = nullptr);
// alarmGrid: "Export Alarm History File as?", Alarm alm.csv.
void exportAlmData(UserInterface& ui, const LogTable& alarmGrid, const QString& alarmFileName,
                   const QString& startDir, const std::vector<int>* rows = nullptr);

}  // namespace tarvex
