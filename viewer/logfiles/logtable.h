// The log table: the model of one grid of the history window (vaGrid,
// digiSigGrid, opEvGrid, auditGrid, auditSigGrid, alarmGrid).
//
// Cells are texts addressed (column, row), both from 0. Row 0 holds the
// column titles, column 0 is the header column shown at the left edge; data
// occupy rows 1..lastRow() and columns 1..lastCol(). The table exists from
// (0, 0) to (lastCol(), lastRow()); cells outside read as "".
//
// Storage. A loaded file is kept once as its bytes plus one offset per line;
// a cell's text is found and decoded when asked for (the whole file is read
// as UTF-8 when it is valid UTF-8, a leading byte-order mark skipped, and as
// Windows code page 1252 otherwise). Cells written afterwards (setCell,
// setCellTimeOfDay, clearCells) live in a per-column overlay of 8 bytes a
// written row plus the text's bytes (short texts and rewritten times take no
// more than the 8 bytes). So millions of rows cost about the file's size.
//
// As a QAbstractTableModel: rowCount() = lastRow() + 1, columnCount() =
// lastCol() + 1, index (row, column) shows cell (column, row) for
// Qt::DisplayRole and Qt::EditRole. Row 0 and column 0 are ordinary cells;
// headerData() gives plain numbers (the column and row indexes), the views
// decide how to show the title row and header column. A table that is not
// read-only accepts setData() on Qt::EditRole.
//
// Errors are thrown as tarvex::RuntimeError. Every operation runs on the
// thread that owns the table.
#pragma once

#include <QAbstractTableModel>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <QStringView>
#include <memory>
#include <optional>
#include <vector>

#include "logfiles/timeconv.h"

namespace tarvex {

namespace detail {
struct TableFile;
struct TableOverlay;
struct CellRef;
}  // namespace detail

// Width a column has until one is set, in characters.
inline constexpr double kDefaultColumnWidth = 8.0;

// How the lines and fields of a delimited text file land in the table.
struct LoadOptions {
  enum class HeaderColumn {
    FromFile,    // field 1 of a line goes to column 0, field n to column n - 1
    RowNumbers,  // field n goes to column n; column 0 of rows 1..n shows 1..n
  };
  // true: line 1 becomes row 0 (the titles), line k + 1 row k.
  // false: line k becomes row k; row 0 stays empty for titles set afterwards.
  bool headerRow = true;
  HeaderColumn headerColumn = HeaderColumn::FromFile;
  char columnDelimiter = ',';
};

// What the user may select in the grid showing the table; the view honours it.
enum class SelectionUnit {
  Rows,              // whole rows only
  ColumnsAndBlocks,  // whole columns or rectangular blocks of cells
};

// One selected block of a grid, in table coordinates. A block of whole
// columns reports -1 as its first and last row; a block of whole rows -1 as
// its first and last column.
struct SelectionBlock {
  int col1 = 0;
  int row1 = 0;
  int col2 = 0;
  int row2 = 0;

  bool isWholeColumns() const { return row1 < 0; }
  bool isWholeRows() const { return col1 < 0; }
  friend bool operator==(const SelectionBlock&, const SelectionBlock&) = default;
};

// What is selected in a grid: its blocks in the order they were made, and the
// first row of the current (last made) block, 0 when no data row is selected.
struct TableSelection {
  std::vector<SelectionBlock> blocks;
  int currentFirstRow = 0;
};

class LogTable : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit LogTable(QObject* parent = nullptr);
  ~LogTable() override;
  LogTable(const LogTable&) = delete;
  LogTable& operator=(const LogTable&) = delete;

  // ---- Content ----------------------------------------------------------

  // Replaces the whole content with the delimited text file at path.
  // Fields are separated by options.columnDelimiter; lines end with CR LF, LF
  // or CR alone (mixed is fine). A field that starts with '"' is quoted: it
  // runs to the next '"' that is not doubled, may hold delimiters and line
  // breaks, and "" inside stands for one '"'; text after its closing quote
  // belongs to the field, and a quote never closed runs to the end of the
  // file. A '"' later in a field is an ordinary character. Texts are kept
  // exactly as read otherwise (no trimming). An empty line inside the file
  // is an empty row; empty lines at its end are not rows. Sets lastRow() and
  // lastCol() to fit the file (lastCol() counts every field, trailing empty
  // ones included; see dataColCount()). Column widths, hidden flags,
  // read-only and selection settings are kept.
  // Throws RuntimeError: 52 empty path, 53 file not found, 76 path not
  // found, 75 path/file access error (a folder, no permission, a read
  // error), 7 out of memory (the file does not fit the memory available),
  // 6 overflow (more rows or columns than an int counts). On failure the
  // table is left unchanged.
  void loadDelimitedText(const QString& path, const LoadOptions& options = {});

