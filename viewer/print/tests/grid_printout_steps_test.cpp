#include "print/grid_printout_steps.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "fake_ui.h"
#include "print_test_support.h"
#include "shell/progress_pump.h"

namespace tarvex {
namespace {

using testing::FakeUi;
using testing::GridTable;
using testing::pdfInfo;
using testing::pdfPages;
using testing::sampleRows;

const QString kDataFile = QStringLiteral("/logs/run.csv");

TEST(GeneralDate, ShortDateWithFourDigitYearAndLongTime) {
  const QDateTime when(QDate(2026, 12, 8), QTime(17, 23, 7));
  EXPECT_EQ(generalDateText(when, QLocale(QLocale::English, QLocale::UnitedStates)),
            "12/8/2026 5:23:07 PM");
  EXPECT_EQ(generalDateText(when, QLocale(QLocale::German, QLocale::Germany)),
            "08.12.2026 17:23:07");
}

TEST(CopyOutputFileName, LaterCopiesAreNumberedBeforeTheExtension) {
  EXPECT_EQ(copyOutputFileName("/out/run.pdf", 1), "/out/run.pdf");
  EXPECT_EQ(copyOutputFileName("/out/run.pdf", 2), "/out/run (2).pdf");
  EXPECT_EQ(copyOutputFileName("/out.d/run", 3), "/out.d/run (3)");
}

class PrintGrid : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    pdf_ = dir_.filePath("out.pdf");
    ui_.printToPdf(pdf_);
    printout_.guard = [](UserInterface& ui, const QString& name) {
      ui.msgBoxPos("guard " + name, mb::Question);
      return !name.isEmpty();
    };
    printout_.jobText = QStringLiteral("Data History Printout At: ");
    printout_.now = [this] { return QDateTime(QDate(2007, 1, 2), QTime(14, 5, 30 + ticks_++)); };
  }
  void print(const QString& fileName = kDataFile) { printGrid(ui_, table_, fileName, printout_); }
  QString allText(const QString& pdf) { return pdfPages(pdf).join(QString()); }

  QTemporaryDir dir_;
  QString pdf_;
  FakeUi ui_;
  GridTable table_{sampleRows(40)};
  GridPrintout printout_;
  int ticks_ = 0;
};

TEST_F(PrintGrid, RefusesWithoutFileWithoutPrinterAndEndsSilentlyOnCancel) {
  print(QString());
  EXPECT_EQ(ui_.log, QStringList{"msg 32 guard "});

  ui_.log.clear();
  ui_.printers = 0;
  print();
  EXPECT_EQ(ui_.log, (QStringList{"msg 32 guard " + kDataFile, "printers",
                                  "msg 16 There is no default printer!\r\n"
                                  "Please install or select a default printer."}));

  ui_.log.clear();
  ui_.printers = 2;
  ui_.printerChoice.reset();  // cancel
  print();
  EXPECT_EQ(ui_.log, (QStringList{"msg 32 guard " + kDataFile, "printers", "printer 12"}));
  EXPECT_FALSE(QFile::exists(pdf_));
}

TEST_F(PrintGrid, ThreeCopiesAreThreeJobsEachWithItsOwnTime) {
  ui_.printerChoice->copies = 3;
  print();
  EXPECT_EQ(ui_.log, (QStringList{"msg 32 guard " + kDataFile, "printers", "printer 12"}));
  const QStringList files{pdf_, dir_.filePath("out (2).pdf"), dir_.filePath("out (3).pdf")};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    ASSERT_TRUE(QFile::exists(files[i]));
    EXPECT_EQ(pdfInfo(files[i], "Title"),
              QStringLiteral("Data History Printout At: 1/2/2007 2:05:%1 PM").arg(30 + i));
    const QString text = allText(files[i]);
    EXPECT_TRUE(text.contains("File printout for fileName /logs/run.csv"));
    EXPECT_TRUE(text.contains("Page #1"));
  }
  EXPECT_FALSE(QFile::exists(dir_.filePath("out (4).pdf")));
  EXPECT_EQ(ui_.thePrinter->outputFileName(), pdf_);  // the chosen name is kept
  EXPECT_EQ(ui_.thePrinter->copyCount(), 1);

  ui_.printerChoice->copies = 0;
  QFile::remove(pdf_);
  print();
  EXPECT_FALSE(QFile::exists(pdf_));
}

