// The batch register: one row per data history file of a plant's trees,
// kept in an SQLite file or a PostgreSQL database (Qt SQL, one code path),
// and the other log files a scan has met.
//
// The schema is created and upgraded by numbered migrations, recorded in
// the table schema_version and applied under a lock (SQLite: BEGIN
// IMMEDIATE; PostgreSQL: an advisory lock), so two programs opening a new
// register at once create it once. Rows are keyed by the file's path and
// written with upserts, each step in one transaction that is retried when
// another writer holds the database: several scanners and viewers may use
// one register at once without a row doubled or lost. Rows are never
// deleted; a file that is gone is marked missing.
//
// A Register is one connection: use it on the thread that made it.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "batches/batch_record.h"
#include "batches/log_kind.h"
#include "batches/register_place.h"

namespace tarvex {

// A log file of the scanned trees that is not (or no longer) a batch's own
// file, and every data history too: what the scan needs to know of it
// without reading it again.
struct LogFileRecord {
  QString path;
  LogKind kind = LogKind::Other;
  qint64 size = 0;
  qint64 mtimeMs = 0;
  std::optional<ClockSeconds> first;
  std::optional<ClockSeconds> last;
  QString error;
  bool missing = false;
  QString scannedAt;
};

// What a list shows: every condition given must hold.
struct BatchFilter {
  std::optional<ReviewState> review;
  std::optional<SignatureVerdict> verdict;
  // Batches whose span of time overlaps From..To (either end open);
  // batches without a readable time are left out while one is set.
  std::optional<ClockSeconds> from;
  std::optional<ClockSeconds> to;
  // Held in the path or a channel title, letter case aside.
  QString text;
  bool isSet() const { return review || verdict || from || to || !text.isEmpty(); }
};

// The newest schema this program knows.
inline constexpr int kRegisterSchemaVersion = 1;

class Register {
 public:
  // Opens the register, creating its tables (and, for the default SQLite
  // file, its folder) and applying the migrations it lacks. Throws
  // RuntimeError(err::PathFileAccess) "Cannot open the batch register
  // NAME: reason" when it cannot be opened or reached, is no database, or
  // was made by a newer program; nothing is written then.
  explicit Register(const RegisterPlace& place);
  ~Register();
  Register(const Register&) = delete;
  Register& operator=(const Register&) = delete;

  const RegisterPlace& place() const { return place_; }
  int schemaVersion();

  // The rows whose path lies under one of roots (absolute folder paths),
  // missing ones included, by path.
  QHash<QString, BatchRecord> batchesUnder(const QStringList& roots);
  QHash<QString, LogFileRecord> logFilesUnder(const QStringList& roots);

  // Adds or replaces the rows (by path) in one transaction: all of them are
  // written or none. Throws RuntimeError(err::PathFileAccess) naming the
  // register and the reason when the database refuses.
  void write(std::vector<BatchRecord> batches, std::vector<LogFileRecord> logFiles);

  // Marks the rows of paths (batches and log files) missing, as of
  // scannedAt; their other fields stay. Throws as write().
  void markMissing(const QStringList& paths, const QString& scannedAt);

  // Every batch, the batches the filter keeps, and those batches newest
  // first (the earliest row time, later first; batches without a time
  // last; then by path), `limit` of them from `offset` (limit < 0: all).
  // Throws RuntimeError(err::PathFileAccess) when the query fails.
  qint64 total();
  qint64 count(const BatchFilter& filter);
  std::vector<BatchRecord> list(const BatchFilter& filter, qint64 offset = 0, qint64 limit = -1);
  // The same rows one at a time, without holding them all.
  void forEach(const BatchFilter& filter, const std::function<void(const BatchRecord&)>& fn);

 private:
  // The longest span of a batch when the filter has a From (the bound it
  // needs), else empty.
  std::optional<qint64> maxSpan(const BatchFilter& filter);

  struct Impl;
  RegisterPlace place_;
  std::unique_ptr<Impl> d_;
};

// The text --grep and the window's text field look for, as the register
// holds it: the path and channel titles, case folded.
QString searchTextOf(const BatchRecord& record);

}  // namespace tarvex
