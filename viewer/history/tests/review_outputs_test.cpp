// What the history window's exports and printouts write while the review
// filters a grid (only the rows it shows, and the printout says how it was
// filtered), that without a filter they write what they always did, and the
// date order the user set reaching every reader.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <array>
#include <map>

#include "history/history_commands.h"
#include "recording_trend.h"
#include "review/review_model.h"
#include "review/time_bound.h"
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
  void setTabEnabled(int, bool) override {}
  void setAuditNameCaption(const QString&) override {}
  void setAlmNameCaption(const QString&) override {}
  void setPlotProgressVisible(bool) override {}

  std::array<LogTable, 6> t;
  std::map<const LogTable*, TableSelection> selections;
};

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The lines of every page of a PDF, runs of blanks made one.
QStringList pdfLines(const QString& path) {
  QProcess p;
  p.start(QStringLiteral(PDFTOTEXT), {QStringLiteral("-layout"), path, QStringLiteral("-")});
  p.waitForFinished(60000);
  QStringList out;
  for (QString line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n')) {
    line = line.remove(u'\f').simplified();
    if (!line.isEmpty()) out << line;
  }
  return out;
}

// As one text, so that a failure shows it.
std::string text(const QStringList& lines) { return lines.join(u'\n').toStdString(); }

// The lines of the first page.
QStringList firstPage(const QStringList& lines) {
  const qsizetype end = lines.indexOf(QRegularExpression(QStringLiteral("(.* )?Page #1")));
  return end < 0 ? lines : lines.mid(0, end + 1);
}

double at(const char* text, bool upper = false) {
  return parseTimeBound(QString::fromLatin1(text), DateOrder::MonthDayYear, upper);
}

class ReviewOutputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    g.startDir = dir.path();
    data = dir.filePath("run.csv");
    writeFile(data,
              "Date,Time,TC1,TC2\r\n"
              "3/14/2007,6:00:00,23.5,1\r\n"
              "3/14/2007,6:00:10,OVR,2\r\n"
              "3/14/2007,6:00:20,23.7,3\r\n"
              "3/14/2007,6:00:30,23.8,4\r\n"
              "3/14/2007,6:00:40,OVR,5\r\n");
    auto line = [&](const char* plain) {
      return sigLog.EncryptToHex(QString::fromLatin1(plain), QStringLiteral("plumb")).toLatin1() +
             "\r\n";
    };
    writeFile(dir.filePath("run.evt"), line("3/14/2007,6:00:05,Jane Miller,Batch started") +
                                           line("3/14/2007,6:00:35,Robert Chen,Sample drawn") +
                                           line("3/14/2007,6:02:00,Jane Miller,Batch ended"));
    audit = dir.filePath("trail.aud");
    writeFile(audit,
              "3/14/2007,5:59:00,Jane Miller,Log in\r\n"
              "3/14/2007,6:00:15,Jane Miller,Setpoint changed\r\n"
              "3/14/2007,6:00:25,Robert Chen,Log in\r\n");
    alarm = dir.filePath("alm.csv");
    writeFile(alarm,
              "High Temp,3/14/2007,6:00:00\r\n"
              "Low Flow,3/14/2007,6:01:00\r\n"
              "TC1 Over Range,3/14/2007,6:02:00\r\n");
    ui.openAnswers = {data, audit, alarm};
    cmds.DataBarBtn_Click(0);
    cmds.auditBarBtn_Click(0);
    cmds.almBarBtn_Click(0);
    ASSERT_TRUE(ui.messages.empty());
    cmds.setReview(&review);
  }

  // The four exports, each to its own file.
  void exportAll(const QString& stem) {
    for (const char* t : {"data", "evt", "audit", "alarm"})
      ui.saveAnswers.push_back(dir.filePath(stem + "-" + t + ".csv"));
    cmds.DataBarBtn_Click(4);
    cmds.opBarBtn_Click(1);
    cmds.auditBarBtn_Click(2);
    cmds.almBarBtn_Click(2);
  }
  QByteArray exported(const QString& stem, const char* t) {
    return readFile(dir.filePath(stem + "-" + t + ".csv"));
  }
  // Prints with `click` and returns the lines of the PDF.
  QStringList printed(const std::function<void()>& click) {
    ui.pdfFile = dir.filePath("print.pdf");
    QFile::remove(ui.pdfFile);
    ui.printerAnswer = PrinterChoice{};
    click();
    // TARVEX_SHOTS keeps each printout to look at.
    if (const QString keep = qEnvironmentVariable("TARVEX_SHOTS"); !keep.isEmpty())
      QFile::copy(ui.pdfFile,
                  QDir(keep).filePath(QStringLiteral("printout-%1.pdf").arg(++printouts)));
    return pdfLines(ui.pdfFile);
  }

  QTemporaryDir dir;
  static inline int printouts = 0;
  VxLog sigLog;
  ScriptedUi ui;
  FakeWindow win;
  ViewerGlobals g;
  test::RecordingTrend trend;
  HistoryCommands cmds{ui, win, g, &sigLog, trend};
  ReviewModel review{{&win.t[0], &win.t[1], &win.t[2], &win.t[3], &win.t[4], &win.t[5]}};
  QString data, audit, alarm;
};

