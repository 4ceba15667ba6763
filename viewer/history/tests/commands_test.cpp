// The history window's commands through the scripted interface: the dialogs
// they show, their messages, status texts, pointer and busy flag, their
// cancel and error paths, the busy refusals and the plot selection check.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <array>
#include <map>

#include "history/history_commands.h"
#include "history/verify_results.h"
#include "recording_trend.h"
#include "scripted_ui.h"
#include "signatures/vxlog.h"

namespace tarvex {
namespace {

using test::ScriptedUi;

class FakeWindow : public HistoryWindowState {
 public:
  LogTable& vaGrid() override { return t[0]; }
  LogTable& digiSigGrid() override { return t[1]; }
  LogTable& opEvGrid() override { return t[2]; }
  LogTable& auditGrid() override { return t[3]; }
  LogTable& auditSigGrid() override { return t[4]; }
  LogTable& alarmGrid() override { return t[5]; }
  TableSelection selection(const LogTable& table) const override {
    auto it = selections.find(&table);
    return it == selections.end() ? TableSelection{} : it->second;
  }
  void setTabEnabled(int index, bool on) override { tabs[index] = on; }
  void setAuditNameCaption(const QString& text) override { auditCaption = text; }
  void setAlmNameCaption(const QString& text) override { almCaption = text; }
  void setPlotProgressVisible(bool visible) override { progressVisible = visible; }
  void showRow(const LogTable& table, int row) override { shownRows.push_back({&table, row}); }

  std::array<LogTable, 6> t;
  std::map<const LogTable*, TableSelection> selections;
  std::array<bool, 5> tabs{true, false, true, true, true};
  QString auditCaption, almCaption;
  bool progressVisible = true;
  std::vector<std::pair<const LogTable*, int>> shownRows;
};

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    g.startDir = dir.path();
    data = dir.filePath("run.2007.csv");
    writeFile(data,
              "Date,Time,TC1,TC2\r\n"
              "1/2/2007,14:05:30,23.5,1\r\n"
              "1/2/2007,14:05:40,23.6,2\r\n"
              "1/2/2007,14:05:50,23.7,3\r\n"
              "1/2/2007,14:06:00,23.8,4\r\n"
              "1/2/2007,14:06:10,23.9,5\r\n");
    const QString sig = sigLog.EncryptToHex("1/3/2007,08:00:00,Jane Operator,Approved,ABC",
                                            QStringLiteral("plumb"));
    writeFile(dir.filePath("run.sig"), sig.toLatin1() + "\r\n" + sig.toLatin1() + "\r\n");
    const QString evt = sigLog.EncryptToHex("1/2/2007,14:05:35,Jane Operator,Setpoint changed",
                                            QStringLiteral("plumb"));
    writeFile(dir.filePath("run.evt"), evt.toLatin1() + "\r\n");
    audit = dir.filePath("trail.2007.aud");
    writeFile(audit,
              "1/2/2007,14:05:30,Operator 1,Log in\r\n1/2/2007,14:07:00,Operator 1,Log out\r\n");
    alarm = dir.filePath("alm.csv");
    writeFile(alarm, "High Temp,1/2/2007,14:05:30\r\nLow Flow,1/2/2007,15:00:00\r\n");
  }

  QStringList statusesOf(const QStringList& log) const {
    QStringList out;
    for (const QString& e : log)
      if (e.startsWith("status:")) out << e.mid(7);
    return out;
  }

  QTemporaryDir dir;
  VxLog sigLog;
  ScriptedUi ui;
  FakeWindow win;
  ViewerGlobals g;
  test::RecordingTrend trend;
  HistoryCommands cmds{ui, win, g, &sigLog, trend};
  QString data, audit, alarm;
};

