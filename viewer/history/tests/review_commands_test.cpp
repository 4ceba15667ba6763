// The reviewer's commands without widgets: From and To as typed (the file's
// date order or ISO, bad input refused with nothing changed), "Whole File",
// "From Trend" and the Alt+drag, the search fields, the jumps between the
// grids and the trend, and the plot of a filtered data grid's columns.
#include "history/review_commands.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <map>

#include "history/history_commands.h"
#include "logfiles/readers.h"
#include "recording_trend.h"
#include "review/review_model.h"
#include "review/time_bound.h"
#include "scripted_ui.h"

namespace tarvex {
namespace {

using test::ScriptedUi;

class FakeWindow : public ReviewWindow {
 public:
  void setWindowFields(const QString& f, const QString& t) override {
    from = f;
    to = t;
    marks.clear();
  }
  void markField(Field field, const QString& why) override {
    if (why.isEmpty())
      marks.erase(field);
    else
      marks[field] = why;
  }
  void showDataRow(int row) override { dataRows.push_back(row); }
  void showTrendTab() override { ++trendTabs; }

  QString from, to;
  std::map<Field, QString> marks;
  std::vector<int> dataRows;
  int trendTabs = 0;
};

class FakeTrend : public ReviewTrend {
 public:
  bool hasTrend() const override { return built; }
  std::optional<double> cursorX(int cursor) const override { return cursors[cursor]; }
  double xMin() const override { return min; }
  double xSpan() const override { return span; }
  void showAt(double m, double x) override { shown.push_back({m, x}); }

  bool built = false;
  std::array<std::optional<double>, 2> cursors;
  double min = 0;
  double span = 0;
  std::vector<std::pair<double, double>> shown;
};

// The history window's tables as the plot command sees them.
class Tables : public HistoryWindowState {
 public:
  LogTable& vaGrid() override { return t[0]; }
  LogTable& digiSigGrid() override { return t[1]; }
  LogTable& opEvGrid() override { return t[2]; }
  LogTable& auditGrid() override { return t[3]; }
  LogTable& auditSigGrid() override { return t[4]; }
  LogTable& alarmGrid() override { return t[5]; }
  TableSelection selection(const LogTable&) const override { return dataSelection; }
  void setTabEnabled(int, bool) override {}
  void setAuditNameCaption(const QString&) override {}
  void setAlmNameCaption(const QString&) override {}
  void setPlotProgressVisible(bool) override {}

