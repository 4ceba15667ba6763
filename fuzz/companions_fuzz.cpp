// The companion readers (.sig and .evt) on arbitrary file content: a load
// either fills the table or stops with one of its documented errors, and
// the table stays consistent either way.
#include "fuzz_util.h"
#include "logfiles/companions.h"
#include "logfiles/logtable.h"
#include "shell/runtime_error.h"
#include "signatures/vxlog.h"

using tarvex::CompanionKind;
using tarvex::LogTable;
using tarvex::RuntimeError;

namespace {

tarvex::VxLog& vxLog() {
  static tarvex::VxLog log;
  return log;
}

bool readerError(int number) {
  return number == tarvex::err::InvalidCall || number == tarvex::err::Overflow ||
         number == tarvex::err::OutOfMemory;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const CompanionKind kinds[] = {CompanionKind::DataSignatures, CompanionKind::AuditSignatures,
                                 CompanionKind::OperatorEvents};
  const CompanionKind kind = kinds[data[0] % 3];
  const QString path = tarvex::fuzz::scratchFile("log.sig");
  tarvex::fuzz::writeFile(path, data + 1, size - 1);

  LogTable table;
  tarvex::setCompanionLayout(table, kind);
  const int titleCols = table.lastCol();
  qint64 lines = -1;
  qint64 beforeBatchCalls = 0;
  try {
    lines = tarvex::readCompanionRows(table, path, vxLog(), [&] { ++beforeBatchCalls; });
  } catch (const RuntimeError& e) {
    FUZZ_CHECK(readerError(e.number()));
  }
  if (lines >= 0) {
    FUZZ_CHECK(lines <= qint64(size));
    // Once before every batch of lines (2048 a batch).
    FUZZ_CHECK(beforeBatchCalls == (lines + 2047) / 2048);
    FUZZ_CHECK(table.lastRow() <= lines);
  }
  FUZZ_CHECK(table.lastCol() >= titleCols);
  // Every cell reads, and the titles are still in row 0.
  QString text;
  for (int r = 0; r <= table.lastRow(); ++r)
    for (int c = 0; c <= table.lastCol(); ++c) table.getCellInto(c, r, text);
  FUZZ_CHECK(table.getCell(0, 0) == QStringLiteral("Date"));
  FUZZ_CHECK(table.getCell(1, 0) == QStringLiteral("Time"));

  // The record walk sees the lines in order, one call each.
  qint64 expected = 1;
  try {
    tarvex::forEachCompanionRecord(path, vxLog(), [&](qint64 line, const QString&) {
      FUZZ_CHECK(line == expected);
      ++expected;
    });
    if (lines >= 0) FUZZ_CHECK(expected - 1 == lines);
  } catch (const RuntimeError& e) {
    FUZZ_CHECK(readerError(e.number()));
    FUZZ_CHECK(lines < 0);
  }
  return 0;
}
