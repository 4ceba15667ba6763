#include "print/grid_printouts.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "fake_ui.h"
#include "logfiles/readers.h"
#include "print_test_support.h"

namespace tarvex {
namespace {

using testing::FakeUi;
using testing::pdfInfo;
using testing::pdfPages;

const QString kDataGuard =
    "msg 32 Data file has not been opened!\r\nUse the open file icon to load a data file.";

class GridPrintouts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    dataFile_ = dir_.filePath("run.2007.csv");
    QFile file(dataFile_);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Date,Time,TC1,TC2,\r\n");
    for (int r = 1; r <= 60; ++r)
      file.write(QStringLiteral("1/2/2007,02:%1:00 PM,%2.5,t%2,\r\n")
                     .arg(r % 60, 2, 10, QChar('0'))
                     .arg(r)
                     .toUtf8());
    file.close();
    table_.loadDelimitedText(dataFile_);
    table_.setLastCol(table_.dataColCount());
    table_.setColumnWidth(-1, 14);
    pdf_ = dir_.filePath("print.pdf");
    ui_.printToPdf(pdf_);
  }
  QString text() { return pdfPages(pdf_).join(QString()); }

  QTemporaryDir dir_;
  QString dataFile_;
  QString pdf_;
  LogTable table_;
  FakeUi ui_;
};

TEST_F(GridPrintouts, EachPrintoutHasItsGuardAndJobName) {
  struct Case {
    std::function<void(const QString&)> print;
    QString guardMessage;
    QString jobText;
  };
  const QList<Case> cases{
      {[&](const QString& f) { PrintDataGrid(ui_, table_, f, {}); }, kDataGuard,
       "Data History Printout At: "},
      {[&](const QString& f) { PrintOpEventGrid(ui_, table_, f); }, kDataGuard,
       "Operator Event Printout At: "},
      {[&](const QString& f) { PrintAuditGrid(ui_, table_, f); },
       "msg 32 Audit file has not been opened!\r\nUse the open file icon to load an audit file.",
       "Audit Trail Printout At: "},
      {[&](const QString& f) { PrintAlarmGrid(ui_, table_, f); },
       "msg 32 Alarm History file has not been opened!\r\nUse the open file icon to load an "
       "alarm file.",
       "Alarm History Printout At: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.jobText.toStdString());
    // No file open: the guard's message only, even though the grid holds rows.
    ui_.log.clear();
    c.print(QString());
    EXPECT_EQ(ui_.log, QStringList{c.guardMessage});

    ui_.log.clear();
    QFile::remove(pdf_);
    c.print(dataFile_);
    EXPECT_EQ(ui_.log, (QStringList{"printers", "printer 12"}));
    const QString title = pdfInfo(pdf_, "Title");
    EXPECT_TRUE(title.startsWith(c.jobText));
    EXPECT_TRUE(QRegularExpression("^\\d{1,2}/\\d{1,2}/\\d{4} \\d{1,2}:\\d\\d:\\d\\d [AP]M$")
                    .match(title.mid(c.jobText.size()))
                    .hasMatch())
        << title.toStdString();
    const QStringList pages = pdfPages(pdf_);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains("File printout for fileName " + dataFile_));
    EXPECT_TRUE(pages[1].contains("Page #2"));
    EXPECT_TRUE(pages[1].contains("TC2"));
  }
}

TEST_F(GridPrintouts, DataSelectionOfThreeRowsPrintsTheBlockAlone) {
  TableSelection selection;
  selection.blocks = {SelectionBlock{2, 1, 2, 60}, SelectionBlock{2, 10, 3, 11}};
  PrintDataGrid(ui_, table_, dataFile_, selection);  // current block: 2 rows
  EXPECT_EQ(pdfPages(pdf_).size(), 2);

  selection.blocks.back().row2 = 12;  // 3 rows
  PrintDataGrid(ui_, table_, dataFile_, selection);
  const QStringList pages = pdfPages(pdf_);
  ASSERT_EQ(pages.size(), 1);
  for (const char* shown : {"10.5", "12.5", "t11", "TC1", "TC2", "1/2/2007"})
    EXPECT_TRUE(pages[0].contains(shown)) << shown;
  for (const char* hidden : {"9.5", "13.5", "t1 ", "02:10:00 PM"})
    EXPECT_FALSE(pages[0].contains(hidden)) << hidden;

  // A hidden column stays hidden inside a selected block too.
  table_.setColumnHidden(3);
  PrintDataGrid(ui_, table_, dataFile_, selection);
  EXPECT_FALSE(text().contains("t11"));
}

