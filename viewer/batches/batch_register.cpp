#include "batches/batch_register.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <limits>

#include "shell/readfiles.h"
#include "shell/runtime_error.h"

namespace tarvex {
namespace {

// The migrations, oldest first: migration n brings the schema to version n.
// One text serves both databases.
const std::vector<std::vector<const char*>>& migrations() {
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

const QStringList kBatchColumns{
    "path",        "size",          "mtime_ms",     "sha256",      "sig_digest", "row_count",
    "first_time",  "last_time",     "untimed_rows", "channels",    "search",     "sig_path",
    "sig_size",    "sig_mtime_ms",  "evt_path",     "audit_path",  "alarm_path", "verdict",
    "sig_records", "sig_confirmed", "sig_failed",   "sig_problem", "alarms",     "review",
    "review_by",   "review_by_id",  "review_at",    "review_note", "missing",    "error",
    "scanned_at",  "span_s"};

// What a list reads: every column but the search text and the span.
const QString kSelectColumns = [] {
  QStringList c = kBatchColumns;
  c.removeOne(QStringLiteral("search"));
  c.removeOne(QStringLiteral("span_s"));
  return c.join(u", ");
}();

const QStringList kLogColumns{"path",      "kind",  "size",    "mtime_ms",  "first_time",
                              "last_time", "error", "missing", "scanned_at"};

// The advisory lock PostgreSQL connections take while they migrate.
constexpr qint64 kMigrationLock = 0x7461727665780001LL;

QString upsertSql(const QString& table, const QStringList& columns) {
  QStringList marks, sets;
  for (const QString& c : columns) {
    marks << QStringLiteral("?");
    if (c != u"path") sets << c + QStringLiteral(" = excluded.") + c;
  }
  return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT (path) DO UPDATE SET %4")
      .arg(table, columns.join(u", "), marks.join(u", "), sets.join(u", "));
}

QString isoOrEmpty(const std::optional<ClockSeconds>& t) { return t ? isoOfClock(*t) : QString(); }

// A non-null text (an empty QString binds as NULL).
QVariant text(const QString& s) { return s.isNull() ? QVariant(QStringLiteral("")) : QVariant(s); }

void bindBatch(QSqlQuery& q, const BatchRecord& r) {
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

BatchRecord batchOf(const QSqlQuery& q) {
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

void bindLog(QSqlQuery& q, const LogFileRecord& r) {
  const QVariant values[] = {r.path,        logKindName(r.kind),       r.size,
                             r.mtimeMs,     text(isoOrEmpty(r.first)), text(isoOrEmpty(r.last)),
                             text(r.error), r.missing ? 1 : 0,         text(r.scannedAt)};
  for (int i = 0; i < int(std::size(values)); ++i) q.bindValue(i, values[i]);
}

LogFileRecord logOf(const QSqlQuery& q) {
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

// A failure another writer causes, worth trying again: SQLite busy or
// locked, PostgreSQL deadlock or serialization failure.
bool isTransient(const QSqlError& e, RegisterPlace::Kind kind) {
  const QString code = e.nativeErrorCode();
  if (kind == RegisterPlace::Kind::SQLite) return code == u"5" || code == u"6";
  return code == u"40P01" || code == u"40001";
}

class DbError {
 public:
  explicit DbError(QSqlError e) : error(std::move(e)) {}
  QSqlError error;
};

QString reasonOf(const QSqlError& e) {
  QString t = e.databaseText().trimmed();
  if (t.isEmpty()) t = e.driverText().trimmed();
  if (t.isEmpty()) t = e.text().trimmed();
  return t;
}

}  // namespace

QString searchTextOf(const BatchRecord& record) {
  return (record.path + u'\n' + record.channels.join(u'\n')).toCaseFolded();
}

struct Register::Impl {
  QString name;
  QSqlDatabase db;
  RegisterPlace::Kind kind;

  QSqlQuery exec(const QString& sql, const QVariantList& values = {}) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) throw DbError(q.lastError());
    for (int i = 0; i < values.size(); ++i) q.bindValue(i, values[i]);
    if (!q.exec()) throw DbError(q.lastError());
    return q;
  }
  // Plain statements (no parameters), as the drivers run them best.
  void run(const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql)) throw DbError(q.lastError());
  }
  void begin() {
    if (kind == RegisterPlace::Kind::SQLite) {
      run(QStringLiteral("BEGIN IMMEDIATE"));
    } else {
      run(QStringLiteral("BEGIN"));
    }
  }
  void rollback() {
    QSqlQuery q(db);
    q.exec(QStringLiteral("ROLLBACK"));
  }
  // Runs `step` in a transaction, again (up to 8 times) while another
  // writer is in the way.
  template <class Step>
  void transaction(Step step) {
    for (int attempt = 1;; ++attempt) {
      try {
        begin();
        step();
        run(QStringLiteral("COMMIT"));
        return;
      } catch (const DbError& e) {
        rollback();
        if (attempt >= 8 || !isTransient(e.error, kind)) throw;
        QThread::msleep(20 * attempt);
      } catch (...) {
        rollback();
        throw;
      }
    }
  }
  // PostgreSQL: a trigram index makes --grep a look-up instead of a read of
  // every row, where the server has pg_trgm (a contrib extension a
  // database's owner may create). Without it the search reads every row.
  void searchIndex() {
    run(QStringLiteral("SAVEPOINT search_index"));
    try {
      run(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm"));
      run(QStringLiteral("CREATE INDEX batches_search ON batches USING gin (search gin_trgm_ops)"));
      run(QStringLiteral("RELEASE SAVEPOINT search_index"));
    } catch (const DbError&) {
      run(QStringLiteral("ROLLBACK TO SAVEPOINT search_index"));
    }
  }
  int storedVersion() {
    QSqlQuery q = exec(QStringLiteral("SELECT max(version) FROM schema_version"));
    return q.next() ? q.value(0).toInt() : 0;
  }
  void migrate() {
    // Most opens find the schema current: a read, no lock.
    try {
      if (storedVersion() == kRegisterSchemaVersion) return;
    } catch (const DbError&) {
      // No schema_version yet: made below.
    }
    transaction([&] {
      if (kind == RegisterPlace::Kind::PostgreSQL)
        exec(QStringLiteral("SELECT pg_advisory_xact_lock(?)"), {kMigrationLock});
      run(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"));
      const int have = storedVersion();
      if (have > kRegisterSchemaVersion)
        throw RuntimeError(err::PathFileAccess,
                           QStringLiteral("it was made by a newer program (schema version %1; this "
                                          "program knows up to %2)")
                               .arg(have)
                               .arg(kRegisterSchemaVersion));
      for (int v = have + 1; v <= kRegisterSchemaVersion; ++v) {
        for (const char* sql : migrations()[std::size_t(v - 1)]) run(QString::fromLatin1(sql));
        exec(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"), {v});
      }
      if (have == 0 && kind == RegisterPlace::Kind::PostgreSQL) searchIndex();
    });
  }
};

namespace {

std::atomic<int> connectionCounter{0};

RuntimeError cannotOpen(const RegisterPlace& place, const QString& why) {
  return RuntimeError(
      err::PathFileAccess,
      QStringLiteral("Cannot open the batch register %1: %2").arg(place.display, why));
}

RuntimeError failedStep(const RegisterPlace& place, const QSqlError& e, const char* what) {
  return RuntimeError(err::PathFileAccess,
                      QStringLiteral("The batch register %1 %2: %3")
                          .arg(place.display, QString::fromLatin1(what), reasonOf(e)));
}

}  // namespace

Register::Register(const RegisterPlace& place) : place_(place), d_(std::make_unique<Impl>()) {
  d_->kind = place.kind;
  d_->name = QStringLiteral("tarvex-register-%1").arg(connectionCounter.fetch_add(1));
  if (place.kind == RegisterPlace::Kind::SQLite) {
    const QFileInfo info(place.sqlitePath);
    if (place.isDefault) QDir().mkpath(info.absolutePath());
    if (!info.absoluteDir().exists())
      throw cannotOpen(place,
                       QStringLiteral("its folder %1 does not exist").arg(info.absolutePath()));
    struct stat st {};
    if (::stat(QFile::encodeName(place.sqlitePath).constData(), &st) == 0 && !S_ISREG(st.st_mode))
      throw cannotOpen(place, notRegularFile(place.sqlitePath, st.st_mode).description());
    d_->db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), d_->name);
    d_->db.setDatabaseName(place.sqlitePath);
    d_->db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
  } else {
    d_->db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), d_->name);
    if (!place.host.isEmpty()) d_->db.setHostName(place.host);
    if (place.port > 0) d_->db.setPort(place.port);
    if (!place.user.isEmpty()) d_->db.setUserName(place.user);
    if (!place.database.isEmpty()) d_->db.setDatabaseName(place.database);
    QString options = QStringLiteral("connect_timeout=10");
    if (!place.options.isEmpty()) options += u';' + place.options;
    d_->db.setConnectOptions(options);
  }
  try {
    if (!d_->db.isValid())
      throw cannotOpen(
          place, QStringLiteral("the Qt SQL driver %1 is not installed")
                     .arg(place.kind == RegisterPlace::Kind::SQLite ? QStringLiteral("QSQLITE")
                                                                    : QStringLiteral("QPSQL")));
    if (!d_->db.open()) throw cannotOpen(place, reasonOf(d_->db.lastError()));
    if (place.kind == RegisterPlace::Kind::SQLite) {
      // Readers and one writer at a time without waiting on each other; each
      // commit on disk before it returns.
      d_->run(QStringLiteral("PRAGMA journal_mode=WAL"));
      d_->run(QStringLiteral("PRAGMA synchronous=FULL"));
      // Reads through a memory map and a larger cache: a list of a large
      // register then costs no system call a page.
      d_->run(QStringLiteral("PRAGMA mmap_size=1073741824"));
      d_->run(QStringLiteral("PRAGMA cache_size=-65536"));
    } else {
      d_->run(QStringLiteral("SET client_min_messages = warning"));
    }
    d_->migrate();
  } catch (const DbError& e) {
    d_->db.close();
    throw cannotOpen(place, reasonOf(e.error));
  } catch (const RuntimeError& e) {
    d_->db.close();
    if (e.description().startsWith(u"Cannot open the batch register")) throw;
    throw cannotOpen(place, e.description());
  }
}

