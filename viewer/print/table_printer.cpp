#include "print/table_printer.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>
#include <optional>

#include "shell/runtime_error.h"

namespace tarvex {

namespace {

// Rows whose texts a column's printed width is fitted to (besides its
// title): a table's usual content, at a cost independent of its length.
constexpr int kFittedRows = 50;

// The run-time error of a printer that cannot start a job.
constexpr int kPrinterError = 482;

// Colours of the grid as it shows on screen: grey titles and header column.
const QColor kTitleFill(0xE4, 0xE4, 0xE4);
const QColor kGridLine(0x80, 0x80, 0x80);

QFont printFont(double pointSize, bool bold) {
  QFont font(QStringLiteral("DejaVu Sans"));
  // No shaping: plain text prints faster, and without ligatures a PDF's text
  // reads back letter for letter.
  font.setStyleHint(QFont::SansSerif, QFont::PreferNoShaping);
  font.setPointSizeF(pointSize);
  font.setBold(bold);
  return font;
}

}  // namespace

HeaderFooterParts parseHeaderFooter(const QString& text) {
  HeaderFooterParts parts;
  QString* part = &parts.left;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar ch = text.at(i);
    if (ch == u'/' && i + 1 < text.size()) {
      const QChar code = text.at(i + 1).toLower();
      if (code == u'/' || code == u'p') {  // kept for expandPageNumber()
        part->append(ch).append(text.at(i + 1));
        ++i;
        continue;
      }
      if (code == u'l' || code == u'c' || code == u'r') {
        part = code == u'l' ? &parts.left : code == u'c' ? &parts.centre : &parts.right;
        ++i;
        continue;
      }
    }
    part->append(ch);
  }
  return parts;
}

QString expandPageNumber(const QString& part, const QString& page) {
  QString out;
  out.reserve(part.size());
  for (qsizetype i = 0; i < part.size(); ++i) {
    const QChar ch = part.at(i);
    if (ch == u'/' && i + 1 < part.size()) {
      const QChar code = part.at(i + 1).toLower();
      if (code == u'/' || code == u'p') {
        out += code == u'/' ? QString(u'/') : page;
        ++i;
        continue;
      }
    }
    out += ch;
  }
  return out;
}

QString escapeHeaderFooter(const QString& text) {
  return QString(text).replace(u'/', QStringLiteral("//"));
}

RowSubsetTable::RowSubsetTable(const PrintableTable& table, std::vector<int> rows)
    : table_(table), rows_(std::move(rows)) {}

QString RowSubsetTable::cellText(int col, int row) const {
  if (row <= 0 || row > int(rows_.size())) return row == 0 ? table_.cellText(col, 0) : QString();
  return table_.cellText(col, rows_[std::size_t(row - 1)]);
}

int RowSubsetTable::fileRow(int row) const {
  return row >= 1 && row <= int(rows_.size()) ? table_.fileRow(rows_[std::size_t(row - 1)]) : row;
}

int RowSubsetTable::lastDataRow() const { return lastAtOrBefore(table_.lastDataRow()); }

int RowSubsetTable::firstAtOrAfter(int tableRow) const {
  return int(std::lower_bound(rows_.begin(), rows_.end(), tableRow) - rows_.begin()) + 1;
}

int RowSubsetTable::lastAtOrBefore(int tableRow) const {
  return int(std::upper_bound(rows_.begin(), rows_.end(), tableRow) - rows_.begin());
}

