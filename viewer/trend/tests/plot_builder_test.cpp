// The plot builder: channels and their points, gaps, the Y range, the spans,
// the progress percent, cancel and the failure ending.
#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QTime>
#include <cmath>

#include "fake_trend.h"
#include "logfiles/readers.h"
#include "logfiles/row_time.h"
#include "trend/trend_commands.h"

namespace tarvex {
namespace {

// 15 Mar 2023 and its rows' times: row r at 02:00:00 PM + r minutes.
constexpr double kDay = 45000.0;
double rowX(int r) { return kDay + (14 * 3600 + r * 60) / 86400.0; }

class PlotBuilderTest : public ::testing::Test {
 protected:
  // A data table of `rows` rows: Date, Time, then `columns` channels whose
  // cell (c, r) holds c * 100 + r.
  void fill(int rows, int columns) {
    grid.setCell(0, 0, u"Date");
    grid.setCell(1, 0, u"Time");
    for (int c = 2; c < 2 + columns; ++c) grid.setCell(c, 0, QStringLiteral("Ch%1").arg(c));
    for (int r = 1; r <= rows; ++r) {
      grid.setCell(0, r, u"3/15/2023");
      grid.setCell(1, r, QStringLiteral("02:%1:00 PM").arg(r, 2, 10, QLatin1Char('0')));
      for (int c = 2; c < 2 + columns; ++c) grid.setCell(c, r, QString::number(c * 100 + r));
    }
  }
  void build(std::vector<SelectionBlock> blocks) { cmds.plotHistData({std::move(blocks), 1}); }

  test::TrendUi ui;
  test::FakeTrendWindow win;
  test::FakePlot plot;
  LogTable grid;
  bool f_Plotting = false;
  TrendCommands cmds{ui, win, plot, grid, f_Plotting};
};

TEST_F(PlotBuilderTest, ChannelsAcrossTwoBlocksInSelectionOrder) {
  fill(12, 4);
  plot.x.followData = false;
  plot.y.scrollMode = 5;
  build({{4, 1, 5, 4}, {2, -1, 2, -1}});

  ASSERT_EQ(plot.channelCount(), 3);  // the initial channel is gone
  const QStringList titles{"Ch4", "Ch5", "Ch2"};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(plot.channels[k].style.titleText, titles[k]);
    EXPECT_EQ(plot.channels[k].style.traceLineWidth, 2);
  }
  // Each block's rows for its own columns only; X = date + time of day.
  ASSERT_EQ(plot.pointCount(0), 4u);
  ASSERT_EQ(plot.pointCount(2), 12u);  // whole column: rows 1 to lastRow
  EXPECT_DOUBLE_EQ(plot.point(1, 3).y, 504);
  EXPECT_NEAR(plot.point(1, 3).x, rowX(4), 1e-9);
  EXPECT_NEAR(plot.point(2, 11).x, rowX(12), 1e-9);
  EXPECT_DOUBLE_EQ(plot.point(2, 11).y, 212);

