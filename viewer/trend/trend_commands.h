// The Trend Data tab's work without widgets: the historical plot builder
// (plotHistData), the setup dialog's opening, the data cursor, the picture
// and the printout, and the two zoom sliders. Everything it does with the
// user goes through UserInterface, with the plot through TrendPlot and with
// the window through TrendWindow, so tests run it headless.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <optional>

#include "logfiles/logtable.h"
#include "shell/userinterface.h"
#include "trend/trend_operations.h"
#include "trend/trend_plot.h"
#include "trend/trend_setup_logic.h"

namespace tarvex {

// How often a build moves the progress bar and lets events run. The row
// loop asks due() every rowsPerCheck rows; when it answers true the bar is
// set to the current percent and events run once. The default asks every
// 1024 rows and answers true every 30 ms, so the work stays responsive
// without paying for the event loop per point.
struct PlotPacing {
  int rowsPerCheck = 1024;
  std::function<bool()> due;  // empty: every 30 ms

  // Every row: the bar moves and events run once per point (tests).
  static PlotPacing everyRow();
};

// Opens the setup dialog modally on a filled session and returns when it
// is closed; the dialog calls the session's OKButton() and chooseColor().
using TrendSetupOpener = std::function<void(TrendSetupSession&)>;

// The texts of the build's endings.
QString plotCanceledText();  // "Historical plot has been canceled by user."
QString plotFailedText();    // "Marvesk data viewer encountered errors ..."

class TrendCommands : public TrendOperations {
 public:
  // The references must outlive the commands. `vaGrid` is the data table the
  // builder reads; `f_Plotting` is the program-wide flag that the Cancel
  // button lowers. `openSetup` shows the setup dialog (empty: none is shown).
  TrendCommands(UserInterface& ui, TrendWindow& window, TrendPlot& plot, const LogTable& vaGrid,
                bool& f_Plotting, TrendSetupOpener openSetup = {});

  // The axis spans the last completed build left: the bases of the zoom
  // sliders. Empty before the first completed build; a cancelled or failed
  // build leaves them as they were.
  std::optional<double> historyXspan;
  std::optional<double> historyYspan;
  // The X axis minimum the last completed build left: DateSlider's position
  // 0 restores it with historyXspan, undoing pans and wheel zooms.
  std::optional<double> historyXmin;

  void setPacing(PlotPacing pacing) { pacing_ = std::move(pacing); }
  void setSetupOpener(TrendSetupOpener openSetup) { openSetup_ = std::move(openSetup); }

  // ---- TrendOperations ------------------------------------------------------
  void setPlotTitle(const QString& title) override;
  // One channel per selected column (blocks in order, columns left to
  // right), one point per selected row: X = the date of column 0 + the time
  // of day of column 1, Y = the cell's number or a gap (NaN) when the cell is
  // not numeric. The Y axis is then set to span the values and 0. Cancel
  // (f_Plotting lowered) is honoured between channels; a fault (a date or
  // time that does not read, a plot fault) ends the build with its message.
  // Either way the channels made so far stay. A call while a build runs is
  // refused with the busy message.
  void plotHistData(const TableSelection& selection) override;
  bool building() const override { return building_; }
  // Opens the setup dialog filled from the plot.
  void FrmHistoryTrendSetup() override;
  // Shows the data cursor when hidden, hides it when shown.
  void toggleCursor() override;
  // Asks for a file name ("Save trend jpeg as?") and writes the plot as a
  // JPEG picture; a cancelled dialog does nothing, any other fault shows
  // "Jpeg file can not be saved. Check filename or disk space".
  void saveToJpeg() override;
  // Asks for a printer and prints the plot; faults and Cancel are ignored.
  void printHistoryPlot() override;

  // ---- Zoom sliders -----------------------------------------------------------
  // Position changes of DateSlider (X axis, historyXspan) and YSlider (Y
  // axis, historyYspan): position 100 is moved back to 99; the axis span
  // becomes (100 - position) % of the base span with its minimum kept.
  // Ignored while the base is empty or 0.
  void dateSliderChanged(int position);
  void ySliderChanged(int position);

 private:
  void zoom(TrendAxis axis, int position, const std::optional<double>& base);
  void endBuild();

  UserInterface& ui_;
  TrendWindow& win_;
  TrendPlot& plot_;
  const LogTable& vaGrid_;
  bool& f_Plotting_;
  TrendSetupOpener openSetup_;
  PlotPacing pacing_;
  bool building_ = false;
};

}  // namespace tarvex
