// The Trend Data tab in the real history window on the sample set: the
// window's plot, sliders, progress and tool bar wired to the trend commands
// as the viewer wires them. With TARVEX_SHOTS set to a folder, pictures of
// the window are saved there on the way.
#include <qcustomplot.h>

#include <QDir>
#include <QImage>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "history/frm_history.h"
#include "history/history_commands.h"
#include "history/led_bar.h"
#include "scripted_ui.h"
#include "signatures/vxlog.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/gui/trend_setup_dialog.h"
#include "trend/trend_commands.h"

using namespace tarvex;

namespace {

void shot(QWidget& w, const char* name) {
  const QString dir = qEnvironmentVariable("TARVEX_SHOTS");
  if (dir.isEmpty()) return;
  QApplication::processEvents();
  w.grab().save(QDir(dir).filePath(QLatin1String(name) + QStringLiteral(".png")));
}

}  // namespace

class TrendWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void slidersAndProgress() {
    FrmHistory w;
    for (QSlider* s : {w.DateSlider, w.YSlider}) {
      QCOMPARE(s->minimum(), -100);
      QCOMPARE(s->maximum(), 100);
      QCOMPARE(s->singleStep(), 1);
      QCOMPARE(s->pageStep(), 10);
      QCOMPARE((s->maximum() - s->minimum()) / s->tickInterval() + 1, 11);
      QCOMPARE(s->value(), 0);
    }
    QList<int> dates, ys;
    w.setSliderHandlers([&](int p) { dates << p; }, [&](int p) { ys << p; });
    w.setDateSliderPosition(30);
    QTest::keyClick(w.YSlider, Qt::Key_PageUp);
    QTest::keyClick(w.DateSlider, Qt::Key_Right);
    QCOMPARE(dates, (QList<int>{30, 31}));
    QCOMPARE(ys, (QList<int>{10}));
    QCOMPARE(w.dateSliderPosition(), 31);
    QCOMPARE(w.ySliderPosition(), 10);
    w.setPlotProgress(42);
    QCOMPARE(w.ProgBar->position(), 42);
    w.selectTab(4);
    QCOMPARE(w.DataTab->currentIndex(), 4);
    QCOMPARE(w.caption(), QString("Data Viewer"));
  }

  void sampleTrend() {
    QTemporaryDir dir;
    QProcess sample;
    sample.start(QStringLiteral(TARVEX_EXE), {"sample", dir.path()});
    QVERIFY(sample.waitForFinished(60000));
    const QString dataFile = QDir(dir.path()).filePath("Reactor2_History.csv");
    QVERIFY(QFile::exists(dataFile));

    test::ScriptedUi ui;
    VxLog sigLog;
    ViewerGlobals g;
    FrmHistory w;
    QcpTrendPlot plot(w.iPlotX);
    plot.setUserInterface(&ui, w.caption());
    TrendCommands trend(ui, w, plot, w.vaGrid(), g.f_Plotting);
    HistoryCommands cmds(ui, w, g, &sigLog, trend);
    w.setSliderHandlers([&](int p) { trend.dateSliderChanged(p); },
                        [&](int p) { trend.ySliderChanged(p); });
    w.setClickHandler([&](ToolBar bar, int index) {
      if (bar == ToolBar::DataBarBtn) cmds.DataBarBtn_Click(index);
      if (bar == ToolBar::histBarBtn) cmds.histBarBtn_Click(index);
    });
    w.resize(1100, 760);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    ui.openAnswers = {dataFile};
    w.click(ToolBar::DataBarBtn, 0);
    QCOMPARE(plot.titleText(), QString("Data File: Reactor2_History"));

    // Three whole columns (table columns 2..4; the view starts at column 1).
    QAbstractItemModel* va = w.vaGridView->model();
    w.vaGridView->selectionModel()->select(
        QItemSelection(va->index(0, 1), va->index(va->rowCount() - 1, 3)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Columns);
    shot(w, "trend-data-selection");
    ui.log.clear();
    w.click(ToolBar::DataBarBtn, 1);
    QVERIFY2(ui.messages.empty(), qPrintable(ui.log.join('|')));
    QCOMPARE(plot.channelCount(), 3);
    QCOMPARE(plot.channelStyle(0).titleText, w.vaGrid().getCell(2, 0));
    QCOMPARE(plot.channelStyle(2).titleText, w.vaGrid().getCell(4, 0));
    QCOMPARE(plot.pointCount(0), std::size_t(w.vaGrid().lastRow()));
    QCOMPARE(w.DataTab->currentIndex(), 4);
    QVERIFY(!w.DcryLabel->isVisible());
    QVERIFY(trend.historyXspan && *trend.historyXspan > 0);
    // The X axis covers the data: from the first row's time to the last.
    const TrendPoint first = plot.point(0, 0);
    const TrendPoint last = plot.point(0, plot.pointCount(0) - 1);
    QCOMPARE(plot.axis(TrendAxis::X).min, first.x);
    QVERIFY(qAbs(*trend.historyXspan - (last.x - first.x)) < 1e-9);
    QVERIFY(plot.axis(TrendAxis::Y).min <= 0);
    shot(w, "trend-plot");

    // Cursor 1 from the tool bar, then a second one: the readout.
    w.click(ToolBar::histBarBtn, 1);
    QVERIFY(plot.cursorVisible());
    QVERIFY(plot.cursorHint().startsWith("Cursor 1 - " + w.vaGrid().getCell(2, 0)));
    shot(w, "trend-cursor");
    const double x0 = plot.axis(TrendAxis::X).min;
    plot.moveCursor(0, x0 + *trend.historyXspan * 0.25);
    plot.setSecondCursor(x0 + *trend.historyXspan * 0.6);
    QVERIFY(plot.measurementsVisible());
    QVERIFY(plot.measurementText().contains("\ndX\t"));
    shot(w, "trend-two-cursors");

    // Setup Hist Trend opens the dialog filled from the window's plot.
    bool opened = false;
    trend.setSetupOpener([&](TrendSetupSession& session) {
      TrendSetup dialog(session, &w);
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
      opened = true;
      QVERIFY(dialog.PWidth[2]->isEnabled());
      QVERIFY(!dialog.PWidth[3]->isEnabled());
      QCOMPARE(dialog.XscaleFormat->currentText(), QString("m/d/yy h:nn:ss am/pm"));
      shot(dialog, "trend-setup");
    });
    w.click(ToolBar::histBarBtn, 0);
    QVERIFY(opened);
    w.click(ToolBar::histBarBtn, 1);
    QVERIFY(!plot.cursorVisible());

    // The sliders zoom from the build's spans, left edge kept; 100 is 99.
    w.DateSlider->setValue(50);
    QVERIFY(qAbs(plot.axis(TrendAxis::X).span - *trend.historyXspan / 2) < 1e-9);
    QCOMPARE(plot.axis(TrendAxis::X).min, x0);
    w.YSlider->setValue(100);
    QCOMPARE(w.YSlider->value(), 99);
    QVERIFY(qAbs(plot.axis(TrendAxis::Y).span - *trend.historyYspan * 0.01) < 1e-9);
    // The wheel zooms on top of that; slider 0 gives back the build's span.
    plot.zoomAt(w.iPlotX->axisRect()->center(), 2);
    QVERIFY(plot.axis(TrendAxis::X).span < *trend.historyXspan / 2);
    plot.panBy(QPointF(-200, 0));
    w.DateSlider->setValue(0);
    w.YSlider->setValue(0);
    QCOMPARE(plot.axis(TrendAxis::X).min, x0);  // the build's whole view again
    QVERIFY(qAbs(plot.axis(TrendAxis::X).span - *trend.historyXspan) < 1e-9);
    QVERIFY(qAbs(plot.axis(TrendAxis::Y).span - *trend.historyYspan) < 1e-9);

    // Save To Jpeg and Print History Plot through the tool bar.
    const QString jpg = QDir(dir.path()).filePath("Data Viewer.jpg");
    ui.saveAnswers = {jpg};
    w.click(ToolBar::histBarBtn, 2);
    QCOMPARE(QImage(jpg).size(), w.iPlotX->size());
    ui.printerAnswer = PrinterChoice{};
    ui.pdfFile = QDir(dir.path()).filePath("plot.pdf");
    w.click(ToolBar::histBarBtn, 3);
    QProcess text;
    text.start(QStringLiteral(PDFTOTEXT), {ui.pdfFile, "-"});
    QVERIFY(text.waitForFinished(30000));
    QVERIFY(
        QString::fromUtf8(text.readAllStandardOutput()).contains("Data File: Reactor2_History"));
    QVERIFY(ui.messages.empty());
    if (!qEnvironmentVariableIsEmpty("TARVEX_SHOTS"))
      QFile::copy(ui.pdfFile,
                  QDir(qEnvironmentVariable("TARVEX_SHOTS")).filePath("trend-print.pdf"));
  }

  // While a build runs, the plot's pictures are refused: Save To Jpeg on the
  // tool bar with the window's busy message, the context menu's entries by
  // being disabled. Afterwards both work again.
  void picturesRefusedWhileBuilding() {
    QTemporaryDir dir;
    QProcess sample;
    sample.start(QStringLiteral(TARVEX_EXE), {"sample", dir.path(), "--rows", "200"});
    QVERIFY(sample.waitForFinished(60000));
    test::ScriptedUi ui;
    VxLog sigLog;
    ViewerGlobals g;
    FrmHistory w;
    QcpTrendPlot plot(w.iPlotX);
    plot.setUserInterface(&ui, w.caption());
    TrendCommands trend(ui, w, plot, w.vaGrid(), g.f_Plotting);
    trend.setPacing(PlotPacing::everyRow());
    plot.setBuildingCheck([&] { return trend.building(); });
    HistoryCommands cmds(ui, w, g, &sigLog, trend);
    w.setClickHandler([&](ToolBar bar, int index) {
      if (bar == ToolBar::DataBarBtn) cmds.DataBarBtn_Click(index);
      if (bar == ToolBar::histBarBtn) cmds.histBarBtn_Click(index);
    });
    ui.openAnswers = {QDir(dir.path()).filePath("Reactor2_History.csv")};
    w.click(ToolBar::DataBarBtn, 0);
    QAbstractItemModel* va = w.vaGridView->model();
    w.vaGridView->selectionModel()->select(
        QItemSelection(va->index(0, 1), va->index(va->rowCount() - 1, 2)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Columns);
    auto saveEntries = [&] {
      std::unique_ptr<QMenu> menu(plot.contextMenu(QPointF(100, 100)));
      QList<bool> enabled;
      for (QAction* a : menu->actions())
        if (a->text().startsWith(QStringLiteral("Save as "))) enabled << a->isEnabled();
      return enabled;
    };

    const QString jpg = QDir(dir.path()).filePath("Data Viewer.jpg");
    int pumps = 0;
    QList<bool> duringBuild;
    QStringList toolBarAnswer;
    ui.onDoEvents = [&] {
      if (++pumps != 50) return;  // in the middle of the first channel
      ui.log.clear();
      ui.saveAnswers = {jpg};
      w.click(ToolBar::histBarBtn, 2);
      toolBarAnswer = ui.log;
      duringBuild = saveEntries();
    };
    ui.log.clear();
    w.click(ToolBar::DataBarBtn, 1);
    QVERIFY(pumps > 50);
    QCOMPARE(toolBarAnswer,
             QStringList{"msg:64:History viewer is busy with an operation, please wait!"});
    QVERIFY(!QFile::exists(jpg));
    QCOMPARE(duringBuild, (QList<bool>{false, false, false}));
    QCOMPARE(plot.channelCount(), 2);

    QCOMPARE(saveEntries(), (QList<bool>{true, true, true}));
    ui.log.clear();
    w.click(ToolBar::histBarBtn, 2);
    QCOMPARE(ui.log, QStringList{"save:Save trend jpeg as?"});
    QVERIFY(QFile::exists(jpg));
  }
};

QTEST_MAIN(TrendWindowTest)
#include "trend_window_test.moc"