TEST_F(CommandsTest, OpenHistoryFileShowsItsDialogThenLoadsTheFileAndItsCompanions) {
  bool loadingDuringPump = false;
  ui.onDoEvents = [&] { loadingDuringPump = loadingDuringPump || win.f_FileLoading; };
  ui.openAnswers = {data};
  cmds.DataBarBtn_Click(0);

  ASSERT_EQ(ui.openDialogs.size(), 1u);
  const FileDialogSettings& d = ui.openDialogs[0];
  EXPECT_EQ(d.title, "Open Log File (.csv)");
  EXPECT_EQ(d.filter, "Log Files(*.csv)|*.csv");
  EXPECT_EQ(d.initDir, dir.path() + "\\");
  EXPECT_EQ(d.flags, 0x1004);
  // The reader's own steps, in order.
  const int open = ui.log.indexOf("open:Open Log File (.csv)");
  ASSERT_GE(open, 0);
  EXPECT_EQ(ui.log.mid(open + 1, 3),
            (QStringList{"pointer:hourglass", "status:Loading File, please wait!", "doEvents"}));
  EXPECT_TRUE(ui.log.contains("status:Current File is " + data));
  EXPECT_TRUE(loadingDuringPump);
  EXPECT_FALSE(win.f_FileLoading);
  EXPECT_EQ(ui.pointer, Pointer::Normal);
  EXPECT_TRUE(ui.messages.empty());

  EXPECT_EQ(g.dataFileName, data);
  EXPECT_EQ(win.vaGrid().getCell(1, 1), "02:05:30 PM");
  EXPECT_EQ(win.vaGrid().getCell(1, 0), "Time");
  EXPECT_TRUE(win.tabs[1]);  // the events read are reachable
  EXPECT_EQ(trend.plotTitle, "Data File: run");
  // Then the signature file and the operator event file, in that order.
  const QStringList statuses = statusesOf(ui.log);
  const int sigAt = statuses.indexOf("Loading signature file, please wait...");
  const int evtAt = statuses.indexOf("Loading operator event file, please wait...");
  ASSERT_GE(sigAt, 0);
  EXPECT_GT(evtAt, sigAt);
  EXPECT_EQ(statuses.last(), "Current File is " + data);
  EXPECT_EQ(win.digiSigGrid().lastRow(), 2);
  EXPECT_EQ(win.digiSigGrid().getCell(2, 1), "Jane Operator");
  EXPECT_EQ(win.opEvGrid().getCell(3, 1), "Setpoint changed");
}

TEST_F(CommandsTest, HeaderOnlyFileSwitchesTheOperatorEventsTabOn) {
  const QString headerOnly = dir.filePath("empty.csv");
  writeFile(headerOnly, "Date,Time,TC1\r\n");
  ui.openAnswers = {headerOnly};
  cmds.DataBarBtn_Click(0);
  EXPECT_TRUE(win.tabs[1]);
  EXPECT_EQ(win.vaGrid().lastRow(), 0);
}

TEST_F(CommandsTest, OperatorEventsTabFollowsTheEventsOfAFileWithData) {
  // With data and no ".evt" the tab stays off; a file whose events were
  // read switches it on; opening the first again switches it off.
  const QString plain = dir.filePath("plain.csv");
  QFile::copy(data, plain);
  ui.openAnswers = {plain, data, plain};
  cmds.DataBarBtn_Click(0);
  EXPECT_FALSE(win.tabs[1]);
  cmds.DataBarBtn_Click(0);
  EXPECT_TRUE(win.tabs[1]);
  EXPECT_EQ(win.opEvGrid().dataRowCount(), 1);
  cmds.DataBarBtn_Click(0);
  EXPECT_FALSE(win.tabs[1]);
  EXPECT_EQ(win.opEvGrid().dataRowCount(), 0);
}

TEST_F(CommandsTest, CancelBeforeAnyFileReadsNothing) {
  ui.openAnswers = {std::nullopt};
  cmds.DataBarBtn_Click(0);
  EXPECT_EQ(ui.log, QStringList{"open:Open Log File (.csv)"});
  EXPECT_TRUE(g.dataFileName.isEmpty());
  EXPECT_FALSE(win.f_FileLoading);
}

TEST_F(CommandsTest, CancelAfterAFileReadsItsCompanionsAgain) {
  ui.openAnswers = {data, std::nullopt};
  cmds.DataBarBtn_Click(0);
  ui.log.clear();
  cmds.DataBarBtn_Click(0);
  EXPECT_EQ(g.dataFileName, data);
  EXPECT_EQ(win.vaGrid().getCell(2, 1), "23.5");
  EXPECT_FALSE(ui.log.contains("status:Loading File, please wait!"));
  EXPECT_TRUE(ui.log.contains("status:Loading signature file, please wait..."));
  EXPECT_TRUE(ui.log.contains("status:Loading operator event file, please wait..."));
  EXPECT_FALSE(win.f_FileLoading);
}