TablePageLayout::TablePageLayout(const PrintableTable& table, const TablePrintSettings& settings,
                                 const QList<double>& colWidths, double tableWidth, int rowsPerPage)
    : rowsPerPage_(std::max(1, rowsPerPage)) {
  const int tableLastRow = std::max(
      0, settings.useDataMax ? std::min(table.lastDataRow(), table.lastRow()) : table.lastRow());
  const int tableLastCol = std::max(0, table.lastCol());

  // Columns and rows of the printout; row 0 and column 0 are headers and are
  // printed besides the data, never as part of it.
  int col1 = 1;
  int col2 = tableLastCol;
  int row1 = 1;
  int row2 = tableLastRow;
  if (settings.cellRange) {
    if (settings.firstCol >= 0 && settings.lastCol >= 0) {
      col1 = std::max(1, std::min(settings.firstCol, settings.lastCol));
      col2 = std::max(settings.firstCol, settings.lastCol);
    }
    if (settings.firstRow >= 0 && settings.lastRow >= 0) {
      row1 = std::max(1, std::min(settings.firstRow, settings.lastRow));
      row2 = std::max(settings.firstRow, settings.lastRow);
    }
  }
  col2 = std::min(col2, tableLastCol);
  row2 = std::min(row2, tableLastRow);
  firstRow_ = row1;
  lastRow_ = row2;

  auto width = [&](int col) {
    return col < colWidths.size() ? std::max(0.0, colWidths[col]) : 0.0;
  };
  headerColumnShown_ = !table.isColumnHidden(0);
  const double available = tableWidth - (headerColumnShown_ ? width(0) : 0.0);

  // Bands of columns that fit across a page. A column wider than the room
  // gets a band of its own and is cut at the page's edge, or, when `split`,
  // is printed in pieces, one band each, so that none of it is lost.
  auto makeBands = [&](double room, const QList<int>& skip, bool split) {
    bands_.clear();
    offsets_.clear();
    QList<int> band;
    QList<double> offsets;
    double used = 0;
    auto close = [&] {
      bands_.append(band);
      offsets_.append(offsets);
      band.clear();
      offsets.clear();
      used = 0;
    };
    for (int col = col1; col <= col2; ++col) {
      if (table.isColumnHidden(col) || skip.contains(col)) continue;
      if (split && width(col) > room && room > 0) {
        if (!band.isEmpty()) close();
        for (double offset = 0; offset < width(col); offset += room) {
          band.append(col);
          offsets.append(offset);
          close();
        }
        continue;
      }
      if (!band.isEmpty() && used + width(col) > room) close();
      band.append(col);
      offsets.append(0);
      used += width(col);
    }
    if (!band.isEmpty() || bands_.isEmpty()) close();
  };
  makeBands(available, {}, false);

  // Wider than a page: the row-identifying columns go onto every page, and
  // no other column is cut.
  if (bands_.size() > 1) {
    QList<int> repeated;
    double repeatedWidth = 0;
    for (int col : settings.repeatedColumns) {
      if (col < 1 || col > tableLastCol || table.isColumnHidden(col) || repeated.contains(col))
        continue;
      repeated.append(col);
      repeatedWidth += width(col);
    }
    if (!repeated.isEmpty() && repeatedWidth <= available / 2) {
      repeated_ = repeated;
      makeBands(available - repeatedWidth, repeated, true);
      const QList<double> none(repeated.size(), 0.0);
      for (qsizetype i = 0; i < bands_.size(); ++i) {
        bands_[i] = repeated + bands_[i];
        offsets_[i] = none + offsets_[i];
      }
    }
  }

  const qint64 rows = std::max(0, lastRow_ - firstRow_ + 1);
  rowPagesPerBand_ = std::max<qint64>(1, (rows + rowsPerPage_ - 1) / rowsPerPage_);
}

int TablePageLayout::pageFirstRow(int page) const {
  return firstRow_ + (page % rowPagesPerBand_) * rowsPerPage_;
}

int TablePageLayout::pageLastRow(int page) const {
  return std::min(lastRow_, pageFirstRow(page) + rowsPerPage_ - 1);
}

const QList<int>& TablePageLayout::pageColumns(int page) const {
  return bands_[page / rowPagesPerBand_];
}

const QList<double>& TablePageLayout::pageColumnOffsets(int page) const {
  return offsets_[page / rowPagesPerBand_];
}

QFont tablePrintFont(double pointSize, bool bold) { return printFont(pointSize, bold); }

TablePages::TablePages(const PrintableTable& table, const TablePrintSettings& settings,
                       const QPaintDevice* device, const QSizeF& area)
    : table_(table),
      cellFont_(printFont(settings.fontPoints, false)),
      titleFont_(printFont(settings.fontPoints, true)),
      marginFont_(printFont(9, false)),
      cellMetrics_(cellFont_, device),
      titleMetrics_(titleFont_, device),
      marginMetrics_(marginFont_, device),
      header_(parseHeaderFooter(settings.headerText)),
      footer_(parseHeaderFooter(settings.footerText)),
      headerLines_(settings.headerLines),
      rowsInFooter_(settings.rowsInFooter) {
  area_ = QRectF(QPointF(0, 0), area);
  charWidth_ = cellMetrics_.horizontalAdvance(u'0');
  padding_ = std::max(1.0, charWidth_ * 0.4);
  rowHeight_ = std::ceil(cellMetrics_.height() * settings.rowSpacing);
  marginLine_ = std::ceil(marginMetrics_.height() * 2.0);
  lineWidth_ = std::max(1.0, device->logicalDpiX() / 150.0);

  const int fittedRows = std::min(std::max(0, table.lastRow()), kFittedRows);
  for (int col = 0; col <= std::max(0, table.lastCol()); ++col) {
    // A column's width in character units is that many digit widths of
    // the cell font, widened to show its title and its first rows whole;
    // a page wide column at most.
    double w = std::max(0.0, table.columnWidth(col)) * charWidth_;
    if (!table.isColumnHidden(col)) {
      w = std::max(w, titleMetrics_.horizontalAdvance(table.cellText(col, 0)));
      for (int row = 1; row <= fittedRows; ++row)
        w = std::max(w, cellMetrics_.horizontalAdvance(table.cellText(col, row)));
    }
    w += 2 * padding_;
    colWidths_.append(std::min(w, area_.width() * (col == 0 ? 0.5 : 1.0)));
  }
  tableTop_ = marginLine_ + headerLines_.size() * marginMetrics_.height();
  const double tableHeight = area_.height() - marginLine_ - tableTop_;
  const int rowsPerPage = int(tableHeight / rowHeight_) - 1;  // below the title row
  layout_.emplace(table, settings, colWidths_, area_.width(), rowsPerPage);
}