Register::~Register() {
  d_->db.close();
  d_->db = QSqlDatabase();
  QSqlDatabase::removeDatabase(d_->name);
}

int Register::schemaVersion() {
  try {
    return d_->storedVersion();
  } catch (const DbError& e) {
    throw failedStep(place_, e.error, "cannot be read");
  }
}

namespace {

QString underRoots(const QStringList& roots, QVariantList& values) {
  QStringList parts;
  for (const QString& root : roots) {
    const QString prefix = root.endsWith(u'/') ? root : root + u'/';
    parts << QStringLiteral("substr(path, 1, ?) = ?");
    values << int(prefix.size()) << prefix;
  }
  return parts.isEmpty() ? QStringLiteral("1 = 0") : parts.join(QStringLiteral(" OR "));
}

}  // namespace

QHash<QString, BatchRecord> Register::batchesUnder(const QStringList& roots) {
  QHash<QString, BatchRecord> out;
  try {
    QVariantList values;
    const QString where = underRoots(roots, values);
    QSqlQuery q = d_->exec(
        QStringLiteral("SELECT %1 FROM batches WHERE %2").arg(kSelectColumns, where), values);
    while (q.next()) {
      BatchRecord r = batchOf(q);
      out.insert(r.path, std::move(r));
    }
  } catch (const DbError& e) {
    throw failedStep(place_, e.error, "cannot be read");
  }
  return out;
}

