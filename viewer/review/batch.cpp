#include "review/batch.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <limits>
#include <numeric>

#include "logfiles/column_reader.h"
#include "logfiles/logtable.h"
#include "review/huge_pages.h"
#include "shell/filenames.h"
#include "shell/runtime_error.h"

namespace tarvex {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr TimeMs kMsPerDayInt = 86400000;

// Puts `v` in the order of `order` (v[i] becomes v[order[i]]).
template <class T>
void permute(std::vector<T>& v, const std::vector<std::size_t>& order) {
  std::vector<T> sorted(v.size());
  for (std::size_t i = 0; i < order.size(); ++i) sorted[i] = v[order[i]];
  v.swap(sorted);
}

}  // namespace

void loadBatchTable(LogTable& table, const QString& path, std::optional<DateOrder> dateOrder) {
  LogTableUpdate update(table);
  table.loadDelimitedText(path, LoadOptions{});
  table.setLastCol(table.dataColCount());
  table.setReadOnly(true);
  applyDateOrder(table, 0, dateOrder);
}

int firstChannelColumn(const LogTable& table) { return table.isCellEmpty(2, 1) ? 5 : 2; }

QStringList channelTitles(const LogTable& table) {
  QStringList titles;
  for (int c = firstChannelColumn(table); c <= table.lastCol(); ++c) titles << table.getCell(c, 0);
  return titles;
}

int channelColumn(const LogTable& table, const QString& given) {
  bool isNumber = false;
  int col = given.trimmed().toInt(&isNumber);
  if (!isNumber) {
    col = -1;
    for (int c = 0; c <= table.lastCol() && col < 0; ++c)
      if (table.getCell(c, 0) == given) col = c;
    for (int c = 0; c <= table.lastCol() && col < 0; ++c)
      if (table.getCell(c, 0).trimmed().compare(given.trimmed(), Qt::CaseInsensitive) == 0) col = c;
    if (col < 0)
      throw RuntimeError(err::SubscriptOutOfRange,
                         QStringLiteral("No column titled \"%1\"").arg(given));
  }
  if (col < firstChannelColumn(table) || col > table.lastCol())
    throw RuntimeError(err::SubscriptOutOfRange,
                       QStringLiteral("Column %1 is not a channel (channels are columns %2 to %3)")
                           .arg(given)
                           .arg(firstChannelColumn(table))
                           .arg(table.lastCol()));
  return col;
}

Batch readBatch(const LogTable& table, const std::vector<int>& columns, const QLocale& locale) {
  Batch b;
  b.name = baseName(table.sourcePath());
  b.columns = columns;
  for (int c : columns) b.titles << table.getCell(c, 0);
  const int rows = std::max(0, table.lastRow());
  reserveHuge(b.times, static_cast<std::size_t>(rows));

  // The numbers are read on a worker thread while this one reads the times:
  // the columns left to right, the reader's fast order, each in one run.
  std::vector<std::size_t> byColumn(columns.size());
  std::iota(byColumn.begin(), byColumn.end(), std::size_t{0});
  std::stable_sort(byColumn.begin(), byColumn.end(),
                   [&](std::size_t a, std::size_t c) { return columns[a] < columns[c]; });
  b.values.resize(columns.size());
  std::future<void> numbers = std::async(std::launch::async, [&, locale = QLocale(locale)] {
    if (rows <= 0) return;
    ColumnNumberReader cells(table, 1, rows, locale);
    for (std::size_t k : byColumn) {
      std::vector<double>& v = b.values[k];
      reserveHuge(v, static_cast<std::size_t>(rows));
      v.resize(static_cast<std::size_t>(rows));
      cells.read(columns[k], 0, rows, v.data());
      for (double& y : v)
        if (!std::isfinite(y)) y = kNaN;
    }
  });

  // Dates repeat for a day's rows: a date text is read once while it lasts.
  QString dateText, lastDateText, timeText;
  double lastDate = 0;
  bool haveDate = false;
  TimeColumnReader timeReader(locale);
  for (int r = 1; r <= rows; ++r) {
    table.getCellInto(0, r, dateText);
    if (!haveDate || dateText != lastDateText) {
      const std::optional<double> d = table.cellDateTime(0, r, locale);
      if (!d || !std::isfinite(*d) || std::fabs(*d) > 1e7)
        throw RuntimeError(err::TypeMismatch,
                           QStringLiteral("The date of row %1 of %2 does not read: \"%3\"")
                               .arg(r)
                               .arg(b.name, dateText));
      lastDate = std::trunc(*d);
      lastDateText = dateText;
      haveDate = true;
    }
    table.getCellInto(1, r, timeText);
    const std::optional<int> seconds = timeReader.seconds(timeText);
    if (!seconds)
      throw RuntimeError(err::TypeMismatch,
                         QStringLiteral("The time of row %1 of %2 does not read: \"%3\"")
                             .arg(r)
                             .arg(b.name, timeText));
    b.times.push_back(static_cast<TimeMs>(lastDate) * kMsPerDayInt +
                      static_cast<TimeMs>(*seconds) * 1000);
  }

  // A time that does not read has thrown above: the numbers are then
  // waited for as the future goes.
  numbers.get();

  if (!std::is_sorted(b.times.begin(), b.times.end())) {
    b.inFileOrder = false;
    std::vector<std::size_t> order(b.times.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t c) { return b.times[a] < b.times[c]; });
    permute(b.times, order);
    for (auto& v : b.values) permute(v, order);
  }
  return b;
}

}  // namespace tarvex
