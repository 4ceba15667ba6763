// The delimited-text loader of LogTable and the data steps of the readers.
// Input: one byte choosing the load (options or reader), one byte for the
// delimiter, the rest is the file. After a load every cell is read (up to a
// bound), the counters are checked against the cells, and the table is
// exported and loaded back: the copy must hold the same texts.
#include <QFile>
#include <QLocale>
#include <QStringDecoder>
#include <algorithm>
#include <vector>

#include "fuzz_util.h"
#include "logfiles/logtable.h"
#include "logfiles/readers.h"
#include "shell/codepage.h"
#include "shell/runtime_error.h"

using tarvex::LoadOptions;
using tarvex::LogTable;
using tarvex::RuntimeError;

namespace {

// Cells read per input at most, so that one long line times many lines does
// not slow the fuzzer to a crawl.
constexpr qint64 kMaxCells = 100000;

char delimiterFrom(std::uint8_t b) {
  static const char common[] = {',', ';', '\t', ' ', '|', '"'};
  return b < 200 ? common[b % sizeof common] : static_cast<char>(b);
}

// Reads every cell and checks what the counters say about them.
void touchCells(const LogTable& t) {
  const int lastRow = t.lastRow();
  const int lastCol = t.lastCol();
  FUZZ_CHECK(lastRow >= 0 && lastCol >= 0);
  FUZZ_CHECK(t.rowCount() == lastRow + 1 && t.columnCount() == lastCol + 1);
  const int dataCols = t.dataColCount();
  const int dataRows = t.dataRowCount();
  FUZZ_CHECK(dataCols >= 0 && dataCols <= lastCol);
  FUZZ_CHECK(dataRows >= 0 && dataRows <= lastRow);

  const bool small = qint64(lastRow + 1) * (lastCol + 1) <= kMaxCells;
  QString text;
  int maxNonEmptyCol = 0;
  int maxNonEmptyRow = 0;
  for (int r = 0; r <= lastRow && small; ++r) {
    for (int c = 0; c <= lastCol; ++c) {
      t.getCellInto(c, r, text);
      FUZZ_CHECK(text == t.getCell(c, r));
      FUZZ_CHECK(text.isEmpty() == t.isCellEmpty(c, r));
      FUZZ_CHECK(text == t.data(t.index(r, c)).toString());
      (void)t.cellNumber(c, r);
      (void)t.cellDateTime(c, r);
      if (!text.isEmpty()) {
        if (c >= 1) maxNonEmptyCol = std::max(maxNonEmptyCol, c);
        if (r >= 1) maxNonEmptyRow = std::max(maxNonEmptyRow, r);
      }
    }
  }
  if (small) {
    FUZZ_CHECK(dataCols == maxNonEmptyCol);
    FUZZ_CHECK(dataRows == maxNonEmptyRow);
  }
  // Outside the table every cell is empty.
  FUZZ_CHECK(t.getCell(lastCol + 1, 0).isEmpty() && t.getCell(0, lastRow + 1).isEmpty());
  FUZZ_CHECK(t.getCell(-1, 0).isEmpty() && t.getCell(0, -1).isEmpty());
}

// Export, then load the export with the default options: the same texts come
// back. Rows at the end whose cells are all empty export as empty lines,
// which the loader drops, so the copy may be shorter by those.
void roundTrip(const LogTable& t) {
  if (qint64(t.lastRow() + 1) * (t.lastCol() + 1) > kMaxCells) return;
  const QString out = tarvex::fuzz::scratchFile("export.csv");
  // The last round's export was read back: a file read in this run is never
  // written over, so each round writes a new one.
  QFile::remove(out);
  try {
    t.exportDelimitedText(out);
  } catch (const RuntimeError& e) {
    FUZZ_CHECK(e.number() == tarvex::err::OutOfMemory);
    return;
  }
  // Hidden columns are not exported: column i of the copy is the i-th shown.
  std::vector<int> shown;
  for (int c = 0; c <= t.lastCol(); ++c)
    if (!t.isColumnHidden(c)) shown.push_back(c);
  LogTable back;
  back.loadDelimitedText(out);
  FUZZ_CHECK(back.lastRow() <= t.lastRow());
  FUZZ_CHECK(back.lastCol() < std::max<int>(1, int(shown.size())));

  // A known limit, not checked: an export in code page 1252 whose bytes
  // happen to be valid UTF-8 (the bytes that made the source code page 1252
  // were delimiters, hidden or overwritten) reads back as UTF-8.
  QFile f(out);
  FUZZ_CHECK(f.open(QIODevice::ReadOnly));
  const QByteArray exported = f.readAll();
  const bool readAsUtf8 = tarvex::isValidUtf8(exported);
  for (int r = 0; r <= t.lastRow(); ++r) {
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const QString want = t.getCell(shown[i], r);
      const QString got = back.getCell(int(i), r);
      if (got == want) continue;
      // Also known: a U+FEFF that begins the first cell is exported as the
      // file's first bytes, which read back as a byte-order mark.
      if (r == 0 && i == 0 && want.startsWith(QChar(0xFEFF)) && got == want.mid(1)) continue;
      if (readAsUtf8) {
        // (U+FEFF kept, except at the start of the file: a byte-order mark.)
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        QString asUtf8 = utf8.decode(tarvex::encodeCp1252(want));
        if (r == 0 && i == 0 && asUtf8.startsWith(QChar(0xFEFF))) asUtf8.remove(0, 1);
        if (got == asUtf8) continue;
      }
      std::fprintf(stderr, "cell (%d, %d): exported \"%s\", read back \"%s\"\n", shown[i], r,
                   want.toUtf8().toPercentEncoding(" ").constData(),
                   got.toUtf8().toPercentEncoding(" ").constData());
      FUZZ_CHECK(!"round trip keeps the texts");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarvex::fuzz::Cursor in(data, size);
  const std::uint8_t mode = in.byte();
  const char delimiter = delimiterFrom(in.byte());
  const QString path = tarvex::fuzz::scratchFile("log.csv");
  tarvex::fuzz::writeFile(path, in.rest(), in.restSize());

  static const QLocale locales[] = {
      QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German, QLocale::Germany),
      QLocale(QLocale::English, QLocale::UnitedKingdom), QLocale::c()};
  const QLocale& locale = locales[(mode >> 4) % 4];

  LogTable table;
  try {
    switch (mode % 7) {
      case 0:
      case 1:
      case 2:
      case 3: {
        LoadOptions options;
        options.headerRow = (mode & 1) != 0;
        options.headerColumn = (mode & 2) ? LoadOptions::HeaderColumn::RowNumbers
                                          : LoadOptions::HeaderColumn::FromFile;
        options.columnDelimiter = delimiter;
        table.loadDelimitedText(path, options);
        break;
      }
      case 4:
        (void)tarvex::loadHistData(table, path, locale);
        break;
      case 5:
        (void)tarvex::loadAuditData(table, path);
        break;
      case 6:
        (void)tarvex::loadAlarmData(table, path, locale);
        break;
    }
  } catch (const RuntimeError& e) {
    // Only running out of memory or counters may stop a load of a file that
    // exists and can be read.
    FUZZ_CHECK(e.number() == tarvex::err::OutOfMemory || e.number() == tarvex::err::Overflow);
    return 0;
  }
  touchCells(table);
  roundTrip(table);

  // The time rewrite on a column of whatever was read, then the checks again.
  if (table.lastCol() >= 1 && qint64(table.lastRow()) * (table.lastCol() + 1) <= kMaxCells) {
    table.formatTimeColumn(1, 1, table.lastRow(), tarvex::TimeStyle::HourMinute, locale);
    touchCells(table);
    roundTrip(table);
  }
  return 0;
}
