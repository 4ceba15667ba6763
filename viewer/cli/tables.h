// The tables of the command-line tool: which reader fills a table for a
// file, as the viewer's windows would show it.
#pragma once

#include <QString>
#include <optional>

namespace tarvex {

class LogTable;
class VxLog;

enum class TableKind { Data, Audit, Alarm, Signatures, Events };

// "data", "audit", "alarm", "sig", "evt".
std::optional<TableKind> tableKindFromName(const QString& name);
// By extension: .csv data, .aud audit, .sig signatures, .evt events
// (case-insensitive).
std::optional<TableKind> tableKindFromExtension(const QString& path);

// Fills table from the file at path with the reader of kind (the data
// steps of the viewer's readers: layout, time rewrites, hidden columns).
// Throws RuntimeError.
void loadTable(LogTable& table, TableKind kind, const QString& path, VxLog& sigLog);

}  // namespace tarvex
