#include "logfiles/row_time.h"

#include <cmath>

#include "logfiles/logtable.h"

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

std::optional<qint64> rowSecondsOf(std::optional<double> date, std::optional<double> time) {
  return secondsOfParts(partsOf(date, time));
}

}  // namespace tarvex
