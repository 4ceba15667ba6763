// The reference overlay on the real trend plot: the current batch plotted
// by the viewer's builder, a reference laid over it through the same steps
// as "Compare With...", what is drawn, what the readout says, and the
// refusals.
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

#include "history/tests/scripted_ui.h"
#include "logfiles/readers.h"
#include "review/reference_commands.h"
#include "shell/codepage.h"
#include "signatures/vxlog.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/trend_commands.h"

namespace tarvex {
namespace {

// Current: A and B every 10 s from 1/1/2007 06:00:00 (B has a gap); C only
// here.
const QByteArray kCurrent =
    "Date,Time,A,B,C\r\n"
    "1/1/2007,06:00:00,10,1,5\r\n"
    "1/1/2007,06:00:10,12,2,5\r\n"
    "1/1/2007,06:00:20,14,,5\r\n"
    "1/1/2007,06:00:30,13,4,5\r\n"
    "1/1/2007,06:00:40,11,5,5\r\n";
// Reference: three days earlier from 08:00:00 every 20 s, its columns in
// another order and spelt otherwise.
const QByteArray kReference =
    "Date,Time, b ,a\r\n"
    "12/29/2006,08:00:00,0,9\r\n"
    "12/29/2006,08:00:20,2,13\r\n"
    "12/29/2006,08:00:40,x,10\r\n"
    "12/29/2006,08:01:00,3,20\r\n";

class ReferenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    current = write("run7.csv", kCurrent);
    reference = write("gold.csv", kReference);
    loadHistData(table, current);
    TrendCommands trend(ui, window, plot, table, plotting);
    trend.setPlotTitle(QStringLiteral("Data File: run7"));
    trend.plotHistData({{{2, -1, 4, -1}}, 1});
    ASSERT_EQ(plot.channelCount(), 3);
    ui.log.clear();
    ui.messages.clear();
  }

