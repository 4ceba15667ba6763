// The setup dialog's logic: the opening fill, OK's steps and refusal,
// Cancel, the colour buttons, and the opening from the Trend Data tool bar.
#include <gtest/gtest.h>

#include "fake_trend.h"
#include "trend/trend_commands.h"
#include "trend/trend_setup_logic.h"

namespace tarvex {
namespace {

class TrendSetupTest : public ::testing::Test {
 protected:
  void channels(int n) {
    plot.clearChannels();
    for (int i = 0; i < n; ++i) plot.addChannel({QStringLiteral("C%1").arg(i), 2, {}});
  }
  test::TrendUi ui;
  test::FakePlot plot;
};

TEST_F(TrendSetupTest, OpeningBeforeAnyBuildShowsTheInitialSettings) {
  TrendSetupSession s(ui, plot);
  EXPECT_DOUBLE_EQ(s.fields.trendZero, 0);
  EXPECT_DOUBLE_EQ(s.fields.trendSpan, 100);
  EXPECT_EQ(s.fields.xScaleFormat, "m/d/yy h:nn:ss am/pm");
  EXPECT_DOUBLE_EQ(s.fields.xMinorTicks, 3);
  EXPECT_EQ(s.fields.bgColor, QColor(212, 212, 212));
  EXPECT_TRUE(s.fields.pens[0].enabled);
  EXPECT_EQ(s.fields.pens[0].color, plot.channels[0].style.color);
  for (int i = 1; i < 12; ++i) EXPECT_FALSE(s.fields.pens[i].enabled) << i;
}

TEST_F(TrendSetupTest, OpeningAfterThreeChannelsFillsThreePens) {
  channels(3);
  plot.channels[1].style.traceLineWidth = 4;
  plot.y.min = -5;
  plot.y.span = 30;
  plot.y.minorCount = 7;
  plot.y.scaleColor = Qt::green;
  plot.x.scaleColor = Qt::blue;
  TrendSetupSession s(ui, plot);
  EXPECT_DOUBLE_EQ(s.fields.trendZero, -5);
  EXPECT_DOUBLE_EQ(s.fields.trendSpan, 25);  // the upper end
  EXPECT_DOUBLE_EQ(s.fields.yMinorTicks, 7);
  EXPECT_EQ(s.fields.yColor, QColor(Qt::green));
  EXPECT_EQ(s.fields.xColor, QColor(Qt::blue));
  for (int i = 0; i < 12; ++i) EXPECT_EQ(s.fields.pens[i].enabled, i < 3) << i;
  EXPECT_DOUBLE_EQ(s.fields.pens[1].width, 4);
  EXPECT_EQ(s.fields.pens[2].color, plot.channels[2].style.color);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TrendSetupTest, OpeningFaultsAreReportedAndTheFillGoesOn) {
  channels(2);
  plot.background = Qt::white;
  plot.failAxisRead = true;
  TrendSetupSession s(ui, plot);
  // The Y range, the X axis and the Y axis steps fail, each reported.
  ASSERT_EQ(ui.messages.size(), 3u);
  for (const test::MessageCall& m : ui.messages)
    EXPECT_EQ(m.prompt, errorReportText(5, errorDescription(5), "FrmHistoryTrendSetup"));
  EXPECT_EQ(s.fields.bgColor, QColor(Qt::white));
  EXPECT_TRUE(s.fields.pens[1].enabled);
  EXPECT_FALSE(s.fields.pens[2].enabled);
}

TEST_F(TrendSetupTest, OkRefusesAZeroNotBelowTheSpan) {
  for (auto [zero, span] : {std::pair{50.0, 20.0}, std::pair{20.0, 20.0}}) {
    TrendSetupSession s(ui, plot);
    s.fields.trendZero = zero;
    s.fields.trendSpan = span;
    s.fields.bgColor = Qt::white;
    EXPECT_FALSE(s.OKButton());
    EXPECT_EQ(ui.messages.back().prompt, "Trend Zero must be less than trend span time!");
    EXPECT_EQ(ui.messages.back().style, 64);
    EXPECT_DOUBLE_EQ(plot.y.span, 100);
    EXPECT_EQ(plot.background, QColor(212, 212, 212));
  }
}

TEST_F(TrendSetupTest, OkAppliesEveryFieldInOrder) {
  channels(3);
  TrendSetupSession s(ui, plot);
  s.fields.trendZero = -10;
  s.fields.trendSpan = 90;
  s.fields.xMinorTicks = 4.5;  // halves to even
  s.fields.yMinorTicks = 2.5;
  s.fields.xScaleFormat = "yyyy hh";  // typed, not in the list
  s.fields.xColor = Qt::darkRed;
  s.fields.yColor = Qt::darkBlue;
  s.fields.bgColor = Qt::white;
  s.fields.pens[1] = {true, Qt::magenta, 3.5};
  s.fields.pens[5] = {false, Qt::cyan, 5};  // beyond the channels: ignored
  plot.x.scrollMode = 0;
  plot.x.labelsFormatStyle = 0;
  EXPECT_TRUE(s.OKButton());
  EXPECT_DOUBLE_EQ(plot.y.min, -10);
  EXPECT_DOUBLE_EQ(plot.y.span, 100);
  EXPECT_EQ(plot.x.minorCount, 4);
  EXPECT_EQ(plot.y.minorCount, 2);
  EXPECT_EQ(plot.x.dateTimeFormat, "yyyy hh");
  EXPECT_EQ(plot.x.scaleColor, QColor(Qt::darkRed));
  EXPECT_EQ(plot.y.scaleColor, QColor(Qt::darkBlue));
  EXPECT_EQ(plot.background, QColor(Qt::white));
  EXPECT_EQ(plot.x.labelsFormatStyle, 3);
  EXPECT_EQ(plot.x.scrollMode, 3);
  EXPECT_EQ(plot.channels[1].style.traceLineWidth, 4);
  EXPECT_EQ(plot.channels[1].style.color, QColor(Qt::magenta));
  EXPECT_EQ(plot.channelCount(), 3);
  EXPECT_EQ(plot.log, (QStringList{"setAxis:Y", "setAxis:X", "setAxis:Y", "setAxis:X"}));
}

TEST_F(TrendSetupTest, FourteenChannelsSetThePensBeyondTwelveToWidthOne) {
  channels(14);
  const QColor c13 = plot.channels[12].style.color;
  plot.channels[13].style.traceLineWidth = 3;
  TrendSetupSession s(ui, plot);
  for (auto& pen : s.fields.pens) pen.width = 5;
  EXPECT_TRUE(s.OKButton());
  for (int i = 0; i < 12; ++i) EXPECT_EQ(plot.channels[i].style.traceLineWidth, 5) << i;
  EXPECT_EQ(plot.channels[12].style.traceLineWidth, 1);
  EXPECT_EQ(plot.channels[13].style.traceLineWidth, 1);
  EXPECT_EQ(plot.channels[12].style.color, c13);
}

TEST_F(TrendSetupTest, ColourButtonsStartAtTheSwatchAndCancelKeepsIt) {
  TrendSetupSession s(ui, plot);
  QColor swatch = Qt::yellow;
  ui.colorAnswers = {QColor(Qt::darkGreen), std::nullopt};
  s.chooseColor(swatch);
  EXPECT_EQ(swatch, QColor(Qt::darkGreen));
  s.chooseColor(swatch);
  EXPECT_EQ(swatch, QColor(Qt::darkGreen));
  EXPECT_EQ(ui.colorStarts, (std::vector<QColor>{Qt::yellow, Qt::darkGreen}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TrendSetupTest, OkFaultsAreReportedAndTheNextStepsRun) {
  // A minor tick count too large for an integer fails its step only.
  TrendSetupSession s(ui, plot);
  s.fields.xMinorTicks = 1e12;
  s.fields.bgColor = Qt::black;
  EXPECT_TRUE(s.OKButton());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].prompt,
            errorReportText(6, errorDescription(6), "TrendSetupHisotryOkBtn"));
  EXPECT_EQ(plot.background, QColor(Qt::black));
}

TEST_F(TrendSetupTest, TheToolBarOpensAFreshDialogAndCancelAppliesNothing) {
  test::FakeTrendWindow win;
  LogTable grid;
  bool f_Plotting = false;
  int opened = 0;
  TrendCommands cmds(ui, win, plot, grid, f_Plotting, [&](TrendSetupSession& s) {
    ++opened;
    EXPECT_DOUBLE_EQ(s.fields.trendSpan, 100);  // filled from the plot each time
    s.fields.trendSpan = 50;
    ui.colorAnswers = {QColor(Qt::black)};
    s.chooseColor(s.fields.bgColor);
    // Cancel: the dialog closes without OK.
  });
  cmds.FrmHistoryTrendSetup();
  cmds.FrmHistoryTrendSetup();
  EXPECT_EQ(opened, 2);
  EXPECT_DOUBLE_EQ(plot.y.span, 100);
  EXPECT_EQ(plot.background, QColor(212, 212, 212));
}

}  // namespace
}  // namespace tarvex
