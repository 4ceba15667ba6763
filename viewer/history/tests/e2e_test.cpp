// One run over the sample set that `tarvex sample` writes, through the real
// history window: open every log, verify signatures from the grids'
// selections, plot check, export, and print the data grid's selected block
// to a PDF.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "history/frm_history.h"
#include "history/history_commands.h"
#include "recording_trend.h"
#include "scripted_ui.h"
#include "signatures/vxlog.h"

using namespace tarvex;

class EndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void sampleSet() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QProcess sample;
    sample.start(QStringLiteral(TARVEX_EXE), {"sample", dir.path()});
    QVERIFY(sample.waitForFinished(60000));
    QCOMPARE(sample.exitCode(), 0);
    const QDir d(dir.path());
    const QStringList data = d.entryList({"*History.csv"});
    const QStringList audits = d.entryList({"*.aud"});
    const QStringList alarms = d.entryList({"*Alarm*.csv"});
    QCOMPARE(data.size(), 1);
    QCOMPARE(audits.size(), 1);
    QCOMPARE(alarms.size(), 1);
    const QString dataFile = d.filePath(data[0]);

    test::ScriptedUi ui;
    VxLog sigLog;
    ViewerGlobals g;
    g.startDir = dir.path();
    test::RecordingTrend trend;
    FrmHistory w;
    HistoryCommands cmds(ui, w, g, &sigLog, trend);
    w.setClickHandler([&](ToolBar bar, int index) {
      switch (bar) {
        case ToolBar::DataBarBtn:
          cmds.DataBarBtn_Click(index);
          break;
        case ToolBar::opBarBtn:
          cmds.opBarBtn_Click(index);
          break;
        case ToolBar::auditBarBtn:
          cmds.auditBarBtn_Click(index);
          break;
        case ToolBar::almBarBtn:
          cmds.almBarBtn_Click(index);
          break;
        case ToolBar::histBarBtn:
          cmds.histBarBtn_Click(index);
          break;
      }
    });
    w.resize(1000, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // Open History File: the data, its signatures and its operator events.
    ui.openAnswers = {dataFile};
    w.click(ToolBar::DataBarBtn, 0);
    QVERIFY(ui.messages.empty());
    QCOMPARE(g.dataFileName, dataFile);
    QAbstractItemModel* va = w.vaGridView->model();
    QVERIFY(va->rowCount() > 100);
    QCOMPARE(va->headerData(0, Qt::Horizontal).toString(), QString("Time"));
    QCOMPARE(va->headerData(0, Qt::Vertical).toString(), w.vaGrid().getCell(0, 1));
    QVERIFY(va->index(0, 0).data().toString().endsWith(" AM") ||
            va->index(0, 0).data().toString().endsWith(" PM"));
    // The sample's events are reachable although the file holds data.
    QVERIFY(!w.vaGrid().isCellEmpty(2, 1));
    QCOMPARE(w.DataTab->isTabEnabled(1), w.opEvGrid().dataRowCount() > 0);
    QAbstractItemModel* sig = w.digiSigGridView->model();
    QVERIFY(sig->rowCount() >= 2);
    QCOMPARE(sig->headerData(2, Qt::Horizontal).toString(), QString("Comment"));
    QVERIFY(w.digiSigGridView->isColumnHidden(3));  // the hash
    QVERIFY(w.opEvGridView->model()->rowCount() >= 1);
    QCOMPARE(ui.statusTexts.last(), "Current File is " + dataFile);
    QVERIFY(!w.f_FileLoading);

    // Verify each signature row, chosen in the grid, as `tarvex verify` does.
    QProcess verify;
    verify.start(QStringLiteral(TARVEX_EXE), {"verify", dataFile});
    QVERIFY(verify.waitForFinished(60000));
    const QStringList expected =
        QString::fromUtf8(verify.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(expected.size(), sig->rowCount());
    for (int r = 0; r < sig->rowCount(); ++r) {
      w.digiSigGridView->clearSelection();
      w.digiSigGridView->selectRow(r);
      w.click(ToolBar::DataBarBtn, 5);
      const bool confirmed = expected[r].endsWith("confirmed");
      QCOMPARE(ui.messages.back().prompt,
               confirmed ? QString("Digital signature of file confirmed!")
                         : QString("Digital signature of file failed!\r\n"
                                   "Data File has been altered or corrupted."));
    }

    // The audit trail with its signature, and the alarm history.
    ui.openAnswers = {d.filePath(audits[0]), d.filePath(alarms[0])};
    w.click(ToolBar::auditBarBtn, 0);
    QVERIFY(w.auditGridView->model()->rowCount() > 3);
    QVERIFY(w.auditNameLab->text().startsWith("Audit Trail File: "));
    w.auditSigGridView->selectRow(0);
    w.click(ToolBar::auditBarBtn, 3);
    QCOMPARE(ui.messages.back().prompt, QString("Digital signature of audit trail confirmed!"));
    w.click(ToolBar::almBarBtn, 0);
    QVERIFY(w.alarmGridView->model()->rowCount() > 3);
    QCOMPARE(w.alarmGridView->model()->headerData(0, Qt::Vertical).toString(), QString("1"));
    QVERIFY(w.almNameLab->text().startsWith("Alarm History File: "));

    // Plot: whole data columns pass the check (the trend itself is next).
    w.vaGridView->clearSelection();
    w.vaGridView->selectColumn(2);
    ui.log.clear();
    w.click(ToolBar::DataBarBtn, 1);
    QCOMPARE(ui.log, (QStringList{"status:Plotting data, please wait!",
                                  "status:Current File is " + dataFile}));

    // Export the data grid.
    const QString exported = d.filePath("export.csv");
    ui.saveAnswers = {exported};
    w.click(ToolBar::DataBarBtn, 4);
    QFile out(exported);
    QVERIFY(out.open(QIODevice::ReadOnly));
    QVERIFY(out.readLine().startsWith("Date,Time,"));

    // Print the selected block of rows 5..9 (data rows) to a PDF.
    w.vaGridView->clearSelection();
    w.vaGridView->selectionModel()->select(QItemSelection(va->index(4, 0), va->index(8, 1)),
                                           QItemSelectionModel::Select);
    ui.pdfFile = d.filePath("print.pdf");
    ui.printerAnswer = PrinterChoice{};
    const int before = int(ui.messages.size());
    w.click(ToolBar::DataBarBtn, 2);
    QCOMPARE(int(ui.messages.size()), before);
    QProcess text;
    text.start("pdftotext", {"-layout", ui.pdfFile, "-"});
    QVERIFY(text.waitForFinished(60000));
    const QString pdf = QString::fromUtf8(text.readAllStandardOutput());
    QVERIFY2(pdf.contains("File printout for fileName " + dataFile), qPrintable(pdf.left(400)));
    QVERIFY(pdf.contains("Page #1"));
    // Rows 5 to 9 of the time column, and no row outside the block.
    QVERIFY(pdf.contains(w.vaGrid().getCell(1, 5)));
    QVERIFY(pdf.contains(w.vaGrid().getCell(1, 9)));
    QVERIFY(!pdf.contains(w.vaGrid().getCell(1, 4)));
    QVERIFY(!pdf.contains(w.vaGrid().getCell(1, 12)));
  }
};

QTEST_MAIN(EndToEndTest)
#include "e2e_test.moc"