  // Writes the table to path as comma-separated text, replacing the file
  // only when the whole text was written (a failed export leaves the old
  // file untouched). What is written:
  //  - rows 0..lastRow() in order, one line each, every line ended by CR LF
  //    (the title row and the header column included, so an exported data
  //    table reads like the data file it came from);
  //  - columns 0..lastCol() that are not hidden, separated by ",", empty
  //    cells included, no delimiter around ordinary cells;
  //  - cells as shown (the rewritten times, the alarm numbers);
  //  - a cell holding ",", '"', CR or LF is written between '"' with each
  //    '"' doubled, which loadDelimitedText reads back as the same text;
  //  - the bytes in code page 1252 when every text has them there (what the
  //    controllers write), in UTF-8 when the table was loaded from a UTF-8
  //    file or holds a character code page 1252 lacks.
  // Throws RuntimeError: 52 empty path, 70 permission denied when path is
  // the file the table was loaded from or any other file read in this run
  // (shell/readfiles.h; a log file is never written), 76
  // path not found, 75 path/file access error (cannot create, write or
  // replace the file), 7 out of memory.
  //
  // With `rows` only row 0 and then the rows listed are written, in the
  // list's order (the rows a filtered grid shows); rows outside 1..lastRow()
  // are skipped. Null: every row, as above.
  void exportDelimitedText(const QString& path, const std::vector<int>* rows = nullptr) const;
  // The same text written to out, an open device (standard output, a
  // buffer). Throws RuntimeError 75 when a write fails, 7 out of memory.
  void writeDelimitedText(QIODevice& out) const;
  // How writeDelimitedText may differ from the export.
  struct WriteOptions {
    const char* lineEnd = "\r\n";
    bool utf8 = false;           // always UTF-8 (else as the export chooses)
    bool hiddenColumns = false;  // hidden columns written too
    // Row 0 and these rows only (see exportDelimitedText); null: every row.
    // Not owned.
    const std::vector<int>* rows = nullptr;
  };
  void writeDelimitedText(QIODevice& out, const WriteOptions& options) const;

  // The text of cell (col, row); "" outside the table.
  QString getCell(int col, int row) const;
  // The same into out, reusing its buffer (for loops over many cells).
  void getCellInto(int col, int row, QString& out) const;
  // The cell read as a number (parseNumber in locale), or as a date, time or
  // number (parseDateTime; a rewritten time gives its time of day); empty
  // when it reads as none. Faster than parsing getCell(): file cells are read
  // from their bytes.
  // Once the table's date order is decided (setDateReading), dates are read
  // in that order only.
  std::optional<double> cellNumber(int col, int row, const QLocale& locale = QLocale()) const;
  std::optional<double> cellDateTime(int col, int row, const QLocale& locale = QLocale()) const;
  // True when the cell's text is "" (cheaper than getCell).
  bool isCellEmpty(int col, int row) const;

  // Writes text into cell (col, row). A non-empty text outside the table
  // grows lastRow()/lastCol() to hold it; "" outside the table changes
  // nothing. Throws RuntimeError 9 for a negative column or row.
  void setCell(int col, int row, QStringView text);
  // Writes the time of day seconds (0 to 86399) formatted in style (see
  // formatTimeOfDay) into the cell, stored in 8 bytes. Throws RuntimeError 9
  // for a negative column or row, 5 for seconds out of range.
  void setCellTimeOfDay(int col, int row, int seconds, TimeStyle style);

  // Rewrites the cells (col, firstRow..lastRow) that read as a date, time or
  // number (timeOfDaySeconds in locale; a date in the table's decided order)
  // with their time of day in style; other cells stay as they are, so a
  // title survives. Rows beyond lastRow() are not visited.
  void formatTimeColumn(int col, int firstRow, int lastRow, TimeStyle style,
                        const QLocale& locale = QLocale());

  // Empties the cells of the block (col1, row1)..(col2, row2), clamped to the
  // table; lastRow() and lastCol() stay. The table keeps no per-cell
  // formatting, so dataOnly (clear only the texts, not the formatting) makes
  // no difference; column widths and hidden flags are column settings and
  // stay in both cases. Clearing the whole table also forgets the loaded file.
  void clearCells(int col1, int row1, int col2, int row2, bool dataOnly = false);

