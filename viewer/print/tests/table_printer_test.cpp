#include "print/table_printer.h"

#include <gtest/gtest.h>

#include <QPrinter>
#include <QRegularExpression>

#include "print_test_support.h"
#include "shell/runtime_error.h"

namespace tarvex {
namespace {

using testing::GeneratedTable;
using testing::GridTable;
using testing::pdfInfo;
using testing::pdfPages;
using testing::sampleRows;

// A whole word of a page's text.
QRegularExpression word(const QString& text) {
  return QRegularExpression("\\b" + QRegularExpression::escape(text) + "\\b");
}

TEST(HeaderFooter, CodesSplitTheLineAndPageNumbersExpand) {
  const HeaderFooterParts footer = parseHeaderFooter(QStringLiteral("/c/rPage #/p"));
  EXPECT_EQ(footer.left, "");
  EXPECT_EQ(footer.centre, "");
  EXPECT_EQ(expandPageNumber(footer.right, "12"), "Page #12");

  const HeaderFooterParts header =
      parseHeaderFooter("File printout for fileName " + escapeHeaderFooter("/logs/run/c.csv"));
  EXPECT_EQ(expandPageNumber(header.left, "1"), "File printout for fileName /logs/run/c.csv");
  EXPECT_EQ(header.centre, "");
  EXPECT_EQ(header.right, "");
}

// Widths of 10 units a column, 4 columns to a page band, 10 rows a page.
TablePageLayout layoutOf(const PrintableTable& table, const TablePrintSettings& settings,
                         double tableWidth = 50, int rowsPerPage = 10) {
  QList<double> widths(table.lastCol() + 1, 10.0);
  return TablePageLayout(table, settings, widths, tableWidth, rowsPerPage);
}

TEST(TablePageLayout, WholeSheetRunsDownThenAcrossAndSkipsHiddenColumns) {
  GeneratedTable table(25, 9);  // 9 data columns: bands of 4
  TablePrintSettings settings;
  const TablePageLayout layout = layoutOf(table, settings);
  EXPECT_EQ(layout.bandCount(), 3);
  EXPECT_EQ(layout.pageCount(), 9);
  EXPECT_EQ(layout.pageFirstRow(0), 1);
  EXPECT_EQ(layout.pageLastRow(0), 10);
  EXPECT_EQ(layout.pageFirstRow(2), 21);
  EXPECT_EQ(layout.pageLastRow(2), 25);
  EXPECT_EQ(layout.pageColumns(0), (QList<int>{1, 2, 3, 4}));
  EXPECT_EQ(layout.pageColumns(3), (QList<int>{5, 6, 7, 8}));
  EXPECT_EQ(layout.pageFirstRow(3), 1);
  EXPECT_EQ(layout.pageColumns(8), (QList<int>{9}));

  GridTable grid(sampleRows(3));
  grid.hidden = {2};
  const TablePageLayout hidden = layoutOf(grid, settings);
  EXPECT_EQ(hidden.pageCount(), 1);
  EXPECT_EQ(hidden.pageColumns(0), (QList<int>{1, 3}));
}

TEST(TablePageLayout, CellRangeEndsAtTheDataAndWholeColumnsTakeEveryRow) {
  GeneratedTable table(25, 9);
  TablePrintSettings settings;
  settings.cellRange = true;
  settings.firstCol = 3;
  settings.lastCol = 40;  // beyond the data: ends at column 9
  settings.firstRow = 7;
  settings.lastRow = 1000;
  TablePageLayout layout = layoutOf(table, settings);
  EXPECT_EQ(layout.firstRow(), 7);
  EXPECT_EQ(layout.lastRow(), 25);
  EXPECT_EQ(layout.pageCount(), 2 * 2);
  EXPECT_EQ(layout.pageColumns(0), (QList<int>{3, 4, 5, 6}));
  EXPECT_EQ(layout.pageColumns(2), (QList<int>{7, 8, 9}));

  settings.firstRow = settings.lastRow = -1;  // a block of whole columns
  settings.firstCol = settings.lastCol = 0;   // the header column only
  layout = layoutOf(table, settings);
  EXPECT_EQ(layout.firstRow(), 1);
  EXPECT_EQ(layout.lastRow(), 25);
  EXPECT_EQ(layout.pageCount(), 3);
  EXPECT_TRUE(layout.pageColumns(0).isEmpty());
}

TEST(TablePageLayout, HeaderOnlyTableAndOverwideColumnStillGiveSanePages) {
  GridTable titles({{"Date", "Time", "TC1"}});
  const TablePageLayout layout = layoutOf(titles, TablePrintSettings());
  EXPECT_EQ(layout.pageCount(), 1);
  EXPECT_GT(layout.pageFirstRow(0), layout.pageLastRow(0));  // no data rows

  GridTable wide(sampleRows(2));
  QList<double> widths{10, 500, 10, 10, 10};
  const TablePageLayout cut(wide, TablePrintSettings(), widths, 50, 10);
  EXPECT_EQ(cut.bandCount(), 2);
  EXPECT_EQ(cut.pageColumns(0), (QList<int>{1}));
}

TEST(TablePageLayout, RowIdentifyingColumnsRepeatOnlyWhenWiderThanAPage) {
  TablePrintSettings settings;
  settings.repeatedColumns = {1, 2};
  GeneratedTable wide(25, 9);  // bands of 4 without repetition
  const TablePageLayout layout = layoutOf(wide, settings);
  // Room for 4 columns beside the header column; 2 go to the repeated ones.
  EXPECT_EQ(layout.repeatedColumns(), (QList<int>{1, 2}));
  EXPECT_EQ(layout.bandCount(), 4);
  EXPECT_EQ(layout.pageColumns(0), (QList<int>{1, 2, 3, 4}));
  EXPECT_EQ(layout.pageColumns(3), (QList<int>{1, 2, 5, 6}));
  EXPECT_EQ(layout.pageColumns(9), (QList<int>{1, 2, 9}));
  EXPECT_EQ(layout.pageFirstRow(9), 1);

  // A printout one page wide keeps its columns in their order.
  GeneratedTable narrow(25, 4);
  settings.repeatedColumns = {3};
  const TablePageLayout fits = layoutOf(narrow, settings);
  EXPECT_TRUE(fits.repeatedColumns().isEmpty());
  EXPECT_EQ(fits.pageColumns(0), (QList<int>{1, 2, 3, 4}));

  // Hidden, header and unknown columns are not repeated; columns that would
  // take more than half the page are not repeated either.
  GridTable grid(sampleRows(3));
  grid.hidden = {2};
  settings.repeatedColumns = {0, 2, 3, 99};
  QList<double> widths{10, 10, 10, 30};
  const TablePageLayout skipped(grid, settings, widths, 40, 10);
  EXPECT_TRUE(skipped.repeatedColumns().isEmpty());  // column 3 alone fills the page
  settings.repeatedColumns = {1, 2};
  QList<double> some{10, 10, 10, 25};
  const TablePageLayout one(grid, settings, some, 40, 10);
  // Beside the repeated column, column 3 (25 units) no longer fits the room
  // of 20: it is printed in two pieces, none of it lost.
  EXPECT_EQ(one.repeatedColumns(), (QList<int>{1}));
  EXPECT_EQ(one.bandCount(), 2);
  EXPECT_EQ(one.pageColumns(0), (QList<int>{1, 3}));
  EXPECT_EQ(one.pageColumnOffsets(0), (QList<double>{0, 0}));
  EXPECT_EQ(one.pageColumns(1), (QList<int>{1, 3}));
  EXPECT_EQ(one.pageColumnOffsets(1), (QList<double>{0, 20}));
}

class TablePrintout : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString print(const PrintableTable& table, const TablePrintSettings& settings,
                int* drawn = nullptr) {
    const QString path = dir_.filePath(QStringLiteral("out%1.pdf").arg(++count_));
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    const int pages = printTable(table, printer, settings);
    if (drawn) *drawn = pages;
    return path;
  }
  static TablePrintSettings standard() {
    TablePrintSettings settings;
    settings.jobName = QStringLiteral("Data History Printout At: 1/2/2007 2:05:30 PM");
    settings.headerText = QStringLiteral("File printout for fileName ") +
                          escapeHeaderFooter(QStringLiteral("/logs/run.csv"));
    settings.footerText = QStringLiteral("/c/rPage #/p");
    settings.rowsInFooter = true;
    return settings;
  }