TEST_F(ReviewOutputsTest, WithoutAFilterExportsAndPrintoutsAreAsAlways) {
  exportAll("review");
  HistoryCommands plain{ui, win, g, &sigLog, trend};  // no review at all
  for (const char* t : {"data", "evt", "audit", "alarm"})
    ui.saveAnswers.push_back(dir.filePath(QStringLiteral("plain-") + t + ".csv"));
  plain.DataBarBtn_Click(4);
  plain.opBarBtn_Click(1);
  plain.auditBarBtn_Click(2);
  plain.almBarBtn_Click(2);
  for (const char* t : {"data", "evt", "audit", "alarm"}) {
    EXPECT_FALSE(exported("plain", t).isEmpty()) << t;
    EXPECT_EQ(exported("review", t), exported("plain", t)) << t;
  }
  EXPECT_EQ(printed([&] { cmds.DataBarBtn_Click(2); }),
            printed([&] { plain.DataBarBtn_Click(2); }));
  EXPECT_EQ(printed([&] { cmds.almBarBtn_Click(1); }), printed([&] { plain.almBarBtn_Click(1); }));
  EXPECT_FALSE(printed([&] { cmds.DataBarBtn_Click(2); }).join(u'\n').contains("Filtered"));
}

TEST_F(ReviewOutputsTest, AFilteredGridExportsTheRowsItShows) {
  review.setWindow({at("3/14/2007 6:00:10"), at("3/14/2007 6:00:35")});
  exportAll("window");
  EXPECT_EQ(exported("window", "data"),
            "Date,Time,TC1,TC2\r\n"
            "3/14/2007,06:00:10 AM,OVR,2\r\n"
            "3/14/2007,06:00:20 AM,23.7,3\r\n"
            "3/14/2007,06:00:30 AM,23.8,4\r\n");
  EXPECT_EQ(exported("window", "evt"),
            "Date,Time,User Full Name,Event Message\r\n"
            "3/14/2007,6:00:35,Robert Chen,Sample drawn\r\n");
  EXPECT_EQ(exported("window", "audit"),
            "Date,Time,User Full Name,User Action\r\n"
            "3/14/2007,6:00:15,Jane Miller,Setpoint changed\r\n"
            "3/14/2007,6:00:25,Robert Chen,Log in\r\n");
  EXPECT_EQ(exported("window", "alarm"), "Alarm#,Alarm Description,Date,Time\r\n");

  // The text filter of one grid on top of the window.
  review.setText(ReviewTable::Data, QStringLiteral("ovr"));
  review.setText(ReviewTable::AuditTrail, QStringLiteral("log in"));
  exportAll("text");
  EXPECT_EQ(exported("text", "data"), "Date,Time,TC1,TC2\r\n3/14/2007,06:00:10 AM,OVR,2\r\n");
  EXPECT_EQ(exported("text", "audit"),
            "Date,Time,User Full Name,User Action\r\n3/14/2007,6:00:25,Robert Chen,Log in\r\n");
  EXPECT_EQ(exported("text", "evt"), exported("window", "evt"));

  // The text alone, the window gone: the alarm numbers stay the file's.
  review.clearWindow();
  review.setText(ReviewTable::Alarms, QStringLiteral("tc1"));
  exportAll("alarm");
  EXPECT_EQ(exported("alarm", "alarm"),
            "Alarm#,Alarm Description,Date,Time\r\n3,TC1 Over Range,3/14/2007,06:02 AM\r\n");
  EXPECT_EQ(exported("alarm", "data"),
            "Date,Time,TC1,TC2\r\n"
            "3/14/2007,06:00:10 AM,OVR,2\r\n"
            "3/14/2007,06:00:40 AM,OVR,5\r\n");
}

