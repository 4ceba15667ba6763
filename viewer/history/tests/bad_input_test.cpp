// Bad input through every reader of the window and every tarvex command.
// The corpus is made at test time (a pipe and a 10 MB line cannot be kept
// in the repository); each entry names the outcome of each kind of reader:
//  - table readers (data history, audit trail, alarm history; tarvex show
//    and export of those kinds): they load any bytes of a regular file;
//  - companion readers (.sig, .evt; tarvex show of those kinds, decrypt):
//    every line must be the hex text of a record;
//  - the file digest of verification (tarvex verify).
// 0 is "read without error"; otherwise the run-time error number that the
// window reports ("Error N = ...") and tarvex prints on stderr (exit 2).
// Nothing may wait on a pipe or a device: every tarvex run must end within
// its time limit.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <array>
#include <functional>
#include <map>

#include "history/history_commands.h"
#include "logfiles/logtable.h"
#include "recording_trend.h"
#include "scripted_ui.h"
#include "signatures/verify.h"
#include "signatures/vxlog.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << s.toStdString(); }

namespace tarvex {
namespace {

using test::ScriptedUi;

const QString kPw = QStringLiteral("plumb");

class FakeWindow : public HistoryWindowState {
 public:
  LogTable& vaGrid() override { return t[0]; }
  LogTable& digiSigGrid() override { return t[1]; }
  LogTable& opEvGrid() override { return t[2]; }
  LogTable& auditGrid() override { return t[3]; }
  LogTable& auditSigGrid() override { return t[4]; }
  LogTable& alarmGrid() override { return t[5]; }
  TableSelection selection(const LogTable&) const override { return {}; }
  void setTabEnabled(int, bool) override {}
  void setAuditNameCaption(const QString&) override {}
  void setAlmNameCaption(const QString&) override {}
  void setPlotProgressVisible(bool) override {}
  std::array<LogTable, 6> t;
};

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

struct BadInput {
  const char* name;
  // Puts the input at path (the path does not exist yet).
  std::function<void(const QString& path)> make;
  int table;      // error of the table readers, 0 = loads
  int companion;  // error of the companion readers
  int digest;     // error of the file digest
};

std::vector<BadInput> corpus(VxLog& sigLog) {
  const QByteArray record =
      sigLog.EncryptToHex("1/2/2007,14:05:30,Jane,Checked,1 2 3", kPw).toLatin1();
  auto bytes = [](QByteArray b) { return [b](const QString& p) { writeFile(p, b); }; };
  auto linkTo = [](const char* target) {
    return [target](const QString& p) { ASSERT_TRUE(QFile::link(target, p)); };
  };
  QByteArray binary(4096, 0);
  QRandomGenerator rng(9);
  for (char& c : binary) c = char(rng.bounded(256));
  return {
      {"pipe",
       [](const QString& p) { ASSERT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0600), 0); }, 75,
       75, 75},
      {"device /dev/zero", linkTo("/dev/zero"), 75, 75, 75},
      {"device /dev/urandom", linkTo("/dev/urandom"), 75, 75, 75},
      {"folder", [](const QString& p) { ASSERT_TRUE(QDir().mkpath(p)); }, 75, 75, 75},
      {"empty", bytes({}), 0, 0, 13},
      {"binary", bytes(binary), 0, 5, 0},
      {"NUL bytes", bytes(QByteArray(1000, '\0')), 0, 5, 0},
      {"10 MB single line", bytes(QByteArray(10 << 20, '7')), 0, 5, 0},
      {"CR-only line ends", bytes(record + '\r' + record + '\r'), 0, 0, 0},
      {"mixed line ends", bytes(record + "\r\n" + record + '\n' + record + '\r' + record), 0, 0, 0},
      {"byte-order mark", bytes("\xEF\xBB\xBF" + record + "\r\n"), 0, 0, 0},
      {"bad hex groups", bytes(record + "\r\n1 2 1FF 4\r\n"), 0, 6, 0},
      {"odd-length ciphertext", bytes("B5 6C AD 6E E4 DD 5D\r\n"), 0, 5, 0},
      {"vanished", [](const QString&) {}, 53, 53, 53},
  };
}

struct ToolRun {
  int exitCode = -1;
  QString err;
};

ToolRun tarvexRun(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(TARVEX_EXE), args);
  ToolRun r;
  if (!p.waitForFinished(20000)) {
    p.kill();
    p.waitForFinished();
    r.err = "did not end";
    return r;
  }
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

// The outcome of a command that reads with a reader of the given error:
// "ok" or "Error N".
QString expected(int error) { return error ? QStringLiteral("Error %1").arg(error) : "ok"; }

QString outcome(const ToolRun& r) {
  if (r.exitCode == 0) return "ok";
  const qsizetype at = r.err.indexOf("Error ");
  if (r.exitCode != 2 || at < 0) return QStringLiteral("exit %1: %2").arg(r.exitCode).arg(r.err);
  return r.err.mid(at, r.err.indexOf(" =", at) - at);
}

// The first error report of a window procedure: "Error N" (from "Error N =
// ... in function name") or "ok" when none was shown.
QString windowOutcome(const ScriptedUi& ui, const QString& procName) {
  for (const test::MessageCall& m : ui.messages) {
    if (!m.prompt.startsWith("Error ")) continue;
    if (!m.prompt.contains(" in function " + procName + " occurred."))
      return "wrong procedure: " + m.prompt;
    return m.prompt.left(m.prompt.indexOf(" ="));
  }
  return "ok";
}

class BadInputTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  // A fresh folder for one role of one input.
  QString folder(const QString& name) {
    const QString f = dir.filePath(QString::number(++folders) + '-' + name);
    EXPECT_TRUE(QDir().mkpath(f));
    return f;
  }

  QTemporaryDir dir;
  VxLog sigLog;
  int folders = 0;
};

TEST_F(BadInputTest, WindowReaders) {
  const QByteArray goodData = "Date,Time,TC1\r\n1/2/2007,14:05:30,23.5\r\n";
  for (const BadInput& in : corpus(sigLog)) {
    SCOPED_TRACE(in.name);
    ScriptedUi ui;
    FakeWindow win;
    ViewerGlobals g;
    g.startDir = dir.path();
    test::RecordingTrend trend;
    HistoryCommands cmds(ui, win, g, &sigLog, trend);

    // As the data history, the audit trail and the alarm history.
    QString f = folder("data");
    in.make(f + "/run.csv");
    ui.openAnswers = {f + "/run.csv"};
    cmds.DataBarBtn_Click(0);
    EXPECT_EQ(windowOutcome(ui, "getHistFile"), expected(in.table));
    EXPECT_FALSE(win.f_FileLoading);
    ui.messages.clear();
    in.make(f + "/trail.aud");
    ui.openAnswers = {f + "/trail.aud"};
    cmds.auditBarBtn_Click(0);
    EXPECT_EQ(windowOutcome(ui, "getAuditFile"), expected(in.table));
    ui.messages.clear();
    in.make(f + "/alm.csv");
    ui.openAnswers = {f + "/alm.csv"};
    cmds.almBarBtn_Click(0);
    EXPECT_EQ(windowOutcome(ui, "getAlmFile"), expected(in.table));

    // As the .sig, then as the .evt of a good data file.
    for (const char* ext : {".sig", ".evt"}) {
      ui.messages.clear();
      f = folder("companion");
      writeFile(f + "/run.csv", goodData);
      in.make(f + "/run" + ext);
      ui.openAnswers = {f + "/run.csv"};
      cmds.DataBarBtn_Click(0);
      // A missing companion, or a folder of its name, is no error: the
      // table keeps its titles.
      const bool absent = in.companion == 53 || QByteArray(in.name) == "folder";
      const int error = absent ? 0 : in.companion;
      EXPECT_EQ(windowOutcome(ui, QString(ext) == ".sig" ? "loadSigFile" : "loadOpEventsFile"),
                expected(error))
          << ext;
      EXPECT_FALSE(win.f_FileLoading);
    }

    // As the data file of a verification.
    ui.messages.clear();
    f = folder("verify");
    in.make(f + "/run.csv");
    LogTable sigs;
    sigs.setCell(kHashColumn, 1, u"0");
    const VerifyResult v = VerifyDataSignature(sigs, 1, f + "/run.csv", sigLog, ui);
    if (in.digest) {
      EXPECT_EQ(v, VerifyResult::Error);
      EXPECT_TRUE(ui.messages.back().prompt.startsWith(
          QStringLiteral("Error Number %1. - ").arg(in.digest)))
          << ui.messages.back().prompt.toStdString();
    } else {
      EXPECT_EQ(v, VerifyResult::Failed);
    }
  }
}

TEST_F(BadInputTest, TarvexCommands) {
  const QByteArray goodData = "Date,Time,TC1\r\n1/2/2007,14:05:30,23.5\r\n";
  const QByteArray goodSig =
      sigLog.EncryptToHex("1/2/2007,14:05:30,Jane,Checked,1 2 3", kPw).toLatin1() + "\r\n";
  for (const BadInput& in : corpus(sigLog)) {
    SCOPED_TRACE(in.name);
    QString f = folder("tool");
    const QString path = f + "/input";
    in.make(path);
    for (const char* kind : {"data", "audit", "alarm"}) {
      EXPECT_EQ(outcome(tarvexRun({"show", path, "--kind", kind})), expected(in.table)) << kind;
      EXPECT_EQ(outcome(tarvexRun({"export", path, "--kind", kind, "-o", f + "/out.csv"})),
                expected(in.table))
          << kind;
    }
    for (const char* kind : {"sig", "evt"})
      EXPECT_EQ(outcome(tarvexRun({"show", path, "--kind", kind})), expected(in.companion)) << kind;
    EXPECT_EQ(outcome(tarvexRun({"decrypt", path})), expected(in.companion));
    EXPECT_EQ(outcome(tarvexRun({"export", path, "--kind", "evt", "-o", f + "/evt.csv"})),
              expected(in.companion));

    // verify: the input as the data file of a good .sig, then as the .sig
    // of a good data file.
    f = folder("verify");
    in.make(f + "/run.csv");
    writeFile(f + "/run.sig", goodSig);
    ToolRun r = tarvexRun({"verify", f + "/run.csv"});
    if (in.digest)
      EXPECT_EQ(outcome(r), expected(in.digest));
    else
      EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();  // the recorded hash differs
    f = folder("verify-sig");
    writeFile(f + "/run.csv", goodData);
    in.make(f + "/run.sig");
    r = tarvexRun({"verify", f + "/run.csv"});
    // A folder named like the companion counts as absent: "no signatures".
    if (in.companion)
      EXPECT_EQ(outcome(r), expected(QByteArray(in.name) == "folder" ? 53 : in.companion));
    else
      EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();  // no record confirms
  }
}

}  // namespace
}  // namespace tarvex