TEST_F(CommandsTest, AnUnreadableDataFileIsReportedAndTheDataSideCleared) {
  ui.openAnswers = {data};
  cmds.DataBarBtn_Click(0);
  ui.openAnswers = {dir.filePath("gone.csv")};
  cmds.DataBarBtn_Click(0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].prompt,
            "Error 53 = File not found in function getHistFile occurred.\r\n"
            "Please contact the manufacturer with this error.");
  EXPECT_EQ(ui.messages[0].style, 0);
  EXPECT_EQ(ui.messages[0].title, "");
  EXPECT_TRUE(g.dataFileName.isEmpty());
  EXPECT_EQ(ui.statusTexts.last(), "");
  EXPECT_EQ(ui.pointer, Pointer::Normal);
  EXPECT_FALSE(win.progressVisible);
  EXPECT_FALSE(win.f_FileLoading);
  EXPECT_EQ(win.vaGrid().getCell(2, 1), "");
  EXPECT_EQ(win.digiSigGrid().getCell(2, 1), "");
  EXPECT_EQ(win.opEvGrid().getCell(3, 1), "");
}

TEST_F(CommandsTest, OpenAuditTrailWithItsSignatures) {
  ui.openAnswers = {audit};
  writeFile(dir.filePath("trail.sig"),
            sigLog.EncryptToHex("1/3/2007,09:00:00,QA Lead,Reviewed,XYZ", QStringLiteral("plumb"))
                    .toLatin1() +
                "\r\n");
  cmds.auditBarBtn_Click(0);
  ASSERT_EQ(ui.openDialogs.size(), 1u);
  const FileDialogSettings& d = ui.openDialogs[0];
  EXPECT_EQ(d.title, "Open Audit Trail File");
  EXPECT_EQ(d.filter, "Audit Files(*.aud)|*.aud|Audit Files(*.csv)|*.csv");
  EXPECT_EQ(d.initDir, dir.path() + "\\");
  EXPECT_EQ(d.flags, 0x1004);
  const int open = ui.log.indexOf("open:Open Audit Trail File");
  EXPECT_EQ(ui.log.mid(open + 1, 3), (QStringList{"status:Loading audit trail file, please wait...",
                                                  "pointer:hourglass", "doEvents"}));
  EXPECT_EQ(g.auditFileName, audit);
  EXPECT_EQ(win.auditCaption, "Audit Trail File: trail");
  EXPECT_EQ(win.auditGrid().getCell(3, 1), "Log in");
  EXPECT_EQ(win.auditSigGrid().getCell(2, 1), "QA Lead");
  EXPECT_FALSE(win.f_FileLoading);
  EXPECT_EQ(ui.pointer, Pointer::Normal);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CommandsTest, AuditCancelAndFailure) {
  ui.openAnswers = {std::nullopt};
  cmds.auditBarBtn_Click(0);
  EXPECT_EQ(ui.log, QStringList{"open:Open Audit Trail File"});
  EXPECT_FALSE(win.f_FileLoading);

  ui.openAnswers = {audit, dir.filePath("missing.aud")};
  cmds.auditBarBtn_Click(0);
  cmds.auditBarBtn_Click(0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(ui.messages[0].prompt.startsWith(
      "Error 53 = File not found in function getAuditFile occurred."));
  // The name stays set, the table is emptied, the other tables are left alone.
  EXPECT_EQ(g.auditFileName, dir.filePath("missing.aud"));
  EXPECT_EQ(win.auditGrid().getCell(3, 1), "");
  EXPECT_EQ(ui.pointer, Pointer::Normal);
  EXPECT_FALSE(win.f_FileLoading);
}

TEST_F(CommandsTest, OpenAlarmHistory) {
  ui.openAnswers = {alarm};
  cmds.almBarBtn_Click(0);
  ASSERT_EQ(ui.openDialogs.size(), 1u);
  const FileDialogSettings& d = ui.openDialogs[0];
  EXPECT_EQ(d.title, "Open Alarm History File (.csv)");
  EXPECT_EQ(d.filter, "Alarm Files(*.csv)|*.csv");
  EXPECT_EQ(d.initDir, dir.path() + "\\");
  EXPECT_EQ(d.flags, 0x1004);
  EXPECT_FALSE(ui.log.contains("doEvents"));  // this reader never pumps events
  EXPECT_TRUE(ui.log.contains("status:Loading alarm history file, please wait..."));
  EXPECT_EQ(win.almCaption, "Alarm History File: alm");
  EXPECT_EQ(win.alarmGrid().getCell(0, 1), "1");
  EXPECT_EQ(win.alarmGrid().getCell(3, 1), "02:05 PM");
  EXPECT_EQ(g.alarmFileName, alarm);
  EXPECT_FALSE(win.f_FileLoading);

  ui.openAnswers = {dir.filePath("nope.csv")};
  cmds.almBarBtn_Click(0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(ui.messages[0].prompt.startsWith(
      "Error 53 = File not found in function getAlmFile occurred."));
  EXPECT_EQ(win.alarmGrid().getCell(1, 1), "");
  EXPECT_FALSE(win.f_FileLoading);
}

TEST_F(CommandsTest, BusyWindowRefusesEveryCommandButCancel) {
  int refusedInside = 0;
  ui.onDoEvents = [&] {
    if (refusedInside++ > 0) return;
    // A click arriving from the event pump while the file loads.
    cmds.DataBarBtn_Click(0);
    cmds.almBarBtn_Click(0);
    g.f_Plotting = true;
    cmds.DataBarBtn_Click(3);  // Cancel History Plot still works
  };
  ui.openAnswers = {data, alarm};
  cmds.DataBarBtn_Click(0);
  EXPECT_EQ(ui.openDialogs.size(), 1u);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].prompt, "History viewer is busy with an operation, please wait!");
  EXPECT_EQ(ui.messages[0].style, 64);
  EXPECT_FALSE(g.f_Plotting);
  EXPECT_FALSE(cmds.busy());

  // A second Plot while one runs is refused.
  g.f_Plotting = true;
  cmds.DataBarBtn_Click(1);
  EXPECT_TRUE(trend.plots.empty());
  EXPECT_EQ(ui.messages.back().style, 64);
  g.f_Plotting = false;

  // Cancel lowers f_Plotting at once, but a build runs on until its next
  // channel: the window stays busy until the builder has ended.
  trend.buildingNow = true;
  EXPECT_TRUE(cmds.busy());
  cmds.histBarBtn_Click(0);
  EXPECT_EQ(trend.setups, 0);
  trend.buildingNow = false;
  cmds.histBarBtn_Click(0);
  EXPECT_EQ(trend.setups, 1);
}