  std::array<LogTable, 6> t;
  TableSelection dataSelection;
};

// A companion table (date, time, user, text) as the companion readers fill
// it; `lines` without the titles.
void fillCompanion(LogTable& table, const QStringList& lines) {
  LogTableUpdate update(table);
  table.setCell(0, 0, u"Date");
  table.setCell(1, 0, u"Time");
  table.setCell(2, 0, u"User Full Name");
  table.setCell(3, 0, u"Comment");
  for (int r = 0; r < lines.size(); ++r) {
    const QStringList f = lines[r].split(u',');
    for (int c = 0; c < f.size(); ++c) table.setCell(c, r + 1, f[c]);
  }
}

double mdy(const char* text) {
  return parseTimeBound(QString::fromLatin1(text), DateOrder::MonthDayYear, false);
}

// A fraction of a second as a serial.
double ms(int milliseconds) { return milliseconds / 86400000.0; }

class ReviewCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    // Data: 3/14/2007 6:00:00 to 6:09:50, one row every 10 s (rows 1..60);
    // TC1 reads "OVR" at 6:05:00 (row 31).
    QByteArray data = "Date,Time,TC1,TC2\r\n";
    for (int r = 1; r <= 60; ++r) {
      const int s = (r - 1) * 10;
      data += QStringLiteral("3/14/2007,6:%1:%2,%3,1\r\n")
                  .arg(s / 60, 2, 10, QChar('0'))
                  .arg(s % 60, 2, 10, QChar('0'))
                  .arg(r == 31 ? QStringLiteral("OVR") : QString::number(20 + r))
                  .toLatin1();
    }
    loadHistData(table(ReviewTable::Data), write("run.csv", data), QLocale::c());
    loadAlarmData(table(ReviewTable::Alarms),
                  write("alm.csv",
                        "High Temp,3/14/2007,5:30:00\r\n"  // before every data row
                        "Low Flow,3/14/2007,6:04:07\r\n"   // read as 6:04 AM
                        "TC1 Over Range,3/14/2007,6:05:00\r\n"
                        "Offline,??,6:06:00\r\n"),  // no date
                  QLocale::c());
    fillCompanion(table(ReviewTable::OperatorEvents),
                  {"3/14/2007,6:02:15,Jane Miller,Batch started",
                   "3/14/2007,6:08:00,Robert Chen,Sample drawn"});
    loadAuditData(table(ReviewTable::AuditTrail),
                  write("trail.aud",
                        "3/14/2007,6:00:05,Jane Miller,Log in\r\n"
                        "3/14/2007,6:07:00,Robert Chen,Setpoint changed\r\n"));
  }
  QString write(const char* name, const QByteArray& bytes) {
    QFile f(dir.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  }
  LogTable& table(ReviewTable t) { return tables.t[std::size_t(t)]; }
  int shown(ReviewTable t) { return review.filter(t).shownRows(); }
  QStringList messages() const {
    QStringList out;
    for (const auto& m : ui.messages) out << QStringLiteral("%1:%2").arg(m.style).arg(m.prompt);
    return out;
  }

  QTemporaryDir dir;
  Tables tables;
  ReviewModel review{
      {&tables.t[0], &tables.t[1], &tables.t[2], &tables.t[3], &tables.t[4], &tables.t[5]}};
  ScriptedUi ui;
  FakeWindow win;
  FakeTrend trend;
  ReviewCommands cmds{ui, review, win, trend};
};

TEST_F(ReviewCommandsTest, FromAndToAsTypedFilterEveryGridAndShowInTheFilesOrder) {
  EXPECT_EQ(windowFieldHint(review.dateOrder()), "m/d/yyyy h:mm:ss AM");
  // The file's order and ISO, with or without seconds, 24-hour or AM/PM.
  EXPECT_TRUE(
      cmds.applyWindow(QStringLiteral(" 3/14/2007 6:01 "), QStringLiteral("2007-03-14T06:02:59")));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(win.from, "3/14/2007 6:01:00 AM");
  EXPECT_EQ(win.to, "3/14/2007 6:02:59 AM");
  EXPECT_EQ(shown(ReviewTable::Data), 12);  // 6:01:00 .. 6:02:50
  EXPECT_EQ(review.filter(ReviewTable::Data).tableRowAt(0), 7);
  EXPECT_EQ(shown(ReviewTable::OperatorEvents), 1);
  EXPECT_EQ(shown(ReviewTable::AuditTrail), 0);
  EXPECT_EQ(shown(ReviewTable::Alarms), 1);  // the row without a date stays
  EXPECT_EQ(review.unreadableText(ReviewTable::Alarms),
            "1 row without a readable date or time is shown");

  // A date alone: the whole day for To, its start for From; an open end.
  EXPECT_TRUE(cmds.applyWindow(QString(), QStringLiteral("3/14/2007")));
  EXPECT_EQ(win.from, "");
  EXPECT_EQ(win.to, "3/14/2007 11:59:59 PM");
  EXPECT_EQ(shown(ReviewTable::Data), 60);
  EXPECT_TRUE(review.isFiltered(ReviewTable::Data));
  EXPECT_TRUE(cmds.applyWindow(QStringLiteral("3/14/2007 2:05:30 pm"), QString()));
  EXPECT_EQ(win.from, "3/14/2007 2:05:30 PM");
  EXPECT_EQ(shown(ReviewTable::Data), 0);

  // Both empty is the whole file, as is "Whole File".
  EXPECT_TRUE(cmds.applyWindow(QStringLiteral(" "), QString()));
  EXPECT_FALSE(review.window().isSet());
  EXPECT_TRUE(cmds.applyWindow(QStringLiteral("3/14/2007 6:05"), QString()));
  cmds.wholeFile();
  EXPECT_FALSE(review.window().isSet());
  EXPECT_EQ(win.from, "");
  EXPECT_EQ(win.to, "");
  EXPECT_EQ(shown(ReviewTable::Data), 60);
  EXPECT_FALSE(review.isFiltered(ReviewTable::Data));
}

TEST_F(ReviewCommandsTest, BadInputIsRefusedWithAPlainMessageAndNothingChanges) {
  ASSERT_TRUE(cmds.applyWindow(QStringLiteral("3/14/2007 6:01"), QStringLiteral("3/14/2007 6:02")));
  const TimeWindow before = review.window();

  // A date that does not read: its field marked with why, the other not.
  EXPECT_FALSE(cmds.applyWindow(QStringLiteral("3/40/2007"), QStringLiteral("3/14/2007 6:09")));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].style, mb::Question);
  EXPECT_TRUE(ui.messages[0].prompt.startsWith("From: \"3/40/2007\" is not a date and time"))
      << ui.messages[0].prompt.toStdString();
  EXPECT_EQ(win.marks.count(ReviewWindow::From), 1u);
  EXPECT_EQ(win.marks[ReviewWindow::From], ui.messages[0].prompt);
  EXPECT_EQ(win.marks.count(ReviewWindow::To), 0u);
  EXPECT_EQ(review.window(), before);
  EXPECT_EQ(win.from, "3/14/2007 6:01:00 AM");  // the fields were not rewritten

  // Both bad: both marked, the first one told.
  EXPECT_FALSE(cmds.applyWindow(QStringLiteral("6:00"), QStringLiteral("14/3/2007 6:00")));
  EXPECT_EQ(win.marks.size(), 2u);
  EXPECT_TRUE(ui.messages.back().prompt.startsWith("From: \"6:00\""));

  // From after To: told in the file's order, no mark, nothing changes.
  win.marks.clear();
  EXPECT_FALSE(
      cmds.applyWindow(QStringLiteral("3/14/2007 6:05"), QStringLiteral("2007-03-14 06:04")));
  EXPECT_EQ(ui.messages.back().prompt,
            "From (3/14/2007 6:05:00 AM) lies after To (3/14/2007 6:04:00 AM).");
  EXPECT_TRUE(win.marks.empty());
  EXPECT_EQ(review.window(), before);
  EXPECT_EQ(shown(ReviewTable::Data), 7);

  // Corrected: applied, the marks gone.
  win.marks[ReviewWindow::From] = QStringLiteral("old");
  EXPECT_TRUE(cmds.applyWindow(QStringLiteral("3/14/2007 6:04"), QStringLiteral("3/14/2007 6:05")));
  EXPECT_TRUE(win.marks.empty());
  EXPECT_EQ(shown(ReviewTable::Data), 7);
}

