// The trend scaling setup dialog (TrendSetup, "Trend Scaling Setup")
// without widgets: its fields, the opening fill from the plot, OK's steps
// and the colour buttons. The dialog widget shows a session's fields and
// calls OKButton(); tests drive a session directly.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <array>

#include "shell/userinterface.h"
#include "trend/trend_plot.h"

namespace tarvex {

// The pens the dialog offers ("1)" to "12)").
inline constexpr int kTrendSetupPens = 12;

// The patterns offered by XscaleFormat, in order.
QStringList xScaleFormats();

// One pen: PenClr(i), PenClrBtn(i) and PWidth(i) (PenAssign(i) is always
// disabled and never read, so it has no field).
struct TrendSetupPen {
  bool enabled = false;  // PWidth(i) and PenClrBtn(i)
  QColor color{192, 192, 192};
  double width = 1;  // 1..5, no decimals
};

// Every field the dialog edits.
struct TrendSetupFields {
  // X Axis Setup. TrendDaysAnalog, TrendHoursAnalog and TrendMinutesAnalog
  // are shown disabled and never read.
  double xMinorTicks = 1;  // XminorTicks, 1..30
  QString xScaleFormat = QStringLiteral("XscaleFormat");
  QColor xColor{Qt::black};  // XcolorLabel
  // Y Axis Setup.
  double trendZero = 0;           // TrendZeroAnalog, -10000..10000
  double trendSpan = 100;         // TrendSpanAnalog (the Y axis's upper end)
  double yMinorTicks = 1;         // YminorTicks, 1..30
  QColor yColor{Qt::black};       // YcolorLabel
  QColor bgColor{212, 212, 212};  // BgColorLabel
  std::array<TrendSetupPen, kTrendSetupPens> pens;
};

// One opening of the dialog: filled from the plot when made; OKButton()
// writes back. Keeps no state between openings. `ui` and `plot` must
// outlive it.
class TrendSetupSession {
 public:
  // The opening fill (FrmHistoryTrendSetup). A fault in a step is reported
  // with the label "FrmHistoryTrendSetup" and the next step runs.
  TrendSetupSession(UserInterface& ui, TrendPlot& plot);

  TrendSetupFields fields;

  // OK's steps in order. Returns false, with the message "Trend Zero must be
  // less than trend span time!" and nothing applied, when Trend Zero is not
  // below Trend Span (the dialog stays open); otherwise applies every field
  // and returns true (the dialog closes). A fault in a step is reported with
  // the label "TrendSetupHisotryOkBtn" and the next step runs.
  bool OKButton();

  // A colour button: the colour dialog starting at `swatch`'s colour; the
  // chosen colour replaces it. A cancelled or failing dialog leaves it.
  void chooseColor(QColor& swatch);

 private:
  UserInterface& ui_;
  TrendPlot& plot_;
};

// Rounds to the nearest integer, halves to even.
int roundHalfEven(double value);

}  // namespace tarvex
