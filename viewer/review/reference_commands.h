// The trend's reference batch as the operator works it: "Compare With..."
// (the Trend Data tool bar's fifth button and the trend's context menu),
// "Remove Reference", the alignment, the typed offset and "Show
// Differences". Everything with the user goes through UserInterface and
// with the plot through TrendPlot, so `tarvex plot --reference` and the
// tests run the same steps without windows.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "logfiles/date_order.h"
#include "review/reference_overlay.h"
#include "shell/userinterface.h"
#include "trend/trend_menu.h"
#include "trend/trend_plot.h"

namespace tarvex {

class VxLog;

class ReferenceCommands {
 public:
  // The references must outlive the commands. `startDir` gives the folder
  // the open dialog starts in (empty: the current folder).
  ReferenceCommands(UserInterface& ui, TrendPlot& plot, VxLog& sigLog,
                    std::function<QString()> startDir = {});
  ~ReferenceCommands();

  // "Compare With...": the open dialog (title "Open Reference Data File",
  // the data file's filter and flags), then showReference(). A cancelled
  // dialog does nothing.
  void compareWith();
  // Reads the data history file at `path` as the reference: the data file's
  // reader, the channels of the plot's titles, its ".sig" verified once
  // (a failure is said in a message before the reference is drawn; a file
  // without one is compared all the same). Laid by the present alignment
  // and drawn, with the differences when they are on. Refused with a
  // message when the plot has no points yet or the reference shares no
  // title with its channels; a file that cannot be read is reported as
  // "Error N = ... in function compareWith". Returns whether it is shown.
  bool showReference(const QString& path);
  // "Remove Reference": the reference's traces and line go.
  void removeReference();
  // Whether a reference is shown (a new plot build takes it away).
  bool showing() const;

  // The order the reference's dates are read in (the viewer's --date-order);
  // none: the order its own dates decide, as the data file's reader does.
  void setDateOrder(std::optional<DateOrder> order) { dateOrder_ = order; }

  Alignment alignment() const { return alignment_; }
  void setAlignMode(AlignMode mode);
  void setOffset(TimeMs offset);
  // Asks for the offset (+-H:MM:SS); a text that does not read is said
  // and changes nothing; Cancel changes nothing.
  void askOffset();
  bool showDifferences() const { return differences_; }
  void setShowDifferences(bool on);

  // The reference shown; null when none.
  const ReferenceOverlay* overlay() const;

  // The context menu's entries: "Compare With..." and, while a reference
  // is shown, "Remove Reference", the three alignments (checked as set),
  // "Offset (+H:MM:SS)..." and "Show Differences".
  std::vector<TrendMenuEntry> menuEntries();

 private:
  void redraw();

  UserInterface& ui_;
  TrendPlot& plot_;
  VxLog& sigLog_;
  std::function<QString()> startDir_;
  std::unique_ptr<ReferenceOverlay> overlay_;
  Alignment alignment_;
  bool differences_ = false;
  std::optional<DateOrder> dateOrder_;
};

// "Open Reference Data File".
QString referenceDialogTitle();

}  // namespace tarvex