TEST_F(CommandsTest, PlotChecksTheSelectionFirst) {
  ui.openAnswers = {data};
  cmds.DataBarBtn_Click(0);
  ui.log.clear();
  const QString tooFew = "you must select at least 4 cells\r\nfor historical trend!";
  cmds.DataBarBtn_Click(1);
  EXPECT_EQ(ui.messages.back().prompt, tooFew);
  EXPECT_EQ(ui.messages.back().style, 32);

  win.selections[&win.vaGrid()] = {{{2, 1, 2, 3}}, 1};  // three rows
  cmds.DataBarBtn_Click(1);
  EXPECT_EQ(ui.messages.back().prompt, tooFew);

  win.selections[&win.vaGrid()] = {{{1, -1, 2, -1}}, 1};  // whole columns from the time
  cmds.DataBarBtn_Click(1);
  EXPECT_EQ(ui.messages.back().prompt, "Only data cells can be used\r\nfor historical trend!");
  EXPECT_TRUE(trend.plots.empty());

  ui.log.clear();
  win.selections[&win.vaGrid()] = {{{2, -1, 3, -1}, {2, 1, 2, 4}}, 1};
  cmds.DataBarBtn_Click(1);
  ASSERT_EQ(trend.plots.size(), 1u);
  // The builder gets the checked blocks in selection order.
  EXPECT_EQ(trend.plots[0].blocks, (std::vector<SelectionBlock>{{2, -1, 3, -1}, {2, 1, 2, 4}}));
  EXPECT_EQ(ui.log,
            (QStringList{"status:Plotting data, please wait!", "status:Current File is " + data}));
}

