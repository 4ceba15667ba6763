#include "logfiles/export_commands.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QStringList>
#include <optional>

#include "signatures/textinput.h"
#include "testfiles.h"

namespace tarvex {
namespace {

using testing::TempFiles;

// Records each step with the user; the Save dialog answers from `saveAnswer`
// (empty: cancel).
class SaveScriptUi : public UserInterface {
 public:
  QStringList log;
  std::optional<QString> saveAnswer;

  int msgBoxPos(const QString& prompt, int style, const QString& title, int timeout) override {
    log << QStringLiteral("msg %1 %2%3").arg(style).arg(prompt, title);
    if (timeout != 0) log << "timeout";
    return mb::ResultOk;
  }
  QString showOpen(const FileDialogSettings&) override {
    log << "open";
    throw RuntimeError(err::Cancel);
  }
  QString showSave(const FileDialogSettings& s) override {
    log << "save " + QStringList{s.title,    s.filter,     s.initDir,
                                 s.fileName, s.defaultExt, QString::number(s.flags)}
                         .join(u'|');
    if (!saveAnswer) throw RuntimeError(err::Cancel);
    return *saveAnswer;
  }
  QColor showColor(const QColor&) override { throw RuntimeError(err::Cancel); }
  int printerCount() override { return 0; }
  PrinterChoice showPrinter(int) override { throw RuntimeError(err::Cancel); }
  QPrinter* printer() override { return nullptr; }
  void setStatusText(const QString& text) override { log << "status " + text; }
  void setPointer(Pointer) override { log << "pointer"; }
  void doEvents() override {}
};

using Export = void (*)(UserInterface&, const LogTable&, const QString&, const QString&,
                        const std::vector<int>*);

struct ExportCase {
  Export run;
  const char* logFile;
  const char* dialog;  // what the Save dialog is shown with, less the folder
  const char* guardMessage;
  const char* procName;
};

const char* kDataGuard =
    "msg 32 Data file has not been opened!\r\nUse the open file icon to load a data file.";

const ExportCase kCases[] = {
    {exportHistData, "C:\\logs\\run.2007.csv",
     "Export data file as?|Exported Data Files (*.csv)|*.csv|@|run.csv|.csv|6", kDataGuard,
     "exportHistData"},
    {exportOpEventData, "/logs/run.csv",
     "Export Op Event File as?|Exported Op Event Files (*.csv)|*.csv|@|Op Event run.csv|.csv|6",
     kDataGuard, "exportOpEventData"},
    {exportAuditTrailData, "C:\\logs\\trail.aud",
     "Export Audit Trail File as?|Exported Audit Files (*.csv)|*.csv|@|Audit trail.csv|.csv|6",
     "msg 32 Audit file has not been opened!\r\nUse the open file icon to load an audit file.",
     "exportAuditTrailData"},
    {exportAlmData, "C:\\logs\\alm.csv",
     "Export Alarm History File as?|Exported Alarm History Files (*.csv)|*.csv|@|Alarm "
     "alm.csv|.csv|6",
     "msg 32 Alarm History file has not been opened!\r\nUse the open file icon to load an "
     "alarm file.",
     "exportAlmData"},
};

class ExportCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = files_.write("source.csv", "Date,Time,TC1\r\n1/2/2007,02:05:30 PM,23.5\r\n");
    table_.loadDelimitedText(source_);
    startDir_ = files_.path("start");
    ASSERT_TRUE(QDir().mkpath(startDir_));
  }
  QString expectedDialog(const ExportCase& c) const {
    return "save " + QString::fromUtf8(c.dialog).replace("@", startDir_ + "\\Export Data");
  }

  TempFiles files_;
  QString source_;
  QString startDir_;
  LogTable table_;
  SaveScriptUi ui_;
};

TEST_F(ExportCommands, GuardRefusesWithoutFileAndNoDialog) {
  for (const ExportCase& c : kCases) {
    SCOPED_TRACE(c.procName);
    ui_.log.clear();
    // The operator event export needs the data file even when its table holds rows.
    c.run(ui_, table_, QString(), startDir_, nullptr);
    EXPECT_EQ(ui_.log, QStringList{c.guardMessage});
  }
}

TEST_F(ExportCommands, SaveDialogThenTheTableWrittenWithoutAWord) {
  for (const ExportCase& c : kCases) {
    SCOPED_TRACE(c.procName);
    ui_.log.clear();
    const QString out = files_.path(QStringLiteral("%1.csv").arg(c.procName));
    ui_.saveAnswer = out;
    c.run(ui_, table_, QString::fromUtf8(c.logFile), startDir_, nullptr);
    EXPECT_EQ(ui_.log, QStringList{expectedDialog(c)});
    EXPECT_EQ(TempFiles::read(out), "Date,Time,TC1\r\n1/2/2007,02:05:30 PM,23.5\r\n");
  }
  // The proposed folder is only proposed.
  EXPECT_FALSE(QDir(startDir_ + "/Export Data").exists());
}

