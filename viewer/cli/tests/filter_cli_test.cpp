// tarvex show and export with the review's filters (--from, --to, --grep)
// and --date-order, as a process: what stdout, stderr, the written file and
// the exit code hold, bad input included.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "run_process.h"

namespace {

using Result = tarvex::test::ProcessResult;

Result tarvex(const QStringList& args, const QString& locale = QStringLiteral("C.UTF-8")) {
  return tarvex::test::runProcess(QStringLiteral(TARVEX_EXE), args,
                                  tarvex::test::withLocale(locale));
}

QStringList lines(const QString& text) { return tarvex::test::outputLines(text); }

class FilterCliTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new QTemporaryDir;
    // 400 data rows from 3/14/2007 6:00:00, every 10 s.
    const Result r = tarvex({"sample", dir->path(), "--rows", "400"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  }
  static void TearDownTestSuite() { delete dir; }
  static QString path(const char* name) { return dir->filePath(QString::fromLatin1(name)); }
  static QString write(const char* name, const QByteArray& bytes) {
    QFile f(path(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  }

  static QTemporaryDir* dir;
};
QTemporaryDir* FilterCliTest::dir = nullptr;

TEST_F(FilterCliTest, FromAndToKeepTheRowsOfTheirSpanAndTheTitles) {
  const QString data = path("Reactor2_History.csv");
  const QStringList all = lines(tarvex({"show", data}).out);
  ASSERT_EQ(all.size(), 401);

  // 6:00:10 to 6:00:40, both ends kept: rows 2 to 5.
  Result r = tarvex({"show", data, "--from", "3/14/2007 6:00:10", "--to", "3/14/2007 6:00:40 AM"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(lines(r.out), QStringList{all[0]} + all.mid(2, 4));
  EXPECT_EQ(r.err, "tarvex show: 0 rows without a readable date or time kept\n");

  // The same span in the ISO form; a bound left out is open.
  EXPECT_EQ(
      tarvex({"show", data, "--from", "2007-03-14 06:00:10", "--to", "2007-03-14T06:00:40"}).out,
      r.out);
  EXPECT_EQ(lines(tarvex({"show", data, "--to", "3/14/2007 6:00:20"}).out), all.mid(0, 4));
  EXPECT_EQ(lines(tarvex({"show", data, "--from", "3/14/2007 7:06:30"}).out),
            (QStringList{all[0], all[400]}));
  // A date alone: from its start, to its end.
  EXPECT_EQ(lines(tarvex({"show", data, "--to", "2007-03-14"}).out), all);
  EXPECT_EQ(lines(tarvex({"show", data, "--from", "3/15/2007"}).out), QStringList{all[0]});

  // The alarm history keeps its date and time in columns 2 and 3.
  const QStringList alarms = lines(tarvex({"show", path("Reactor2_Alarms.csv"), "--kind", "alarm",
                                           "--from", "3/14/2007 6:08", "--to", "3/14/2007 6:11"})
                                       .out);
  ASSERT_EQ(alarms.size(), 3);
  EXPECT_EQ(alarms[1], "2,High Temp TC1,3/14/2007,06:08 AM");
  EXPECT_EQ(alarms[2], "3,Low Level LT1,3/14/2007,06:11 AM");
}

TEST_F(FilterCliTest, GrepKeepsTheRowsHoldingTheTextInAShownCell) {
  const QString audit = path("Reactor2_Audit.aud");
  const QStringList all = lines(tarvex({"show", audit}).out);
  QStringList want{all[0]};
  for (const QString& line : all.mid(1))
    if (line.contains(QStringLiteral("jane"), Qt::CaseInsensitive)) want << line;
  ASSERT_GT(want.size(), 2);
  ASSERT_LT(want.size(), all.size());
  const Result r = tarvex({"show", audit, "--grep", "JANE"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(lines(r.out), want);
  EXPECT_EQ(r.err, "");  // no window, nothing to count

  // Times as shown: the data file's 6:00:10 is "06:00:10 AM".
  const QStringList data = lines(tarvex({"show", path("Reactor2_History.csv"), "--grep",
                                         "06:00:10 am", "--to", "3/14/2007 7:00"})
                                     .out);
  ASSERT_EQ(data.size(), 2);
  EXPECT_TRUE(data[1].startsWith("3/14/2007,06:00:10 AM,"));
}

TEST_F(FilterCliTest, ExportWritesTheFilteredRowsAsTheViewerDoes) {
  const QString data = path("Reactor2_History.csv");
  const QString out = dir->filePath("out.csv");
  const Result r = tarvex({"export", data, "-o", out, "--from", "3/14/2007 6:01:00", "--to",
                           "3/14/2007 6:01:20", "--grep", "."});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "tarvex export: 0 rows without a readable date or time kept\n");
  const QStringList all = lines(tarvex({"show", data}).out);
  QFile f(out);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromLatin1(f.readAll()),
            (QStringList{all[0]} + all.mid(7, 3)).join(QStringLiteral("\r\n")) + "\r\n");
}

TEST_F(FilterCliTest, BadInputChangesNothing) {
  const QString data = path("Reactor2_History.csv");
  const QString out = dir->filePath("never.csv");
  Result r = tarvex({"export", data, "-o", out, "--from", "2007-02-30"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err,
            "tarvex export: --from: \"2007-02-30\" is not a date and time (dates read "
            "month/day/year, or as YYYY-MM-DD HH:MM:SS)\n");
  EXPECT_FALSE(QFile::exists(out));

  r = tarvex({"export", data, "-o", out, "--from", "3/14/2007 7:00", "--to", "3/14/2007 6:00"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "tarvex export: --from 3/14/2007 7:00 lies after --to 3/14/2007 6:00\n");
  EXPECT_FALSE(QFile::exists(out));

  r = tarvex({"show", data, "--to", "14/3/2007"});  // the file's order is month first
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(r.err.startsWith("tarvex show: --to: \"14/3/2007\" is not a date and time"));

  r = tarvex({"show", data, "--date-order", "dym"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.startsWith("tarvex: --date-order needs mdy, dmy or ymd, not dym\n"));
  r = tarvex({"show", data, "--from"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.startsWith("tarvex: --from needs a value\n"));
}

TEST_F(FilterCliTest, DatesAreReadInTheFilesOrderWhateverTheLocale) {
  // Only ambiguous dates: the locale decides, unless --date-order does.
  const QString ambiguous = write("ambiguous.csv",
                                  "Date,Time,TC1\r\n"
                                  "3/4/2007,6:00:00,march\r\n"
                                  "4/3/2007,6:00:00,april\r\n");
  const QStringList day{"--from", "2007-03-04", "--to", "2007-03-04"};
  const QString german = QStringLiteral("de_DE.UTF-8");
  EXPECT_TRUE(tarvex(QStringList{"show", ambiguous} + day, QStringLiteral("en_US.UTF-8"))
                  .out.contains("march"));
  EXPECT_TRUE(tarvex(QStringList{"show", ambiguous} + day, german).out.contains("april"));
  EXPECT_TRUE(tarvex(QStringList{"show", ambiguous, "--date-order", "mdy"} + day, german)
                  .out.contains("march"));
  // A date of the file decides: month first in a day-first locale too, and
  // a bound is read in that order.
  const QString decided = write("decided.csv",
                                "Date,Time,TC1\r\n"
                                "3/4/2007,6:00:00,march\r\n"
                                "3/14/2007,6:00:00,later\r\n");
  const Result r = tarvex({"show", decided, "--from", "3/4/2007", "--to", "3/4/2007"}, german);
  EXPECT_EQ(lines(r.out), (QStringList{"Date,Time,TC1", "3/4/2007,06:00:00 AM,march"}));
  // An order that does not fit the file: its dates do not read, and so the
  // rows are kept and counted.
  const Result set =
      tarvex({"show", decided, "--date-order", "dmy", "--from", "4/3/2007", "--to", "4/3/2007"});
  EXPECT_EQ(lines(set.out), (QStringList{"Date,Time,TC1", "3/14/2007,06:00:00 AM,later"}));
  EXPECT_EQ(set.err, "tarvex show: 1 row without a readable date or time kept\n");
  // The trend too: a month-first sample plotted day first has dates that do
  // not read.
  EXPECT_EQ(tarvex({"plot", path("Reactor2_History.csv"), "--columns", "2", "-o",
                    dir->filePath("t.png"), "--size", "400x300", "--date-order", "dmy"})
                .exitCode,
            2);
  EXPECT_EQ(tarvex({"plot", path("Reactor2_History.csv"), "--columns", "2", "-o",
                    dir->filePath("t.png"), "--size", "400x300", "--date-order", "mdy"})
                .exitCode,
            0);
}

}  // namespace
