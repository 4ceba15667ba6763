// The table printout: draws a log table onto a printer page by page, with the
// column titles and the header column on every page, a header line above and a
// footer line below the table. Pages are laid out from the table's sizes alone
// and each page reads only its own cells, so a table of millions of rows is
// printed without holding more than one page in memory.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class QPaintDevice;
class QPainter;
class QPrinter;

namespace tarvex {

// What the printout reads from a table: text cells by (column, row), row 0 the
// column titles, column 0 the header column; data in rows 1..lastRow() and
// columns 1..lastCol().
class PrintableTable {
 public:
  virtual ~PrintableTable() = default;
  virtual QString cellText(int col, int row) const = 0;
  virtual int lastRow() const = 0;
  virtual int lastCol() const = 0;
  // The last row holding a non-empty cell (a printout that ends at the data
  // stops there); lastRow() unless the table knows better.
  virtual int lastDataRow() const { return lastRow(); }
  // The number a row has in its file's table (a page's footer names the
  // rows it shows by these), and how many data rows that table holds.
  virtual int fileRow(int row) const { return row; }
  virtual int fileRowCount() const { return lastDataRow(); }
  // Display width of a column in character units.
  virtual double columnWidth(int col) const = 0;
  virtual bool isColumnHidden(int col) const = 0;
};

// The print settings of one printout.
//
// The header and footer texts take the codes "/l", "/c" and "/r" (what follows
// goes to the left, centre or right part of the line; the left part is the
// default) and "/p" (the page number). "/c/rPage #/p" is thus an empty centre
// and "Page #" with the page number at the right.
struct TablePrintSettings {
  QString jobName;
  QString headerText;
  QString footerText;
  // false: the whole sheet; true: the cell range below. Range rows of -1
  // (a block of whole columns) mean every data row, range columns of -1 (a
  // block of whole rows) every data column.
  bool cellRange = false;
  int firstCol = 1;
  int firstRow = 1;
  int lastCol = -1;
  int lastRow = -1;
  // End the printout at the last row and column that hold data.
  bool useDataMax = true;
  int orientation = 1;  // 1 portrait, 2 landscape
  // Pages to print, counted from 1; 0 = no limit on that side.
  int firstPage = 0;
  int lastPage = 0;
  // Columns that identify a row (time, user, tag): when the printout is
  // wider than a page they are printed on every page, right of the header
  // column, so that every printed row can be told apart. Ignored while the
  // printout fits across one page, and when they would take more than half
  // of it.
  QList<int> repeatedColumns;
  // Lines printed under the header line on every page, at the left, as
  // they read (no codes); the table starts below them.
  QStringList headerLines;
  // The cells' font size in points, and a row's height in lines of it.
  double fontPoints = 8;
  double rowSpacing = 1.4;
  // The footer's left names the rows each page shows ("Rows 51–100 of
  // 1,440", by fileRow()) while the footer text leaves it empty.
  bool rowsInFooter = false;
};

// Some rows of a table as a table of their own: row 0 (the titles), then
// the listed rows as rows 1..n (the rows a filtered grid shows). Column 0
// and every column setting are the table's.
class RowSubsetTable : public PrintableTable {
 public:
  // `rows` ascending, each in 1..table.lastRow(). Does not take ownership;
  // `table` must outlive this one.
  RowSubsetTable(const PrintableTable& table, std::vector<int> rows);
  QString cellText(int col, int row) const override;
  int lastRow() const override { return int(rows_.size()); }
  int lastCol() const override { return table_.lastCol(); }
  // The listed rows up to the table's last data row.
  int lastDataRow() const override;
  int fileRow(int row) const override;
  int fileRowCount() const override { return table_.fileRowCount(); }
  double columnWidth(int col) const override { return table_.columnWidth(col); }
  bool isColumnHidden(int col) const override { return table_.isColumnHidden(col); }

  // The row (1..n) of the first listed table row at or after tableRow, and
  // of the last at or before it; n + 1 and 0 when there is none.
  int firstAtOrAfter(int tableRow) const;
  int lastAtOrBefore(int tableRow) const;

 private:
  const PrintableTable& table_;
  std::vector<int> rows_;
};

// A header or footer line split into its three parts; each part still holds
// its "/p" and "//" codes.
struct HeaderFooterParts {
  QString left;
  QString centre;
  QString right;
};
HeaderFooterParts parseHeaderFooter(const QString& text);
// One part as printed on page `page`: "/p" becomes the page number, "//" a "/".
QString expandPageNumber(const QString& part, const QString& page);
// `text` with every "/" doubled, so that it prints as it reads.
QString escapeHeaderFooter(const QString& text);

// The pages of one printout: which rows and which columns each page shows.
// Pages run down the rows first, then across to the next band of columns.
class TablePageLayout {
 public:
  // `colWidths` are the widths of every table column in device units
  // (hidden columns are skipped by the layout), `tableWidth` and
  // `rowsPerPage` what fits on a page below the title row.
  TablePageLayout(const PrintableTable& table, const TablePrintSettings& settings,
                  const QList<double>& colWidths, double tableWidth, int rowsPerPage);

