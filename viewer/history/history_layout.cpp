#include "history/history_layout.h"

namespace tarvex {

HistoryGeometry historyDesignGeometry() {
  HistoryGeometry g;
  g.formWidth = kHistoryDesignWidth;
  g.formHeight = kHistoryDesignHeight;
  g.DataTab = {45, 90, 8760, 6255};
  g.DcryLabel = {2760, 503, 1890, 225};
  g.ProgBar = {4665, 480, 3960, 270};
  g.dataFrame = {165, 795, 8520, 3450};
  g.vaGrid = {135, 210, 8265, 3150};
  g.sigFrame = {150, 4305, 8520, 1815};
  g.digiSigGrid = {135, 255, 8265, 1500};
  g.opEvGrid = {135, 810, 8535, 5355};
  g.auditNameLab = {1860, 450, 6735, 270};
  g.auditDataFrame = {165, 795, 8520, 3450};
  g.auditGrid = {135, 210, 8265, 3150};
  g.auditSigFrame = {165, 4305, 8520, 1815};
  g.auditSigGrid = {135, 225, 8265, 1500};
  g.almNameLab = {1455, 450, 7140, 270};
  g.alarmGrid = {135, 810, 8535, 5355};
  g.iPlotX = {135, 810, 7845, 4710};
  g.YSlider = {7905, 765, 765, 4770};
  g.DateSlider = {60, 5475, 7995, 705};
  return g;
}

TwipRect toolButtonGeometry(int index) { return {135 + 405 * index, 390, 405, 360}; }

namespace {

// A property assignment the control may refuse: sizes below zero are
// invalid property values and leave the old value.
void setSize(int& property, int value) {
  if (value >= 0) property = value;
}
void setPosition(int& property, int value) { property = value; }

}  // namespace

void applyHistoryResize(HistoryGeometry& g, int mainInnerWidth, int mainInnerHeight,
                        bool minimized) {
  if (minimized) return;
  setSize(g.formWidth, mainInnerWidth);
  setSize(g.formHeight, mainInnerHeight);

  setSize(g.DataTab.width, g.formWidth - 190);
  setSize(g.DataTab.height, g.formHeight - 600);
  const int& W = g.DataTab.width;
  const int& H = g.DataTab.height;

  setSize(g.dataFrame.width, W - 255);
  setSize(g.dataFrame.height, H - 2810);
  setSize(g.vaGrid.width, g.dataFrame.width - 250);
  setSize(g.vaGrid.height, g.dataFrame.height - 320);
  setPosition(g.sigFrame.top, H - 2000);
  setSize(g.sigFrame.width, W - 255);
  setSize(g.digiSigGrid.width, g.sigFrame.width - 280);

  setSize(g.auditDataFrame.width, W - 255);
  setSize(g.auditDataFrame.height, H - 2810);
  setSize(g.auditGrid.width, g.dataFrame.width - 250);
  setSize(g.auditGrid.height, g.dataFrame.height - 320);
  setPosition(g.auditSigFrame.top, H - 2000);
  setSize(g.auditSigFrame.width, W - 255);
  setSize(g.auditSigGrid.width, g.auditSigFrame.width - 280);
  setSize(g.auditNameLab.width, W - 2000);

  setSize(g.opEvGrid.width, W - 255);
  setSize(g.opEvGrid.height, H - 950);
  setSize(g.alarmGrid.width, W - 255);
  setSize(g.alarmGrid.height, H - 950);
  setSize(g.almNameLab.width, W - 1800);

  setPosition(g.ProgBar.left, g.DcryLabel.left + g.DcryLabel.width + 20);
  setSize(g.ProgBar.width, W - 4800);

  setSize(g.iPlotX.width, W - 950);
  setSize(g.iPlotX.height, H - 1500);
  setPosition(g.YSlider.top, g.iPlotX.top - 40);
  setSize(g.YSlider.height, g.iPlotX.height + 120);
  setPosition(g.YSlider.left, g.iPlotX.width + 70);
  setPosition(g.DateSlider.top, g.iPlotX.height + 740);
  setPosition(g.DateSlider.left, g.iPlotX.left - 95);
  setSize(g.DateSlider.width, g.iPlotX.width + 220);
}

}  // namespace tarvex