  // Both axes follow the data with the enumerated setting 0.
  EXPECT_TRUE(plot.x.followData && plot.y.followData);
  EXPECT_EQ(plot.x.scrollMode, 0);
  EXPECT_EQ(plot.y.scrollMode, 0);
  // The spans of the build; the Y axis from 0.
  EXPECT_DOUBLE_EQ(plot.y.min, 0);
  EXPECT_DOUBLE_EQ(plot.y.span, 504);  // Ch5 row 4
  EXPECT_NEAR(*cmds.historyXspan, 11 / 1440.0, 1e-9);
  EXPECT_DOUBLE_EQ(*cmds.historyYspan, 504);
  // The ending: sliders at 0, bar hidden, pointer back, tab 4.
  EXPECT_EQ(win.dateSlider, 0);
  EXPECT_EQ(win.ySlider, 0);
  EXPECT_EQ(win.log, (QStringList{"progress:shown", "progress:hidden", "tab:4"}));
  EXPECT_EQ(ui.log.first(), "pointer:hourglass");
  EXPECT_EQ(ui.log.last(), "pointer:normal");
  EXPECT_FALSE(f_Plotting);
  EXPECT_FALSE(cmds.building());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PlotBuilderTest, BlocksOfAFileInAnyColumnOrder) {
  // A table read from a file (its cells read straight from the file's bytes):
  // whole columns picked one by one and out of order, and a block of other
  // rows between them; every channel gets its own column's cells at its
  // rows' times.
  QTemporaryDir dir;
  QFile f(dir.filePath(QStringLiteral("d.csv")));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("Date,Time,Ch2,Ch3,Ch4\r\n");
  for (int r = 1; r <= 20; ++r)
    f.write(QStringLiteral("3/15/2023,02:%1:00 PM,%2,%3,%4\r\n")
                .arg(r, 2, 10, QLatin1Char('0'))
                .arg(200 + r)
                .arg(r == 7 ? QStringLiteral("off") : QString::number(300 + r))
                .arg(400 + r)
                .toLatin1());
  f.close();
  grid.loadDelimitedText(f.fileName());
  build({{4, -1, 4, -1}, {2, -1, 2, -1}, {3, 3, 4, 6}, {3, -1, 4, -1}});
  ASSERT_EQ(plot.channelCount(), 6);
  const int columns[] = {4, 2, 3, 4, 3, 4};
  for (int k = 0; k < 6; ++k) {
    const int first = k == 2 || k == 3 ? 3 : 1;
    ASSERT_EQ(plot.pointCount(k), k == 2 || k == 3 ? 4u : 20u) << k;
    for (std::size_t i = 0; i < plot.pointCount(k); ++i) {
      const int r = first + static_cast<int>(i);
      EXPECT_NEAR(plot.point(k, i).x, rowX(r), 1e-9);
      if (columns[k] == 3 && r == 7) {
        EXPECT_TRUE(std::isnan(plot.point(k, i).y));
      } else {
        EXPECT_EQ(plot.point(k, i).y, columns[k] * 100 + r) << "channel " << k << " row " << r;
      }
    }
  }
}

TEST_F(PlotBuilderTest, NonNumericCellsAreGapsOutsideTheYRange) {
  fill(6, 1);
  grid.setCell(2, 2, u"");
  grid.setCell(2, 4, u"Offline");
  grid.setCell(2, 6, u"-7.5");
  build({{2, 1, 2, 6}});
  ASSERT_EQ(plot.pointCount(0), 6u);
  EXPECT_TRUE(std::isnan(plot.point(0, 1).y));
  EXPECT_NEAR(plot.point(0, 1).x, rowX(2), 1e-9);  // a gap keeps its X
  EXPECT_TRUE(std::isnan(plot.point(0, 3).y));
  EXPECT_DOUBLE_EQ(plot.point(0, 4).y, 205);
  EXPECT_DOUBLE_EQ(plot.y.min, -7.5);
  EXPECT_DOUBLE_EQ(plot.y.span, 212.5);
}

TEST_F(PlotBuilderTest, TheYRangeAlwaysHoldsZero) {
  struct Case {
    double lo, hi, min, span;
  };
  for (const Case& k : {Case{20, 30, 0, 30}, Case{-40, -10, -40, 40}, Case{-5, 5, -5, 10}}) {
    LogTable t;
    t.setCell(2, 0, u"V");
    for (int r = 1; r <= 5; ++r) {
      t.setCell(0, r, u"2023-03-15");
      t.setCell(1, r, u"01:00:00 AM");
      t.setCell(2, r, QString::number(k.lo + (k.hi - k.lo) * (r - 1) / 4));
    }
    TrendCommands c{ui, win, plot, t, f_Plotting};
    c.plotHistData({{{2, 1, 2, 5}}, 1});
    EXPECT_DOUBLE_EQ(plot.y.min, k.min) << k.lo;
    EXPECT_DOUBLE_EQ(plot.y.span, k.span) << k.lo;
  }
}

TEST_F(PlotBuilderTest, PercentOfOneTenRowColumn) {
  fill(10, 1);
  cmds.setPacing(PlotPacing::everyRow());
  build({{2, 1, 2, 10}});
  EXPECT_EQ(win.percents, (std::vector<int>{0, 11, 22, 33, 44, 56, 67, 78, 89, 100}));
  EXPECT_EQ(ui.log.count("doEvents"), 10);
}

TEST_F(PlotBuilderTest, PercentStaysAt100ForALaterBlock) {
  fill(8, 3);
  cmds.setPacing(PlotPacing::everyRow());
  build({{2, 1, 4, 8}, {3, 1, 3, 4}});
  ASSERT_EQ(plot.channelCount(), 4);
  EXPECT_EQ(std::vector<int>(win.percents.end() - 4, win.percents.end()),
            (std::vector<int>{100, 100, 100, 100}));
  EXPECT_EQ(win.tab, 4);
}

TEST_F(PlotBuilderTest, DefaultPacingDoesNotPumpEventsPerPoint) {
  fill(40, 2);
  build({{2, -1, 3, -1}});
  EXPECT_LT(ui.log.count("doEvents"), 2);
  EXPECT_EQ(plot.pointCount(1), 40u);
}

TEST_F(PlotBuilderTest, ALongColumnIsHandedOverInPartsAfterAReserve) {
  grid.setCell(2, 0, u"Long");
  for (int r = 1; r <= 10000; ++r) {
    grid.setCell(0, r, u"3/15/2023");
    grid.setCell(1, r, QTime(0, 0).addSecs(r).toString("hh:mm:ss"));
    grid.setCell(2, r, QString::number(200 + r));
  }
  plot.log.clear();
  build({{2, -1, 2, -1}});
  EXPECT_TRUE(plot.log.contains("reserve:0:10000"));
  EXPECT_EQ(plot.appendSizes, (std::vector<std::size_t>{4096, 4096, 1808}));
  ASSERT_EQ(plot.pointCount(0), 10000u);
  for (int r : {1, 4096, 4097, 10000}) EXPECT_DOUBLE_EQ(plot.point(0, r - 1).y, 200 + r);
}

TEST_F(PlotBuilderTest, CancelDuringTheThirdColumnKeepsThreeChannels) {
  fill(6, 5);
  cmds.setPacing(PlotPacing::everyRow());
  cmds.historyXspan = 1.0;
  cmds.historyYspan = 2.0;
  plot.y.min = -3;
  plot.y.span = 9;
  ui.onDoEvents = [&] {
    if (plot.channelCount() == 3) f_Plotting = false;  // Cancel clicked
  };
  build({{2, 1, 6, 6}});
  ASSERT_EQ(plot.channelCount(), 3);
  EXPECT_EQ(plot.pointCount(2), 6u);  // the third column was finished
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].prompt, "Historical plot has been canceled by user.");
  EXPECT_EQ(ui.messages[0].style, 64);
  // Axes, spans and tab are left as they were.
  EXPECT_DOUBLE_EQ(plot.y.min, -3);
  EXPECT_DOUBLE_EQ(plot.y.span, 9);
  EXPECT_EQ(*cmds.historyXspan, 1.0);
  EXPECT_EQ(*cmds.historyYspan, 2.0);
  EXPECT_EQ(win.tab, 0);
  EXPECT_FALSE(win.progressVisible);
  EXPECT_EQ(ui.log.last(), "pointer:normal");
  EXPECT_FALSE(cmds.building());
}