TEST_F(ReviewCommandsTest, ADayFirstFileReadsAndShowsItsFieldsDayFirst) {
  loadHistData(table(ReviewTable::Data),
               write("dmy.csv",
                     "Date,Time,TC1\r\n"
                     "13/3/2007,23:59:50,1\r\n"
                     "14/3/2007,0:00:00,2\r\n"
                     "14/3/2007,0:00:10,3\r\n"),
               QLocale::c());
  EXPECT_EQ(review.dateOrder(), DateOrder::DayMonthYear);
  EXPECT_EQ(windowFieldHint(review.dateOrder()), "d/m/yyyy h:mm:ss AM");
  EXPECT_TRUE(cmds.applyWindow(QStringLiteral("14/3/2007"), QString()));
  EXPECT_EQ(win.from, "14/3/2007 12:00:00 AM");
  EXPECT_EQ(shown(ReviewTable::Data), 2);
  // A month-first date does not read in a day-first file.
  EXPECT_FALSE(cmds.applyWindow(QStringLiteral("3/14/2007"), QString()));
  EXPECT_TRUE(ui.messages.back().prompt.contains("day/month/year"));
  EXPECT_EQ(shown(ReviewTable::Data), 2);
}

TEST_F(ReviewCommandsTest, FromTrendAndAltDragTakeTheCursorsOrTheVisibleRange) {
  // No trend: a message, nothing set.
  cmds.fromTrend();
  cmds.trendDragged(mdy("3/14/2007 6:01"), mdy("3/14/2007 6:02"));
  EXPECT_EQ(messages(), QStringList({"32:" + noTrendText(), "32:" + noTrendText()}));
  EXPECT_FALSE(review.window().isSet());

  trend.built = true;
  trend.min = mdy("3/14/2007 6:00:00");
  trend.span = 5.0 / 1440;  // five minutes
  // One cursor (or none): the visible range.
  trend.cursors[0] = mdy("3/14/2007 6:03:00");
  cmds.fromTrend();
  EXPECT_EQ(win.from, "3/14/2007 6:00:00 AM");
  EXPECT_EQ(win.to, "3/14/2007 6:05:00 AM");
  EXPECT_EQ(shown(ReviewTable::Data), 31);
  // Two cursors, in either order: the time between them, whole seconds
  // inside it (the fields show exactly what is kept).
  trend.cursors[1] = mdy("3/14/2007 6:01:09") + ms(600);
  cmds.fromTrend();
  EXPECT_EQ(win.from, "3/14/2007 6:01:10 AM");
  EXPECT_EQ(win.to, "3/14/2007 6:03:00 AM");
  EXPECT_EQ(shown(ReviewTable::Data), 12);  // 6:01:10 .. 6:03:00

  // A drag from right to left: the same window as left to right.
  cmds.trendDragged(mdy("3/14/2007 6:08:00") + ms(500), mdy("3/14/2007 6:06:59") + ms(500));
  EXPECT_EQ(win.from, "3/14/2007 6:07:00 AM");
  EXPECT_EQ(win.to, "3/14/2007 6:08:00 AM");
  EXPECT_EQ(shown(ReviewTable::Data), 7);
  EXPECT_EQ(shown(ReviewTable::OperatorEvents), 1);
  EXPECT_EQ(shown(ReviewTable::AuditTrail), 1);
  // A drag inside one second keeps no whole second: refused as From after To.
  cmds.trendDragged(mdy("3/14/2007 6:08:00") + ms(200), mdy("3/14/2007 6:08:00") + ms(700));
  EXPECT_TRUE(ui.messages.back().prompt.startsWith("From ("));
  EXPECT_EQ(shown(ReviewTable::Data), 7);
}