  QTemporaryDir dir_;
  int count_ = 0;
};

TEST_F(TablePrintout, EveryPageCarriesHeaderTitlesAndItsPageNumber) {
  GridTable table(sampleRows(150));
  table.hidden = {3};
  int drawn = 0;
  const QString pdf = print(table, standard(), &drawn);
  const QStringList pages = pdfPages(pdf);
  ASSERT_GE(pages.size(), 2);
  EXPECT_EQ(pages.size(), drawn);
  EXPECT_EQ(pdfInfo(pdf, "Pages").toInt(), drawn);
  EXPECT_EQ(pdfInfo(pdf, "Title"), "Data History Printout At: 1/2/2007 2:05:30 PM");
  QString all;
  int nextRow = 1;
  for (int i = 0; i < pages.size(); ++i) {
    SCOPED_TRACE(i);
    const QString& page = pages[i];
    EXPECT_TRUE(page.contains("File printout for fileName /logs/run.csv"));
    EXPECT_TRUE(page.contains(QStringLiteral("Page #%1").arg(i + 1)));
    EXPECT_TRUE(page.contains("Date"));
    EXPECT_TRUE(page.contains("Time"));
    EXPECT_TRUE(page.contains("TC1"));
    EXPECT_FALSE(page.contains("TC2"));  // hidden
    // The page number stands at the right end of the last line.
    const QStringList lines = page.trimmed().split(u'\n');
    EXPECT_TRUE(lines.last().trimmed().endsWith(QStringLiteral("Page #%1").arg(i + 1)));
    // Its left names the rows the page shows; the pages follow on.
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Rows (\\d+)\u2013(\\d+) of 150 "))
            .match(lines.last().trimmed());
    ASSERT_TRUE(m.hasMatch()) << lines.last().toStdString();
    const int first = m.captured(1).toInt(), last = m.captured(2).toInt();
    EXPECT_EQ(first, nextRow);
    EXPECT_TRUE(page.contains(word(QStringLiteral("v%1").arg(first))));
    EXPECT_TRUE(page.contains(word(QStringLiteral("v%1").arg(last))));
    EXPECT_FALSE(page.contains(word(QStringLiteral("v%1").arg(last + 1))));
    nextRow = last + 1;
    all += page;
  }
  EXPECT_EQ(nextRow, 151);
  for (int r : {1, 75, 150}) EXPECT_TRUE(all.contains(word(QStringLiteral("v%1").arg(r)))) << r;
  EXPECT_FALSE(all.contains(word("w1")));
}

TEST_F(TablePrintout, CellRangePrintsOnlyTheBlockWithItsTitles) {
  GridTable table(sampleRows(40));
  TablePrintSettings settings = standard();
  settings.cellRange = true;
  settings.firstCol = 2;
  settings.lastCol = 2;
  settings.firstRow = 5;
  settings.lastRow = 7;
  const QStringList pages = pdfPages(print(table, settings));
  ASSERT_EQ(pages.size(), 1);
  const QString& page = pages[0];
  for (int r : {5, 6, 7}) EXPECT_TRUE(page.contains(QStringLiteral("v%1").arg(r))) << r;
  for (int r : {4, 8, 40}) EXPECT_FALSE(page.contains(word(QStringLiteral("v%1").arg(r)))) << r;
  EXPECT_TRUE(page.contains("TC1"));
  EXPECT_FALSE(page.contains("TC2"));
  EXPECT_FALSE(page.contains("w5"));
  EXPECT_TRUE(page.contains("1/2/2007"));  // the header column
}

TEST_F(TablePrintout, PageLimitsAndOrientation) {
  GridTable table(sampleRows(300));
  TablePrintSettings settings = standard();
  settings.orientation = 2;
  settings.firstPage = 2;
  settings.lastPage = 3;
  const QString pdf = print(table, settings);
  const QStringList pages = pdfPages(pdf);
  ASSERT_EQ(pages.size(), 2);
  EXPECT_TRUE(pages[0].contains("Page #2"));
  EXPECT_TRUE(pages[1].contains("Page #3"));
  const QString size = pdfInfo(pdf, "Page size");  // "842 x 595 pts (A4)"
  const QStringList wh = size.split(u' ');
  ASSERT_GE(wh.size(), 3);
  EXPECT_GT(wh[0].toDouble(), wh[2].toDouble()) << size.toStdString();

  settings.firstPage = 50;  // beyond the last page: no job at all
  settings.lastPage = 0;
  int drawn = -1;
  const QString none = print(table, settings, &drawn);
  EXPECT_EQ(drawn, 0);
  EXPECT_FALSE(QFile::exists(none));
}

TEST_F(TablePrintout, WideTableShowsDateAndTimeOnItsSecondBand) {
  QList<QStringList> rows{{"Date", "Time"}};
  for (int c = 1; c <= 20; ++c) rows[0] << QStringLiteral("Channel%1").arg(c);
  for (int r = 1; r <= 30; ++r) {
    QStringList row{"1/2/2007", QStringLiteral("02:%1:00 PM").arg(r, 2, 10, QChar('0'))};
    for (int c = 1; c <= 20; ++c) row << QStringLiteral("v%1x%2").arg(r).arg(c);
    rows << row;
  }
  GridTable table(rows);
  TablePrintSettings settings = standard();
  settings.repeatedColumns = {1};
  const QStringList pages = pdfPages(print(table, settings));
  ASSERT_GE(pages.size(), 2);
  EXPECT_TRUE(pages.last().contains("Channel20"));
  for (int p = 1; p < pages.size(); ++p) {
    SCOPED_TRACE(p);
    const QString& page = pages[p];
    EXPECT_FALSE(page.contains(word("Channel1")));
    EXPECT_TRUE(page.contains("Date"));
    EXPECT_TRUE(page.contains("Time"));
    const QRegularExpressionMatch channel = QRegularExpression("Channel(\\d+)").match(page);
    ASSERT_TRUE(channel.hasMatch());
    for (int r : {1, 30}) {
      const QString time = QStringLiteral("02:%1:00 PM").arg(r, 2, 10, QChar('0'));
      const QString value = QStringLiteral("v%1x%2").arg(r).arg(channel.captured(1));
      // The time and the value stand on one line of the page.
      bool together = false;
      for (const QString& line : page.split(u'\n'))
        together = together || (line.contains(time) && line.contains(value));
      EXPECT_TRUE(together) << r;
    }
  }
}

TEST_F(TablePrintout, HeaderAndFooterStayBlackOnEveryJobOfOnePrinter) {
  // One printer used for two jobs, as the window's printer is.
  GridTable table(sampleRows(150));
  QPrinter printer(QPrinter::ScreenResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setPageSize(QPageSize(QPageSize::A4));
  QStringList files;
  for (int i = 0; i < 2; ++i) {
    files << dir_.filePath(QStringLiteral("job%1.pdf").arg(i));
    printer.setOutputFileName(files.last());
    printTable(table, printer, standard());
  }
  for (const QString& file : files) {
    for (int page : {1, 2}) {
      SCOPED_TRACE(file.toStdString() + " page " + std::to_string(page));
      const QImage image = testing::pdfPageImage(file, page);
      ASSERT_FALSE(image.isNull());
      const int line = image.height() / 40;  // a header or footer line
      EXPECT_LT(testing::darkestGrey(image, QRect(0, 0, image.width() / 2, line)), 40);
      EXPECT_LT(testing::darkestGrey(image, QRect(image.width() / 2, image.height() - line,
                                                  image.width() / 2, line)),
                40);
    }
  }
}

TEST_F(TablePrintout, ColumnsAreWideEnoughForTheirTitlesAndFirstRows) {
  QList<QStringList> rows{{"Date", "Time", "TC10 Zone 10 (C)", "X"}};
  for (int r = 1; r <= 3; ++r) rows << QStringList{"1/2/2007", "02:00:00 PM", "1.5", "y"};
  rows[2][3] = QStringLiteral("a value far wider than its column");
  GridTable table(rows);
  table.widths = {{0, 10}, {1, 12}, {2, 4}, {3, 2}};
  const QStringList pages = pdfPages(print(table, standard()));
  ASSERT_EQ(pages.size(), 1);
  EXPECT_TRUE(pages[0].contains("TC10 Zone 10 (C)"));
  EXPECT_TRUE(pages[0].contains("a value far wider than its column"));
}

TEST_F(TablePrintout, EndingAJobBeforeAPageRemovesItsFile) {
  GridTable table(sampleRows(300));
  QList<int> asked;
  int drawn = -1;
  const QString path = dir_.filePath("cut.pdf");
  QPrinter printer(QPrinter::ScreenResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  try {
    drawn = printTable(table, printer, standard(), [&](int done, int total) {
      asked << done << total;
      return done < 2;
    });
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::Cancel);
  }
  EXPECT_EQ(drawn, -1);
  ASSERT_EQ(asked.size(), 6);
  EXPECT_EQ(asked[0], 0);
  EXPECT_EQ(asked[4], 2);
  EXPECT_GT(asked[1], 2);
  EXPECT_FALSE(QFile::exists(path));
}

TEST_F(TablePrintout, MillionRowTableReadsOnlyThePagesItPrints) {
  GeneratedTable table(1'000'000, 8);
  TablePrintSettings settings = standard();
  QPrinter probe(QPrinter::ScreenResolution);
  probe.setOutputFormat(QPrinter::PdfFormat);
  probe.setPageSize(QPageSize(QPageSize::A4));
  const int count = tablePageCount(table, probe, settings);
  EXPECT_GT(count, 1'000'000 / 100);
  // Only the titles and the first rows, to fit the column widths.
  EXPECT_LE(table.reads, 9 * 51);

  // The last page only: every page before it is laid out, never read.
  settings.firstPage = count;
  int drawn = 0;
  const QStringList pages = pdfPages(print(table, settings, &drawn));
  EXPECT_EQ(drawn, 1);
  EXPECT_LT(table.reads, 2000);
  ASSERT_EQ(pages.size(), 1);
  EXPECT_TRUE(pages[0].contains("r1000000c8"));
  EXPECT_TRUE(pages[0].contains("Col8"));
  EXPECT_TRUE(pages[0].contains(QStringLiteral("Page #%1").arg(count)));

  table.reads = 0;
  settings.firstPage = count + 1;  // past the end: nothing
  print(table, settings, &drawn);
  EXPECT_EQ(drawn, 0);
  EXPECT_LE(table.reads, 9 * 51);
}

}  // namespace
}  // namespace tarvex
