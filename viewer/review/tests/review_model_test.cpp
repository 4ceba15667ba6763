// The review of the six grids: the window for all, a text per grid searched
// in the background and restarted by a new text, new content re-filtered,
// the rows an export or printout takes, and the jumps to the data rows.
#include "review/review_model.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "logfiles/logtable.h"
#include "logfiles/readers.h"
#include "review/time_bound.h"
#include "shell/runtime_error.h"

namespace tarvex {
namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);

double at(const char* text, bool upper = false) {
  return parseTimeBound(QString::fromLatin1(text), DateOrder::MonthDayYear, upper);
}

// Lets events run until `done` or two seconds have passed.
template <class F>
bool waitFor(F&& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 2000) {
    QCoreApplication::processEvents();
    QThread::msleep(1);
  }
  return done();
}

class ReviewModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Data: one row every 10 s from 3/14/2007 6:00:00 on; TC1 reads "OVR"
    // in every 100th row.
    QByteArray text = "Date,Time,TC1,TC2,TC3,TC4\r\n";
    for (int r = 1; r <= kRows; ++r) {
      const int s = 6 * 3600 + (r - 1) * 10;
      text += QStringLiteral("3/%1/2007,%2:%3:%4,%5,%6,1,2\r\n")
                  .arg(14 + s / 86400)
                  .arg(s / 3600 % 24)
                  .arg(s / 60 % 60, 2, 10, QChar('0'))
                  .arg(s % 60, 2, 10, QChar('0'))
                  .arg(r % 100 == 0 ? QStringLiteral("OVR") : QString::number(r))
                  .arg(r % 7)
                  .toLatin1();
    }
    loadHistData(table(ReviewTable::Data), write("run.csv", text), kUs);
    loadAuditData(table(ReviewTable::AuditTrail),
                  write("trail.aud",
                        "3/14/2007,6:00:05,Jane Miller,Batch started\r\n"
                        "3/14/2007,6:10:00,Robert Chen,Sample drawn\r\n"
                        "3/14/2007,5:00:00,Jane Miller,Log in\r\n"
                        "??,6:00,Jane Miller,no date\r\n"));
    connect();
  }
  void connect() {
    QObject::connect(&model, &ReviewModel::filterAboutToChange,
                     [this](ReviewTable t) { log << QStringLiteral("about %1").arg(int(t)); });
    QObject::connect(&model, &ReviewModel::filterChanged,
                     [this](ReviewTable t) { log << QStringLiteral("changed %1").arg(int(t)); });
  }
  QString write(const char* name, const QByteArray& bytes) {
    QFile f(dir.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  }
  LogTable& table(ReviewTable t) { return tables[std::size_t(t)]; }

  static constexpr int kRows = 30000;  // 180,000 cells: searched in the background
  QTemporaryDir dir;
  std::array<LogTable, 6> tables;
  ReviewModel model{{&tables[0], &tables[1], &tables[2], &tables[3], &tables[4], &tables[5]}};
  QStringList log;
};

TEST_F(ReviewModelTest, OneWindowForEveryGrid) {
  model.setWindow({at("3/14/2007 6:00:00"), at("3/14/2007 6:09:59")});
  EXPECT_EQ(log.size(), 12);  // about and changed for each of the six
  EXPECT_EQ(log.first(), "about 0");
  EXPECT_EQ(model.filter(ReviewTable::Data).shownRows(), 60);
  EXPECT_EQ(model.showingText(ReviewTable::Data), "Showing 60 of 30,000 rows");
  EXPECT_EQ(model.filter(ReviewTable::AuditTrail).shownTableRows(), (std::vector<int>{1, 4}));
  EXPECT_EQ(model.unreadableText(ReviewTable::AuditTrail),
            "1 row without a readable date or time is shown");
  EXPECT_TRUE(model.isFiltered(ReviewTable::Alarms));
  EXPECT_EQ(model.filter(ReviewTable::Alarms).shownRows(), 0);

  // From after To: refused, nothing changes.
  log.clear();
  EXPECT_THROW(model.setWindow({at("3/14/2007 7:00"), at("3/14/2007 6:00")}), RuntimeError);
  EXPECT_TRUE(log.isEmpty());
  EXPECT_EQ(model.filter(ReviewTable::Data).shownRows(), 60);

  model.clearWindow();
  EXPECT_FALSE(model.isFiltered(ReviewTable::Data));
  EXPECT_EQ(model.showingText(ReviewTable::Data), "");
  EXPECT_EQ(model.filter(ReviewTable::Data).shownRows(), kRows);
  EXPECT_FALSE(model.shownRows(ReviewTable::Data).has_value());
  EXPECT_EQ(model.filterLine(ReviewTable::Data), "");
}