TEST_F(ReviewCommandsTest, EachTabsSearchFieldFiltersItsGridWithTheWindow) {
  cmds.setSearchText(0, QStringLiteral("ovr"));
  EXPECT_EQ(shown(ReviewTable::Data), 1);
  EXPECT_EQ(review.filter(ReviewTable::Data).tableRowAt(0), 31);
  EXPECT_EQ(review.showingText(ReviewTable::Data), "Showing 1 of 60 rows");
  cmds.setSearchText(2, QStringLiteral("robert"));
  EXPECT_EQ(shown(ReviewTable::AuditTrail), 1);
  cmds.setSearchText(1, QStringLiteral("batch"));
  cmds.setSearchText(3, QStringLiteral("flow"));
  EXPECT_EQ(shown(ReviewTable::OperatorEvents), 1);
  EXPECT_EQ(shown(ReviewTable::Alarms), 1);
  // The Trend Data tab has no grid; the signature grids take the window only.
  cmds.setSearchText(4, QStringLiteral("x"));
  EXPECT_FALSE(review.isFiltered(ReviewTable::DataSignatures));

  // With the window: both must hold.
  cmds.applyWindow(QStringLiteral("3/14/2007 6:04"), QStringLiteral("3/14/2007 6:06"));
  EXPECT_EQ(shown(ReviewTable::Data), 1);
  EXPECT_EQ(review.showingText(ReviewTable::Data), "Showing 1 of 60 rows");
  cmds.applyWindow(QStringLiteral("3/14/2007 6:00"), QStringLiteral("3/14/2007 6:01"));
  EXPECT_EQ(shown(ReviewTable::Data), 0);
  cmds.setSearchText(0, QString());  // Esc: the window alone
  EXPECT_EQ(shown(ReviewTable::Data), 7);
  cmds.wholeFile();
  EXPECT_EQ(shown(ReviewTable::Data), 60);
  EXPECT_TRUE(review.isFiltered(ReviewTable::AuditTrail));  // its own text stays
}

