// The batch register's tables as SQL: the migrations that make them, their
// columns, and how a row is bound to a statement and read back from a
// query. One text serves SQLite and PostgreSQL. Used by the register
// (batch_register.h) alone.
#pragma once

#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <vector>

#include "batches/batch_record.h"
#include "batches/batch_register.h"

namespace tarvex {

// The migrations, oldest first: migration n brings the schema to version n
// (kRegisterSchemaVersion is the last one's number).
const std::vector<std::vector<const char*>>& registerMigrations();

// The batches table's columns, in the order bindBatchRow binds them.
const QStringList& batchColumns();
// What a list reads, in the order readBatchRow takes them: every column of
// the batches table but the search text and the span.
const QString& batchSelectColumns();
// The log_files table's columns, in the order bindLogRow binds them and
// readLogRow takes them.
const QStringList& logColumns();

// "INSERT INTO table (columns) VALUES (?, ...) ON CONFLICT (path) DO
// UPDATE ...": a row added, or the row of its path replaced.
QString upsertSql(const QString& table, const QStringList& columns);

// Binds every column of `r` (batchColumns) to the prepared upsert `q`.
void bindBatchRow(QSqlQuery& q, const BatchRecord& r);
// The batch on the current row of a query of batchSelectColumns.
BatchRecord readBatchRow(const QSqlQuery& q);
// Binds every column of `r` (logColumns) to the prepared upsert `q`.
void bindLogRow(QSqlQuery& q, const LogFileRecord& r);
// The log file on the current row of a query of logColumns.
LogFileRecord readLogRow(const QSqlQuery& q);

}  // namespace tarvex