TEST_F(CommandsTest, CancelPlotAndIndexesOutsideTheArrays) {
  cmds.DataBarBtn_Click(3);
  EXPECT_FALSE(g.f_Plotting);
  for (int i : {-1, 6}) cmds.DataBarBtn_Click(i);
  for (int i : {-1, 2}) cmds.opBarBtn_Click(i);
  for (int i : {-1, 4}) cmds.auditBarBtn_Click(i);
  for (int i : {-1, 3}) cmds.almBarBtn_Click(i);
  for (int i : {-1, 5}) cmds.histBarBtn_Click(i);
  EXPECT_TRUE(ui.log.isEmpty());
}

TEST_F(CommandsTest, CompareWithIsTheTrendBarsFifthButton) {
  cmds.histBarBtn_Click(4);  // no reference commands: nothing
  int compared = 0;
  cmds.setCompareHandler([&] { ++compared; });
  cmds.histBarBtn_Click(4);
  EXPECT_EQ(compared, 1);
  // Refused while busy, as every trend button is.
  g.f_Plotting = true;
  cmds.histBarBtn_Click(4);
  EXPECT_EQ(compared, 1);
  EXPECT_EQ(ui.messages.back().prompt, busyText());
  g.f_Plotting = false;
}

TEST_F(CommandsTest, VerifyButtonsVerifyTheFirstSelectedRow) {
  cmds.DataBarBtn_Click(5);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].prompt,
            "No signature to verify!\r\n\r\nUse the open file icon to load a data file.");
  EXPECT_EQ(ui.messages[0].style, 32);

  // A signature row holding the data file's true digest.
  const QString digest = sigLog.CalculateFileHash(data, QStringLiteral("plumb"));
  writeFile(dir.filePath("run.sig"),
            sigLog.EncryptToHex("1/3/2007,08:00:00,Jane,OK," + digest, QStringLiteral("plumb"))
                    .toLatin1() +
                "\r\n" +
                sigLog.EncryptToHex("1/3/2007,08:00:00,Jane,Bad,00 11", QStringLiteral("plumb"))
                    .toLatin1() +
                "\r\n");
  ui.openAnswers = {data};
  cmds.DataBarBtn_Click(0);
  ui.messages.clear();
  cmds.DataBarBtn_Click(5);
  EXPECT_EQ(ui.messages.back().prompt, "No digital signature selected from grid!");
  win.selections[&win.digiSigGrid()] = {{{-1, 1, -1, 2}}, 1};
  cmds.DataBarBtn_Click(5);
  EXPECT_EQ(ui.messages.back().prompt, "Digital signature of file confirmed!");
  EXPECT_EQ(ui.messages.back().style, 64);
  win.selections[&win.digiSigGrid()] = {{{-1, 2, -1, 2}}, 2};
  cmds.DataBarBtn_Click(5);
  EXPECT_EQ(ui.messages.back().prompt,
            "Digital signature of file failed!\r\nData File has been altered or corrupted.");
  EXPECT_EQ(ui.statusTexts.last(), "Current File is " + data);

  cmds.auditBarBtn_Click(3);
  EXPECT_EQ(ui.messages.back().prompt,
            "No signature to verify!\r\n\r\nUse the open file icon to load a data file.");
}

class VerifyResultsTest : public CommandsTest {
 protected:
  // Signature rows: the data file's true digest, a wrong hash, an empty
  // line, the true digest again.
  void loadSignatures() {
    const QString digest = sigLog.CalculateFileHash(data, QStringLiteral("plumb"));
    auto line = [&](const QString& plain) {
      return sigLog.EncryptToHex(plain, QStringLiteral("plumb")).toLatin1() + "\r\n";
    };
    writeFile(dir.filePath("run.sig"), line("1/3/2007,08:00:00,Jane,OK," + digest) +
                                           line("1/3/2007,09:00:00,Joe,Bad,00 11") + "\r\n" +
                                           line("1/4/2007,08:00:00,Ann,OK," + digest));
    ui.openAnswers = {data};
    cmds.DataBarBtn_Click(0);
    ui.messages.clear();
    ui.progress.clear();
  }
  QString result(int row) {
    return win.digiSigGrid().getCell(resultColumn(win.digiSigGrid()), row);
  }
  const QRegularExpression stamp{"^(Confirmed|Failed) \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"};
};