TEST_F(ReviewModelTest, ANewTextStopsTheRunningSearchAndOnlyTheLastCounts) {
  bool searchingSeen = false;
  QObject::connect(&model, &ReviewModel::searchingChanged,
                   [&](ReviewTable, bool on) { searchingSeen = searchingSeen || on; });
  model.setText(ReviewTable::Data, QStringLiteral("ovr"));
  model.setText(ReviewTable::Data, QStringLiteral("OVR"));
  model.setText(ReviewTable::Data, QStringLiteral("29999"));
  EXPECT_TRUE(searchingSeen);
  ASSERT_TRUE(waitFor([&] { return !model.searching(ReviewTable::Data); }));
  // Let any late result of an earlier text arrive: it must not count.
  for (int i = 0; i < 20; ++i) {
    QCoreApplication::processEvents();
    QThread::msleep(1);
  }
  EXPECT_EQ(model.filter(ReviewTable::Data).text(), "29999");
  EXPECT_EQ(model.filter(ReviewTable::Data).shownTableRows(), (std::vector<int>{29999}));
  EXPECT_EQ(model.text(ReviewTable::Data), "29999");

  // A small grid is searched at once.
  log.clear();
  model.setText(ReviewTable::AuditTrail, QStringLiteral("jane"));
  EXPECT_FALSE(model.searching(ReviewTable::AuditTrail));
  EXPECT_EQ(log, (QStringList{"about 3", "changed 3"}));
  EXPECT_EQ(model.filter(ReviewTable::AuditTrail).shownTableRows(), (std::vector<int>{1, 3, 4}));
  model.setText(ReviewTable::AuditTrail, QString());
  EXPECT_FALSE(model.filter(ReviewTable::AuditTrail).active());
}

TEST_F(ReviewModelTest, ExportsAndPrintoutsTakeTheSettledRows) {
  model.setText(ReviewTable::Data, QStringLiteral("OVR"));
  model.setWindow({at("3/14/2007 6:00"), at("3/14/2007 7:00")});
  // Asked while the search may still run: it is finished here.
  const std::optional<std::vector<int>> rows = model.shownRows(ReviewTable::Data);
  ASSERT_TRUE(rows);
  EXPECT_EQ(*rows, (std::vector<int>{100, 200, 300}));
  EXPECT_FALSE(model.searching(ReviewTable::Data));
  EXPECT_EQ(model.filterLine(ReviewTable::Data),
            "Filtered: 3/14/2007 6:00:00 AM \u2013 3/14/2007 7:00:00 AM; text \"OVR\"");
  // The filter of a million rows holds about 4.4 bytes a row; here as well.
  EXPECT_LT(model.filter(ReviewTable::Data).memoryBytes(), std::size_t(kRows) * 5);
}

TEST_F(ReviewModelTest, NewContentIsFilteredAgain) {
  model.setWindow({at("3/14/2007 6:00"), at("3/14/2007 6:00:30")});
  model.setText(ReviewTable::AuditTrail, QStringLiteral("jane"));
  EXPECT_EQ(model.filter(ReviewTable::AuditTrail).shownTableRows(), (std::vector<int>{1, 4}));
  // Another audit trail: all of it at once, then the window and the text
  // again.
  loadAuditData(table(ReviewTable::AuditTrail), write("trail2.aud",
                                                      "3/14/2007,6:00:10,Jane Miller,Log in\r\n"
                                                      "3/14/2007,6:00:20,Robert Chen,Log in\r\n"
                                                      "3/14/2007,9:00:00,Jane Miller,Log out\r\n"));
  EXPECT_FALSE(model.filter(ReviewTable::AuditTrail).active());
  ASSERT_TRUE(waitFor([&] { return model.filter(ReviewTable::AuditTrail).active(); }));
  EXPECT_EQ(model.filter(ReviewTable::AuditTrail).shownTableRows(), (std::vector<int>{1}));
  EXPECT_EQ(model.text(ReviewTable::AuditTrail), "jane");

  // A data file read while its search runs: the search stops first, the
  // new rows are searched.
  model.setText(ReviewTable::Data, QStringLiteral("OVR"));
  loadHistData(table(ReviewTable::Data),
               write("run2.csv",
                     "Date,Time,TC1\r\n3/14/2007,6:00:10,OVR\r\n"
                     "3/14/2007,6:00:20,1\r\n"),
               kUs);
  ASSERT_TRUE(waitFor([&] {
    return !model.searching(ReviewTable::Data) && model.filter(ReviewTable::Data).active();
  }));
  EXPECT_EQ(model.shownRows(ReviewTable::Data), (std::vector<int>{1}));
}

