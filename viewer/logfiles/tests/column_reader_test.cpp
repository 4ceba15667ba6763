#include "logfiles/column_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "testfiles.h"

namespace tarvex {
namespace {

using testing::TempFiles;

// Every cell of the block read by the reader equals cellNumber's reading,
// columns taken left to right and again in another order.
void expectSameAsCellNumber(const LogTable& t, int firstRow, int lastRow, int col1, int col2) {
  const QLocale locale(QLocale::English, QLocale::UnitedStates);
  for (const bool leftToRight : {true, false}) {
    ColumnNumberReader reader(t, firstRow, lastRow, locale);
    for (int k = 0; k <= col2 - col1; ++k) {
      const int c = leftToRight ? col1 + k : col2 - k;
      for (int r = firstRow; r <= lastRow; ++r) {
        const std::optional<double> want = t.cellNumber(c, r, locale);
        const std::optional<double> got = reader.number(c, r - firstRow);
        ASSERT_EQ(got.has_value(), want.has_value()) << "cell " << c << "," << r;
        if (want) {
          EXPECT_EQ(*got, *want) << "cell " << c << "," << r;
        }
      }
    }
  }
  // The same cells a run at a time, with NaN for no number; runs that start
  // inside the block, reach past its end and read a column again.
  const int rows = lastRow - firstRow + 1;
  for (const int run : {1, 3, rows}) {
    ColumnNumberReader reader(t, firstRow, lastRow, locale);
    for (int c = col1; c <= col2; ++c) {
      for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < rows + 2; i += run) {
          std::vector<double> got(static_cast<std::size_t>(run), -1.0);
          reader.read(c, i, run, got.data());
          for (int k = 0; k < run; ++k) {
            const std::optional<double> want = t.cellNumber(c, firstRow + i + k, locale);
            const double g = got[static_cast<std::size_t>(k)];
            if (want && !std::isnan(*want)) {
              EXPECT_EQ(g, *want) << "cell " << c << "," << firstRow + i + k << " run " << run;
            } else {
              EXPECT_TRUE(std::isnan(g))
                  << "cell " << c << "," << firstRow + i + k << " run " << run;
            }
          }
        }
      }
    }
  }
}

TEST(ColumnNumberReader, ReadsEveryKindOfCellAsCellNumberDoes) {
  // Every line end a file may use, and a last line without one.
  for (const QByteArray end : {"\r\n", "\n", "\r"}) {
    TempFiles files;
    LogTable t;
    QByteArray text =
        "Date,Time,A,B,C\r\n"
        "1/2/2007,14:05:30,23.5,-7,0.1\r\n"
        "1/2/2007,14:05:31,,Offline,1e3\r\n"
        "1/2/2007,14:05:32,\"1,5\",\"2\",3\r\n"  // a line with quoted fields
        "1/2/2007,14:05:33,12\r\n"               // a short line
        "1/2/2007,14:05:34, 4.25 ,+8,9.\r\n"     // blanks, a sign, a bare point
        "1/2/2007,14:05:35,0.30000000000000004,123456789012345678,-0.0\r\n"
        "1/2/2007,14:05:36,5,6,7,8,9";  // a long line
    text.replace("\r\n", end);
    t.loadDelimitedText(files.write("f.csv", text));
    t.setCell(3, 1, u"99.5");  // a written cell
    t.setCell(4, 7, u"text");
    expectSameAsCellNumber(t, 1, 7, 2, 5);
    expectSameAsCellNumber(t, 2, 5, 3, 4);
    EXPECT_EQ(*ColumnNumberReader(t, 1, 7).number(3, 0), 99.5);
    double fromFile = 0;
    ColumnNumberReader(t, 1, 7).read(4, 5, 1, &fromFile);
    EXPECT_TRUE(fromFile == 0 && std::signbit(fromFile));  // "-0.0", read on the quick path
  }
}

TEST(ColumnNumberReader, RandomDecimalsReadExactly) {
  // Many digits, points and signs: the quick path must round as the general reader.
  std::mt19937 rng(7);
  QByteArray text = "D,T,A,B,C,D\n";
  for (int r = 0; r < 400; ++r) {
    text += "1/2/2007,01:00:00";
    for (int c = 0; c < 4; ++c) {
      QByteArray cell;
      if (rng() % 2) cell += '-';
      const int digits = 1 + int(rng() % 17);
      const int point = int(rng() % (digits + 1));
      for (int d = 0; d < digits; ++d) {
        if (d == point && d > 0) cell += '.';
        cell += char('0' + rng() % 10);
      }
      text += ',' + cell;
    }
    text += '\n';
  }
  TempFiles files;
  LogTable t;
  t.loadDelimitedText(files.write("r.csv", text));
  expectSameAsCellNumber(t, 1, t.lastRow(), 2, 5);
}

TEST(ColumnNumberReader, CellsOutsideTheFileAndTheBlock) {
  LogTable t;  // no file: every cell through the table
  t.setCell(2, 1, u"3.5");
  ColumnNumberReader reader(t, 1, 2);
  EXPECT_EQ(*reader.number(2, 0), 3.5);
  EXPECT_FALSE(reader.number(2, 1));
  EXPECT_FALSE(reader.number(9, 0));
  EXPECT_FALSE(reader.number(2, 5));  // beyond the block: the table's cell (2, 6)
}

}  // namespace
}  // namespace tarvex
