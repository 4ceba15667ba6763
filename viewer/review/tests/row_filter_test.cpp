// What each of the six grids shows under the window and a text filter: the
// rows kept, row 0, the rows whose time does not read, the maps between
// the grid's rows and the table's, the counts.
#include "review/row_filter.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QTemporaryDir>

#include "logfiles/companions.h"
#include "logfiles/readers.h"
#include "review/text_match.h"
#include "review/time_bound.h"

namespace tarvex {
namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);

double bound(const char* text, bool upper = false) {
  return parseTimeBound(QString::fromLatin1(text), DateOrder::MonthDayYear, upper);
}

// The rows a filter shows, by walking its positions.
std::vector<int> shown(const RowFilter& f) {
  std::vector<int> out;
  for (int i = 0; i < f.shownRows(); ++i) out.push_back(f.tableRowAt(i));
  EXPECT_EQ(out, f.shownTableRows());
  return out;
}

class RowFilterTest : public ::testing::Test {
 protected:
  QString write(const char* name, const QByteArray& bytes) {
    QFile f(dir.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  }
  QTemporaryDir dir;
};

TEST_F(RowFilterTest, TheWindowOnTheDataGrid) {
  LogTable data;
  loadHistData(data,
               write("run.csv",
                     "Date,Time,TC1\r\n"
                     "3/14/2007,5:59:59,1\r\n"    // 1: before
                     "3/14/2007,6:00:00,2\r\n"    // 2: From itself
                     "3/14/2007,bad,3\r\n"        // 3: no time: kept
                     "3/14/2007,7:59:59,4\r\n"    // 4: To itself
                     "3/14/2007,8:00:00,5\r\n"    // 5: after
                     "14/3/2007,7:00:00,6\r\n"    // 6: a date of the other order: kept
                     "3/15/2007,7:00:00,7\r\n"),  // 7: the next day
               kUs);
  RowFilter f(data, timeColumnsOf(ReviewTable::Data));
  EXPECT_FALSE(f.active());
  EXPECT_EQ(shown(f), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));

  f.setWindow({bound("3/14/2007 6:00:00 AM"), bound("3/14/2007 7:59:59")});
  EXPECT_TRUE(f.active());
  EXPECT_EQ(shown(f), (std::vector<int>{2, 3, 4, 6}));
  EXPECT_EQ(f.totalRows(), 7);
  EXPECT_EQ(f.unreadableShown(), 2);
  // The maps: grid row i shows table row tableRowAt(i); hidden rows have no
  // position, the nearest shown is found either side.
  EXPECT_EQ(f.positionOf(4), 2);
  EXPECT_EQ(f.positionOf(5), -1);
  EXPECT_EQ(f.positionOf(0), -1);
  EXPECT_EQ(f.tableRowAt(4), -1);
  EXPECT_EQ(f.nearestShown(5), 4);
  EXPECT_EQ(f.nearestShown(1), 2);
  EXPECT_TRUE(f.isShown(6));