TEST_F(ReviewModelTest, ATableFilledWhileEventsRunIsFilteredOnceFilled) {
  // The companion readers let events run while they fill a table in one
  // batch: the filters wait for the batch to end, whatever is set meanwhile.
  LogTable& events = table(ReviewTable::OperatorEvents);
  model.setWindow({at("3/14/2007 6:00"), at("3/14/2007 6:59:59")});
  {
    LogTableUpdate batch(events);
    events.setCell(0, 0, u"Date");
    events.setCell(1, 0, u"Time");
    events.setCell(2, 0, u"User");
    for (int r = 1; r <= 3; ++r) {
      events.setCell(0, r, u"3/14/2007");
      events.setCell(1, r, QStringLiteral("6:%1:00").arg(r * 10));
      events.setCell(2, r, r == 2 ? u"Robert Chen" : u"Jane Miller");
      QCoreApplication::processEvents();  // the reader's pump
    }
    model.setText(ReviewTable::OperatorEvents, QStringLiteral("jane"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(model.filter(ReviewTable::OperatorEvents).active());
    EXPECT_EQ(model.dataRowAt(at("3/14/2007 6:00:10")), 2);  // the data table is not filling
    events.setCell(0, 4, u"3/14/2007");
    events.setCell(1, 4, u"7:30:00");
    events.setCell(2, 4, u"Jane Miller");
  }
  ASSERT_TRUE(waitFor([&] { return model.filter(ReviewTable::OperatorEvents).active(); }));
  EXPECT_EQ(model.filter(ReviewTable::OperatorEvents).shownTableRows(), (std::vector<int>{1, 3}));
  EXPECT_EQ(model.showingText(ReviewTable::OperatorEvents), "Showing 2 of 4 rows");

  // The data table the same: no row is read for a jump while it fills.
  LogTable& data = table(ReviewTable::Data);
  {
    LogTableUpdate batch(data);
    data.setLastRow(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(model.dataRowAt(at("3/14/2007 6:00:10")), -1);
  }
  ASSERT_TRUE(waitFor([&] { return model.filter(ReviewTable::Data).active(); }));
  EXPECT_EQ(model.filter(ReviewTable::Data).totalRows(), 2);
  EXPECT_EQ(model.dataRowAt(at("3/14/2007 6:00:10")), 2);
}

TEST_F(ReviewModelTest, TextsWrittenIntoATableAreFilteredAgain) {
  // A signature grid whose Result column is written after a check: the rows
  // shown stay until the event loop runs, then the text finds the new one.
  LogTable& sigs = table(ReviewTable::DataSignatures);
  for (int r = 1; r <= 3; ++r) {
    sigs.setCell(0, r, u"3/14/2007");
    sigs.setCell(1, r, QStringLiteral("7:0%1:00").arg(r));
  }
  sigs.setCell(5, 1, u"Confirmed 2026-12-09 10:00:00");
  model.setText(ReviewTable::DataSignatures, QStringLiteral("confirmed"));
  EXPECT_EQ(model.filter(ReviewTable::DataSignatures).shownTableRows(), (std::vector<int>{1}));
  log.clear();
  sigs.setCell(5, 3, u"Confirmed 2026-12-09 10:00:05");
  EXPECT_EQ(model.filter(ReviewTable::DataSignatures).shownTableRows(), (std::vector<int>{1}));
  EXPECT_TRUE(log.isEmpty());
  ASSERT_TRUE(waitFor([&] { return !log.isEmpty(); }));
  EXPECT_EQ(log, (QStringList{"about 1", "changed 1"}));
  EXPECT_EQ(model.filter(ReviewTable::DataSignatures).shownTableRows(), (std::vector<int>{1, 3}));
}

TEST_F(ReviewModelTest, JumpsToTheDataRowAtOrBeforeATime) {
  // An audit entry at 6:00:05: the 6:00:00 row; at 6:10:00: that row.
  EXPECT_EQ(model.jumpToData(ReviewTable::AuditTrail, 1), 1);
  EXPECT_EQ(model.jumpToData(ReviewTable::AuditTrail, 2), 61);
  EXPECT_EQ(model.jumpToData(ReviewTable::AuditTrail, 3), 1);   // before the first row
  EXPECT_EQ(model.jumpToData(ReviewTable::AuditTrail, 4), -1);  // no date
  EXPECT_EQ(model.jumpToData(ReviewTable::AuditTrail, 9), -1);
  EXPECT_EQ(model.dataRowAt(at("3/20/2007 23:00")), kRows);
  EXPECT_NEAR(*model.rowTime(ReviewTable::AuditTrail, 2), at("3/14/2007 6:10:00"), 1e-9);
  EXPECT_FALSE(model.rowTime(ReviewTable::AuditTrail, 4).has_value());
  // A data row the Data grid hides gives the nearest one it shows.
  model.setText(ReviewTable::Data, QStringLiteral("OVR"));
  model.settle(ReviewTable::Data);
  EXPECT_EQ(model.jumpToData(ReviewTable::AuditTrail, 2), 100);
  EXPECT_EQ(model.dataRowAt(at("3/14/2007 6:40:00")), 200);
}

}  // namespace
}  // namespace tarvex
