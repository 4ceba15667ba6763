// "Review Report..." headless: the dialog filled from the review window,
// the grid's selection and the remembered reviewer; bad values asked again;
// the report written through the batch report code with a progress window;
// Cancel there and in the dialog leaving no file.
#include "history/report_commands.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "history/history_commands.h"
#include "history/review_commands.h"
#include "history/tests/scripted_ui.h"
#include "logfiles/readers.h"
#include "review/review_model.h"
#include "review/time_bound.h"
#include "signatures/vxlog.h"

namespace tarvex {
namespace {

using test::ScriptedUi;

QString pdfText(const QString& pdf) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  EXPECT_TRUE(p.waitForFinished(60000));
  return QString::fromUtf8(p.readAllStandardOutput());
}

class ReportCommandsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new QTemporaryDir;
    QProcess p;
    p.start(QStringLiteral(TARVEX_EXE), {QStringLiteral("sample"), dir->path(),
                                         QStringLiteral("--rows"), QStringLiteral("360")});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0);
  }
  static void TearDownTestSuite() { delete dir; }

  void SetUp() override {
    globals.startDir = dir->path();
    globals.dataFileName = dir->filePath(QStringLiteral("Reactor2_History.csv"));
    globals.auditFileName = dir->filePath(QStringLiteral("Reactor2_Audit.aud"));
    globals.alarmFileName = dir->filePath(QStringLiteral("Reactor2_Alarms.csv"));
    loadHistData(tables[0], globals.dataFileName);
    review = std::make_unique<ReviewModel>(ReviewModel::Tables{&tables[0], &tables[1], &tables[2],
                                                               &tables[3], &tables[4], &tables[5]});
    commands = std::make_unique<ReportCommands>(
        ui, globals, tables[0], review.get(), sigLog,
        ReportCommands::ReviewerMemory{[this] { return remembered; },
                                       [this](const QString& n) { remembered = n; }});
    // Every step of the work lets events run.
    commands->setProgressClock([this] { return clock += 100; });
  }

  static QTemporaryDir* dir;
  ScriptedUi ui;
  ViewerGlobals globals;
  LogTable tables[6];
  std::unique_ptr<ReviewModel> review;
  VxLog sigLog;
  std::unique_ptr<ReportCommands> commands;
  QString remembered = QStringLiteral("Jane Miller");
  qint64 clock = 0;
};
QTemporaryDir* ReportCommandsTest::dir = nullptr;

TEST_F(ReportCommandsTest, TheDialogStartsFromTheWindowAndTheSelectionAndWritesTheReport) {
  review->setWindow({parseTimeBound(u"3/14/2007 6:10:00", DateOrder::MonthDayYear, false),
                     parseTimeBound(u"3/14/2007 6:40:00", DateOrder::MonthDayYear, true)});
  const QString out = dir->filePath(QStringLiteral("chosen.pdf"));
  ui.reportAnswers.push_back([&](ReportDialogValues& v) {
    v.lows[0] = QStringLiteral("170");
    v.highs[0] = QStringLiteral("185");
    v.reviewer = QStringLiteral("Ann Smith");
    v.output = out;
    return true;
  });
  TableSelection selection;
  selection.blocks.push_back({3, -1, 4, -1});  // TC2 and TC3, whole columns
  const std::optional<ReportOutcome> outcome = commands->reviewReport(selection);
  ASSERT_TRUE(outcome);

  ASSERT_EQ(ui.reportDialogs.size(), 1u);
  const ReportDialogValues& shown = ui.reportDialogs[0];
  EXPECT_EQ(shown.from, "3/14/2007 6:10:00 AM");
  EXPECT_EQ(shown.to, "3/14/2007 6:40:00 AM");
  ASSERT_EQ(shown.channels.size(), 8);
  EXPECT_EQ(shown.channels[0], "TC1 Zone 1 (C)");
  EXPECT_EQ(shown.chosen, (QList<bool>{false, true, true, false, false, false, false, false}));
  EXPECT_EQ(shown.reviewer, "Jane Miller");
  EXPECT_EQ(shown.output, dir->filePath(QStringLiteral("Reactor2_History Review Report.pdf")));
  EXPECT_EQ(remembered, "Ann Smith");

  // The sample's first data signature fails: the verdict in a critical box.
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().style, mb::Critical);
  EXPECT_TRUE(ui.messages.back().prompt.contains(QStringLiteral("1 of 4 signatures FAILED")));
  EXPECT_TRUE(ui.progress.front().startsWith(QStringLiteral("show:Review Report")));
  EXPECT_EQ(ui.progress.back(), "hide");
  EXPECT_EQ(ui.pointer, Pointer::Normal);

  const QString text = pdfText(out);
  EXPECT_TRUE(text.contains(QStringLiteral("Ann Smith")));
  EXPECT_TRUE(text.contains(QStringLiteral("From 3/14/2007 6:10:00 AM To 3/14/2007 6:40:00 AM")));
  EXPECT_TRUE(text.contains(QStringLiteral("181 of 360 data rows in the window")));
  // TC1 was not chosen, so its limit was not asked for; TC2 and TC3 are reported.
  EXPECT_FALSE(text.contains(QStringLiteral("TC1 Zone 1 (C)")));
  EXPECT_TRUE(text.contains(QStringLiteral("TC3 Zone 3 (C)")));
  EXPECT_TRUE(text.contains(QStringLiteral("No limits given.")));
}

