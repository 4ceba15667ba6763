// The trend view's actions: the zoom sliders, the data cursor, the JPEG
// picture and the printout.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "fake_trend.h"
#include "trend/trend_commands.h"

namespace tarvex {
namespace {

class TrendViewTest : public ::testing::Test {
 protected:
  test::TrendUi ui;
  test::FakeTrendWindow win;
  test::FakePlot plot;
  LogTable grid;
  bool f_Plotting = false;
  TrendCommands cmds{ui, win, plot, grid, f_Plotting};
};

TEST_F(TrendViewTest, SlidersScaleFromTheBuildsSpansWithTheMinimumKept) {
  // Before any build the bases are empty: nothing moves.
  cmds.dateSliderChanged(50);
  cmds.ySliderChanged(50);
  EXPECT_DOUBLE_EQ(plot.x.span, 0.0069);
  EXPECT_DOUBLE_EQ(plot.y.span, 100);
  cmds.historyXspan = 0.0;
  cmds.dateSliderChanged(50);
  EXPECT_DOUBLE_EQ(plot.x.span, 0.0069);

  cmds.historyXspan = 1.0;  // one day
  cmds.historyYspan = 40.0;
  plot.x.min = 45000.25;
  plot.y.min = -10;
  cmds.dateSliderChanged(50);
  EXPECT_DOUBLE_EQ(plot.x.span, 0.5);
  EXPECT_DOUBLE_EQ(plot.x.min, 45000.25);
  cmds.dateSliderChanged(-100);
  EXPECT_DOUBLE_EQ(plot.x.span, 2.0);
  cmds.dateSliderChanged(99);
  EXPECT_NEAR(plot.x.span * 1440, 14.4, 1e-9);
  cmds.ySliderChanged(0);
  EXPECT_DOUBLE_EQ(plot.y.span, 40);
  EXPECT_DOUBLE_EQ(plot.y.min, -10);
}

TEST_F(TrendViewTest, Position100MovesBackTo99) {
  cmds.historyXspan = 1.0;
  cmds.historyYspan = 200.0;
  std::vector<int> events;
  win.onDateSlider = [&](int p) {
    events.push_back(p);
    cmds.dateSliderChanged(p);  // the slider's own change event
  };
  cmds.dateSliderChanged(100);
  EXPECT_EQ(win.dateSlider, 99);
  EXPECT_EQ(events, std::vector<int>{99});
  EXPECT_NEAR(plot.x.span, 0.01, 1e-12);
  cmds.ySliderChanged(100);
  EXPECT_EQ(win.ySlider, 99);
  EXPECT_NEAR(plot.y.span, 2.0, 1e-12);
  // Even before a build the slider never rests at 100.
  cmds.historyYspan.reset();
  win.ySlider = 100;
  cmds.ySliderChanged(100);
  EXPECT_EQ(win.ySlider, 99);
}

TEST_F(TrendViewTest, CursorToggles) {
  cmds.toggleCursor();
  EXPECT_TRUE(plot.cursor);
  cmds.toggleCursor();
  EXPECT_FALSE(plot.cursor);
}

TEST_F(TrendViewTest, SaveToJpegAsksThenWritesThroughThePlot) {
  ui.saveAnswers = {QString("/tmp/x/trend.jpg")};
  cmds.saveToJpeg();
  ASSERT_EQ(ui.saveDialogs.size(), 1u);
  const FileDialogSettings& s = ui.saveDialogs[0];
  EXPECT_EQ(s.flags, 6);
  EXPECT_EQ(s.filter, "Jpeg Files(*.jpg)|*.jpg");
  EXPECT_EQ(s.title, "Save trend jpeg as?");
  EXPECT_EQ(s.defaultExt, ".jpg");
  EXPECT_EQ(s.fileName, "Data Viewer.jpg");
  EXPECT_EQ(plot.log, QStringList{"save:/tmp/x/trend.jpg:jpg:0x0"});
  EXPECT_TRUE(ui.messages.empty());

  // Cancelled: nothing written, no message.
  cmds.saveToJpeg();
  EXPECT_EQ(plot.log.size(), 1);
  EXPECT_TRUE(ui.messages.empty());

  // Not written: the message.
  plot.failSave = true;
  ui.saveAnswers = {QString("/no/such/dir/t.jpg")};
  cmds.saveToJpeg();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].prompt, "Jpeg file can not be saved. Check filename or disk space");
  EXPECT_EQ(ui.messages[0].style, 16);
}

TEST_F(TrendViewTest, PrintGoesToThePrinterChosenAndIgnoresFaults) {
  QTemporaryDir dir;
  cmds.printHistoryPlot();  // cancelled printer dialog
  EXPECT_TRUE(plot.log.isEmpty());
  ui.printerAnswer = PrinterChoice{};
  ui.pdfFile = dir.filePath("plot.pdf");
  cmds.printHistoryPlot();
  EXPECT_EQ(plot.log, QStringList{"print:" + dir.filePath("plot.pdf")});
  plot.failPrint = true;
  cmds.printHistoryPlot();
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace tarvex
