// The Trend Data tab's operations as the history window's commands call
// them: the plot builder, the setup dialog and the trend view's actions.
#pragma once

#include <QString>

#include "logfiles/logtable.h"

namespace tarvex {

class TrendOperations {
 public:
  virtual ~TrendOperations() = default;
  // Shows `title` as the plot's TitleText.
  virtual void setPlotTitle(const QString& title) = 0;
  // Builds the trend of `selection`, blocks of vaGrid that passed the
  // selection check (checkPlotSelection).
  virtual void plotHistData(const TableSelection& selection) = 0;
  // True from the start of a build to its end, also after Cancel was
  // pressed and before the build has noticed it.
  virtual bool building() const = 0;
  // The trend scaling setup dialog, filled from the plot.
  virtual void FrmHistoryTrendSetup() = 0;
  virtual void toggleCursor() = 0;
  virtual void saveToJpeg() = 0;
  virtual void printHistoryPlot() = 0;
};

}  // namespace tarvex