TEST_F(ReviewCommandsTest, EnterOrDoubleClickShowsTheDataRowAtOrBeforeTheRowsTime) {
  cmds.jumpToData(ReviewTable::Alarms, 2);          // 6:04 AM
  cmds.jumpToData(ReviewTable::OperatorEvents, 1);  // 6:02:15: 6:02:10 is before it
  cmds.jumpToData(ReviewTable::AuditTrail, 2);      // 6:07:00 exactly
  cmds.jumpToData(ReviewTable::Alarms, 1);          // 5:30, before every row: the first
  EXPECT_EQ(win.dataRows, (std::vector<int>{25, 14, 43, 1}));
  EXPECT_TRUE(ui.messages.empty());

  // The data row hidden by the text filter: the nearest shown before it.
  cmds.setSearchText(0, QStringLiteral("ovr"));
  cmds.jumpToData(ReviewTable::AuditTrail, 2);  // 6:07 -> row 43 hidden -> row 31
  // Hidden with none shown before: the first shown after.
  cmds.jumpToData(ReviewTable::OperatorEvents, 1);  // 6:02:15 -> row 31
  EXPECT_EQ(win.dataRows.back(), 31);
  EXPECT_EQ(win.dataRows[win.dataRows.size() - 2], 31);

  // A time that does not read, no row, nothing shown: a message each.
  win.dataRows.clear();
  cmds.jumpToData(ReviewTable::Alarms, 4);
  cmds.jumpToData(ReviewTable::Alarms, 0);
  cmds.applyWindow(QStringLiteral("3/15/2007"), QString());
  cmds.jumpToData(ReviewTable::Alarms, 4);  // still shown, still no time
  cmds.setSearchText(3, QString());
  EXPECT_TRUE(win.dataRows.empty());
  EXPECT_EQ(messages(),
            QStringList({"32:" + noTimeText(), "32:" + noRowText(), "32:" + noTimeText()}));
  cmds.wholeFile();
  cmds.setSearchText(0, QStringLiteral("no such text"));
  cmds.jumpToData(ReviewTable::AuditTrail, 1);
  EXPECT_EQ(ui.messages.back().prompt, noDataRowText());
  EXPECT_TRUE(win.dataRows.empty());
}

TEST_F(ReviewCommandsTest, ShowOnTrendCentresTheTimeAndShowInDataFollowsCursor1) {
  cmds.showOnTrend(ReviewTable::OperatorEvents, 2);
  EXPECT_EQ(ui.messages.back().prompt, noTrendText());
  EXPECT_TRUE(trend.shown.empty());
  EXPECT_EQ(win.trendTabs, 0);

  trend.built = true;
  trend.min = mdy("3/14/2007 6:00");
  trend.span = 0.002;
  cmds.showOnTrend(ReviewTable::OperatorEvents, 2);  // 6:08:00
  ASSERT_EQ(trend.shown.size(), 1u);
  EXPECT_DOUBLE_EQ(trend.shown[0].second, mdy("3/14/2007 6:08"));
  EXPECT_DOUBLE_EQ(trend.shown[0].first, mdy("3/14/2007 6:08") - 0.001);  // span kept
  EXPECT_EQ(win.trendTabs, 1);
  // A signature row and an alarm row have times too; a row without one not.
  fillCompanion(table(ReviewTable::DataSignatures), {"3/14/2007,6:09:00,QA,Released"});
  cmds.showOnTrend(ReviewTable::DataSignatures, 1);
  EXPECT_DOUBLE_EQ(trend.shown.back().second, mdy("3/14/2007 6:09"));
  cmds.showOnTrend(ReviewTable::Alarms, 4);
  EXPECT_EQ(ui.messages.back().prompt, noTimeText());
  EXPECT_EQ(trend.shown.size(), 2u);

  // "Show in Data": the data row at cursor 1, or a message without it.
  cmds.showInData();
  EXPECT_EQ(ui.messages.back().prompt, noCursorText());
  trend.cursors[0] = mdy("3/14/2007 6:03:05");
  cmds.showInData();
  trend.cursors[0] = mdy("3/14/2007 5:00");
  cmds.showInData();
  EXPECT_EQ(win.dataRows, (std::vector<int>{19, 1}));
}