double TablePages::tableBottom(int page) const {
  const int rows = std::max(0, layout_->pageLastRow(page) - layout_->pageFirstRow(page) + 1);
  return tableTop_ + (rows + 1) * rowHeight_;
}

void TablePages::drawPage(QPainter& painter, int page, QPointF origin, const QString& pageNumber) {
  painter.save();
  painter.translate(origin);
  // A printer's paint engine can outlive a job and keep the pen of the
  // last one, while a new painter believes it draws in black: setting the
  // same pen again would then not reach the engine. Set it anew.
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::NoBrush);
  const QString number = pageNumber.isEmpty() ? QString::number(page + 1) : pageNumber;
  const int first = layout_->pageFirstRow(page);
  const int last = layout_->pageLastRow(page);
  drawMarginLine(painter, header_, number, 0);
  // Which rows the page shows, by their numbers in the file's table.
  HeaderFooterParts footer = footer_;
  if (rowsInFooter_ && footer.left.isEmpty() && first <= last) {
    const QLocale grouped(QLocale::English);
    const QString of = grouped.toString(table_.fileRowCount());
    const QString from = grouped.toString(table_.fileRow(first));
    footer.left = escapeHeaderFooter(
        first == last ? QStringLiteral("Row %1 of %2").arg(from, of)
                      : QStringLiteral("Rows %1\u2013%2 of %3")
                            .arg(from, grouped.toString(table_.fileRow(last)), of));
  }
  drawMarginLine(painter, footer, number, area_.height() - marginMetrics_.height());
  for (qsizetype i = 0; i < headerLines_.size(); ++i) {
    const QRectF line(0, double(i + 1) * marginMetrics_.height(), area_.width(),
                      marginMetrics_.height());
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, headerLines_[i]);
  }

  const QList<int>& cols = layout_->pageColumns(page);
  const QList<double>& offsets = layout_->pageColumnOffsets(page);

  // The page's cells across: where each starts, how wide it is printed,
  // where in its column the piece starts and the column's whole width.
  struct Across {
    int col;
    double x, w, offset, full;
  };
  std::vector<Across> across;
  double x = 0;
  if (layout_->headerColumnShown()) {
    across.push_back({0, 0, colWidths_[0], 0, colWidths_[0]});
    x = colWidths_[0];
  }
  for (qsizetype i = 0; i < cols.size(); ++i) {
    const int col = cols[i];
    const double offset = i < offsets.size() ? offsets[i] : 0;
    const double w = std::min(colWidths_[col] - offset, area_.width() - x);
    if (w <= 0) break;
    across.push_back({col, x, w, offset, colWidths_[col]});
    x += w;
  }
  const int rows = std::max(0, last - first + 1);
  const double bottom = tableTop_ + (rows + 1) * rowHeight_;

  // The grey of the title row and of the header column, one area each.
  painter.fillRect(QRectF(0, tableTop_, x, rowHeight_), kTitleFill);
  if (layout_->headerColumnShown() && rows > 0)
    painter.fillRect(QRectF(0, tableTop_ + rowHeight_, across[0].w, rows * rowHeight_), kTitleFill);

  // The texts, row by row.
  painter.setPen(Qt::black);
  painter.setFont(titleFont_);
  for (const Across& a : across)
    drawCellText(painter, QRectF(a.x, tableTop_, a.w, rowHeight_), a.offset, a.full,
                 table_.cellText(a.col, 0), true);
  painter.setFont(cellFont_);
  double y = tableTop_;
  for (int row = first; row <= last; ++row) {
    y += rowHeight_;
    for (std::size_t i = 0; i < across.size(); ++i) {
      const Across& a = across[i];
      drawCellText(painter, QRectF(a.x, y, a.w, rowHeight_), a.offset, a.full,
                   table_.cellText(a.col, row), false);
    }
  }

  // The grid: every cell's border, as lines through the whole table.
  QList<QLineF> lines;
  lines.reserve(rows + 2 + qsizetype(across.size()) + 1);
  for (int k = 0; k <= rows + 1; ++k) {
    const double ly = tableTop_ + k * rowHeight_;
    lines.append(QLineF(0, ly, x, ly));
  }
  for (const Across& a : across) lines.append(QLineF(a.x, tableTop_, a.x, bottom));
  lines.append(QLineF(x, tableTop_, x, bottom));
  painter.setPen(QPen(kGridLine, lineWidth_));
  painter.drawLines(lines);
  painter.restore();
}

