#include "batches/log_facts.h"

#include <nettle/sha2.h>

#include <algorithm>

#include "logfiles/date_order.h"
#include "logfiles/logtable.h"
#include "logfiles/readers.h"
#include "logfiles/row_time.h"
#include "shell/runtime_error.h"
#include "signatures/vxlog.h"

namespace tarvex {
namespace {

QString sha256Hex(QByteArrayView bytes) {
  sha256_ctx ctx;
  sha256_init(&ctx);
  sha256_update(&ctx, static_cast<std::size_t>(bytes.size()),
                reinterpret_cast<const std::uint8_t*>(bytes.data()));
  std::uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&ctx, SHA256_DIGEST_SIZE, digest);
  return QString::fromLatin1(
      QByteArray(reinterpret_cast<const char*>(digest), SHA256_DIGEST_SIZE).toHex());
}

// The earliest and latest of the rows' times, and the rows without one.
struct Span {
  std::optional<ClockSeconds> first, last;
  qint64 untimed = 0;
};

template <class Each>
Span spanOf(const LogTable& table, TimeColumns columns, Each each) {
  Span s;
  RowSecondsReader reader(table, columns);
  for (int r = 1; r <= table.lastRow(); ++r) {
    const std::optional<qint64> t = reader.seconds(r);
    if (!t) {
      ++s.untimed;
      continue;
    }
    each(*t);
    if (!s.first || *t < *s.first) s.first = *t;
    if (!s.last || *t > *s.last) s.last = *t;
  }
  return s;
}

}  // namespace

DataFacts readDataFacts(const QString& path) {
  LogTable table;
  {
    LogTableUpdate update(table);
    table.loadDelimitedText(path, LoadOptions{});
    table.setLastCol(table.dataColCount());
    applyDateOrder(table, 0, std::nullopt);
  }
  DataFacts f;
  const QByteArrayView bytes = table.loadedBytes();
  f.bytes = bytes.size();
  f.sigDigest = fileHashOfBytes(bytes);  // throws 13 for an empty file
  f.sha256 = sha256Hex(bytes);
  f.rows = table.lastRow();
  const Span s = spanOf(table, TimeColumns{0, 1}, [](ClockSeconds) {});
  f.first = s.first;
  f.last = s.last;
  f.untimedRows = s.untimed;
  for (int c = firstDataColumn(table); c <= table.lastCol(); ++c)
    f.channels << table.getCell(c, 0).simplified();
  return f;
}

LogTimes readLogTimes(const QString& path, LogKind kind, bool keepTimes) {
  const bool alarms = kind == LogKind::AlarmHistory;
  LogTable table;
  LoadOptions options;
  options.headerRow = false;
  if (alarms) options.headerColumn = LoadOptions::HeaderColumn::RowNumbers;
  const TimeColumns columns = alarms ? TimeColumns{2, 3} : TimeColumns{0, 1};
  {
    LogTableUpdate update(table);
    table.loadDelimitedText(path, options);
    applyDateOrder(table, columns.dateCol, std::nullopt);
  }
  LogTimes t;
  const Span s = spanOf(table, columns, [&](ClockSeconds v) {
    if (keepTimes) t.times.push_back(v);
  });
  t.first = s.first;
  t.last = s.last;
  std::sort(t.times.begin(), t.times.end());
  return t;
}

int alarmsWithin(const std::vector<ClockSeconds>& alarmTimes, ClockSeconds first,
                 ClockSeconds last) {
  if (last < first) return 0;
  return int(std::upper_bound(alarmTimes.begin(), alarmTimes.end(), last) -
             std::lower_bound(alarmTimes.begin(), alarmTimes.end(), first));
}

}  // namespace tarvex