TEST_F(PlotBuilderTest, CancelDuringTheLastColumnCompletesTheBuild) {
  fill(6, 3);
  cmds.setPacing(PlotPacing::everyRow());
  ui.onDoEvents = [&] {
    if (plot.channelCount() == 3) f_Plotting = false;
  };
  build({{2, 1, 4, 6}});
  EXPECT_EQ(plot.channelCount(), 3);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(win.tab, 4);
  EXPECT_TRUE(cmds.historyYspan.has_value());
}

TEST_F(PlotBuilderTest, ABadDateEndsTheBuildAndKeepsWhatWasPlotted) {
  fill(8, 2);
  grid.setCell(0, 6, u"not a date");
  build({{2, 1, 2, 4}, {3, 1, 3, 8}});
  ASSERT_EQ(plot.channelCount(), 2);
  EXPECT_EQ(plot.pointCount(0), 4u);
  EXPECT_EQ(plot.pointCount(1), 5u);  // rows 1 to 5, up to the bad row
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].prompt,
            "Marvesk data viewer encountered errors while plotting the data file!\r\n"
            "Please check to make sure the file was created with Marvesk Control.");
  EXPECT_EQ(ui.messages[0].style, 16);
  EXPECT_FALSE(cmds.historyXspan.has_value());
  EXPECT_EQ(win.tab, 0);
  EXPECT_FALSE(win.progressVisible);
  EXPECT_FALSE(f_Plotting);
  EXPECT_FALSE(cmds.building());
}

TEST_F(PlotBuilderTest, APlotFaultTakesTheFailureEnding) {
  fill(5, 3);
  plot.failAddChannelAt = 1;
  build({{2, 1, 4, 5}});
  EXPECT_EQ(plot.channelCount(), 1);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].style, 16);
  EXPECT_FALSE(f_Plotting);
}

TEST_F(PlotBuilderTest, APlotFromTheEventPumpOfARunningBuildIsRefused) {
  fill(6, 3);
  cmds.setPacing(PlotPacing::everyRow());
  bool once = false;
  ui.onDoEvents = [&] {
    if (once) return;
    once = true;
    f_Plotting = false;  // Cancel: f_Plotting is down, the build still runs
    cmds.plotHistData({{{2, 1, 2, 4}}, 1});
  };
  build({{2, 1, 4, 6}});
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].prompt, "History viewer is busy with an operation, please wait!");
  EXPECT_EQ(ui.messages[1].prompt, "Historical plot has been canceled by user.");
  EXPECT_EQ(plot.channelCount(), 1);
  EXPECT_EQ(plot.pointCount(0), 6u);
}