  QString write(const char* name, const QByteArray& bytes) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }

  // A ".sig" beside `path` holding one record whose hash is `hash`.
  void sign(const QString& path, const QString& hash) {
    const QString record = QStringLiteral("1/5/2007,09:00:00,Jane Miller,Golden batch,") + hash;
    const QString pw = QString::fromUtf16(kSigPassword);
    QFile f(dir.filePath(QFileInfo(path).completeBaseName() + QStringLiteral(".sig")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(sigLog.EncryptToHex(bytesAsLowByteText(encodeCp1252(record)), pw).toLatin1() + "\r\n");
  }

  QTemporaryDir dir;
  QString current, reference;
  LogTable table;
  test::ScriptedUi ui;
  WindowlessTrend window;
  QcpTrendPlot plot;
  bool plotting = false;
  VxLog sigLog;
};

TEST_F(ReferenceTest, DrawnDashedInTheChannelsColoursMatchedByTitle) {
  ReferenceCommands cmds(ui, plot, sigLog, [] { return QStringLiteral("/data"); });
  const TrendAxisSettings builtY = plot.axis(TrendAxis::Y);  // 0 .. 14
  ui.openAnswers = {reference};
  cmds.compareWith();
  ASSERT_EQ(ui.openDialogs.size(), 1u);
  EXPECT_EQ(ui.openDialogs[0].title, QStringLiteral("Open Reference Data File"));
  EXPECT_EQ(ui.openDialogs[0].filter, QStringLiteral("Log Files(*.csv)|*.csv"));
  EXPECT_EQ(ui.openDialogs[0].flags, 0x1004);
  EXPECT_EQ(ui.openDialogs[0].initDir, QStringLiteral("/data\\"));
  ASSERT_TRUE(cmds.showing());
  EXPECT_TRUE(ui.messages.empty());  // unsigned: no message

  // Two traces, A and B, never C; the channels are untouched.
  EXPECT_EQ(plot.channelCount(), 3);
  ASSERT_EQ(plot.overlayTraceCount(), 2);
  for (int i = 0; i < 2; ++i) {
    const QCPGraph* g = plot.overlayGraph(i);
    const TrendChannelStyle channel = plot.channelStyle(i);
    EXPECT_EQ(g->name(), channel.titleText + QStringLiteral(" (reference)"));
    EXPECT_EQ(g->pen().color(), channel.color);
    EXPECT_EQ(g->pen().style(), Qt::DashLine);
    // tarvex plot's legend names it in its colour, as it names the channels.
    const QCPPlottableLegendItem* item = plot.widget()->legend->itemWithPlottable(g);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->textColor(), channel.color);
  }
  // A's reference at start alignment: 9, 13, 10, 20 from 06:00:00 every 20 s.
  ASSERT_EQ(plot.overlayPointCount(0), 4u);
  EXPECT_NEAR(plot.overlayPoint(0, 0).x, plot.point(0, 0).x, 1e-9);
  EXPECT_EQ(plot.overlayPoint(0, 1).y, 13);
  EXPECT_EQ(plot.overlayTitleLine(), QStringLiteral("Reference: gold, shifted 2 d 22:00:00"));

  // The readout: values of the reference where the cursors read, the
  // differences, and the range's statistics; C is said not to be compared.
  const ReferenceOverlay* o = cmds.overlay();
  ASSERT_NE(o, nullptr);
  const double x0 = plot.point(0, 0).x, x30 = plot.point(0, 3).x;
  const Measurement m = measure(plot, x0, x30, x0, plot.point(0, 4).x, o);
  ASSERT_EQ(m.channels.size(), 3u);
  EXPECT_EQ(m.channels[0].ref1, 9);
  EXPECT_EQ(m.channels[0].d1, 1);
  EXPECT_EQ(m.channels[0].ref2, 11.5);
  EXPECT_EQ(m.channels[0].d2, 1.5);
  EXPECT_EQ(m.channels[0].diff.count, 4u);  // 06:00:00 .. 06:00:30
  EXPECT_DOUBLE_EQ(m.channels[0].diff.maxAbs, 1.5);
  EXPECT_DOUBLE_EQ(m.channels[0].diff.mean, 4.5 / 4);
  EXPECT_NEAR(m.channels[0].diff.rms, std::sqrt(5.25 / 4), 1e-12);
  EXPECT_EQ(m.channels[1].diff.count, 2u);  // B: the gaps are not bridged
  EXPECT_FALSE(m.channels[2].compared);
  const QString text = measurementText(m, QStringLiteral("h:nn:ss"));
  EXPECT_TRUE(text.contains(QStringLiteral("reference unsigned"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("C\t5\tnot in reference"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("Max |\u0394|\tMean \u0394\tRMS \u0394")));
  EXPECT_FALSE(text.contains(QStringLiteral("no overlap")));

  // The value axis widened to hold the reference's 20; it narrows back
  // when the reference goes.
  EXPECT_EQ(plot.axis(TrendAxis::Y).min + plot.axis(TrendAxis::Y).span, 20);
  cmds.removeReference();
  EXPECT_EQ(plot.axis(TrendAxis::Y).min, builtY.min);
  EXPECT_EQ(plot.axis(TrendAxis::Y).span, builtY.span);
  EXPECT_FALSE(cmds.showing());
  EXPECT_EQ(plot.overlayTraceCount(), 0);
  EXPECT_EQ(plot.overlayTitleLine(), QString());
  EXPECT_EQ(plot.channelCount(), 3);
  EXPECT_EQ(plot.widget()->graphCount(), 3);
  EXPECT_FALSE(plot.measurementText().contains(QStringLiteral("Ref1")));
}

TEST_F(ReferenceTest, AlignmentOffsetAndDifferencesFromTheMenu) {
  ReferenceCommands cmds(ui, plot, sigLog);
  ASSERT_TRUE(cmds.showReference(reference));
  auto choose = [&](const QString& text) {
    for (const TrendMenuEntry& e : cmds.menuEntries())
      if (e.text == text) return e.action();
    FAIL() << "no entry " << text.toStdString();
  };
  choose(QStringLiteral("Align at end"));
  EXPECT_EQ(cmds.overlay()->shift(), 2 * 86400000LL + (21 * 3600 + 59 * 60 + 40) * 1000LL);
  EXPECT_EQ(plot.overlayTitleLine(), QStringLiteral("Reference: gold, shifted 2 d 21:59:40"));

  choose(QStringLiteral("Clock time"));
  EXPECT_EQ(cmds.overlay()->shift(), 0);
  EXPECT_FALSE(cmds.overlay()->overlap());
  EXPECT_TRUE(plot.measurementText().contains(QStringLiteral("no overlap")));

  // A typed offset on the clock: -1 h moves the reference an hour earlier.
  ui.inputAnswers = {QStringLiteral("-1:00:00")};
  choose(QStringLiteral("Offset (0:00:00)..."));
  EXPECT_EQ(cmds.overlay()->shift(), -3600000);
  EXPECT_EQ(plot.overlayTitleLine(), QStringLiteral("Reference: gold, shifted \u22121:00:00"));
  ui.inputAnswers = {QStringLiteral("soon")};
  choose(QStringLiteral("Offset (-1:00:00)..."));
  EXPECT_EQ(cmds.overlay()->shift(), -3600000);
  EXPECT_TRUE(ui.messages.back().prompt.contains("+H:MM:SS"));

  // Differences: one dotted trace per compared channel, current - reference;
  // a scale far below the values' goes on the second axis.
  ui.inputAnswers = {QStringLiteral("+70:00:00")};
  choose(QStringLiteral("Offset (-1:00:00)..."));
  choose(QStringLiteral("Show Differences"));
  ASSERT_EQ(plot.overlayTraceCount(), 4);
  const QCPGraph* d = plot.overlayGraph(1);
  EXPECT_EQ(d->name(), QStringLiteral("A (difference)"));
  EXPECT_EQ(d->pen().style(), Qt::DotLine);
  ASSERT_EQ(plot.overlayPointCount(1), 5u);
  EXPECT_EQ(plot.overlayPoint(1, 1).y, 1);             // 12 - 11
  EXPECT_EQ(plot.overlayPoint(1, 3).y, 1.5);           // 13 - 11.5
  EXPECT_TRUE(std::isnan(plot.overlayPoint(3, 3).y));  // B next to a gap
  EXPECT_EQ(d->valueAxis(), plot.widget()->yAxis2);
  EXPECT_TRUE(plot.widget()->yAxis2->visible());
  bool checked = false;
  for (const TrendMenuEntry& e : cmds.menuEntries())
    if (e.text == QStringLiteral("Show Differences")) checked = e.checked;
  EXPECT_TRUE(checked);

  // A new build takes the reference away: the menu offers only Compare With.
  TrendCommands trend(ui, window, plot, table, plotting);
  trend.plotHistData({{{2, -1, 3, -1}}, 1});
  EXPECT_FALSE(cmds.showing());
  EXPECT_EQ(plot.overlayTraceCount(), 0);
  EXPECT_FALSE(plot.widget()->yAxis2->visible());
  EXPECT_EQ(cmds.menuEntries().size(), 1u);
}

TEST_F(ReferenceTest, SignaturesAndRefusals) {
  ReferenceCommands cmds(ui, plot, sigLog);
  // A signature that confirms: no message, the readout says it is signed.
  sign(reference, sigLog.CalculateFileHash(reference, QString::fromUtf16(kSigPassword)));
  ASSERT_TRUE(cmds.showReference(reference));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(cmds.overlay()->signature().state, ReferenceSignature::State::Confirmed);
  EXPECT_TRUE(plot.measurementText().contains(QStringLiteral("reference signed")));

  // One that fails: said plainly first, then drawn all the same.
  sign(reference, QStringLiteral("0 1 2 3"));
  ui.log.clear();
  ASSERT_TRUE(cmds.showReference(reference));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].style, mb::Critical);
  EXPECT_TRUE(ui.messages[0].prompt.contains(QStringLiteral("gold failed")));
  EXPECT_EQ(plot.overlayTraceCount(), 2);
  EXPECT_TRUE(plot.measurementText().contains("reference signature failed"));

  // No title in common: refused with both files' titles, the shown
  // reference stays.
  const QString other = write("other.csv", "Date,Time,Speed\r\n1/1/2007,06:00:00,1\r\n");
  EXPECT_FALSE(cmds.showReference(other));
  EXPECT_TRUE(ui.messages.back().prompt.contains(QStringLiteral("run7: A, B, C")));
  EXPECT_TRUE(ui.messages.back().prompt.contains(QStringLiteral("other: Speed")));
  EXPECT_EQ(plot.overlayTraceCount(), 2);

  // A file that does not read: the error report.
  EXPECT_FALSE(cmds.showReference(dir.filePath("missing.csv")));
  EXPECT_TRUE(ui.messages.back().prompt.startsWith(QStringLiteral("Error 53 = ")));
  EXPECT_TRUE(ui.messages.back().prompt.contains(QStringLiteral("in function compareWith")));

  // Cancel in the dialog: nothing.
  const std::size_t before = ui.messages.size();
  cmds.compareWith();
  EXPECT_EQ(ui.messages.size(), before);
  EXPECT_TRUE(cmds.showing());
}

}  // namespace
}  // namespace tarvex

int main(int argc, char** argv) {
  // The plot is a widget; no display is needed (test discovery runs this too).
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
