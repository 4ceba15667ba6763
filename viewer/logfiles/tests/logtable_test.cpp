#include "logfiles/logtable.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFileDevice>
#include <QStringList>

#include "testfiles.h"

namespace tarvex {
namespace {

using testing::errorOf;
using testing::rowOf;
using testing::TempFiles;

TEST(LogTableLoad, LineEndsOfEveryKindGiveTheSameTable) {
  TempFiles files;
  const QByteArray lines[] = {"Date,Time,TC1", "1/2/2007,14:05:30,23.5", "1/2/2007,14:05:40,23.7"};
  for (const char* eol : {"\r\n", "\n", "\r"}) {
    for (const bool finalEol : {true, false}) {
      QByteArray text = lines[0] + eol + lines[1] + eol + lines[2];
      if (finalEol) text += eol;
      LogTable t;
      t.loadDelimitedText(files.write("f.csv", text));
      SCOPED_TRACE(text.toStdString());
      EXPECT_EQ(t.lastRow(), 2);
      EXPECT_EQ(t.lastCol(), 2);
      EXPECT_EQ(rowOf(t, 0), (QStringList{"Date", "Time", "TC1"}));
      EXPECT_EQ(rowOf(t, 2), (QStringList{"1/2/2007", "14:05:40", "23.7"}));
    }
  }
  // Mixed line ends in one file.
  LogTable t;
  t.loadDelimitedText(files.write("m.csv", "a,b\r\nc,d\ne,f\rg,h"));
  EXPECT_EQ(t.lastRow(), 3);
  EXPECT_EQ(rowOf(t, 1), (QStringList{"c", "d"}));
  EXPECT_EQ(rowOf(t, 3), (QStringList{"g", "h"}));
}

TEST(LogTableLoad, EmptyLinesInsideAreRowsAndAtTheEndAreNot) {
  TempFiles files;
  LogTable t;
  t.loadDelimitedText(files.write("f.csv", "h1,h2\r\n\r\nx,y\r\n\r\n\r\n"));
  EXPECT_EQ(t.lastRow(), 2);
  EXPECT_EQ(rowOf(t, 1), (QStringList{"", ""}));
  EXPECT_EQ(rowOf(t, 2), (QStringList{"x", "y"}));

  t.loadDelimitedText(files.write("e.csv", ""));
  EXPECT_EQ(t.lastRow(), 0);
  EXPECT_EQ(t.lastCol(), 0);
  EXPECT_EQ(t.getCell(0, 0), "");
  t.loadDelimitedText(files.write("n.csv", "\r\n\r\n"));
  EXPECT_EQ(t.lastRow(), 0);
  EXPECT_EQ(t.lastCol(), 0);
}

TEST(LogTableLoad, ShortAndLongLinesAndTrailingDelimiters) {
  TempFiles files;
  LogTable t;
  t.loadDelimitedText(files.write("f.csv", "Date,Time,TC1,\r\n1/2/2007,1:00,5,\r\nx\r\n"));
  EXPECT_EQ(t.lastCol(), 3);  // the empty field after the last ","
  EXPECT_EQ(t.dataColCount(), 2);
  EXPECT_EQ(rowOf(t, 2), (QStringList{"x", "", "", ""}));
  // Texts are kept exactly, blanks included.
  t.loadDelimitedText(files.write("b.csv", " a , b \r\n"));
  EXPECT_EQ(t.getCell(0, 0), " a ");
  EXPECT_EQ(t.getCell(1, 0), " b ");
}

TEST(LogTableLoad, QuotedFieldsHoldDelimitersQuotesAndLineBreaks) {
  TempFiles files;
  LogTable t;
  t.loadDelimitedText(files.write(
      "q.csv", "a,\"b,c\",\"d\"\"e\",\"two\r\nlines\"\r\n\"\",5\" pipe,\"x\"y\r\nlast,\"open"));
  EXPECT_EQ(t.lastRow(), 2);
  EXPECT_EQ(rowOf(t, 0), (QStringList{"a", "b,c", "d\"e", "two\r\nlines"}));
  // An empty quoted field, a quote inside a field, text after a closing quote.
  EXPECT_EQ(rowOf(t, 1), (QStringList{"", "5\" pipe", "xy", ""}));
  EXPECT_TRUE(t.isCellEmpty(0, 1));
  // A quote left open runs to the end of the file.
  EXPECT_EQ(t.getCell(1, 2), "open");
}

TEST(LogTableLoad, HeaderOptionsPlaceLinesAndFields) {
  TempFiles files;
  const QString path =
      files.write("a.csv", "High Temp,1/2/2007,14:05:30\r\nLow Flow,1/3/2007,1:00:00\r\n");
  LogTable t;
  LoadOptions o;
  o.headerRow = false;
  o.headerColumn = LoadOptions::HeaderColumn::RowNumbers;
  t.loadDelimitedText(path, o);
  EXPECT_EQ(t.lastRow(), 2);
  EXPECT_EQ(t.lastCol(), 3);
  EXPECT_EQ(rowOf(t, 0), (QStringList{"", "", "", ""}));
  EXPECT_EQ(rowOf(t, 1), (QStringList{"1", "High Temp", "1/2/2007", "14:05:30"}));
  EXPECT_EQ(rowOf(t, 2), (QStringList{"2", "Low Flow", "1/3/2007", "1:00:00"}));

  o.headerColumn = LoadOptions::HeaderColumn::FromFile;
  t.loadDelimitedText(path, o);
  EXPECT_EQ(t.lastCol(), 2);
  EXPECT_EQ(rowOf(t, 1), (QStringList{"High Temp", "1/2/2007", "14:05:30"}));
}

TEST(LogTableLoad, TextIsUtf8WhenValidAndCodePage1252Otherwise) {
  TempFiles files;
  LogTable t;
  t.loadDelimitedText(files.write("u.csv",
                                  "Temp \xC2\xB0"
                                  "C,\xE2\x82\xAC\r\n"));
  EXPECT_EQ(t.getCell(0, 0), QString::fromUtf8("Temp °C"));
  EXPECT_EQ(t.getCell(1, 0), QString::fromUtf8("€"));
  t.loadDelimitedText(files.write("w.csv",
                                  "Temp \xB0"
                                  "C,\x80,\x81\r\n"));
  EXPECT_EQ(t.getCell(0, 0), QString::fromUtf8("Temp °C"));
  EXPECT_EQ(t.getCell(1, 0), QString::fromUtf8("€"));
  EXPECT_EQ(t.getCell(2, 0), QString(QChar(0x81)));
  // A byte-order mark is no part of the first cell.
  t.loadDelimitedText(files.write("b.csv",
                                  "\xEF\xBB\xBF"
                                  "Date,Time\r\n"));
  EXPECT_EQ(t.getCell(0, 0), "Date");
  // U+FEFF after the start of the file is a character of its cell, also at
  // the start of a cell; so is one written into a cell.
  t.loadDelimitedText(files.write("f.csv", "a,b\r\n\xEF\xBB\xBFx,\xEF\xBB\xBF\r\n"));
  EXPECT_EQ(t.getCell(0, 1), QString(QChar(0xFEFF)) + u'x');
  EXPECT_EQ(t.getCell(1, 1), QString(QChar(0xFEFF)));
  EXPECT_FALSE(t.isCellEmpty(1, 1));
  t.setCell(2, 1, QString(QChar(0xFEFF)));
  EXPECT_EQ(t.getCell(2, 1), QString(QChar(0xFEFF)));
  // One byte that is not UTF-8 anywhere makes the whole file code page 1252.
  t.loadDelimitedText(files.write("m.csv", "\xC2\xB0,x\r\n\xB0,y\r\n"));
  EXPECT_EQ(t.getCell(0, 0), QString::fromUtf8("Â°"));
  EXPECT_EQ(t.getCell(0, 1), QString::fromUtf8("°"));
}

TEST(LogTableLoad, BinaryGarbageLoadsWithoutHarm) {
  TempFiles files;
  QByteArray junk;
  quint32 x = 12345;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1103515245u + 12345u;
    junk.append(char(x >> 24));
  }
  LogTable t;
  t.loadDelimitedText(files.write("junk.csv", junk));
  EXPECT_GT(t.lastRow(), 0);
  QString cell;
  qsizetype chars = 0;
  for (int r = 0; r <= t.lastRow(); ++r)
    for (int c = 0; c <= std::min(t.lastCol(), 50); ++c) {
      t.getCellInto(c, r, cell);
      chars += cell.size();
    }
  EXPECT_GT(chars, 0);
  EXPECT_LE(t.dataColCount(), t.lastCol());
}

TEST(LogTableLoad, FileErrorsCarryTheirNumbersAndKeepTheTable) {
  TempFiles files;
  LogTable t;
  t.loadDelimitedText(files.write("ok.csv", "a,b\r\n"));
  EXPECT_EQ(errorOf([&] { t.loadDelimitedText(files.path("missing.csv")); }), err::FileNotFound);
  EXPECT_EQ(errorOf([&] { t.loadDelimitedText(files.path("nodir/x.csv")); }), err::PathNotFound);
  EXPECT_EQ(errorOf([&] { t.loadDelimitedText(files.path("")); }), err::PathFileAccess);
  EXPECT_EQ(errorOf([&] { t.loadDelimitedText(QString()); }), err::BadFileNameOrNumber);
  EXPECT_EQ(errorOf([&] { t.loadDelimitedText("/dev/null"); }), err::PathFileAccess);
  const QByteArray fifo = QFile::encodeName(files.path("pipe.csv"));
  if (mkfifo(fifo.constData(), 0600) == 0) {  // would wait for a writer if it were opened
    EXPECT_EQ(errorOf([&] { t.loadDelimitedText(files.path("pipe.csv")); }), err::PathFileAccess);
  }
  if (geteuid() != 0) {
    const QString locked = files.write("locked.csv", "x\r\n");
    QFile::setPermissions(locked, QFileDevice::WriteOwner);
    EXPECT_EQ(errorOf([&] { t.loadDelimitedText(locked); }), err::PathFileAccess);
  }
  EXPECT_EQ(t.getCell(1, 0), "b");
}

TEST(LogTableLoad, FileLargerThanMemoryIsOutOfMemory) {
  TempFiles files;
  const QString path = files.path("huge.csv");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  if (!f.resize(qint64(1) << 42)) GTEST_SKIP() << "no sparse 4 TiB file here";
  f.close();
  LogTable t;
  EXPECT_EQ(errorOf([&] { t.loadDelimitedText(path); }), err::OutOfMemory);
}

TEST(LogTableLoad, BeyondTheOldRowLimit) {
  TempFiles files;
  QByteArray text = "Date,Time,TC1\r\n";
  for (int i = 1; i <= 100000; ++i)
    text += "1/2/2007," + QByteArray::number(i % 24) + ":00:00," + QByteArray::number(i) + "\r\n";
  LogTable t;
  t.loadDelimitedText(files.write("big.csv", text));
  EXPECT_EQ(t.lastRow(), 100000);
  EXPECT_EQ(t.getCell(2, 32767), "32767");
  EXPECT_EQ(t.getCell(2, 100000), "100000");
  t.formatTimeColumn(1, 0, t.lastRow(), TimeStyle::HourMinuteSecond, QLocale::c());
  EXPECT_EQ(t.getCell(1, 0), "Time");
  EXPECT_EQ(t.getCell(1, 40000), "04:00:00 PM");
  EXPECT_EQ(t.getCell(1, 100000), "04:00:00 PM");
}

TEST(LogTableLoad, CellsReadAsNumbersAndDates) {
  TempFiles files;
  const QLocale us(QLocale::English, QLocale::UnitedStates);
  LogTable t;
  t.loadDelimitedText(files.write(
      "n.csv", "Date,Time,V\r\n1/2/2007,14:05:30, 23.5 \r\n1/3/2007,x,\"1,234.5\"\r\n,,bad\r\n"));
  EXPECT_EQ(t.cellNumber(2, 1, us), 23.5);
  EXPECT_EQ(t.cellNumber(2, 2, us), 1234.5);
  EXPECT_EQ(t.cellNumber(2, 3, us), std::nullopt);
  EXPECT_EQ(t.cellNumber(2, 0, us), std::nullopt);
  EXPECT_EQ(t.cellNumber(2, 9, us), std::nullopt);
  EXPECT_EQ(t.cellDateTime(0, 1, us), 39084.0);
  EXPECT_EQ(t.cellDateTime(1, 2, us), std::nullopt);
  EXPECT_EQ(t.cellDateTime(0, 3, us), std::nullopt);
  t.formatTimeColumn(1, 0, t.lastRow(), TimeStyle::HourMinuteSecond, us);
  EXPECT_EQ(t.cellDateTime(1, 1, us), (14 * 3600 + 5 * 60 + 30) / 86400.0);
  t.formatTimeColumn(1, 0, t.lastRow(), TimeStyle::HourMinute, us);
  EXPECT_EQ(t.getCell(1, 1), "02:05 PM");
  EXPECT_EQ(t.cellDateTime(1, 1, us), (14 * 3600 + 5 * 60) / 86400.0);
  EXPECT_EQ(t.cellNumber(2, 2, QLocale(QLocale::German, QLocale::Germany)), std::nullopt);
}

// ---- Cells written after the load ------------------------------------------

TEST(LogTableCells, WrittenCellsCoverFileCellsAndGrowTheTable) {
  TempFiles files;
  LogTable t;
  t.loadDelimitedText(files.write("f.csv", "a,b\r\nc,d\r\n"));
  t.setCell(1, 1, u"short");
  t.setCell(0, 1, u"a text longer than seven bytes");
  t.setCell(0, 0, QString::fromUtf8("°µ€"));
  EXPECT_EQ(rowOf(t, 1), (QStringList{"a text longer than seven bytes", "short"}));
  EXPECT_EQ(t.getCell(0, 0), QString::fromUtf8("°µ€"));
  // Empty text over a file cell empties it; outside the table it is nothing.
  t.setCell(1, 0, u"");
  EXPECT_TRUE(t.isCellEmpty(1, 0));
  t.setCell(9, 9, u"");
  EXPECT_EQ(t.lastRow(), 1);
  EXPECT_EQ(t.lastCol(), 1);
  t.setCell(4, 6, u"far");
  EXPECT_EQ(t.lastRow(), 6);
  EXPECT_EQ(t.lastCol(), 4);
  EXPECT_EQ(t.getCell(4, 6), "far");
  EXPECT_EQ(t.getCell(3, 5), "");
  EXPECT_EQ(errorOf([&] { t.setCell(-1, 0, u"x"); }), err::SubscriptOutOfRange);
  EXPECT_EQ(t.getCell(-1, 0), "");
  EXPECT_EQ(t.getCell(0, 7), "");
}

TEST(LogTableCells, ManyRewritesKeepEveryText) {
  LogTable t;
  const QString filler(40, u'x');
  for (int round = 0; round < 60; ++round)
    for (int r = 0; r < 1000; ++r) t.setCell(1, r, filler + QString::number(round * 1000 + r));
  for (int r = 0; r < 1000; r += 97)
    EXPECT_EQ(t.getCell(1, r), filler + QString::number(59000 + r));
  const QString big(20 << 20, u'b');  // longer than the packed length field
  t.setCell(2, 3, big);
  EXPECT_EQ(t.getCell(2, 3), big);
}

TEST(LogTableCells, TableGrowingRowByRowLikeARecordReader) {
  LogTable t;
  const int rows = 300000;
  for (int r = 1; r <= rows; ++r) {
    t.setLastRow(r);
    for (int c = 0; c < 5; ++c) t.setCell(c, r, c == 3 ? u"a comment of some length" : u"1/2/2007");
  }
  EXPECT_EQ(t.lastRow(), rows);
  EXPECT_EQ(t.getCell(3, rows), "a comment of some length");
  EXPECT_EQ(t.getCell(4, 123456), "1/2/2007");
}

TEST(LogTableCells, TimesAreStoredFormatted) {
  LogTable t;
  t.setCellTimeOfDay(1, 1, 14 * 3600 + 5 * 60 + 30, TimeStyle::HourMinuteSecond);
  t.setCellTimeOfDay(1, 2, 0, TimeStyle::HourMinute);
  EXPECT_EQ(t.getCell(1, 1), "02:05:30 PM");
  EXPECT_EQ(t.getCell(1, 2), "12:00 AM");
  EXPECT_EQ(errorOf([&] { t.setCellTimeOfDay(1, 1, 86400, TimeStyle::HourMinute); }),
            err::InvalidCall);
}

TEST(LogTableCells, ClearAndExtentChanges) {
  TempFiles files;
  LogTable t;
  t.loadDelimitedText(files.write("f.csv", "a,b,c\r\nd,e,f\r\ng,h,i\r\n"));
  t.clearCells(0, 2, 2, 2);
  EXPECT_EQ(t.dataRowCount(), 1);
  t.setCell(1, 2, u"h");
  t.clearCells(1, 1, 5, 1);
  EXPECT_EQ(rowOf(t, 1), (QStringList{"d", "", ""}));
  EXPECT_EQ(t.lastCol(), 2);
  EXPECT_EQ(t.sourcePath(), files.path("f.csv"));
  // Dropped rows and columns stay empty when the table grows again.
  t.setLastRow(1);
  t.setLastCol(1);
  t.setLastRow(2);
  t.setLastCol(2);
  EXPECT_EQ(rowOf(t, 2), (QStringList{"", "", ""}));
  EXPECT_EQ(rowOf(t, 0), (QStringList{"a", "b", ""}));
  // The whole table: every cell empty, the extent stays, the file is let go.
  t.clearCells(0, 0, t.lastCol(), t.lastRow(), false);
  EXPECT_EQ(t.lastRow(), 2);
  EXPECT_EQ(rowOf(t, 0), (QStringList{"", "", ""}));
  EXPECT_EQ(t.dataRowCount(), 0);
  EXPECT_EQ(t.sourcePath(), "");
  EXPECT_EQ(t.dataColCount(), 0);
}

TEST(LogTableCells, DataColumnCountSeesWrittenAndClearedCells) {
  TempFiles files;
  LogTable t;
  t.loadDelimitedText(files.write("f.csv", "a,b,,\r\nc,,,\r\n"));
  EXPECT_EQ(t.lastCol(), 3);
  EXPECT_EQ(t.dataColCount(), 1);
  t.setCell(2, 1, u"x");
  EXPECT_EQ(t.dataColCount(), 2);
  t.clearCells(1, 0, 2, 1);
  EXPECT_EQ(t.dataColCount(), 0);
  // A quote opened at the very end of the file holds an empty text: no data.
  LogTable q;
  q.loadDelimitedText(files.write("q.csv", "a,\"b,c\",\""));
  EXPECT_EQ(q.lastCol(), 2);
  EXPECT_EQ(q.getCell(2, 0), "");
  EXPECT_EQ(q.dataColCount(), 1);
}

TEST(LogTableSettings, WidthsHiddenFlagsAndModelFlags) {
  LogTable t;
  EXPECT_EQ(t.columnWidth(3), kDefaultColumnWidth);
  t.setColumnWidth(0, 14);
  t.setColumnWidth(-1, 12);  // every column, also those that come later
  EXPECT_EQ(t.columnWidth(0), 12);
  EXPECT_EQ(t.columnWidth(40), 12);
  t.setColumnWidth(2, 25.5);
  EXPECT_EQ(t.columnWidth(2), 25.5);
  t.setColumnHidden(4);
  EXPECT_TRUE(t.isColumnHidden(4));
  EXPECT_FALSE(t.isColumnHidden(3));

  t.setCell(1, 1, u"x");
  EXPECT_EQ(t.rowCount(), 2);
  EXPECT_EQ(t.columnCount(), 2);
  EXPECT_EQ(t.data(t.index(1, 1)).toString(), "x");
  EXPECT_TRUE(t.flags(t.index(1, 1)) & Qt::ItemIsEditable);
  EXPECT_TRUE(t.setData(t.index(1, 1), "y"));
  t.setReadOnly(true);
  EXPECT_FALSE(t.flags(t.index(1, 1)) & Qt::ItemIsEditable);
  EXPECT_FALSE(t.setData(t.index(1, 1), "z"));
  EXPECT_EQ(t.getCell(1, 1), "y");
}

TEST(LogTableSettings, ViewsHearOfGrowthAndBatches) {
  LogTable t;
  int inserted = 0, resets = 0, changed = 0;
  QObject::connect(&t, &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
  QObject::connect(&t, &QAbstractItemModel::modelReset, [&] { ++resets; });
  QObject::connect(&t, &QAbstractItemModel::dataChanged, [&] { ++changed; });
  t.setCell(0, 3, u"a");
  EXPECT_EQ(inserted, 1);
  EXPECT_EQ(changed, 1);
  {
    LogTableUpdate batch(t);
    for (int r = 0; r < 100; ++r) t.setCell(1, r, u"b");
  }
  EXPECT_EQ(inserted, 1);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(resets, 1);
  EXPECT_EQ(t.rowCount(), 100);
}

// ---- Export ----------------------------------------------------------------

TEST(LogTableExport, RoundTripKeepsEveryText) {
  TempFiles files;
  LogTable t;
  t.loadDelimitedText(files.write("src.csv", "Date,Time,TC1\r\n1/2/2007,14:05:30,\"a,b\"\r\n"));
  t.formatTimeColumn(1, 0, t.lastRow(), TimeStyle::HourMinuteSecond, QLocale::c());
  t.setCell(3, 2, u"say \"hi\"\nthere");
  t.setCell(0, 2, QString::fromUtf8("°C"));
  const QString out = files.path("out.csv");
  t.exportDelimitedText(out);
  EXPECT_EQ(TempFiles::read(out),
            "Date,Time,TC1,\r\n"
            "1/2/2007,02:05:30 PM,\"a,b\",\r\n"
            "\xB0"
            "C,,,\"say \"\"hi\"\"\nthere\"\r\n");
  QBuffer mem;
  mem.open(QIODevice::WriteOnly);
  t.writeDelimitedText(mem);
  EXPECT_EQ(mem.data(), TempFiles::read(out));
  LogTable back;
  back.loadDelimitedText(out);
  ASSERT_EQ(back.lastRow(), t.lastRow());
  ASSERT_EQ(back.lastCol(), t.lastCol());
  for (int r = 0; r <= t.lastRow(); ++r) EXPECT_EQ(rowOf(back, r), rowOf(t, r));
}

TEST(LogTableExport, EncodingHiddenColumnsAndTitlesOnly) {
  TempFiles files;
  LogTable t;
  t.setCell(0, 0, u"Date");
  t.setCell(3, 0, u"Comment");
  t.setColumnHidden(4);
  t.setCell(4, 1, u"secret");
  t.setCell(3, 1, QString::fromUtf8("Ω ok"));  // not in code page 1252
  t.exportDelimitedText(files.path("u.csv"));
  EXPECT_EQ(TempFiles::read(files.path("u.csv")), "Date,,,Comment\r\n,,,\xCE\xA9 ok\r\n");

  LogTable titles;
  for (int c = 0; c < 4; ++c) titles.setCell(c, 0, QStringLiteral("T%1").arg(c));
  titles.exportDelimitedText(files.path("t.csv"));
  EXPECT_EQ(TempFiles::read(files.path("t.csv")), "T0,T1,T2,T3\r\n");

  // A UTF-8 source stays UTF-8.
  LogTable u;
  u.loadDelimitedText(files.write("s.csv", "\xC2\xB0,a\r\n"));
  u.exportDelimitedText(files.path("s2.csv"));
  EXPECT_EQ(TempFiles::read(files.path("s2.csv")), "\xC2\xB0,a\r\n");

  // A byte-order mark makes the file UTF-8 even where its bytes are not:
  // the export writes what the cells show, valid UTF-8, not the bad bytes
  // (which would read back as code page 1252).
  LogTable bad;
  bad.loadDelimitedText(files.write("bad.csv",
                                    "\xEF\xBB\xBFUn\xE2\xE2it,\xC2\xB0"
                                    "C\r\n"));
  EXPECT_EQ(bad.getCell(0, 0), QString::fromUtf8("Un\uFFFD\uFFFDit"));
  bad.exportDelimitedText(files.path("bad2.csv"));
  LogTable back;
  back.loadDelimitedText(files.path("bad2.csv"));
  EXPECT_EQ(rowOf(back, 0), rowOf(bad, 0));
}

TEST(LogTableExport, NeverWritesItsSourceAndFailsWithoutHarm) {
  TempFiles files;
  LogTable t;
  const QString src = files.write("src.csv", "a,b\r\n");
  t.loadDelimitedText(src);
  EXPECT_EQ(errorOf([&] { t.exportDelimitedText(src); }), err::PermissionDenied);
  EXPECT_EQ(TempFiles::read(src), "a,b\r\n");
  EXPECT_EQ(errorOf([&] { t.exportDelimitedText(files.path("no/dir.csv")); }), err::PathNotFound);
  // An export onto an existing file in a folder it may not write leaves it as it was.
  if (geteuid() != 0) {
    QDir().mkdir(files.path("ro"));
    const QString old = files.write("ro/old.csv", "old\r\n");
    QFile::setPermissions(files.path("ro"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(errorOf([&] { t.exportDelimitedText(old); }), err::PathFileAccess);
    EXPECT_EQ(TempFiles::read(old), "old\r\n");
    QFile::setPermissions(files.path("ro"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  }
}

}  // namespace
}  // namespace tarvex