TEST_F(PlotBuilderTest, RowsArePlottedOnTheDatesTheFileWroteWhateverTheLocale) {
  // A month-first file read where dates are day first: 3/4/2007 is the 4th
  // of March (the 3/14 further down decides), in the plot as in the table.
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  QTemporaryDir dir;
  QFile f(dir.filePath("run.csv"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("Date,Time,TC1\r\n");
  for (const char* d : {"3/4/2007", "3/5/2007", "3/13/2007", "3/14/2007"})
    f.write(QByteArray(d) + ",14:05:30,1\r\n");
  f.close();
  loadHistData(grid, f.fileName(), QLocale());
  build({{2, -1, 2, -1}});
  QLocale::setDefault(saved);
  ASSERT_EQ(plot.pointCount(0), 4u);
  const double march4 = QDate(1899, 12, 30).daysTo(QDate(2007, 3, 4));
  EXPECT_NEAR(plot.point(0, 0).x, march4 + (14 * 3600 + 5 * 60 + 30) / 86400.0, 1e-9);
  EXPECT_NEAR(plot.point(0, 1).x - plot.point(0, 0).x, 1.0, 1e-9);
  EXPECT_NEAR(plot.point(0, 3).x - plot.point(0, 0).x, 10.0, 1e-9);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PlotBuilderTest, ALongFileReadOnWorkerThreadsGivesTheTablesOwnValues) {
  // Long enough for the columns to be read in two halves of the rows, with
  // cells that are no plain decimal, empty cells, short lines and a time
  // that does not read near the end (the build fails there, the points
  // before it plotted). Every point is what the table reads cell by cell.
  constexpr int kRows = 140000;
  constexpr int kBadRow = 139000;
  QTemporaryDir dir;
  QFile f(dir.filePath("long.csv"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  QByteArray text = "Date,Time,A,B,C\r\n";
  for (int r = 1; r <= kRows; ++r) {
    const int s = r % 86400;
    text += QStringLiteral("3/%1/2023,%2:%3:%4,")
                .arg(15 + r / 86400)
                .arg(s / 3600, 2, 10, QLatin1Char('0'))
                .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                .arg(r == kBadRow ? QStringLiteral("xx") : QString::number(s % 60))
                .toLatin1();
    if (r % 977 == 0) {
      text += "\r\n";  // a short line: no cells at all
      continue;
    }
    text += r % 101 == 0 ? QByteArray("NaN") : QByteArray::number(r * 0.25 - 7000, 'f', 2);
    text += ',';
    text += r % 103 == 0 ? QByteArray() : QByteArray::number(-r);
    text += ',';
    text += r % 107 == 0 ? QByteArray("1e3") : QByteArray::number(r % 7);
    text += "\r\n";
  }
  f.write(text);
  f.close();
  loadHistData(grid, f.fileName(), QLocale(QLocale::English, QLocale::UnitedStates));
  ASSERT_EQ(grid.lastRow(), kRows);
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  build({{2, -1, 4, -1}});
  QLocale::setDefault(QLocale::c());

  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].prompt, plotFailedText());
  ASSERT_EQ(plot.channelCount(), 1);  // the first channel reached the bad time
  ASSERT_EQ(plot.pointCount(0), std::size_t(kBadRow - 1));
  const QLocale us(QLocale::English, QLocale::UnitedStates);
  for (int r = 1; r < kBadRow; ++r) {
    const TrendPoint p = plot.point(0, std::size_t(r - 1));
    const std::optional<double> y = grid.cellNumber(2, r, us);
    ASSERT_EQ(p.x, rowDateTime(grid, r, {}, us).value()) << r;
    if (y && std::isfinite(*y))
      ASSERT_EQ(p.y, *y) << r;
    else
      ASSERT_TRUE(std::isnan(p.y)) << r;
  }

  // Without the bad time: all three channels, every cell as the table reads it.
  QByteArray good = text;
  good.replace(":xx,", ":00,");
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(good);
  f.close();
  ui.messages.clear();
  loadHistData(grid, f.fileName(), us);
  QLocale::setDefault(us);
  build({{2, -1, 4, -1}});
  QLocale::setDefault(QLocale::c());
  EXPECT_TRUE(ui.messages.empty());
  ASSERT_EQ(plot.channelCount(), 3);
  for (int c = 0; c < 3; ++c) {
    ASSERT_EQ(plot.pointCount(c), std::size_t(kRows));
    for (int r = 1; r <= kRows; r += (r > 65000 && r < 75000) ? 1 : 13) {
      const std::optional<double> y = grid.cellNumber(2 + c, r, us);
      const double got = plot.point(c, std::size_t(r - 1)).y;
      if (y && std::isfinite(*y))
        ASSERT_EQ(got, *y) << c << " " << r;
      else
        ASSERT_TRUE(std::isnan(got)) << c << " " << r;
    }
  }
}

}  // namespace
}  // namespace tarvex
