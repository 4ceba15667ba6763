#include "logfiles/row_time.h"

#include <cmath>
#include <cstring>

#include "logfiles/logtable.h"
#include "logfiles/logtable_p.h"

namespace tarvex {

namespace {

struct DayAndSecond {
  double day;  // whole days
  qint64 second;
};

std::optional<DayAndSecond> partsOf(std::optional<double> date, std::optional<double> time) {
  if (!date || !std::isfinite(*date) || !time || !std::isfinite(*time)) return std::nullopt;
  const double fraction = std::fabs(*time - std::trunc(*time));
  return DayAndSecond{std::trunc(*date), std::llround(fraction * 86400.0) % 86400};
}

std::optional<DayAndSecond> rowParts(const LogTable& table, int row, TimeColumns columns,
                                     const QLocale& locale) {
  const std::optional<double> date = table.cellDateTime(columns.dateCol, row, locale);
  if (!date || !std::isfinite(*date)) return std::nullopt;
  return partsOf(date, table.cellDateTime(columns.timeCol, row, locale));
}

std::optional<qint64> secondsOfParts(const std::optional<DayAndSecond>& p) {
  // A day count beyond any calendar date a table can hold does not read.
  if (!p || std::fabs(p->day) > 1e8) return std::nullopt;
  return static_cast<qint64>(p->day) * 86400 + p->second;
}

}  // namespace

std::optional<double> rowDateTime(const LogTable& table, int row, TimeColumns columns,
                                  const QLocale& locale) {
  const std::optional<DayAndSecond> p = rowParts(table, row, columns, locale);
  if (!p) return std::nullopt;
  return p->day + static_cast<double>(p->second) / 86400.0;
}

std::optional<qint64> rowSeconds(const LogTable& table, int row, TimeColumns columns,
                                 const QLocale& locale) {
  return secondsOfParts(rowParts(table, row, columns, locale));
}

RowSecondsReader::RowSecondsReader(const LogTable& table, TimeColumns columns,
                                   const QLocale& locale)
    : table_(table), columns_(columns), locale_(locale) {}

std::optional<double> RowSecondsReader::date(int row) {
  const detail::CellRef ref = table_.locate(columns_.dateCol, row);
  if (ref.kind != detail::CellRef::File || ref.quoted) {
    lastBegin_ = lastEnd_ = nullptr;
    return table_.cellDateTime(columns_.dateCol, row, locale_);
  }
  const qsizetype n = ref.e - ref.b;
  if (lastBegin_ && lastEnd_ - lastBegin_ == n && std::memcmp(lastBegin_, ref.b, size_t(n)) == 0)
    return lastDate_;
  lastBegin_ = ref.b;
  lastEnd_ = ref.e;
  lastDate_ = table_.cellDateTime(columns_.dateCol, row, locale_);
  return lastDate_;
}

std::optional<qint64> RowSecondsReader::seconds(int row) {
  const std::optional<double> d = date(row);
  if (!d || !std::isfinite(*d)) return std::nullopt;
  // A rewritten time as stored, the way cellDateTime reads it.
  std::optional<double> time;
  const detail::CellRef ref = table_.locate(columns_.timeCol, row);
  if (ref.kind == detail::CellRef::Slot && slot::kind(ref.slot) == 3) {
    int secs = int(ref.slot >> 8);
    if (TimeStyle(int((ref.slot >> 2) & 3)) == TimeStyle::HourMinute) secs -= secs % 60;
    return secondsOfParts(DayAndSecond{std::trunc(*d), secs});
  }
  time = table_.cellDateTime(columns_.timeCol, row, locale_);
  return secondsOfParts(partsOf(d, time));
}

}  // namespace tarvex
