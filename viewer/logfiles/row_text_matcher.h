// Finding a text in the rows of a log table, as a grid's search field finds
// it: a row matches when one of the searched columns holds the text, letter
// case aside, in the cell as the grid shows it (getCell: the rewritten times,
// the alarm numbers).
#pragma once

#include <QString>
#include <string>
#include <vector>

namespace tarvex {

class LogTable;

// The columns a grid shows: 0..lastCol() without the hidden ones.
std::vector<int> shownColumns(const LogTable& table);

class RowTextMatcher {
 public:
  // Finds `text` in `columns` of `table`; an empty text matches every row.
  // The table must outlive the matcher and stay unchanged while it is used.
  RowTextMatcher(const LogTable& table, const QString& text, std::vector<int> columns);

  // Whether row `row` matches: getCell(c, row).contains(text,
  // Qt::CaseInsensitive) for one of the columns. Cells of plain ASCII are
  // searched in the file's bytes, without making texts. Reads the table
  // only, so several threads may ask at once.
  bool matches(int row) const;

  const QString& text() const { return text_; }

 private:
  bool cellMatches(int col, int row) const;
  bool bytesMatch(const char* b, const char* e) const;
  bool lineMatches(int row, const char* b, const char* e) const;

  const LogTable& table_;
  QString text_;
  std::vector<int> columns_;
  std::vector<char> searched_;  // per column 0..lastCol()
  std::string lower_;           // the text in ASCII lower case (when asciiText_)
  bool asciiText_ = true;
  bool timesSearched_ = true;        // the text may be found in a rewritten time
  std::vector<int> writtenColumns_;  // searched columns holding written cells
  std::vector<char> written_;        // per column: it holds written cells
};

}  // namespace tarvex