TEST_F(PrintGrid, OnlyASelectionOfThreeRowsOrMoreLimitsThePrintout) {
  const QRegularExpression row1("\\bv1\\b"), row5("\\bv5\\b"), row7("\\bv7\\b"), row8("\\bv8\\b");
  printout_.selection = PrintBlock{2, 5, 2, 6};  // two rows: the whole sheet
  print();
  QString text = allText(pdf_);
  EXPECT_TRUE(text.contains(row1));
  EXPECT_TRUE(text.contains("TC2"));

  printout_.selection = PrintBlock{2, 5, 2, 7};  // three rows: the block
  print();
  text = allText(pdf_);
  EXPECT_TRUE(text.contains(row5));
  EXPECT_TRUE(text.contains(row7));
  EXPECT_FALSE(text.contains(row1));
  EXPECT_FALSE(text.contains(row8));
  EXPECT_FALSE(text.contains("TC2"));
  EXPECT_TRUE(text.contains("TC1"));

  printout_.selection = PrintBlock{2, -1, 3, -1};  // whole columns: the whole sheet
  print();
  EXPECT_TRUE(allText(pdf_).contains(row1));
}

// The lines of a PDF page with runs of blanks made one, empty lines dropped.
// As one text, so that a failure shows it.
std::string pageLines(const QString& page, int from = 0) {
  QStringList out;
  for (QString line : page.split(u'\n')) {
    line = line.simplified();
    if (!line.isEmpty()) out << line;
  }
  return out.mid(from).join(u'\n').toStdString();
}

std::string lines(const QStringList& list) { return list.join(u'\n').toStdString(); }

TEST_F(PrintGrid, AFilteredGridPrintsTheRowsItShowsUnderItsFilterLine) {
  printout_.rows = std::vector<int>{2, 5, 9, 30, 31, 40};
  printout_.headerLines = {
      QStringLiteral("Filtered: 1/2/2007 2:02:00 PM \u2013 1/2/2007 "
                     "2:40:00 PM; text \"v/w\"")};
  print();
  const QStringList pages = pdfPages(pdf_);
  ASSERT_EQ(pages.size(), 1);
  const QStringList all{"Date Time TC1 TC2",
                        "1/2/2007 02:02:00 PM v2 w2",
                        "1/2/2007 02:05:00 PM v5 w5",
                        "1/2/2007 02:09:00 PM v9 w9",
                        "1/2/2007 02:30:00 PM v30 w30",
                        "1/2/2007 02:31:00 PM v31 w31",
                        "1/2/2007 02:40:00 PM v40 w40",
                        "Rows 2\u201340 of 40 Page #1"};
  EXPECT_EQ(pageLines(pages[0]),
            lines(QStringList{"File printout for fileName /logs/run.csv",
                              "Filtered: 1/2/2007 2:02:00 PM \u2013 1/2/2007 2:40:00 PM; text "
                              "\"v/w\""} +
                  all));

  // A selection counts the rows shown: table rows 4..9 hold two of them
  // (5 and 9), so the whole filtered sheet is printed; rows 2..9 hold
  // three, which are printed alone.
  printout_.selection = PrintBlock{2, 4, 2, 9};
  print();
  EXPECT_EQ(pageLines(pdfPages(pdf_)[0], 2), lines(all));
  printout_.selection = PrintBlock{2, 2, 2, 9};
  print();
  EXPECT_EQ(pageLines(pdfPages(pdf_)[0], 2), lines({"Date TC1", "1/2/2007 v2", "1/2/2007 v5",
                                                    "1/2/2007 v9", "Rows 2\u20139 of 40 Page #1"}));

  // Over several pages: the line on every page, every shown row once, in
  // order, and no other.
  GridTable long_(sampleRows(400));
  std::vector<int> even;
  for (int r = 2; r <= 400; r += 2) even.push_back(r);
  printout_.selection.reset();
  printout_.rows = even;
  printGrid(ui_, long_, kDataFile, printout_);
  const QStringList longPages = pdfPages(pdf_);
  ASSERT_GT(longPages.size(), 2);
  QStringList printed;
  for (const QString& page : longPages) {
    EXPECT_TRUE(page.contains(QStringLiteral("Filtered: 1/2/2007 2:02:00 PM")));
    static const QRegularExpression value("\\bv(\\d+)\\b");
    for (auto it = value.globalMatch(page); it.hasNext();) printed << it.next().captured(1);
  }
  QStringList want;
  for (const int r : even) want << QString::number(r);
  EXPECT_EQ(lines(printed), lines(want));

  // No row shown: the titles alone.
  printout_.selection.reset();
  printout_.rows = std::vector<int>{};
  print();
  EXPECT_EQ(pageLines(pdfPages(pdf_)[0], 2), lines({"Date Time TC1 TC2", "Page #1"}));
}

