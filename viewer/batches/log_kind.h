// Which of the controller's logs a file is, told from its first lines (not
// from its name: alarm histories end in ".csv" as data histories do).
//   data history:  a title row, then rows that begin with a date and a time
//                  ("Date,Time,TC1 Zone 1 (C),...", "3/14/2007,6:00:00,...");
//                  a file of the title row alone when it begins "Date,Time";
//   audit trail:   rows that begin with a date and a time, then the user and
//                  the action ("3/14/2007,5:54:40,Jane Miller,Log in");
//   alarm history: rows of a description, a date and a time
//                  ("High Temp TC1,3/14/2007,6:15:03").
// Dates and times read as the log readers read them (logfiles/timeconv.h),
// in any of the three date orders.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace tarvex {

enum class LogKind { DataHistory, AuditTrail, AlarmHistory, Other };

// "data", "audit", "alarm", "other"; and back ("other" for any other text).
QString logKindName(LogKind kind);
LogKind logKindFromName(const QString& name);

// The kind of a file that begins with `head` (its first kilobytes: the
// first two lines decide).
LogKind logKindOfHead(QByteArrayView head);

// The kind of the file at path, from its first 64 KiB. Throws RuntimeError
// as openRegularFile does (a pipe, device or folder is refused unread), 75
// when the file cannot be read.
LogKind sniffLogKind(const QString& path);

}  // namespace tarvex
