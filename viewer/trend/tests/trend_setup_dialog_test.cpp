// The TrendSetup widget: its fields, ranges and enabled states, and that
// its buttons reach the session (the logic is tested on its own).
#include "trend/gui/trend_setup_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "fake_trend.h"

namespace tarvex {
namespace {

TEST(TrendSetupDialog, ShowsEveryFieldWithItsRangeAndState) {
  test::TrendUi ui;
  test::FakePlot plot;
  plot.clearChannels();
  for (int i = 0; i < 3; ++i) plot.addChannel({QStringLiteral("C%1").arg(i), 3, {}});
  TrendSetupSession session(ui, plot);
  TrendSetup d(session);
  EXPECT_EQ(d.windowTitle(), "Trend Scaling Setup");

  QStringList groups;
  for (auto* g : d.findChildren<QGroupBox*>()) groups << g->title();
  EXPECT_EQ(groups, (QStringList{"X Axis Setup", "Y Axis Setup", "Trend Pen Setup"}));
  QStringList labels;
  for (auto* l : d.findChildren<QLabel*>()) labels << l->text();
  for (const char* text :
       {"Trend Days", "Trend Hours", "Trend Minutes", "Minor Ticks", "Scale Format", "Scale Color",
        "Trend Zero", "Trend Span",
        "Trend Background Color:", "Pen Assignment:", "Color:", "Width:", "1)", "12)"})
    EXPECT_TRUE(labels.contains(text)) << text;

  EXPECT_FALSE(d.TrendDaysAnalog->isEnabled());
  EXPECT_FALSE(d.TrendHoursAnalog->isEnabled());
  EXPECT_FALSE(d.TrendMinutesAnalog->isEnabled());
  EXPECT_EQ(d.TrendDaysAnalog->maximum(), 7);
  EXPECT_EQ(d.TrendHoursAnalog->maximum(), 23);
  EXPECT_EQ(d.TrendMinutesAnalog->minimum(), 1);
  EXPECT_EQ(d.TrendMinutesAnalog->maximum(), 59);
  EXPECT_EQ(d.TrendMinutesAnalog->value(), 1);
  EXPECT_EQ(d.XminorTicks->value(), 3);
  EXPECT_EQ(d.XminorTicks->maximum(), 30);
  EXPECT_EQ(d.XminorTicks->decimals(), 0);
  EXPECT_EQ(d.TrendZeroAnalog->minimum(), -10000);
  EXPECT_EQ(d.TrendZeroAnalog->maximum(), 10000);
  EXPECT_LE(d.TrendSpanAnalog->minimum(), -10000);
  EXPECT_GE(d.TrendSpanAnalog->maximum(), 10000);
  EXPECT_EQ(d.TrendSpanAnalog->value(), 100);
  EXPECT_EQ(d.XscaleFormat->count(), 6);
  EXPECT_EQ(d.XscaleFormat->itemText(0), "hh:nn:ss");
  EXPECT_EQ(d.XscaleFormat->currentText(), "m/d/yy h:nn:ss am/pm");
  EXPECT_TRUE(d.XscaleFormat->isEditable());
  for (int i = 0; i < 12; ++i) {
    EXPECT_FALSE(d.PenAssign[i]->isEnabled());
    EXPECT_EQ(d.PenAssign[i]->currentText(), "Select Controller");
    EXPECT_EQ(d.PWidth[i]->isEnabled(), i < 3) << i;
    EXPECT_EQ(d.PenClrBtn[i]->isEnabled(), i < 3) << i;
    EXPECT_EQ(d.PWidth[i]->minimum(), 1);
    EXPECT_EQ(d.PWidth[i]->maximum(), 5);
  }
  EXPECT_EQ(d.PWidth[0]->value(), 3);
}

TEST(TrendSetupDialog, ButtonsReachTheSession) {
  test::TrendUi ui;
  test::FakePlot plot;
  TrendSetupSession session(ui, plot);
  TrendSetup d(session);
  // The "..." of the X frame sets the X swatch, the one of the Y frame the Y swatch.
  ui.colorAnswers = {QColor(Qt::darkCyan), QColor(Qt::darkYellow), QColor(Qt::white)};
  d.YscaleColor->click();
  d.Xscalecolor->click();
  d.trendBgColor->click();
  EXPECT_EQ(d.XcolorLabel->palette().color(QPalette::Window), QColor(Qt::darkCyan));
  EXPECT_EQ(d.YcolorLabel->palette().color(QPalette::Window), QColor(Qt::darkYellow));
  EXPECT_EQ(d.BgColorLabel->palette().color(QPalette::Window), QColor(Qt::white));
  d.PenClrBtn[0]->click();  // cancelled: the swatch stays
  EXPECT_EQ(d.PenClr[0]->palette().color(QPalette::Window), plot.channels[0].style.color);

  // Equal values: refused, the dialog stays open; then applied.
  d.show();
  d.TrendZeroAnalog->setValue(20);
  d.TrendSpanAnalog->setValue(20);
  d.OKButton->click();
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(ui.messages.back().prompt, "Trend Zero must be less than trend span time!");
  d.TrendSpanAnalog->setValue(70);
  d.PWidth[0]->setValue(4);
  d.XscaleFormat->setEditText("hh:nn");
  d.OKButton->click();
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_DOUBLE_EQ(plot.y.min, 20);
  EXPECT_DOUBLE_EQ(plot.y.span, 50);
  EXPECT_EQ(plot.x.dateTimeFormat, "hh:nn");
  EXPECT_EQ(plot.x.scaleColor, QColor(Qt::darkCyan));
  EXPECT_EQ(plot.background, QColor(Qt::white));
  EXPECT_EQ(plot.channels[0].style.traceLineWidth, 4);
}

}  // namespace
}  // namespace tarvex

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1 && QString(argv[1]) == "--shot") {
    tarvex::test::TrendUi ui;
    tarvex::test::FakePlot plot;
    tarvex::TrendSetupSession session(ui, plot);
    tarvex::TrendSetup d(session);
    d.show();
    d.grab().save(argv[2]);
    return 0;
  }
  return RUN_ALL_TESTS();
}