  int pageCount() const { return bandCount() * rowPagesPerBand_; }
  int bandCount() const { return int(bands_.size()); }
  // Data rows of the printout (row 0 and column 0 are printed besides them).
  int firstRow() const { return firstRow_; }
  int lastRow() const { return lastRow_; }
  // The data rows of page `page` (0-based) and its columns.
  int pageFirstRow(int page) const;
  int pageLastRow(int page) const;
  // The repeated columns come first on every page. A column too wide for
  // the room beside the repeated columns is printed in pieces, one band
  // each; pageColumnOffsets() tells where in the column each piece starts
  // (0 for a whole column).
  const QList<int>& pageColumns(int page) const;
  const QList<double>& pageColumnOffsets(int page) const;
  // The columns printed on every page (empty when none are repeated).
  const QList<int>& repeatedColumns() const { return repeated_; }
  // Whether column 0 is printed at the left of every page.
  bool headerColumnShown() const { return headerColumnShown_; }

 private:
  int firstRow_ = 1;
  int lastRow_ = 0;
  int rowsPerPage_ = 1;
  int rowPagesPerBand_ = 1;
  bool headerColumnShown_ = true;
  QList<int> repeated_;
  QList<QList<int>> bands_;
  QList<QList<double>> offsets_;
};

// The font of the printouts (one family, no shaping) at a size in points.
QFont tablePrintFont(double pointSize, bool bold = false);

// The pages of one printout drawn onto any paint device: a printer's pages,
// or a part of the pages of a larger document (the batch review report
// places its tables so). Fonts are sized in points for the device's
// resolution; the header and footer lines and the table fill an area of
// `area` device units, drawn at an origin the caller chooses.
class TablePages {
 public:
  // Does not take ownership; `table` and `device` must outlive the pages.
  TablePages(const PrintableTable& table, const TablePrintSettings& settings,
             const QPaintDevice* device, const QSizeF& area);

  const TablePageLayout& layout() const { return *layout_; }
  int pageCount() const { return layout_->pageCount(); }
  // Draws page `page` (0-based) with its top left corner at `origin`;
  // `pageNumber` replaces the header's and footer's "/p".
  void drawPage(QPainter& painter, int page, QPointF origin = {},
                const QString& pageNumber = QString());
  // Where the table of page `page` ends, below the top of the area.
  double tableBottom(int page) const;
  // The height of a header or footer line.
  double lineHeight() const { return marginMetrics_.height(); }
  const QFont& marginFont() const { return marginFont_; }

 private:
  void drawMarginLine(QPainter& painter, const HeaderFooterParts& parts, const QString& page,
                      double y);
  void drawCellText(QPainter& painter, const QRectF& rect, double offset, double fullWidth,
                    QString text, bool title);

  const PrintableTable& table_;
  QFont cellFont_;
  QFont titleFont_;
  QFont marginFont_;
  QFontMetricsF cellMetrics_;
  QFontMetricsF titleMetrics_;
  QFontMetricsF marginMetrics_;
  HeaderFooterParts header_;
  HeaderFooterParts footer_;
  QStringList headerLines_;
  bool rowsInFooter_ = false;
  double tableTop_ = 1;
  QRectF area_;
  double charWidth_ = 1;
  double padding_ = 1;
  double rowHeight_ = 1;
  double marginLine_ = 1;
  double lineWidth_ = 1;
  QList<double> colWidths_;
  std::optional<TablePageLayout> layout_;
};

// Told before each page: how many pages of the job are done and how many it
// has. Returns false to end the job.
using PageProgress = std::function<bool(int done, int total)>;

// Prints `table` onto `printer` as one print job named settings.jobName, in
// the settings' orientation and page limits. Sets the printer's copy count to
// 1: callers that want copies print one job per copy. Returns the number of
// pages drawn. Throws RuntimeError when the printer cannot start the job, and
// RuntimeError(err::Cancel) when `beforePage` ends it: the job is aborted,
// and an output file that the printer was writing is removed, so no part of
// a printout is left behind.
int printTable(const PrintableTable& table, QPrinter& printer, const TablePrintSettings& settings,
               const PageProgress& beforePage = {});

// The number of pages the whole printout takes on `printer` (page limits
// aside). Sets the printer's orientation as printTable() does.
int tablePageCount(const PrintableTable& table, QPrinter& printer,
                   const TablePrintSettings& settings);

}  // namespace tarvex