QHash<QString, LogFileRecord> Register::logFilesUnder(const QStringList& roots) {
  QHash<QString, LogFileRecord> out;
  try {
    QVariantList values;
    const QString where = underRoots(roots, values);
    QSqlQuery q = d_->exec(
        QStringLiteral("SELECT %1 FROM log_files WHERE %2").arg(kLogColumns.join(u", "), where),
        values);
    while (q.next()) {
      LogFileRecord r = logOf(q);
      out.insert(r.path, std::move(r));
    }
  } catch (const DbError& e) {
    throw failedStep(place_, e.error, "cannot be read");
  }
  return out;
}

void Register::write(std::vector<BatchRecord> batches, std::vector<LogFileRecord> logFiles) {
  if (batches.empty() && logFiles.empty()) return;
  // Rows in path order: two writers then lock shared rows in the same order
  // and cannot deadlock each other.
  std::sort(batches.begin(), batches.end(),
            [](const BatchRecord& a, const BatchRecord& b) { return a.path < b.path; });
  std::sort(logFiles.begin(), logFiles.end(),
            [](const LogFileRecord& a, const LogFileRecord& b) { return a.path < b.path; });
  try {
    d_->transaction([&] {
      if (!logFiles.empty()) {
        QSqlQuery q(d_->db);
        if (!q.prepare(upsertSql(QStringLiteral("log_files"), kLogColumns)))
          throw DbError(q.lastError());
        for (const LogFileRecord& r : logFiles) {
          bindLog(q, r);
          if (!q.exec()) throw DbError(q.lastError());
        }
      }
      if (!batches.empty()) {
        QSqlQuery q(d_->db);
        if (!q.prepare(upsertSql(QStringLiteral("batches"), kBatchColumns)))
          throw DbError(q.lastError());
        for (const BatchRecord& r : batches) {
          bindBatch(q, r);
          if (!q.exec()) throw DbError(q.lastError());
        }
      }
    });
  } catch (const DbError& e) {
    throw failedStep(place_, e.error, "could not be written (nothing of this step was kept)");
  }
}

