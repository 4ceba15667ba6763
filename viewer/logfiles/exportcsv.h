// The data step of the four exporters (exportHistData, exportOpEventData,
// exportAuditTrailData, exportAlmData). Their guard and Save dialog are the
// caller's; the table is written with LogTable::exportDelimitedText, which
// documents exactly what the file holds.
#pragma once

#include <QString>

namespace tarvex {

// The file name the Save dialog proposes: prefix + baseName(logPath) +
// ".csv" ("Audit " and C:\logs\trail.aud give "Audit trail.csv"; "" and
// run.2007.csv give "run.csv"). Prefixes: "" for the data table,
// "Op Event ", "Audit ", "Alarm ".
QString exportFileName(const QString& prefix, const QString& logPath);

}  // namespace tarvex
