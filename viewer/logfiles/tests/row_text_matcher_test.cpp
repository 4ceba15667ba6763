// Finding a text in the rows of a table, against the plain definition
// (getCell(c, r).contains(text, Qt::CaseInsensitive) over the searched
// columns) on files of every kind of cell; and exporting only some rows.
#include "logfiles/row_text_matcher.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <random>

#include "logfiles/readers.h"
#include "testfiles.h"

namespace tarvex {
namespace {

using testing::TempFiles;

bool reference(const LogTable& t, const QString& text, const std::vector<int>& cols, int row) {
  for (const int c : cols)
    if (t.getCell(c, row).contains(text, Qt::CaseInsensitive)) return true;
  return false;
}

// Every row against the plain definition; returns the rows that match.
std::vector<int> checkAgainstReference(const LogTable& t, const QString& text,
                                       const std::vector<int>& cols) {
  const RowTextMatcher m(t, text, cols);
  std::vector<int> found;
  for (int r = 0; r <= t.lastRow() + 1; ++r) {
    const bool want = r <= t.lastRow() && (text.isEmpty() || reference(t, text, cols, r));
    EXPECT_EQ(m.matches(r), want) << "text \"" << text.toStdString() << "\" row " << r;
    if (want) found.push_back(r);
  }
  return found;
}

TEST(RowTextMatcher, CellsAsShownInTheShownColumnsOnly) {
  TempFiles files;
  LogTable t;
  loadHistData(t,
               files.write("run.csv",
                           "Date,Time,TC1,Note,Hash\r\n"
                           "3/14/2007,14:05:30,23.5,Smith checked,AB12\r\n"
                           "3/14/2007,14:05:40,23.6,\"Miller, J.\",CD34\r\n"
                           "3/14/2007,7:00:00,OVR,,smith\r\n"),
               QLocale(QLocale::English, QLocale::UnitedStates));
  t.setColumnHidden(4);
  const std::vector<int> shown = shownColumns(t);
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3}));
  // The time as the grid shows it, not as the file has it.
  EXPECT_EQ(checkAgainstReference(t, "02:05:30 pm", shown), (std::vector<int>{1}));
  EXPECT_TRUE(checkAgainstReference(t, "14:05", shown).empty());
  EXPECT_EQ(checkAgainstReference(t, " AM", shown), (std::vector<int>{3}));
  // Letter case aside; a hidden column is not searched.
  EXPECT_EQ(checkAgainstReference(t, "SMITH", shown), (std::vector<int>{1}));
  EXPECT_EQ(checkAgainstReference(t, "SMITH", {0, 1, 2, 3, 4}), (std::vector<int>{1, 3}));
  // A quoted cell as its text; a text across two cells is no match.
  EXPECT_EQ(checkAgainstReference(t, "miller, j", shown), (std::vector<int>{2}));
  EXPECT_TRUE(checkAgainstReference(t, "23.5,Smith", shown).empty());
  // The titles are a row like any other; an empty text matches every row.
  EXPECT_EQ(checkAgainstReference(t, "note", shown), (std::vector<int>{0}));
  EXPECT_EQ(checkAgainstReference(t, "", shown).size(), 4u);
}