void Register::markMissing(const QStringList& paths, const QString& scannedAt) {
  if (paths.isEmpty()) return;
  QStringList sorted = paths;
  sorted.sort();
  try {
    d_->transaction([&] {
      for (const char* table : {"batches", "log_files"}) {
        QSqlQuery q(d_->db);
        if (!q.prepare(QStringLiteral("UPDATE %1 SET missing = 1, scanned_at = ? WHERE path = ?")
                           .arg(QLatin1String(table))))
          throw DbError(q.lastError());
        for (const QString& p : sorted) {
          q.bindValue(0, scannedAt);
          q.bindValue(1, p);
          if (!q.exec()) throw DbError(q.lastError());
        }
      }
    });
  } catch (const DbError& e) {
    throw failedStep(place_, e.error, "could not be written (nothing of this step was kept)");
  }
}

namespace {

// maxSpan: the longest span of a batch, with a From (see Register::maxSpan).
QString whereOf(const BatchFilter& f, RegisterPlace::Kind kind, std::optional<qint64> maxSpan,
                QVariantList& values) {
  QStringList parts;
  if (f.review) {
    parts << QStringLiteral("review = ?");
    values << reviewName(*f.review);
  }
  if (f.verdict) {
    parts << QStringLiteral("verdict = ?");
    values << verdictName(*f.verdict);
  }
  if (f.from) {
    parts << QStringLiteral("last_time <> '' AND last_time >= ?");
    values << isoOfClock(*f.from);
    // No batch lasts longer than the longest: those that began earlier than
    // that before From end before it. This bound lets the index of the
    // first times find the few batches near the window.
    if (maxSpan && *f.from - *maxSpan > 0) {
      parts << QStringLiteral("first_time >= ?");
      values << isoOfClock(*f.from - *maxSpan);
    }
  }
  if (f.to) {
    parts << QStringLiteral("first_time <> '' AND first_time <= ?");
    values << isoOfClock(*f.to);
  }
  if (!f.text.isEmpty()) {
    // The case-folded text searched as it is: SQLite's LIKE would fold every
    // character again, PostgreSQL's LIKE can use the trigram index.
    if (kind == RegisterPlace::Kind::SQLite) {
      parts << QStringLiteral("instr(search, ?) > 0");
      values << f.text.toCaseFolded();
    } else {
      parts << QStringLiteral("search LIKE ? ESCAPE '\\'");
      QString pattern = QStringLiteral("%");
      for (const QChar c : f.text.toCaseFolded()) {
        if (c == u'%' || c == u'_' || c == u'\\') pattern += u'\\';
        pattern += c;
      }
      values << pattern + u'%';
    }
  }
  return parts.isEmpty() ? QString() : QStringLiteral(" WHERE ") + parts.join(u" AND ");
}

}  // namespace