TEST_F(ReportCommandsTest, BadValuesAreSaidAndAskedAgain) {
  const QString out = dir->filePath(QStringLiteral("again.pdf"));
  ui.reportAnswers.push_back([&](ReportDialogValues& v) {
    v.lows[0] = QStringLiteral("190");
    v.highs[0] = QStringLiteral("170");
    v.output = out;
    return true;
  });
  ui.reportAnswers.push_back([&](ReportDialogValues& v) {
    v.from = QStringLiteral("3/14/2007 7:00");
    v.to = QStringLiteral("3/14/2007 6:00");
    return true;
  });
  ui.reportAnswers.push_back([&](ReportDialogValues& v) {
    v.chosen.fill(false);
    v.from.clear();
    v.to.clear();
    return true;
  });
  ui.reportAnswers.push_back([&](ReportDialogValues& v) {
    v.chosen[0] = true;
    v.highs[0] = QStringLiteral("195");
    return true;
  });
  ASSERT_TRUE(commands->reviewReport({}));
  ASSERT_EQ(ui.reportDialogs.size(), 4u);
  // Each showing keeps what the user typed before.
  EXPECT_EQ(ui.reportDialogs[1].lows[0], "190");
  EXPECT_EQ(ui.reportDialogs[1].output, out);
  ASSERT_GE(ui.messages.size(), 3u);
  EXPECT_TRUE(ui.messages[0].prompt.contains(QStringLiteral("lies above its high limit")));
  EXPECT_EQ(ui.messages[1].prompt,
            fromAfterToText(QStringLiteral("3/14/2007 7:00"), QStringLiteral("3/14/2007 6:00")));
  EXPECT_EQ(ui.messages[2].prompt, reportNoChannelText());
  const QString text = pdfText(out);
  EXPECT_TRUE(text.contains(QStringLiteral("TC1 Zone 1 (C)")));
  EXPECT_FALSE(text.contains(QStringLiteral("TC2 Zone 2 (C)")));
}

TEST_F(ReportCommandsTest, CancelLeavesNoFile) {
  const QString out = dir->filePath(QStringLiteral("cancelled.pdf"));
  // Cancel in the dialog: nothing happens.
  EXPECT_FALSE(commands->reviewReport({}));
  EXPECT_TRUE(ui.progress.isEmpty());

  // Cancel while the pages are drawn: no file, no message but the status.
  ui.reportAnswers.push_back([&](ReportDialogValues& v) {
    v.output = out;
    return true;
  });
  ui.onProgress = [&](int, const QString& text) {
    if (text.startsWith(QStringLiteral("Writing the pages"))) ui.cancelProgress = true;
  };
  EXPECT_FALSE(commands->reviewReport({}));
  EXPECT_TRUE(ui.progressTexts.join(u'|').contains(QStringLiteral("Writing the pages")));
  EXPECT_FALSE(QFile::exists(out));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.statusTexts.back(), "Review report cancelled; nothing was written.");
  EXPECT_EQ(ui.progress.back(), "hide");
  EXPECT_EQ(ui.pointer, Pointer::Normal);

  // Without a data file: the guard's message, no dialog.
  globals.dataFileName.clear();
  EXPECT_FALSE(commands->reviewReport({}));
  EXPECT_EQ(ui.reportDialogs.size(), 2u);
  EXPECT_TRUE(
      ui.messages.back().prompt.startsWith(QStringLiteral("Data file has not been opened!")));
}

}  // namespace
}  // namespace tarvex

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
