#include "batches/register_schema.h"

#include <QVariant>

namespace tarvex {

namespace {

QString isoOrEmpty(const std::optional<ClockSeconds>& t) { return t ? isoOfClock(*t) : QString(); }

// A non-null text (an empty QString binds as NULL).
QVariant text(const QString& s) { return s.isNull() ? QVariant(QStringLiteral("")) : QVariant(s); }

}  // namespace

const std::vector<std::vector<const char*>>& registerMigrations() {
  static const std::vector<std::vector<const char*>> m{
      {
          "CREATE TABLE batches ("
          " path TEXT PRIMARY KEY,"
          " size BIGINT NOT NULL,"
          " mtime_ms BIGINT NOT NULL,"
          " sha256 TEXT NOT NULL DEFAULT '',"
          " sig_digest TEXT NOT NULL DEFAULT '',"
          " row_count BIGINT NOT NULL DEFAULT 0,"
          " first_time TEXT NOT NULL DEFAULT '',"  // ISO clock time, '' unknown
          " last_time TEXT NOT NULL DEFAULT '',"
          " untimed_rows BIGINT NOT NULL DEFAULT 0,"
          " channels TEXT NOT NULL DEFAULT '',"  // titles, one a line
          " search TEXT NOT NULL DEFAULT '',"    // path and titles, case folded
          " sig_path TEXT NOT NULL DEFAULT '',"
          " sig_size BIGINT NOT NULL DEFAULT -1,"
          " sig_mtime_ms BIGINT NOT NULL DEFAULT -1,"
          " evt_path TEXT NOT NULL DEFAULT '',"
          " audit_path TEXT NOT NULL DEFAULT '',"
          " alarm_path TEXT NOT NULL DEFAULT '',"
          " verdict TEXT NOT NULL,"
          " sig_records INTEGER NOT NULL DEFAULT 0,"
          " sig_confirmed INTEGER NOT NULL DEFAULT 0,"
          " sig_failed INTEGER NOT NULL DEFAULT 0,"
          " sig_problem TEXT NOT NULL DEFAULT '',"
          " alarms INTEGER,"  // NULL: no alarm history
          " review TEXT NOT NULL,"
          " review_by TEXT NOT NULL DEFAULT '',"
          " review_by_id TEXT NOT NULL DEFAULT '',"
          " review_at TEXT NOT NULL DEFAULT '',"
          " review_note TEXT NOT NULL DEFAULT '',"
          " missing INTEGER NOT NULL DEFAULT 0,"
          " error TEXT NOT NULL DEFAULT '',"
          " scanned_at TEXT NOT NULL,"
          " span_s BIGINT NOT NULL DEFAULT 0)",  // last_time - first_time, seconds
          "CREATE INDEX batches_newest ON batches (first_time DESC, path)",
          "CREATE INDEX batches_span ON batches (span_s)",
          // A status or verdict's batches come out of these newest first, unsorted.
          "CREATE INDEX batches_review ON batches (review, first_time DESC, path)",
          "CREATE INDEX batches_verdict ON batches (verdict, first_time DESC, path)",
          "CREATE TABLE log_files ("
          " path TEXT PRIMARY KEY,"
          " kind TEXT NOT NULL,"
          " size BIGINT NOT NULL,"
          " mtime_ms BIGINT NOT NULL,"
          " first_time TEXT NOT NULL DEFAULT '',"
          " last_time TEXT NOT NULL DEFAULT '',"
          " error TEXT NOT NULL DEFAULT '',"
          " missing INTEGER NOT NULL DEFAULT 0,"
          " scanned_at TEXT NOT NULL)",
      },
  };
  return m;
}

const QStringList& batchColumns() {
  static const QStringList c{
      "path",        "size",          "mtime_ms",     "sha256",      "sig_digest", "row_count",
      "first_time",  "last_time",     "untimed_rows", "channels",    "search",     "sig_path",
      "sig_size",    "sig_mtime_ms",  "evt_path",     "audit_path",  "alarm_path", "verdict",
      "sig_records", "sig_confirmed", "sig_failed",   "sig_problem", "alarms",     "review",
      "review_by",   "review_by_id",  "review_at",    "review_note", "missing",    "error",
      "scanned_at",  "span_s"};
  return c;
}

const QString& batchSelectColumns() {
  static const QString s = [] {
    QStringList c = batchColumns();
    c.removeOne(QStringLiteral("search"));
    c.removeOne(QStringLiteral("span_s"));
    return c.join(u", ");
  }();
  return s;
}

const QStringList& logColumns() {
  static const QStringList c{"path",      "kind",  "size",    "mtime_ms",  "first_time",
                             "last_time", "error", "missing", "scanned_at"};
  return c;
}

QString upsertSql(const QString& table, const QStringList& columns) {
  QStringList marks, sets;
  for (const QString& c : columns) {
    marks << QStringLiteral("?");
    if (c != u"path") sets << c + QStringLiteral(" = excluded.") + c;
  }
  return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT (path) DO UPDATE SET %4")
      .arg(table, columns.join(u", "), marks.join(u", "), sets.join(u", "));
}

void bindBatchRow(QSqlQuery& q, const BatchRecord& r) {
  const QVariant values[] = {
      r.path,
      r.size,
      r.mtimeMs,
      text(r.sha256),
      text(r.sigDigest),
      r.rows,
      text(isoOrEmpty(r.first)),
      text(isoOrEmpty(r.last)),
      r.untimedRows,
      text(r.channels.join(u'\n')),
      text(searchTextOf(r)),
      text(r.sigPath),
      r.sigSize,
      r.sigMtimeMs,
      text(r.evtPath),
      text(r.auditPath),
      text(r.alarmPath),
      verdictName(r.verdict),
      r.sigRecords,
      r.sigConfirmed,
      r.sigFailed,
      text(r.sigProblem),
      r.alarms ? QVariant(*r.alarms) : QVariant(QMetaType::fromType<int>()),
      reviewName(r.review),
      text(r.reviewBy),
      text(r.reviewById),
      text(r.reviewAt),
      text(r.reviewNote),
      r.missing ? 1 : 0,
      text(r.error),
      text(r.scannedAt),
      r.first && r.last ? *r.last - *r.first : 0,
  };
  for (int i = 0; i < int(std::size(values)); ++i) q.bindValue(i, values[i]);
}

BatchRecord readBatchRow(const QSqlQuery& q) {
  BatchRecord r;
  int i = 0;
  auto next = [&] { return q.value(i++); };
  r.path = next().toString();
  r.size = next().toLongLong();
  r.mtimeMs = next().toLongLong();
  r.sha256 = next().toString();
  r.sigDigest = next().toString();
  r.rows = next().toLongLong();
  r.first = clockOfIso(next().toString());
  r.last = clockOfIso(next().toString());
  r.untimedRows = next().toLongLong();
  const QString channels = next().toString();
  if (!channels.isEmpty()) r.channels = channels.split(u'\n');
  r.sigPath = next().toString();
  r.sigSize = next().toLongLong();
  r.sigMtimeMs = next().toLongLong();
  r.evtPath = next().toString();
  r.auditPath = next().toString();
  r.alarmPath = next().toString();
  r.verdict = verdictFromName(next().toString()).value_or(SignatureVerdict::Unsigned);
  r.sigRecords = next().toInt();
  r.sigConfirmed = next().toInt();
  r.sigFailed = next().toInt();
  r.sigProblem = next().toString();
  const QVariant alarms = next();
  if (!alarms.isNull()) r.alarms = alarms.toInt();
  r.review = reviewStateFromName(next().toString()).value_or(ReviewState::None);
  r.reviewBy = next().toString();
  r.reviewById = next().toString();
  r.reviewAt = next().toString();
  r.reviewNote = next().toString();
  r.missing = next().toInt() != 0;
  r.error = next().toString();
  r.scannedAt = next().toString();
  return r;
}

void bindLogRow(QSqlQuery& q, const LogFileRecord& r) {
  const QVariant values[] = {r.path,        logKindName(r.kind),       r.size,
                             r.mtimeMs,     text(isoOrEmpty(r.first)), text(isoOrEmpty(r.last)),
                             text(r.error), r.missing ? 1 : 0,         text(r.scannedAt)};
  for (int i = 0; i < int(std::size(values)); ++i) q.bindValue(i, values[i]);
}

LogFileRecord readLogRow(const QSqlQuery& q) {
  LogFileRecord r;
  r.path = q.value(0).toString();
  r.kind = logKindFromName(q.value(1).toString());
  r.size = q.value(2).toLongLong();
  r.mtimeMs = q.value(3).toLongLong();
  r.first = clockOfIso(q.value(4).toString());
  r.last = clockOfIso(q.value(5).toString());
  r.error = q.value(6).toString();
  r.missing = q.value(7).toInt() != 0;
  r.scannedAt = q.value(8).toString();
  return r;
}

}  // namespace tarvex