  // Last row and column of the table. Setting a smaller value drops the rows
  // or columns beyond it (their texts are gone even if the table grows
  // again); a larger value adds empty ones. Negative values count as 0.
  int lastRow() const { return lastRow_; }
  void setLastRow(int row);
  int lastCol() const { return lastCol_; }
  void setLastCol(int col);

  // The number of data columns: the highest column from 1 on holding a
  // non-empty cell in any row (the title row included), 0 when none does.
  // Columns are 1..n, so setLastCol(dataColCount()) drops trailing empty
  // columns (a loaded file whose lines end with "," has one).
  int dataColCount() const;
  // The highest row from 1 on holding a non-empty cell, 0 when none does
  // (the last row a printout of the data needs). Looks from lastRow() up.
  int dataRowCount() const;

  // The path of the file last loaded, "" when the table holds none (never
  // loaded, or wholly cleared since).
  QString sourcePath() const;
  // The bytes of that file as they were read (a byte-order mark included),
  // for a caller that digests what it has just loaded instead of reading
  // the file again; empty when the table holds no file. Valid until the
  // next load or whole clear.
  QByteArrayView loadedBytes() const;

  // The order the table's dates are read in (logfiles/date_order.h), as its
  // reader decided it; empty until then (dates then read in the locale's
  // order, or in the other of month-first and day-first where only that one
  // fits). A load or a whole clear forgets it.
  const std::optional<DateReading>& dateReading() const { return dateReading_; }
  void setDateReading(std::optional<DateReading> reading) { dateReading_ = reading; }

  // ---- Column settings ---------------------------------------------------

  // Display width of column col in characters; col = -1 sets every column,
  // those that appear later included. Negative widths count as 0.
  double columnWidth(int col) const;
  void setColumnWidth(int col, double width);

  bool isColumnHidden(int col) const;
  void setColumnHidden(int col, bool hidden = true);

  // ---- Table settings the view honours ------------------------------------

  // Read-only: every cell locked and the table protected; the user cannot
  // edit (flags() without Qt::ItemIsEditable, setData() refuses). The
  // program can always write with setCell.
  bool isReadOnly() const { return readOnly_; }
  void setReadOnly(bool readOnly = true);

  SelectionUnit selectionUnit() const { return selectionUnit_; }
  void setSelectionUnit(SelectionUnit unit);
  // Whether several blocks may be selected at once.
  bool multipleBlocks() const { return multipleBlocks_; }
  void setMultipleBlocks(bool allowed);

  // ---- Batches -----------------------------------------------------------

  // Between beginUpdate() and the matching endUpdate() the table sends no
  // per-cell or per-row signals; the outermost pair sends one model reset.
  // Use it around many setCell calls while a view is attached. Pairs nest.
  void beginUpdate();
  void endUpdate();

  // ---- QAbstractTableModel -----------------------------------------------

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

 signals:
  // A column's width or hidden flag changed; col = -1: every column.
  void columnFormatChanged(int col);
  // Read-only, selection unit or multiple-block setting changed.
  void tableSettingsChanged();

 private:
  friend class ColumnNumberReader;
  friend class RowTextMatcher;
  friend class RowSecondsReader;
  detail::CellRef locate(int col, int row) const;
  void storeSlot(int col, int row, quint64 slot, QByteArrayView bytes);
  void storeSlotUnchecked(int col, int row, quint64 slot, QByteArrayView bytes);
  void growTo(int col, int row);
  void cellChanged(int col, int row);
  void dropAll();

  std::unique_ptr<detail::TableFile> file_;
  std::vector<detail::TableOverlay> overlays_;  // index = column
  int lastRow_ = 0;
  int lastCol_ = 0;
  int numberedRows_ = 0;  // rows 1..numberedRows_ show their number in column 0
  std::vector<double> widths_;
  double defaultWidth_ = kDefaultColumnWidth;
  std::vector<bool> hidden_;
  bool readOnly_ = false;
  SelectionUnit selectionUnit_ = SelectionUnit::ColumnsAndBlocks;
  bool multipleBlocks_ = false;
  int updateDepth_ = 0;
  std::optional<DateReading> dateReading_;
};

// Holds a LogTable::beginUpdate()/endUpdate() pair for a scope.
class LogTableUpdate {
 public:
  explicit LogTableUpdate(LogTable& table) : table_(table) { table_.beginUpdate(); }
  ~LogTableUpdate() { table_.endUpdate(); }
  LogTableUpdate(const LogTableUpdate&) = delete;
  LogTableUpdate& operator=(const LogTableUpdate&) = delete;

 private:
  LogTable& table_;
};

}  // namespace tarvex
