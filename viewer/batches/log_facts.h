// What the register reads from a log file: a data history once for its
// digests, rows, times and channels; an audit trail or alarm history for
// the span of its times (and an alarm history for each alarm's time).
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "batches/batch_record.h"
#include "batches/log_kind.h"

namespace tarvex {

struct DataFacts {
  QString sha256;     // lower-case hex
  QString sigDigest;  // VxLog::CalculateFileHash of the same bytes
  qint64 bytes = 0;   // bytes read
  qint64 rows = 0;
  std::optional<ClockSeconds> first;
  std::optional<ClockSeconds> last;
  qint64 untimedRows = 0;
  QStringList channels;
};

// Reads the data history at path once, with the data reader's loader and
// date order (logfiles/readers.h): the SHA-256 and the signature digest of
// the bytes read, the data rows, the earliest and latest row time (dates in
// the order the file's own dates decide) and the rows without a readable
// date or time, and the channel titles. Throws RuntimeError as the reader
// does (53, 75 also for a pipe or device, 7 out of memory), and 13 for an
// empty file.
DataFacts readDataFacts(const QString& path);

struct LogTimes {
  std::optional<ClockSeconds> first;
  std::optional<ClockSeconds> last;
  // An alarm history's alarm times, ascending (with keepTimes).
  std::vector<ClockSeconds> times;
};

// The row times of the audit trail (date and time in fields 1 and 2) or the
// alarm history (fields 2 and 3) at path; rows whose time does not read are
// left out. Throws RuntimeError as the readers do.
LogTimes readLogTimes(const QString& path, LogKind kind, bool keepTimes);

// The alarms of `alarmTimes` (ascending) from first to last, both
// inclusive.
int alarmsWithin(const std::vector<ClockSeconds>& alarmTimes, ClockSeconds first,
                 ClockSeconds last);

}  // namespace tarvex