TEST_F(ReviewCommandsTest, WhileTheWindowIsBusyOnlyTheSearchGoesOn) {
  bool busy = true;
  cmds.setBusy([&] { return busy; });
  trend.built = true;
  trend.cursors[0] = mdy("3/14/2007 6:03");
  EXPECT_FALSE(cmds.applyWindow(QStringLiteral("3/14/2007 6:01"), QString()));
  cmds.wholeFile();
  cmds.fromTrend();
  cmds.trendDragged(mdy("3/14/2007 6:01"), mdy("3/14/2007 6:02"));
  cmds.jumpToData(ReviewTable::Alarms, 2);
  cmds.showOnTrend(ReviewTable::Alarms, 2);
  cmds.showInData();
  ASSERT_EQ(ui.messages.size(), 7u);
  for (const auto& m : ui.messages) {
    EXPECT_EQ(m.prompt, busyText());
    EXPECT_EQ(m.style, mb::Information);
  }
  EXPECT_FALSE(review.window().isSet());
  EXPECT_TRUE(win.dataRows.empty());
  EXPECT_TRUE(trend.shown.empty());
  cmds.setSearchText(0, QStringLiteral("ovr"));
  EXPECT_EQ(shown(ReviewTable::Data), 1);
  busy = false;
  EXPECT_TRUE(cmds.applyWindow(QStringLiteral("3/14/2007 6:01"), QString()));
  EXPECT_EQ(ui.messages.size(), 7u);
}

TEST_F(ReviewCommandsTest, APlotOfWholeColumnsTakesTheRowsTheFilteredGridShows) {
  test::RecordingTrend plots;
  ViewerGlobals g;
  HistoryCommands history(ui, tables, g, nullptr, plots);
  history.setReview(&review);
  // TC1 and TC2 selected by their titles: every row while nothing filters.
  tables.dataSelection.blocks = {SelectionBlock{2, -1, 3, -1}};
  tables.dataSelection.currentFirstRow = 1;
  history.DataBarBtn_Click(1);
  ASSERT_EQ(plots.plots.size(), 1u);
  EXPECT_EQ(plots.plots[0].blocks[0], (SelectionBlock{2, -1, 3, -1}));

  // Filtered: from the first row shown to the last.
  cmds.applyWindow(QStringLiteral("3/14/2007 6:01"), QStringLiteral("3/14/2007 6:02:59"));
  history.DataBarBtn_Click(1);
  ASSERT_EQ(plots.plots.size(), 2u);
  EXPECT_EQ(plots.plots[1].blocks[0], (SelectionBlock{2, 7, 3, 18}));
  // A block of rows is already in table rows: passed on as it is.
  tables.dataSelection.blocks = {SelectionBlock{2, 9, 2, 15}};
  history.DataBarBtn_Click(1);
  EXPECT_EQ(plots.plots[2].blocks[0], (SelectionBlock{2, 9, 2, 15}));

  // Fewer than four rows shown: the selection check refuses.
  tables.dataSelection.blocks = {SelectionBlock{2, -1, 3, -1}};
  cmds.applyWindow(QStringLiteral("3/14/2007 6:01"), QStringLiteral("3/14/2007 6:01:20"));
  ui.messages.clear();
  history.DataBarBtn_Click(1);
  EXPECT_EQ(plots.plots.size(), 3u);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(ui.messages[0].prompt.startsWith("you must select at least 4 cells"));
}

}  // namespace
}  // namespace tarvex

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
