// The viewer only reads its logs: a session that opens, verifies, exports
// and prints every file of a sample set (through the real history window
// and the scripted interface), and runs every tarvex command over them,
// leaves every input byte for byte as it was, with the same modification
// time. Exports aimed at the inputs themselves are refused.
#include <sys/stat.h>

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <map>
#include <vector>

#include "history/frm_history.h"
#include "history/history_commands.h"
#include "scripted_ui.h"
#include "signatures/vxlog.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/trend_commands.h"

using namespace tarvex;

namespace {

struct FileState {
  QByteArray sha;
  qint64 mtimeNs = 0;
  bool operator==(const FileState&) const = default;
};

std::map<QString, FileState> snapshot(const QDir& dir) {
  std::map<QString, FileState> out;
  for (const QString& name : dir.entryList(QDir::Files)) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) continue;
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    out[name] = {QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256),
                 qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
  }
  return out;
}

int runTarvex(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(TARVEX_EXE), args);
  if (!p.waitForFinished(60000)) return -1;
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

}  // namespace

class GuaranteeTest : public QObject {
  Q_OBJECT

 private slots:
  void inputsStayUntouched() {
    QTemporaryDir inputs, outputs;
    QVERIFY(inputs.isValid() && outputs.isValid());
    QCOMPARE(runTarvex({"sample", inputs.path(), "--rows", "300"}), 0);
    const QDir in(inputs.path());
    const QDir out(outputs.path());
    const auto before = snapshot(in);
    QCOMPARE(int(before.size()), 6);
    // Nanosecond times: any write during the session would change them.
    QTest::qWait(20);

    const QString dataFile = in.filePath(in.entryList({"*History.csv"}).value(0));
    const QString auditFile = in.filePath(in.entryList({"*.aud"}).value(0));
    const QString alarmFile = in.filePath(in.entryList({"*Alarm*.csv"}).value(0));

    test::ScriptedUi ui;
    ui.printerAnswer = PrinterChoice{};
    VxLog sigLog;
    ViewerGlobals g;
    g.startDir = inputs.path();  // no "Export Data" there: proposals beside the logs
    FrmHistory w;
    QcpTrendPlot plot(w.iPlotX);
    TrendCommands trend(ui, w, plot, w.vaGrid(), g.f_Plotting);
    HistoryCommands cmds(ui, w, g, &sigLog, trend);
    w.resize(1000, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    int pdfs = 0;
    auto print = [&](auto click) {
      ui.pdfFile = out.filePath(QStringLiteral("print%1.pdf").arg(++pdfs));
      click();
      QVERIFY2(QFileInfo(ui.pdfFile).size() > 0, qPrintable(ui.log.join('\n').right(400)));
    };
    // Each export once to a new file; the proposal never names an input.
    std::vector<std::function<void()>> exports;
    auto exportTo = [&](std::function<void()> click, const QString& name) {
      ui.saveAnswers = {out.filePath(name)};
      click();
      QVERIFY(QFileInfo(out.filePath(name)).size() > 0);
      QVERIFY(!before.count(ui.saveDialogs.back().fileName));
      exports.push_back(click);
    };

    // The data history with its signatures and operator events.
    ui.openAnswers = {dataFile};
    cmds.DataBarBtn_Click(0);
    QVERIFY(ui.messages.empty());
    for (int r = 0; r < w.digiSigGridView->model()->rowCount(); ++r) {
      w.digiSigGridView->clearSelection();
      w.digiSigGridView->selectRow(r);
      cmds.DataBarBtn_Click(5);
      QVERIFY(ui.messages.back().prompt.startsWith("Digital signature of file"));
    }
    // Plot every channel, save the picture and print the plot.
    {
      QAbstractItemModel* va = w.vaGridView->model();
      w.vaGridView->selectionModel()->select(
          QItemSelection(va->index(0, 1), va->index(va->rowCount() - 1, va->columnCount() - 1)),
          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Columns);
      const auto shown = ui.messages.size();
      cmds.DataBarBtn_Click(1);
      QCOMPARE(ui.messages.size(), shown);
      QVERIFY(plot.channelCount() >= 3);
      ui.saveAnswers = {out.filePath("trend.jpg")};
      cmds.histBarBtn_Click(2);
      QVERIFY(QFileInfo(out.filePath("trend.jpg")).size() > 0);
      print([&] { cmds.histBarBtn_Click(3); });
    }
    exportTo([&] { cmds.DataBarBtn_Click(4); }, "data.csv");
    exportTo([&] { cmds.opBarBtn_Click(1); }, "events.csv");
    print([&] { cmds.DataBarBtn_Click(2); });
    print([&] { cmds.opBarBtn_Click(0); });

    // The audit trail with its signatures, and the alarm history.
    ui.openAnswers = {auditFile};
    cmds.auditBarBtn_Click(0);
    for (int r = 0; r < w.auditSigGridView->model()->rowCount(); ++r) {
      w.auditSigGridView->clearSelection();
      w.auditSigGridView->selectRow(r);
      cmds.auditBarBtn_Click(3);
      QVERIFY(ui.messages.back().prompt.startsWith("Digital signature of"));
    }
    exportTo([&] { cmds.auditBarBtn_Click(2); }, "audit.csv");
    print([&] { cmds.auditBarBtn_Click(1); });
    ui.openAnswers = {alarmFile};
    cmds.almBarBtn_Click(0);
    exportTo([&] { cmds.almBarBtn_Click(2); }, "alarm.csv");
    print([&] { cmds.almBarBtn_Click(1); });
    // Once every file was read, every export aimed at any of them is refused.
    for (const auto& click : exports) {
      for (const auto& [input, state] : before) {
        ui.saveAnswers = {in.filePath(input)};
        const auto shown = ui.messages.size();
        click();
        QCOMPARE(ui.messages.size(), shown + 1);
        QVERIFY(ui.messages.back().prompt.contains(" is a log file open in the viewer"));
      }
    }
    for (const test::MessageCall& m : ui.messages)
      QVERIFY2(!m.prompt.startsWith("Error"), qPrintable(m.prompt));

    // Every tarvex command over every input; an export onto the file it
    // reads fails.
    for (const auto& [input, state] : before) {
      const QString path = in.filePath(input);
      QCOMPARE(runTarvex({"show", path, "--all-columns"}), 0);
      if (input.endsWith(".sig") || input.endsWith(".evt")) {
        QCOMPARE(runTarvex({"decrypt", path}), 0);
        if (input.endsWith(".evt")) {
          QCOMPARE(runTarvex({"export", path, "-o", path}), 2);
          QCOMPARE(runTarvex({"export", path, "-o", out.filePath(input + ".csv")}), 0);
        }
      } else {
        QCOMPARE(runTarvex({"export", path, "-o", out.filePath(input)}), 0);
        QCOMPARE(runTarvex({"export", path, "-o", path}), 2);
      }
    }
    QVERIFY(runTarvex({"verify", dataFile}) != 2);
    QCOMPARE(runTarvex({"verify", auditFile}), 0);

    QVERIFY(snapshot(in) == before);
  }
};

QTEST_MAIN(GuaranteeTest)
#include "guarantee_test.moc"
