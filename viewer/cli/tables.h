// The tables of the command-line tool: which reader fills a table for a
// file, as the viewer's windows would show it.
#pragma once

#include <QString>
#include <optional>

#include "logfiles/date_order.h"
#include "review/time_window.h"

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
// steps of the viewer's readers: layout, date order, time rewrites, hidden
// columns). `dateOrder` overrides the order the file's dates decide. A
// signature or event file whose dates decide no order follows the log
// beside it (the same name with .csv, else .aud), as in the viewer.
// Throws RuntimeError.
void loadTable(LogTable& table, TableKind kind, const QString& path, VxLog& sigLog,
               std::optional<DateOrder> dateOrder = std::nullopt);

// The review's name of the grid that shows a table of kind.
ReviewTable reviewTableOf(TableKind kind);

}  // namespace tarvex