TEST_F(PrintGrid, DialogChoicesReachThePrintoutAndOtherErrorsArePassedOver) {
  GridTable long_(sampleRows(300));
  ui_.printerChoice = PrinterChoice{2, 2, 1, 2};
  printGrid(ui_, long_, kDataFile, printout_);
  const QStringList pages = pdfPages(pdf_);
  ASSERT_EQ(pages.size(), 1);
  EXPECT_TRUE(pages[0].contains("Page #2"));
  const QStringList size = pdfInfo(pdf_, "Page size").split(u' ');
  ASSERT_GE(size.size(), 3);
  EXPECT_GT(size[0].toDouble(), size[2].toDouble());  // landscape

  // A printer dialog that fails for another reason than a cancel is passed
  // over: the printout goes on with one copy of the whole sheet.
  QFile::remove(pdf_);
  ui_.printerError = err::InvalidCall;
  print();
  EXPECT_TRUE(QFile::exists(pdf_));
  EXPECT_FALSE(QFile::exists(dir_.filePath("out (2).pdf")));

  // No printer set up at all: the print step fails and is passed over.
  ui_.thePrinter.reset();
  ui_.log.clear();
  print();
  EXPECT_EQ(ui_.log, (QStringList{"msg 32 guard " + kDataFile, "printers", "printer 12"}));
}

}  // namespace
}  // namespace tarvex

namespace tarvex {
namespace {

TEST_F(PrintGrid, ProgressShowsPageAndCountAndLetsEventsRunOnAClock) {
  // Every page takes 10 ms of the fake clock: events run about every third
  // page, never more often than the pump interval.
  GridTable long_(sampleRows(2000));
  qint64 clock = 0;
  int lastPumpAt = -1000;
  int closestPumps = 1000;
  ui_.onDoEvents = [&] {
    closestPumps = std::min<int>(closestPumps, int(clock - lastPumpAt));
    lastPumpAt = int(clock);
  };
  printout_.progressClock = [&] { return clock += 10; };
  printGrid(ui_, long_, kDataFile, printout_);
  const int pages = pdfInfo(pdf_, "Pages").toInt();
  ASSERT_GT(pages, 20);
  ASSERT_GE(ui_.progressLog.size(), 3);
  EXPECT_EQ(ui_.progressLog.first(),
            QStringLiteral("show Printing|Printing page 1 of %1|%1").arg(pages));
  EXPECT_EQ(ui_.progressLog.last(), "hide");
  EXPECT_TRUE(ui_.progressLog.contains(QStringLiteral("set 3|Printing page 4 of %1").arg(pages)))
      << ui_.progressLog.join('\n').toStdString();
  EXPECT_GE(closestPumps, ProgressPump::kPumpIntervalMs);
  EXPECT_GE(ui_.eventPumps, pages / 4);
  EXPECT_LE(ui_.eventPumps, pages / 2 + 2);
}

TEST_F(PrintGrid, CancelEndsTheJobWithoutALeftoverFileAndSkipsLaterCopies) {
  GridTable long_(sampleRows(2000));
  const int pages = tablePageCount(long_, *ui_.thePrinter, TablePrintSettings{});
  ui_.printerChoice->copies = 2;
  qint64 clock = 0;
  printout_.progressClock = [&] { return clock += 100; };
  int pumps = 0;
  ui_.onDoEvents = [&] { ui_.cancelPressed = ++pumps >= 4; };
  printGrid(ui_, long_, kDataFile, printout_);
  EXPECT_FALSE(QFile::exists(pdf_));
  EXPECT_FALSE(QFile::exists(dir_.filePath("out (2).pdf")));
  EXPECT_EQ(ui_.progressLog.last(), "hide");
  EXPECT_EQ(ui_.progressLog.filter("show").size(), 1);  // the second copy never starts
  EXPECT_EQ(ui_.progressLog.first().section('|', 1, 1),
            QStringLiteral("Printing page 1 of %1 (copy 1 of 2)").arg(pages));
  EXPECT_EQ(ui_.log, (QStringList{"msg 32 guard " + kDataFile, "printers", "printer 12"}));
  EXPECT_EQ(ui_.thePrinter->outputFileName(), pdf_);

  // Cancel pressed as the window opens: not one page is drawn.
  ui_.printerChoice->copies = 1;
  ui_.progressLog.clear();
  ui_.onDoEvents = [&] { ui_.cancelPressed = true; };
  printGrid(ui_, long_, kDataFile, printout_);
  EXPECT_FALSE(QFile::exists(pdf_));
  EXPECT_EQ(
      ui_.progressLog,
      (QStringList{QStringLiteral("show Printing|Printing page 1 of %1|%1").arg(pages), "hide"}));
}

}  // namespace
}  // namespace tarvex
