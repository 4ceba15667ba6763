#include "review/compare_files.h"

#include <exception>
#include <future>

#include "logfiles/logtable.h"
#include "shell/filenames.h"
#include "shell/runtime_error.h"

namespace tarvex {

Batch readReference(const QString& path, const QString& currentName, const QStringList& titles,
                    std::optional<DateOrder> dateOrder) {
  LogTable table;
  loadBatchTable(table, path, dateOrder);
  const QStringList own = channelTitles(table);
  std::vector<int> columns;
  for (const QString& t : titles) {
    const int i = matchTitle(own, t);
    if (i >= 0) columns.push_back(firstChannelColumn(table) + i);
  }
  if (columns.empty())
    throw RuntimeError(err::SubscriptOutOfRange,
                       noCommonChannelText(currentName, titles, baseName(path), own));
  return readBatch(table, columns);
}

BatchPair readBatches(const QString& currentPath, const QString& referencePath,
                      const QStringList& columns, std::optional<DateOrder> dateOrder) {
  BatchPair f;
  LogTable table;
  loadBatchTable(table, currentPath, dateOrder);
  if (table.dateReading()) f.currentOrder = table.dateReading()->order;
  std::vector<int> cols;
  QStringList titles;
  for (const QString& c : columns) {
    cols.push_back(channelColumn(table, c));
    titles << table.getCell(cols.back(), 0);
  }
  if (cols.empty()) throw RuntimeError(err::SubscriptOutOfRange, QStringLiteral("No column"));
  // The two files are read side by side; each thread has its own table.
  std::future<Batch> reference = std::async(std::launch::async, [&] {
    return readReference(referencePath, baseName(currentPath), titles, dateOrder);
  });
  std::exception_ptr failed;
  try {
    f.current = readBatch(table, cols);
  } catch (...) {
    failed = std::current_exception();
  }
  f.reference = reference.get();  // the reference's error first: it names both files
  if (failed) std::rethrow_exception(failed);
  return f;
}

}  // namespace tarvex