TEST_F(ReviewOutputsTest, AFilteredPrintoutSaysHowItWasFiltered) {
  review.setWindow({at("3/14/2007 6:00:10"), at("3/14/2007 6:00:35")});
  review.setText(ReviewTable::Data, QStringLiteral("ovr"));
  const QString header = QStringLiteral("File printout for fileName ") + data;
  EXPECT_EQ(
      text(printed([&] { cmds.DataBarBtn_Click(2); })),
      text({header, "Filtered: 3/14/2007 6:00:10 AM \u2013 3/14/2007 6:00:35 AM; text \"ovr\"",
            "Date Time TC1 TC2", "3/14/2007 06:00:10 AM OVR 2", "Row 2 of 5 Page #1"}));
  EXPECT_EQ(text(printed([&] { cmds.almBarBtn_Click(1); })),
            text({QStringLiteral("File printout for fileName ") + alarm,
                  "Filtered: 3/14/2007 6:00:10 AM \u2013 3/14/2007 6:00:35 AM",
                  "Alarm# Alarm Description Date Time", "Page #1"}));
  // The audit trail is wider than a page: its first page.
  EXPECT_EQ(text(firstPage(printed([&] { cmds.auditBarBtn_Click(1); })).mid(1)),
            text({"Filtered: 3/14/2007 6:00:10 AM \u2013 3/14/2007 6:00:35 AM",
                  "Date Time User Full Name User Action",
                  "3/14/2007 6:00:15 Jane Miller Setpoint changed",
                  "3/14/2007 6:00:25 Robert Chen Log in", "Rows 2\u20133 of 3 Page #1"}));
  // A selection of the data grid counts the rows it shows.
  review.setText(ReviewTable::Data, QString());
  win.selections[&win.vaGrid()] = {{{2, 1, 2, 4}}, 1};
  EXPECT_EQ(
      text(printed([&] { cmds.DataBarBtn_Click(2); }).mid(1)),
      text({"Filtered: 3/14/2007 6:00:10 AM \u2013 3/14/2007 6:00:35 AM", "Date TC1",
            "3/14/2007 OVR", "3/14/2007 23.7", "3/14/2007 23.8", "Rows 2\u20134 of 5 Page #1"}));
}

TEST_F(ReviewOutputsTest, TheDateOrderReachesEveryReader) {
  // Set by the user: every table reads in it.
  g.dateOrder = DateOrder::DayMonthYear;
  ui.openAnswers = {data, audit, alarm};
  cmds.DataBarBtn_Click(0);
  cmds.auditBarBtn_Click(0);
  cmds.almBarBtn_Click(0);
  const DateReading set{DateOrder::DayMonthYear, DateOrderSource::Set};
  for (int i = 0; i < 6; ++i) {
    if (i != 1 && i != 4) {
      EXPECT_EQ(win.t[std::size_t(i)].dateReading(), set) << i;
    }
  }
  // 3/14/2007 is no day-first date: the rows do not read, the time column
  // keeps its text only where it held a date.
  EXPECT_FALSE(review.rowTime(ReviewTable::Data, 1).has_value());
  EXPECT_EQ(win.vaGrid().getCell(1, 1), "06:00:00 AM");

  // Left to the files, in a day-first locale: the data file decides month
  // first; events all in the first twelve days follow it.
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  g.dateOrder.reset();
  writeFile(dir.filePath("run.evt"),
            sigLog.EncryptToHex("3/4/2007,6:00:05,Jane Miller,Batch started", "plumb").toLatin1() +
                "\r\n");
  ui.openAnswers = {data};
  cmds.DataBarBtn_Click(0);
  QLocale::setDefault(saved);
  EXPECT_EQ(win.vaGrid().dateReading(),
            (DateReading{DateOrder::MonthDayYear, DateOrderSource::File}));
  EXPECT_EQ(win.opEvGrid().dateReading(),
            (DateReading{DateOrder::MonthDayYear, DateOrderSource::LogFile}));
  EXPECT_NEAR(*review.rowTime(ReviewTable::OperatorEvents, 1), at("3/4/2007 6:00:05"), 1e-9);
}

}  // namespace
}  // namespace tarvex

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