TEST_F(VerifyResultsTest, TheCheckedRowIsShownWithItsResult) {
  loadSignatures();
  EXPECT_EQ(resultColumn(win.digiSigGrid()), kResultColumn);
  EXPECT_TRUE(result(1).isEmpty());
  win.selections[&win.digiSigGrid()] = {{{-1, 4, -1, 4}, {-1, 1, -1, 2}}, 1};
  cmds.DataBarBtn_Click(5);
  EXPECT_EQ(ui.messages.back().prompt, "Digital signature of file confirmed!");
  ASSERT_EQ(win.shownRows.size(), 1u);
  EXPECT_EQ(win.shownRows[0], std::make_pair<const LogTable*>(&win.digiSigGrid(), 1));
  EXPECT_TRUE(result(1).startsWith("Confirmed ")) << result(1).toStdString();
  EXPECT_TRUE(stamp.match(result(1)).hasMatch());

  win.selections[&win.digiSigGrid()] = {{{-1, 2, -1, 2}}, 2};
  cmds.DataBarBtn_Click(5);
  EXPECT_TRUE(result(2).startsWith("Failed ")) << result(2).toStdString();
  EXPECT_TRUE(result(1).startsWith("Confirmed "));  // earlier checks stay
  EXPECT_TRUE(result(4).isEmpty());
  EXPECT_EQ(win.shownRows.back().second, 2);

  // No row selected: nothing is marked or shown.
  win.selections.clear();
  cmds.DataBarBtn_Click(5);
  EXPECT_EQ(win.shownRows.size(), 2u);

  // A new load forgets the results of the old records.
  ui.openAnswers = {data};
  cmds.DataBarBtn_Click(0);
  EXPECT_TRUE(result(1).isEmpty());
  EXPECT_EQ(resultColumn(win.digiSigGrid()), kResultColumn);

  // A record with a field too many keeps it in sight, apart from the results.
  writeFile(dir.filePath("run.sig"),
            sigLog.EncryptToHex("1/5/2007,08:00:00,Ann,OK,AB CD,extra", QStringLiteral("plumb"))
                    .toLatin1() +
                "\r\n");
  ui.openAnswers = {data};
  cmds.DataBarBtn_Click(0);
  EXPECT_EQ(resultColumn(win.digiSigGrid()), kResultColumn + 1);
  EXPECT_EQ(win.digiSigGrid().getCell(kResultColumn, 1), "extra");
}

TEST_F(VerifyResultsTest, VerifyAllChecksEveryRecordInOnePass) {
  loadSignatures();
  cmds.verifyAll(SignedFile::DataFile);
  EXPECT_TRUE(result(1).startsWith("Confirmed "));
  EXPECT_TRUE(result(2).startsWith("Failed "));
  EXPECT_TRUE(result(3).isEmpty());  // the empty line holds no record
  EXPECT_TRUE(result(4).startsWith("Confirmed "));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].prompt,
            "1 of 3 digital signatures of file failed!\r\nData File has been altered or "
            "corrupted.");
  EXPECT_EQ(ui.messages[0].style, 16);
  ASSERT_EQ(ui.progress.size(), 2);
  EXPECT_TRUE(ui.progress[0].startsWith("show:Verify All:"));
  EXPECT_EQ(ui.progress[1], "hide");
  EXPECT_EQ(ui.statusTexts.last(), "Current File is " + data);
  EXPECT_EQ(ui.pointer, Pointer::Normal);

  // Cancelled in the progress window: no result is written, no message.
  ui.openAnswers = {data};
  cmds.DataBarBtn_Click(0);
  ui.messages.clear();
  ui.cancelProgress = true;
  cmds.verifyAll(SignedFile::DataFile);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(result(1).isEmpty());
  EXPECT_EQ(ui.statusTexts.last(), "Current File is " + data);
  EXPECT_EQ(ui.pointer, Pointer::Normal);
}

