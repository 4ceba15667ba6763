#include "logfiles/readers.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "logfiles/exportcsv.h"
#include "logfiles/guards.h"
#include "shell/headless_ui.h"
#include "shell/userinterface.h"
#include "testfiles.h"

namespace tarvex {
namespace {

using testing::errorOf;
using testing::rowOf;
using testing::TempFiles;

const QLocale kUs(QLocale::English, QLocale::UnitedStates);

TEST(HistData, SampleLineGetsItsTimeRewritten) {
  TempFiles files;
  LogTable va;
  const HistDataResult r = loadHistData(
      va, files.write("run.2007.csv", "Date,Time,TC1\r\n1/2/2007,14:05:30,23.5\r\n"), kUs);
  EXPECT_EQ(rowOf(va, 0), (QStringList{"Date", "Time", "TC1"}));
  EXPECT_EQ(rowOf(va, 1), (QStringList{"1/2/2007", "02:05:30 PM", "23.5"}));
  EXPECT_FALSE(r.operatorEventsEnabled);
  EXPECT_EQ(r.plotTitle, "Data File: run");
  EXPECT_EQ(r.statusText, "Current File is " + files.path("run.2007.csv"));
  EXPECT_TRUE(va.isReadOnly());
  EXPECT_EQ(va.selectionUnit(), SelectionUnit::ColumnsAndBlocks);
  EXPECT_TRUE(va.multipleBlocks());
  EXPECT_EQ(va.columnWidth(0), 14);
  EXPECT_EQ(va.columnWidth(2), 14);
}

TEST(HistData, HeaderOnlyFileSwitchesOperatorEventsOn) {
  TempFiles files;
  LogTable va;
  const HistDataResult r = loadHistData(va, files.write("h.csv", "Date,Time,TC1\r\n"), kUs);
  EXPECT_EQ(va.lastRow(), 0);
  EXPECT_EQ(va.getCell(1, 0), "Time");
  EXPECT_TRUE(r.operatorEventsEnabled);
}

TEST(HistData, TrailingDelimitersLeaveNoEmptyColumn) {
  TempFiles files;
  LogTable va;
  loadHistData(va, files.write("t.csv", "Date,Time,TC1,\r\n1/2/2007,7:05:00 AM,1,\r\n"), kUs);
  EXPECT_EQ(va.lastCol(), 2);
  EXPECT_EQ(va.getCell(1, 1), "07:05:00 AM");
}

TEST(HistData, FailedLoadKeepsTheTableAndCarriesTheNumber) {
  TempFiles files;
  LogTable va;
  loadHistData(va, files.write("a.csv", "Date,Time\r\n1/2/2007,1:00\r\n"), kUs);
  EXPECT_EQ(errorOf([&] { loadHistData(va, files.path("gone.csv"), kUs); }), err::FileNotFound);
  EXPECT_EQ(va.getCell(1, 1), "01:00:00 AM");
  LogTable sig, ev;
  sig.setCell(3, 1, u"c");
  ev.setCell(3, 1, u"e");
  clearHistTables(va, sig, ev);
  EXPECT_TRUE(va.isCellEmpty(1, 1));
  EXPECT_TRUE(sig.isCellEmpty(3, 1));
  EXPECT_TRUE(ev.isCellEmpty(3, 1));
}

TEST(AuditData, FieldsUnchangedTitlesWidthsAndHiddenColumn) {
  TempFiles files;
  LogTable audit;
  audit.setCell(2, 9, u"old");
  const QString label =
      loadAuditData(audit, files.write("trail.2007.aud",
                                       "1/2/2007,14:05:30,Operator 1,Log in\r\n1/2/2007,14:06:00,"
                                       "Operator 1,Start,extra\r\n"));
  EXPECT_EQ(label, "Audit Trail File: trail");
  EXPECT_EQ(audit.lastRow(), 2);
  EXPECT_EQ(rowOf(audit, 0), (QStringList{"Date", "Time", "User Full Name", "User Action", ""}));
  EXPECT_EQ(rowOf(audit, 1), (QStringList{"1/2/2007", "14:05:30", "Operator 1", "Log in", ""}));
  EXPECT_EQ(audit.getCell(4, 2), "extra");
  EXPECT_TRUE(audit.isColumnHidden(4));
  EXPECT_EQ(audit.columnWidth(3), 100);
  EXPECT_EQ(audit.columnWidth(2), 25);
  EXPECT_EQ(audit.selectionUnit(), SelectionUnit::Rows);
  EXPECT_TRUE(audit.isReadOnly());
  // A ".csv" audit trail reads the same way.
  loadAuditData(audit, files.write("trail.csv", "1/2/2007,14:05:30,Operator 1,Log in\r\n"));
  EXPECT_EQ(rowOf(audit, 1), (QStringList{"1/2/2007", "14:05:30", "Operator 1", "Log in"}));
  EXPECT_EQ(audit.lastRow(), 1);
}

TEST(AlarmData, RowNumbersAndShortTimes) {
  TempFiles files;
  LogTable alarm;
  const QString label = loadAlarmData(
      alarm, files.write("alm.csv", "High Temp,1/2/2007,14:05:30\r\nLow Flow,1/2/2007,0:59:59\r\n"),
      kUs);
  EXPECT_EQ(label, "Alarm History File: alm");
  EXPECT_EQ(rowOf(alarm, 0), (QStringList{"Alarm#", "Alarm Description", "Date", "Time"}));
  EXPECT_EQ(rowOf(alarm, 1), (QStringList{"1", "High Temp", "1/2/2007", "02:05 PM"}));
  EXPECT_EQ(rowOf(alarm, 2), (QStringList{"2", "Low Flow", "1/2/2007", "12:59 AM"}));
  EXPECT_EQ(alarm.columnWidth(0), 8);
  EXPECT_EQ(alarm.columnWidth(1), 40);
  EXPECT_EQ(alarm.selectionUnit(), SelectionUnit::Rows);
  // Numbering is no fixed limit either.
  QByteArray many;
  for (int i = 0; i < 40000; ++i) many += "A,1/2/2007,13:00\r\n";
  loadAlarmData(alarm, files.write("many.csv", many), kUs);
  EXPECT_EQ(alarm.getCell(0, 40000), "40000");
  EXPECT_EQ(alarm.getCell(3, 40000), "01:00 PM");
}

TEST(ExportData, ProposedNames) {
  EXPECT_EQ(exportFileName("", "C:\\logs\\run.csv"), "run.csv");
  EXPECT_EQ(exportFileName("Op Event ", "C:\\logs\\run.csv"), "Op Event run.csv");
  EXPECT_EQ(exportFileName("Audit ", "C:\\logs\\trail.aud"), "Audit trail.csv");
  EXPECT_EQ(exportFileName("Alarm ", "/logs/alm.csv"), "Alarm alm.csv");
  EXPECT_EQ(exportFileName("", "/logs/run.2007.csv"), "run.csv");
}

TEST(ExportData, EmptiedTableAfterAFailedLoadStillExports) {
  TempFiles files;
  LogTable audit;
  loadAuditData(audit, files.write("a.aud", "1/2/2007,1:00,U,A\r\n"));
  clearTable(audit);
  audit.exportDelimitedText(files.path("out.csv"));
  EXPECT_EQ(TempFiles::read(files.path("out.csv")), ",,,\r\n,,,\r\n");
}

TEST(FileOpenGuards, MessagesWhenNoFileIsOpen) {
  HeadlessUi ui;
  EXPECT_TRUE(checkHistFileOpen(ui, "x.csv"));
  EXPECT_TRUE(checkAuditFileOpen(ui, "x.aud"));
  EXPECT_TRUE(checkAlmFileOpen(ui, "x.csv"));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(checkHistFileOpen(ui, ""));
  EXPECT_FALSE(checkAuditFileOpen(ui, ""));
  EXPECT_FALSE(checkAlmFileOpen(ui, ""));
  ASSERT_EQ(ui.messages.size(), 3u);
  EXPECT_EQ(ui.messages[0].prompt,
            "Data file has not been opened!\r\nUse the open file icon to load a data file.");
  EXPECT_EQ(ui.messages[1].prompt,
            "Audit file has not been opened!\r\nUse the open file icon to load an audit file.");
  EXPECT_EQ(ui.messages[2].prompt,
            "Alarm History file has not been opened!\r\n"
            "Use the open file icon to load an alarm file.");
  for (const auto& b : ui.messages) {
    EXPECT_EQ(b.style, 32);
    EXPECT_EQ(b.title, "");
  }
}

}  // namespace
}  // namespace tarvex
