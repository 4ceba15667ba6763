// A Trend Data tab for the command tests: records what the commands ask of
// it and draws nothing.
#pragma once

#include <QString>
#include <vector>

#include "trend/trend_operations.h"

namespace tarvex::test {

class RecordingTrend : public TrendOperations {
 public:
  void setPlotTitle(const QString& title) override { plotTitle = title; }
  void plotHistData(const TableSelection& selection) override { plots.push_back(selection); }
  bool building() const override { return buildingNow; }
  void FrmHistoryTrendSetup() override { ++setups; }
  void toggleCursor() override {}
  void saveToJpeg() override {}
  void printHistoryPlot() override {}

  QString plotTitle;
  std::vector<TableSelection> plots;
  int setups = 0;
  bool buildingNow = false;
};

}  // namespace tarvex::test