  // A date alone as To is the whole day; an open end limits nothing.
  f.setWindow({std::nullopt, bound("3/14/2007", true)});
  EXPECT_EQ(shown(f), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  f.setWindow({bound("3/15/2007"), std::nullopt});
  EXPECT_EQ(shown(f), (std::vector<int>{3, 6, 7}));
  f.setWindow({});
  EXPECT_FALSE(f.active());
  EXPECT_EQ(f.unreadableShown(), 0);
  EXPECT_EQ(f.nearestShown(0), 1);
}

TEST_F(RowFilterTest, TheWindowOnTheAuditAlarmSignatureAndEventGrids) {
  const TimeWindow window{bound("3/14/2007 6:00"), bound("3/14/2007 6:30")};
  LogTable audit;
  loadAuditData(audit, write("trail.aud",
                             "3/14/2007,5:54:40,Jane Miller,Log in\r\n"
                             "3/14/2007,6:00:00,Jane Miller,Batch started\r\n"
                             ",,Jane Miller,no date\r\n"
                             "3/14/2007,6:30:01,Jane Miller,Batch ended\r\n"));
  RowFilter auditFilter(audit, timeColumnsOf(ReviewTable::AuditTrail));
  auditFilter.setWindow(window);
  EXPECT_EQ(shown(auditFilter), (std::vector<int>{2, 3}));

  // The alarm table: date in column 2, time in column 3, shown without its
  // seconds (6:30:59 shows as 06:30 AM and counts as 6:30).
  LogTable alarms;
  loadAlarmData(alarms,
                write("alm.csv",
                      "High Temp,3/14/2007,5:59:00\r\n"
                      "Low Level,3/14/2007,6:30:59\r\n"
                      "Flow Fault,3/14/2007,6:31:00\r\n"),
                kUs);
  RowFilter alarmFilter(alarms, timeColumnsOf(ReviewTable::Alarms));
  alarmFilter.setWindow(window);
  EXPECT_EQ(shown(alarmFilter), (std::vector<int>{2}));
  EXPECT_EQ(alarms.getCell(0, 2), "2");  // the grid's own row number stays

  // Signature and event tables as their readers leave them.
  LogTable events;
  setCompanionLayout(events, CompanionKind::OperatorEvents);
  const char* rows[][4] = {{"3/14/2007", "6:06:43", "Jane Miller", "TC1 setpoint changed"},
                           {"3/14/2007", "6:45:00", "Robert Chen", "Sample drawn"},
                           {"3/14/2007", "6:22:17", "Robert Chen", "Flow fault acknowledged"}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) events.setCell(c, r + 1, QString::fromLatin1(rows[r][c]));
  RowFilter eventFilter(events, timeColumnsOf(ReviewTable::OperatorEvents));
  eventFilter.setWindow(window);
  EXPECT_EQ(shown(eventFilter), (std::vector<int>{1, 3}));
  EXPECT_EQ(events.getCell(3, 0), "Event Message");  // row 0 untouched

  LogTable sigs;
  setCompanionLayout(sigs, CompanionKind::DataSignatures);
  sigs.setCell(0, 1, u"3/14/2007");
  sigs.setCell(1, 1, u"7:11:42");
  RowFilter sigFilter(sigs, timeColumnsOf(ReviewTable::DataSignatures));
  sigFilter.setWindow(window);
  EXPECT_TRUE(shown(sigFilter).empty());
  EXPECT_EQ(sigFilter.shownRows(), 0);
  EXPECT_EQ(sigFilter.nearestShown(1), -1);
}

TEST_F(RowFilterTest, WindowAndTextTogether) {
  LogTable audit;
  loadAuditData(audit, write("trail.aud",
                             "3/14/2007,5:54:40,Jane Miller,Log in\r\n"
                             "3/14/2007,6:00:00,Jane Miller,Batch started\r\n"
                             "3/14/2007,6:10:00,Robert Chen,Log in\r\n"
                             "3/14/2007,6:20:00,Jane Smith,Log out\r\n"
                             "?,?,Jane Doe,unknown time\r\n"));
  RowFilter f(audit, timeColumnsOf(ReviewTable::AuditTrail));
  f.setTextMatches(QStringLiteral("jane"), matchRows(audit, QStringLiteral("jane")));
  EXPECT_EQ(shown(f), (std::vector<int>{1, 2, 4, 5}));
  EXPECT_EQ(f.text(), "jane");
  f.setWindow({bound("3/14/2007 6:00"), std::nullopt});
  EXPECT_EQ(shown(f), (std::vector<int>{2, 4, 5}));
  EXPECT_EQ(f.unreadableShown(), 1);
  f.setTextMatches(QStringLiteral("log"), matchRows(audit, QStringLiteral("log")));
  EXPECT_EQ(shown(f), (std::vector<int>{3, 4}));
  EXPECT_EQ(f.unreadableShown(), 0);
  f.setTextMatches(QString(), std::nullopt);
  EXPECT_EQ(shown(f), (std::vector<int>{2, 3, 4, 5}));
  // 4 bytes a row for the times, a little for the rows shown.
  EXPECT_LT(f.memoryBytes(), 6u * 4 + 64);

  // The table changes: every row shows until the filters are applied again.
  loadAuditData(audit, write("trail2.aud", "3/14/2007,5:00:00,A,a\r\n"));
  f.tableChanged();
  EXPECT_FALSE(f.active());
  EXPECT_EQ(shown(f), (std::vector<int>{1}));
  f.setWindow(f.window());
  EXPECT_TRUE(shown(f).empty());
}

}  // namespace
}  // namespace tarvex