// The list's order. With a text alone SQLite would walk the newest-first
// index and fetch every row by it; reading the table straight and sorting
// the few kept rows takes half the time ("+" keeps the index out).
static QString orderOf(const BatchFilter& f, RegisterPlace::Kind kind) {
  const bool textAlone = !f.text.isEmpty() && !f.review && !f.verdict && !f.from && !f.to;
  return kind == RegisterPlace::Kind::SQLite && textAlone
             ? QStringLiteral(" ORDER BY +first_time DESC, path")
             : QStringLiteral(" ORDER BY first_time DESC, path");
}

std::optional<qint64> Register::maxSpan(const BatchFilter& filter) {
  if (!filter.from) return std::nullopt;
  QSqlQuery q = d_->exec(QStringLiteral("SELECT max(span_s) FROM batches"));
  if (!q.next() || q.value(0).isNull()) return std::nullopt;
  return q.value(0).toLongLong();
}

qint64 Register::total() { return count(BatchFilter{}); }

qint64 Register::count(const BatchFilter& filter) {
  try {
    QVariantList values;
    const QString where = whereOf(filter, d_->kind, maxSpan(filter), values);
    QSqlQuery q = d_->exec(QStringLiteral("SELECT count(*) FROM batches") + where, values);
    return q.next() ? q.value(0).toLongLong() : 0;
  } catch (const DbError& e) {
    throw failedStep(place_, e.error, "cannot be read");
  }
}

void Register::forEach(const BatchFilter& filter,
                       const std::function<void(const BatchRecord&)>& fn) {
  try {
    QVariantList values;
    const QString where = whereOf(filter, d_->kind, maxSpan(filter), values);
    QSqlQuery q = d_->exec(QStringLiteral("SELECT %1 FROM batches%2").arg(kSelectColumns, where) +
                               orderOf(filter, d_->kind),
                           values);
    while (q.next()) fn(batchOf(q));
    if (q.lastError().isValid()) throw DbError(q.lastError());
  } catch (const DbError& e) {
    throw failedStep(place_, e.error, "cannot be read");
  }
}

std::vector<BatchRecord> Register::list(const BatchFilter& filter, qint64 offset, qint64 limit) {
  std::vector<BatchRecord> out;
  try {
    QVariantList values;
    QString sql = QStringLiteral("SELECT %1 FROM batches%2")
                      .arg(kSelectColumns, whereOf(filter, d_->kind, maxSpan(filter), values)) +
                  orderOf(filter, d_->kind);
    if (limit >= 0 || offset > 0) {
      sql += QStringLiteral(" LIMIT ? OFFSET ?");
      values << (limit >= 0 ? limit : std::numeric_limits<qint64>::max()) << offset;
    }
    QSqlQuery q = d_->exec(sql, values);
    while (q.next()) out.push_back(batchOf(q));
  } catch (const DbError& e) {
    throw failedStep(place_, e.error, "cannot be read");
  }
  return out;
}

}  // namespace tarvex
