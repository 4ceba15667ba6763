#include <gtest/gtest.h>

#include "history/history_layout.h"
#include "shell/twips.h"

namespace tarvex {
namespace {

TEST(HistoryLayout, ResizeRulesAtALargeWindow) {
  HistoryGeometry g = historyDesignGeometry();
  applyHistoryResize(g, 9000, 7000);
  EXPECT_EQ(g.formWidth, 9000);
  EXPECT_EQ(g.formHeight, 7000);
  EXPECT_EQ(g.DataTab, (TwipRect{45, 90, 8810, 6400}));
  EXPECT_EQ(g.dataFrame, (TwipRect{165, 795, 8555, 3590}));
  EXPECT_EQ(g.vaGrid, (TwipRect{135, 210, 8305, 3270}));
  EXPECT_EQ(g.sigFrame, (TwipRect{150, 4400, 8555, 1815}));
  EXPECT_EQ(g.digiSigGrid, (TwipRect{135, 255, 8275, 1500}));
  EXPECT_EQ(g.auditDataFrame, (TwipRect{165, 795, 8555, 3590}));
  EXPECT_EQ(g.auditGrid, (TwipRect{135, 210, 8305, 3270}));
  EXPECT_EQ(g.auditSigFrame, (TwipRect{165, 4400, 8555, 1815}));
  EXPECT_EQ(g.auditSigGrid, (TwipRect{135, 225, 8275, 1500}));
  EXPECT_EQ(g.auditNameLab, (TwipRect{1860, 450, 6810, 270}));
  EXPECT_EQ(g.opEvGrid, (TwipRect{135, 810, 8555, 5450}));
  EXPECT_EQ(g.alarmGrid, (TwipRect{135, 810, 8555, 5450}));
  EXPECT_EQ(g.almNameLab, (TwipRect{1455, 450, 7010, 270}));
  EXPECT_EQ(g.ProgBar, (TwipRect{4670, 480, 4010, 270}));
  EXPECT_EQ(g.DcryLabel, (TwipRect{2760, 503, 1890, 225}));
  EXPECT_EQ(g.iPlotX, (TwipRect{135, 810, 7860, 4900}));
  // The slider overlaps the plot's right edge: its left is the plot's width + 70.
  EXPECT_EQ(g.YSlider, (TwipRect{7930, 770, 765, 5020}));
  EXPECT_EQ(g.DateSlider, (TwipRect{40, 5640, 8080, 705}));
}

TEST(HistoryLayout, ResizeRulesAtTheMainWindowsMinimumAndAFullScreen) {
  HistoryGeometry g = historyDesignGeometry();
  // 1920 x 1080 pixels at 96 dpi, less menu and status bar.
  applyHistoryResize(g, 28800, 14400);
  EXPECT_EQ(g.DataTab.width, 28610);
  EXPECT_EQ(g.DataTab.height, 13800);
  EXPECT_EQ(g.vaGrid.height, 13800 - 2810 - 320);
  EXPECT_EQ(g.sigFrame.top, 11800);
  EXPECT_EQ(g.YSlider.left, 28610 - 950 + 70);
  EXPECT_EQ(g.DateSlider.top, 13800 - 1500 + 740);
}

TEST(HistoryLayout, TooSmallSizesAreRefusedRuleByRule) {
  HistoryGeometry g = historyDesignGeometry();
  applyHistoryResize(g, 9000, 7000);
  const HistoryGeometry before = g;
  applyHistoryResize(g, 2000, 2000);
  // W = 1810, H = 1400: sizes that would be negative keep their values ...
  EXPECT_EQ(g.dataFrame.height, before.dataFrame.height);
  EXPECT_EQ(g.vaGrid.height, before.vaGrid.height - 0);
  EXPECT_EQ(g.opEvGrid.height, 450);
  EXPECT_EQ(g.ProgBar.width, before.ProgBar.width);
  // ... while the rules after them still run.
  EXPECT_EQ(g.dataFrame.width, 1555);
  EXPECT_EQ(g.vaGrid.width, 1305);
  EXPECT_EQ(g.sigFrame.top, -600);
  EXPECT_EQ(g.iPlotX.height, before.iPlotX.height);
  EXPECT_EQ(g.iPlotX.width, 860);
  EXPECT_EQ(g.YSlider.left, 930);
}

TEST(HistoryLayout, MinimizedChangesNothing) {
  HistoryGeometry g = historyDesignGeometry();
  applyHistoryResize(g, 9000, 7000);
  const HistoryGeometry before = g;
  applyHistoryResize(g, 20000, 20000, /*minimized=*/true);
  EXPECT_EQ(g.DataTab, before.DataTab);
  EXPECT_EQ(g.formWidth, before.formWidth);
  EXPECT_EQ(g.iPlotX, before.iPlotX);
}

TEST(HistoryLayout, ToolButtonsShareOneRow) {
  EXPECT_EQ(toolButtonGeometry(0), (TwipRect{135, 390, 405, 360}));
  EXPECT_EQ(toolButtonGeometry(5), (TwipRect{2160, 390, 405, 360}));
}

TEST(Twips, ConvertAtTheScreensDpi) {
  EXPECT_EQ(twipsToPixels(1440, 96), 96);
  EXPECT_EQ(twipsToPixels(15, 96), 1);
  EXPECT_EQ(twipsToPixels(8760, 96), 584);
  EXPECT_EQ(twipsToPixels(8760, 144), 876);
  EXPECT_EQ(pixelsToTwips(584, 96), 8760);
  EXPECT_EQ(pixelsToTwips(100, 120), 1200);
}

}  // namespace
}  // namespace tarvex