TEST_F(ExportCommands, CancelWritesNothingAndSaysNothing) {
  for (const ExportCase& c : kCases) {
    SCOPED_TRACE(c.procName);
    ui_.log.clear();
    c.run(ui_, table_, QString::fromUtf8(c.logFile), startDir_, nullptr);
    EXPECT_EQ(ui_.log, QStringList{expectedDialog(c)});
  }
  EXPECT_EQ(QDir(files_.path("")).entryList(QDir::Files), QStringList{"source.csv"});
}

TEST_F(ExportCommands, FailedWriteIsReportedWithTheCommandsName) {
  for (const ExportCase& c : kCases) {
    SCOPED_TRACE(c.procName);
    // A folder that does not exist.
    ui_.log.clear();
    ui_.saveAnswer = files_.path("missing/out.csv");
    c.run(ui_, table_, QString::fromUtf8(c.logFile), startDir_, nullptr);
    ASSERT_EQ(ui_.log.size(), 2);
    EXPECT_EQ(ui_.log[1], QStringLiteral("msg 0 Error 76 = Path not found in function %1 "
                                         "occurred.\r\nPlease contact the manufacturer with "
                                         "this error.")
                              .arg(c.procName));
  }
}

TEST_F(ExportCommands, NoLogFileReadInThisRunIsReplaced) {
  // A companion read by another reader, the table's own file by another
  // spelling, a hard link and a symbolic link to it.
  const QString companion = files_.write("other.txt", "plain\r\n");
  { TextInputFile in(companion); }
  ASSERT_TRUE(QFile::link(source_, files_.path("link.csv")));
  ASSERT_EQ(::link(QFile::encodeName(source_).constData(),
                   QFile::encodeName(files_.path("hard.csv")).constData()),
            0);
  const QString spelled = files_.path("start/../source.csv");
  for (const QString& target :
       {source_, companion, spelled, files_.path("link.csv"), files_.path("hard.csv")}) {
    for (const ExportCase& c : kCases) {
      SCOPED_TRACE((c.procName + (" " + target)).toStdString());
      ui_.log.clear();
      ui_.saveAnswer = target;
      c.run(ui_, table_, QString::fromUtf8(c.logFile), startDir_, nullptr);
      ASSERT_EQ(ui_.log.size(), 2);
      const QString named = target == companion ? companion : source_;
      EXPECT_EQ(ui_.log[1], "msg 16 The file " + named +
                                " is a log file open in the viewer and is not replaced by an "
                                "export.\r\nChoose another file name for the export.");
    }
  }
  EXPECT_EQ(TempFiles::read(source_), "Date,Time,TC1\r\n1/2/2007,02:05:30 PM,23.5\r\n");
  EXPECT_EQ(TempFiles::read(companion), "plain\r\n");

  // The tool's path through the table refuses as well.
  EXPECT_EQ(testing::errorOf([&] { table_.exportDelimitedText(companion); }), 70);
  EXPECT_EQ(testing::errorOf([&] { table_.exportDelimitedText(files_.path("link.csv")); }), 70);
}

TEST_F(ExportCommands, TheProposalNeverNamesAnOpenLog) {
  // The log lies in the start-up folder and "Export Data" is missing: the
  // dialog opens beside the log, so its own name is not proposed.
  const QString log = files_.write("start/run.csv", "Date,Time\r\n1/2/2007,1:00\r\n");
  LogTable runTable;
  runTable.loadDelimitedText(log);
  EXPECT_EQ(proposedExportName("", log, startDir_), "run export.csv");
  EXPECT_EQ(proposedExportName("Op Event ", log, startDir_), "Op Event run.csv");
  ui_.saveAnswer.reset();
  exportHistData(ui_, runTable, log, startDir_);
  EXPECT_TRUE(ui_.log.value(0).contains("|run export.csv|")) << ui_.log.value(0).toStdString();
  // An unread file of that name is proposed as usual, as is the name in an
  // existing export folder.
  files_.write("start/alm.csv", "x\r\n");
  EXPECT_EQ(proposedExportName("", "C:\\logs\\alm.csv", startDir_), "alm.csv");
  ASSERT_TRUE(QDir().mkpath(startDir_ + "/Export Data"));
  EXPECT_EQ(proposedExportName("", log, startDir_), "run.csv");
}

}  // namespace
}  // namespace tarvex
