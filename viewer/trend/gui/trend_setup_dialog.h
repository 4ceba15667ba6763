// TrendSetup ("Trend Scaling Setup"): the widget of the trend scaling setup
// dialog. It shows a TrendSetupSession's fields, routes the colour buttons
// to the session's chooseColor() and OK to its OKButton(); the session does
// the work. Controls carry the names the operators' reports use
// (TrendZeroAnalog, PWidth3, ...) as object names.
#pragma once

#include <QDialog>
#include <array>

#include "trend/trend_commands.h"
#include "trend/trend_setup_logic.h"

class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QPushButton;

namespace tarvex {

class TrendSetup : public QDialog {
  Q_OBJECT

 public:
  // `session` must outlive the dialog.
  explicit TrendSetup(TrendSetupSession& session, QWidget* owner = nullptr);

  // The fields as the widgets show them.
  TrendSetupFields shownFields() const;

  QDoubleSpinBox* TrendDaysAnalog = nullptr;
  QDoubleSpinBox* TrendHoursAnalog = nullptr;
  QDoubleSpinBox* TrendMinutesAnalog = nullptr;
  QDoubleSpinBox* XminorTicks = nullptr;
  QComboBox* XscaleFormat = nullptr;
  QFrame* XcolorLabel = nullptr;
  QPushButton* YscaleColor = nullptr;  // picks XcolorLabel's colour
  QDoubleSpinBox* TrendZeroAnalog = nullptr;
  QDoubleSpinBox* TrendSpanAnalog = nullptr;
  QDoubleSpinBox* YminorTicks = nullptr;
  QFrame* YcolorLabel = nullptr;
  QPushButton* Xscalecolor = nullptr;  // picks YcolorLabel's colour
  QFrame* BgColorLabel = nullptr;
  QPushButton* trendBgColor = nullptr;
  std::array<QComboBox*, kTrendSetupPens> PenAssign{};
  std::array<QFrame*, kTrendSetupPens> PenClr{};
  std::array<QPushButton*, kTrendSetupPens> PenClrBtn{};
  std::array<QDoubleSpinBox*, kTrendSetupPens> PWidth{};
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  void pick(QColor& field, QFrame* swatch);
  void okClicked();

  TrendSetupSession& session_;
};

// Opens TrendSetup modally over `owner` (the main window) for each session.
TrendSetupOpener trendSetupOpener(QWidget* owner);

}  // namespace tarvex