TEST_F(VerifyResultsTest, VerifyAllRefusesWithoutSignaturesWhileBusyAndOnAnUnreadableFile) {
  cmds.verifyAll(SignedFile::AuditTrail);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].prompt,
            "No signature to verify!\r\n\r\nUse the open file icon to load a data file.");
  EXPECT_TRUE(ui.progress.isEmpty());

  loadSignatures();
  win.f_FileLoading = true;
  cmds.verifyAll(SignedFile::DataFile);
  EXPECT_EQ(ui.messages.back().prompt, busyText());
  EXPECT_TRUE(result(1).isEmpty());
  win.f_FileLoading = false;

  QFile::remove(data);  // gone since it was opened
  cmds.verifyAll(SignedFile::DataFile);
  EXPECT_TRUE(ui.messages.back().prompt.startsWith("Error Number "));
  EXPECT_TRUE(ui.messages.back().prompt.endsWith(
      ". - Digital verification of file failed!\r\nPlease contact Factory with this error."));
  EXPECT_TRUE(result(1).isEmpty());
  EXPECT_EQ(ui.progress.last(), "hide");
}

TEST_F(CommandsTest, ExportsAndPrintoutsReachTheirTables) {
  // No file open: each guard speaks, no dialog.
  cmds.DataBarBtn_Click(4);
  cmds.opBarBtn_Click(0);
  cmds.auditBarBtn_Click(2);
  cmds.almBarBtn_Click(1);
  ASSERT_EQ(ui.messages.size(), 4u);
  EXPECT_EQ(ui.messages[0].prompt,
            "Data file has not been opened!\r\nUse the open file icon to load a data file.");
  EXPECT_EQ(ui.messages[1].prompt, ui.messages[0].prompt);
  EXPECT_EQ(ui.messages[2].prompt,
            "Audit file has not been opened!\r\nUse the open file icon to load an audit file.");
  EXPECT_EQ(ui.messages[3].prompt,
            "Alarm History file has not been opened!\r\n"
            "Use the open file icon to load an alarm file.");
  for (const auto& m : ui.messages) EXPECT_EQ(m.style, 32);
  EXPECT_TRUE(ui.saveDialogs.empty());

  ui.openAnswers = {data, audit, alarm};
  cmds.DataBarBtn_Click(0);
  cmds.auditBarBtn_Click(0);
  cmds.almBarBtn_Click(0);
  ui.messages.clear();
  ui.log.clear();

  // Exports: the Save dialog of each table, then the file.
  const QString out = dir.filePath("out.csv");
  ui.saveAnswers = {out, std::nullopt, std::nullopt, std::nullopt};
  cmds.DataBarBtn_Click(4);
  cmds.opBarBtn_Click(1);
  cmds.auditBarBtn_Click(2);
  cmds.almBarBtn_Click(2);
  ASSERT_EQ(ui.saveDialogs.size(), 4u);
  EXPECT_EQ(ui.saveDialogs[0].title, "Export data file as?");
  EXPECT_EQ(ui.saveDialogs[0].fileName, "run.csv");
  EXPECT_EQ(ui.saveDialogs[1].title, "Export Op Event File as?");
  EXPECT_EQ(ui.saveDialogs[1].fileName, "Op Event run.csv");
  EXPECT_EQ(ui.saveDialogs[2].title, "Export Audit Trail File as?");
  EXPECT_EQ(ui.saveDialogs[2].fileName, "Audit trail.csv");
  EXPECT_EQ(ui.saveDialogs[3].title, "Export Alarm History File as?");
  EXPECT_EQ(ui.saveDialogs[3].fileName, "Alarm alm.csv");
  EXPECT_TRUE(ui.messages.empty());
  QFile written(out);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(written.readAll().startsWith("Date,Time,TC1,TC2\r\n1/2/2007,02:05:30 PM,23.5,1\r\n"));

  // Printouts: the printer dialog without selection and page choices;
  // cancelling it says nothing. Without a printer, the message.
  cmds.DataBarBtn_Click(2);
  cmds.opBarBtn_Click(0);
  cmds.auditBarBtn_Click(1);
  cmds.almBarBtn_Click(1);
  EXPECT_EQ(ui.log.filter("printer:").size(), 4);
  EXPECT_TRUE(ui.log.contains("printer:12"));
  EXPECT_TRUE(ui.messages.empty());
  ui.printers = 0;
  cmds.almBarBtn_Click(1);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].prompt,
            "There is no default printer!\r\nPlease install or select a default printer.");
  EXPECT_EQ(ui.messages[0].style, 16);
}

}  // namespace
}  // namespace tarvex

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