void TablePages::drawMarginLine(QPainter& painter, const HeaderFooterParts& parts,
                                const QString& page, double y) {
  auto expand = [&](const QString& text) { return expandPageNumber(text, page); };
  const QString left = expand(parts.left), centre = expand(parts.centre),
                right = expand(parts.right);
  if (left.isEmpty() && centre.isEmpty() && right.isEmpty()) return;
  painter.setFont(marginFont_);
  painter.setPen(Qt::black);
  const QRectF line(0, y, area_.width(), marginMetrics_.height());
  painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, left);
  painter.drawText(line, Qt::AlignHCenter | Qt::AlignVCenter, centre);
  painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, right);
}

// Draws the text of a cell `fullWidth` wide, or of the piece of it that
// starts `offset` units into it; the pieces of a text join without a gap.
// The pen and the font are the caller's.
void TablePages::drawCellText(QPainter& painter, const QRectF& rect, double offset,
                              double fullWidth, QString text, bool title) {
  if (text.isEmpty()) return;
  // Text beyond the cell is cut off; what could never show is not drawn.
  const qsizetype fits = qsizetype((rect.width() + offset) / std::max(1.0, charWidth_ * 0.25)) + 1;
  if (text.size() > fits) text.truncate(fits);
  const bool lastPiece = offset + rect.width() >= fullWidth - 0.5;
  const QRectF inner = rect.adjusted(offset > 0 ? 0 : padding_, 0, lastPiece ? -padding_ : 0, 0);
  const QFontMetricsF& metrics = title ? titleMetrics_ : cellMetrics_;
  // A whole cell whose text fits draws at its place without a clip; the
  // width is measured only when the text might not fit.
  if (offset == 0 && lastPiece) {
    const bool surelyFits = double(text.size()) * metrics.maxWidth() <= inner.width();
    const double advance = surelyFits && !title ? 0 : metrics.horizontalAdvance(text);
    if (advance <= inner.width()) {
      const double baseline =
          rect.top() + (rect.height() - metrics.height()) / 2 + metrics.ascent();
      // Titles are centred.
      const double left = title ? inner.left() + (inner.width() - advance) / 2 : inner.left();
      painter.drawText(QPointF(left, baseline), text);
      return;
    }
  }
  // A title shows whole on every piece; a cell's text runs on across them.
  const QRectF textRect = title ? inner.adjusted(offset > 0 ? padding_ : 0, 0, 0, 0)
                                : inner.adjusted(-offset + (offset > 0 ? padding_ : 0), 0, 0, 0);
  painter.save();
  painter.setClipRect(inner, Qt::IntersectClip);
  // A cut text always shows its start.
  painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, text);
  painter.restore();
}

namespace {

void setOrientation(QPrinter& printer, int orientation) {
  printer.setPageOrientation(orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
}

}  // namespace

int tablePageCount(const PrintableTable& table, QPrinter& printer,
                   const TablePrintSettings& settings) {
  setOrientation(printer, settings.orientation);
  const QRectF paper = printer.pageRect(QPrinter::DevicePixel);
  return TablePages(table, settings, &printer, paper.size()).pageCount();
}

int printTable(const PrintableTable& table, QPrinter& printer, const TablePrintSettings& settings,
               const PageProgress& beforePage) {
  printer.setDocName(settings.jobName);
  printer.setCopyCount(1);
  setOrientation(printer, settings.orientation);

  TablePages drawer(table, settings, &printer, printer.pageRect(QPrinter::DevicePixel).size());
  const int count = drawer.layout().pageCount();
  const int first = settings.firstPage > 0 ? settings.firstPage : 1;
  const int last = settings.lastPage > 0 ? std::min(settings.lastPage, count) : count;
  if (first > last) return 0;

  const int total = last - first + 1;
  if (beforePage && !beforePage(0, total)) throw RuntimeError(err::Cancel);
  QPainter painter;
  if (!painter.begin(&printer)) throw RuntimeError(kPrinterError, QStringLiteral("Printer error"));
  for (int page = first; page <= last; ++page) {
    if (page > first) {
      if (beforePage && !beforePage(page - first, total)) {
        // Ends the job; a file being written is removed, since a part of a
        // printout must not pass for the whole of it.
        const QString file = printer.outputFileName();
        if (!printer.abort()) painter.end();
        if (painter.isActive()) painter.end();
        if (!file.isEmpty()) QFile::remove(file);
        throw RuntimeError(err::Cancel);
      }
      printer.newPage();
    }
    drawer.drawPage(painter, page - 1);
  }
  painter.end();
  return total;
}

}  // namespace tarvex
