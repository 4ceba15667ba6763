// "Compare With..." in the real history window on the sample set: the
// Trend Data tool bar's fifth button, the plot's context menu, the overlay
// and the readout as the viewer wires them. With TARVEX_SHOTS set to a
// folder, pictures of the window are saved there on the way.
#include <qcustomplot.h>

#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "history/frm_history.h"
#include "history/history_commands.h"
#include "review/reference_commands.h"
#include "scripted_ui.h"
#include "signatures/vxlog.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/trend_commands.h"

using namespace tarvex;

namespace {

void shot(QWidget& w, const char* name) {
  const QString dir = qEnvironmentVariable("TARVEX_SHOTS");
  if (dir.isEmpty()) return;
  QApplication::processEvents();
  w.grab().save(QDir(dir).filePath(QLatin1String(name) + QStringLiteral(".png")));
}

QAction* action(QMenu* menu, const QString& text) {
  for (QAction* a : menu->actions())
    if (a->text() == text) return a;
  return nullptr;
}

// A reference batch made from the data table: one day and 2:14:05 earlier,
// every row's channels in reverse order with lower-case titles, the values
// 2 % higher plus 0.5.
QString writeReference(const LogTable& t, const QString& path) {
  QStringList lines;
  QString head = QStringLiteral("Date,Time");
  for (int c = t.lastCol(); c >= 2; --c) head += u',' + t.getCell(c, 0).toLower();
  lines << head;
  const QDateTime start(QDate(2007, 3, 13), QTime(3, 45, 55));
  for (int r = 1; r <= t.lastRow(); ++r) {
    const QDateTime when = start.addSecs(10 * (r - 1));
    QString line = when.toString(QStringLiteral("M/d/yyyy,HH:mm:ss"));
    for (int c = t.lastCol(); c >= 2; --c) {
      const std::optional<double> v = t.cellNumber(c, r);
      line += u',' + (v ? QString::number(*v * 1.02 + 0.5, 'f', 3) : QString());
    }
    lines << line;
  }
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return QString();
  f.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
  return path;
}

}  // namespace

class ReferenceWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void compareWithTheSampleBatch() {
    QTemporaryDir dir;
    QProcess sample;
    sample.start(QStringLiteral(TARVEX_EXE), {"sample", dir.path()});
    QVERIFY(sample.waitForFinished(60000));
    const QString dataFile = QDir(dir.path()).filePath("Reactor2_History.csv");

    test::ScriptedUi ui;
    VxLog sigLog;
    ViewerGlobals g;
    g.startDir = dir.path();
    FrmHistory w;
    QcpTrendPlot plot(w.iPlotX);
    plot.setUserInterface(&ui, w.caption());
    TrendCommands trend(ui, w, plot, w.vaGrid(), g.f_Plotting);
    HistoryCommands cmds(ui, w, g, &sigLog, trend);
    ReferenceCommands reference(ui, plot, sigLog, [&] { return g.startDir; });
    cmds.setCompareHandler([&] { reference.compareWith(); });
    plot.setMenuSource([&] { return reference.menuEntries(); });
    w.setClickHandler([&](ToolBar bar, int index) {
      if (bar == ToolBar::DataBarBtn) cmds.DataBarBtn_Click(index);
      if (bar == ToolBar::histBarBtn) cmds.histBarBtn_Click(index);
    });
    w.resize(1280, 800);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    ui.openAnswers = {dataFile};
    w.click(ToolBar::DataBarBtn, 0);
    const QString refFile =
        writeReference(w.vaGrid(), QDir(dir.path()).filePath("Reactor1_Golden.csv"));
    QVERIFY(!refFile.isEmpty());
    QAbstractItemModel* va = w.vaGridView->model();
    w.vaGridView->selectionModel()->select(
        QItemSelection(va->index(0, 1), va->index(va->rowCount() - 1, 3)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Columns);
    w.click(ToolBar::DataBarBtn, 1);
    QCOMPARE(plot.channelCount(), 3);

    // The fifth button of the Trend Data tool bar: the open dialog, then the
    // overlay (the sample's reference has no .sig: no message).
    QCOMPARE(w.buttons(ToolBar::histBarBtn)[4]->toolTip(), QString("Compare With..."));
    ui.messages.clear();
    ui.openAnswers = {refFile};
    QTest::mouseClick(w.buttons(ToolBar::histBarBtn)[4], Qt::LeftButton);
    QCOMPARE(ui.openDialogs.back().title, QString("Open Reference Data File"));
    QVERIFY2(ui.messages.empty(), qPrintable(ui.log.join('|')));
    QCOMPARE(plot.overlayTraceCount(), 3);
    QCOMPARE(plot.overlayTitleLine(), QString("Reference: Reactor1_Golden, shifted 1 d 02:14:05"));
    QCOMPARE(plot.channelCount(), 3);

    // The context menu: the reference's entries, then the cursor's.
    const QPointF inside = w.iPlotX->axisRect()->center();
    std::unique_ptr<QMenu> menu(plot.contextMenu(inside));
    QVERIFY(action(menu.get(), "Compare With...") != nullptr);
    QVERIFY(action(menu.get(), "Remove Reference") != nullptr);
    QVERIFY(action(menu.get(), "Align at start")->isChecked());
    QVERIFY(!action(menu.get(), "Align at end")->isChecked());
    QVERIFY(action(menu.get(), "Cursor 1") != nullptr);
    action(menu.get(), "Show Differences")->trigger();
    QCOMPARE(plot.overlayTraceCount(), 6);
    menu.reset(plot.contextMenu(inside));
    QVERIFY(action(menu.get(), "Show Differences")->isChecked());

    // Both cursors: the readout gives the reference and the differences.
    w.click(ToolBar::histBarBtn, 1);
    const double x0 = plot.axis(TrendAxis::X).min;
    const double span = plot.axis(TrendAxis::X).span;
    plot.moveCursor(0, x0 + span * 0.3);
    plot.setSecondCursor(x0 + span * 0.7);
    QVERIFY(plot.measurementsVisible());
    const QString text = plot.measurementText();
    QVERIFY2(text.contains("Reference Reactor1_Golden, shifted 1 d 02:14:05 (Align at start)"),
             qPrintable(text));
    QVERIFY2(text.contains("reference unsigned"), qPrintable(text));
    QVERIFY2(text.contains(QString("Ref1\t\u03941")), qPrintable(text));
    QVERIFY2(text.contains(QString("RMS \u0394")), qPrintable(text));
    shot(w, "reference-overlay");

    // Remove Reference: the channels alone again.
    menu.reset(plot.contextMenu(inside));
    action(menu.get(), "Remove Reference")->trigger();
    QCOMPARE(plot.overlayTraceCount(), 0);
    QVERIFY(plot.overlayTitleLine().isEmpty());
    QVERIFY(!plot.measurementText().contains("Ref1"));
    menu.reset(plot.contextMenu(inside));
    QVERIFY(action(menu.get(), "Remove Reference") == nullptr);
    shot(w, "reference-removed");
  }
};

QTEST_MAIN(ReferenceWindowTest)
#include "reference_window_test.moc"