TEST_F(GridPrintouts, PrintoutEndsAtTheLastRowHoldingData) {
  table_.setLastRow(400);  // 340 empty rows below the data
  PrintAlarmGrid(ui_, table_, dataFile_);
  const QStringList pages = pdfPages(pdf_);
  ASSERT_EQ(pages.size(), 2);
  EXPECT_TRUE(pages[1].contains("60.5"));
}

TEST_F(GridPrintouts, NoPrinterAndCancelEndTheDataPrintout) {
  ui_.printers = 0;
  PrintDataGrid(ui_, table_, dataFile_, {});
  EXPECT_EQ(ui_.log, (QStringList{"printers",
                                  "msg 16 There is no default printer!\r\n"
                                  "Please install or select a default printer."}));
  ui_.log.clear();
  ui_.printers = 1;
  ui_.printerChoice.reset();
  PrintDataGrid(ui_, table_, dataFile_, {});
  EXPECT_EQ(ui_.log, (QStringList{"printers", "printer 12"}));
  EXPECT_FALSE(QFile::exists(pdf_));
}

}  // namespace
}  // namespace tarvex

namespace tarvex {
namespace {

TEST_F(GridPrintouts, AuditRowsKeepDateTimeAndUserBesideTheirAction) {
  const QString trail = dir_.filePath("trail.aud");
  QFile file(trail);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  for (int r = 1; r <= 80; ++r)
    file.write(QStringLiteral("3/%1/2007,6:%2:00,Operator %1,Setpoint of zone %1 changed from "
                              "180.0 to 185.5 C by recipe B-2047 step %1 (reason: drift),HMI-1\r\n")
                   .arg(r)
                   .arg(r % 60, 2, 10, QChar('0'))
                   .toUtf8());
  file.close();
  LogTable audit;
  loadAuditData(audit, trail);
  PrintAuditGrid(ui_, audit, trail);
  const QStringList pages = pdfPages(pdf_);
  ASSERT_GE(pages.size(), 2);
  int actions = 0;
  for (int p = 0; p < pages.size(); ++p) {
    for (const QString& line : pages[p].split(u'\n')) {
      const QRegularExpressionMatch m =
          QRegularExpression("Setpoint of zone (\\d+) changed").match(line);
      if (!m.hasMatch()) continue;
      ++actions;
      const QString r = m.captured(1);
      // The action's row: its date, time and user on the same line.
      EXPECT_TRUE(line.contains(QStringLiteral("3/%1/2007").arg(r))) << line.toStdString();
      EXPECT_TRUE(line.contains(QStringLiteral("Operator %1").arg(r))) << line.toStdString();
      const QString time = QStringLiteral("6:%1:00").arg(r.toInt() % 60, 2, 10, QChar('0'));
      EXPECT_TRUE(line.contains(time)) << line.toStdString();
    }
  }
  EXPECT_GE(actions, 80);
  // A long action runs on across pieces; nothing of it is lost.
  const QString all = pages.join(QString());
  EXPECT_TRUE(all.contains("(reason: drift)"));
}

TEST_F(GridPrintouts, NamesInAnyScriptPrintExactlyInEmbeddedFonts) {
  // A UTF-8 trail: Cyrillic, Greek and Polish users, code page 1252's
  // letters beyond ASCII in an action.
  const QString trail = dir_.filePath(QStringLiteral("Журнал_Ζ.aud"));
  const QStringList users{QStringLiteral("Анна Кузнецова"), QStringLiteral("Ελένη Παπαδοπούλου"),
                          QStringLiteral("Łukasz Żółć")};
  QFile file(trail);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  for (int r = 0; r < users.size(); ++r)
    file.write(QStringLiteral("3/%1/2007,6:00:00,%2,Température Š€ß set\r\n")
                   .arg(r + 1)
                   .arg(users[r])
                   .toUtf8());
  file.close();
  LogTable audit;
  loadAuditData(audit, trail);
  PrintAuditGrid(ui_, audit, trail);
  const QString all = text();
  for (const QString& u : users) EXPECT_TRUE(all.contains(u)) << u.toStdString();
  EXPECT_TRUE(all.contains(QStringLiteral("Température Š€ß set")));
  EXPECT_TRUE(all.contains(QStringLiteral("Журнал_Ζ.aud")));
  const QStringList fonts = testing::pdfFonts(pdf_);
  ASSERT_FALSE(fonts.isEmpty());
  for (const QString& f : fonts) EXPECT_EQ(f.split(u' ').value(1), u"yes") << f.toStdString();
}

}  // namespace
}  // namespace tarvex
