// Reading the numbers of a block of a log table column by column.
#pragma once

#include <QLocale>
#include <optional>
#include <vector>

#include "logfiles/logtable.h"

namespace tarvex {

// Reads cells of the rows firstRow..lastRow as LogTable::cellNumber() reads
// them, for a caller that takes one column after another from left to
// right (the trend builder). A file cell is found without searching its
// line from the start for every column: for each row the reader keeps where
// the last cell read ended, so reading a whole block costs about one pass
// over its bytes. 8 bytes a row. The table must stay unchanged while the
// reader is used.
class ColumnNumberReader {
 public:
  ColumnNumberReader(const LogTable& table, int firstRow, int lastRow,
                     const QLocale& locale = QLocale());

  // cellNumber(col, firstRow + i) for 0 <= i <= lastRow - firstRow. Any
  // order of columns gives the same values; left to right is the fast one.
  std::optional<double> number(int col, int i);

  // number(col, i) for i = from .. from + count - 1 into out[0 .. count - 1],
  // NaN where there is no number: a column's run of cells in one call, the
  // quick way to read a block (no call and no optional per cell).
  void read(int col, int from, int count, double* out);

 private:
  // Where the text of cell (col, firstRow + i) lies in the file.
  enum class Found { InFile, Empty, AskTable };
  Found locate(int col, int i, const char*& begin, const char*& end);

  struct RowPos {
    quint32 offset = 0;  // where field `field` of the row's line begins
    qint32 field = 0;
  };
  enum class Cell { Plain, Text, Empty };
  static Cell scanCell(const char* b, const char* e, int f, char delim, RowPos& pos, double& value,
                       const char*& fb, const char*& fe);
  // Whether the cells of column `col` may be read from the file directly
  // (no written cells, inside the file's fields); kept for the last column.
  bool plainColumn(int col);

  const LogTable& table_;
  int firstRow_;
  int checkedCol_ = -1;
  bool plainCol_ = false;
  QLocale locale_;
  std::vector<RowPos> pos_;
};

}  // namespace tarvex