TEST(RowTextMatcher, AlarmNumbersWrittenCellsAndOtherCodePages) {
  TempFiles files;
  LogTable alarms;
  QByteArray more;
  for (int i = 4; i <= 12; ++i) more += "Alarm,3/14/2007,17:00:00\r\n";
  loadAlarmData(alarms,
                files.write("alm.csv",
                            "High Temp,3/14/2007,14:05:30\r\n"
                            "Druck zu hoch \xC4,3/14/2007,15:00:00\r\n"  // code page 1252
                            "Low Flow,3/14/2007,16:10:00\r\n" +
                                more),
                QLocale(QLocale::English, QLocale::UnitedStates));
  const std::vector<int> shown = shownColumns(alarms);
  // The alarm numbers of column 0 are the table's own.
  EXPECT_EQ(checkAgainstReference(alarms, "11", shown), (std::vector<int>{11}));
  EXPECT_EQ(checkAgainstReference(alarms, "alarm#", shown), (std::vector<int>{0}));
  EXPECT_EQ(checkAgainstReference(alarms, "\u00E4", shown), (std::vector<int>{2}));
  EXPECT_EQ(checkAgainstReference(alarms, "04:10 P", shown), (std::vector<int>{3}));
  alarms.setCell(1, 3, u"Low Flow acknowledged by K\u00F6hler");
  EXPECT_EQ(checkAgainstReference(alarms, "ACKNOW", shown), (std::vector<int>{3}));
  EXPECT_EQ(checkAgainstReference(alarms, "\u00D6", shown), (std::vector<int>{3}));

  // A table without a file (rows written one by one, as the companions).
  LogTable events;
  events.setCell(0, 0, u"Date");
  events.setCell(3, 1, u"Ventil ge\u00F6ffnet");
  events.setCell(3, 2, u"Pump started");
  EXPECT_EQ(checkAgainstReference(events, "\u00D6FF", {0, 1, 2, 3}), (std::vector<int>{1}));
  EXPECT_EQ(checkAgainstReference(events, "pump", {0, 1, 2, 3}), (std::vector<int>{2}));
}

TEST(RowTextMatcher, RandomTablesAndTextsAgreeWithThePlainDefinition) {
  TempFiles files;
  std::mt19937 rng(2007);
  const QStringList words{"ON", "off",     "OVR", "Smith", "3/14/2007", "12:00", "\u00E9t\u00E9",
                          "",   "\"a,b\"", "Err", "7.02",  "x"};
  for (int round = 0; round < 20; ++round) {
    QByteArray text = "Date,Time,A,B,C\r\n";
    const int rows = 30;
    for (int r = 0; r < rows; ++r) {
      text += "3/14/2007," + QByteArray::number(r % 24) + ":00:00";
      for (int c = 0; c < 3; ++c) text += "," + words[rng() % words.size()].toUtf8();
      text += "\r\n";
    }
    LogTable t;
    loadHistData(t, files.write("r.csv", text), QLocale(QLocale::English, QLocale::UnitedStates));
    if (round % 3 == 0) t.setCell(3, 5, u"written OVR");
    if (round % 4 == 0) t.setColumnHidden(2);
    for (const char* needle : {"on", "OVR", "12", "PM", "a,b", "\u00C9T", "14/2", "m"})
      checkAgainstReference(t, QString::fromUtf8(needle), shownColumns(t));
  }
}

TEST(ExportRows, OnlyTheTitlesAndTheListedRows) {
  TempFiles files;
  LogTable t;
  loadHistData(t,
               files.write("run.csv",
                           "Date,Time,TC1\r\n3/14/2007,14:05:30,1\r\n"
                           "3/14/2007,14:05:40,2\r\n3/14/2007,14:05:50,3\r\n"),
               QLocale(QLocale::English, QLocale::UnitedStates));
  const std::vector<int> rows{1, 3, 0, 7};  // row 0 comes first anyway; 7 is no row
  const QString out = files.path("out.csv");
  t.exportDelimitedText(out, &rows);
  EXPECT_EQ(TempFiles::read(out),
            "Date,Time,TC1\r\n3/14/2007,02:05:30 PM,1\r\n3/14/2007,02:05:50 PM,3\r\n");
  const std::vector<int> none;
  t.exportDelimitedText(out, &none);
  EXPECT_EQ(TempFiles::read(out), "Date,Time,TC1\r\n");
  // Without a list: every row, as ever.
  QBuffer all;
  all.open(QIODevice::WriteOnly);
  t.writeDelimitedText(all);
  t.exportDelimitedText(out);
  EXPECT_EQ(TempFiles::read(out), all.data());
  EXPECT_EQ(all.data().count('\n'), 4);
}

}  // namespace
}  // namespace tarvex
