// The tarvex tool run as a process: a sample set shown, verified and
// deciphered, exports, and what bad input does to the exit code and stderr.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "run_process.h"

namespace {

using Result = tarvex::test::ProcessResult;

Result tarvex(const QStringList& args) {
  return tarvex::test::runProcess(QStringLiteral(TARVEX_EXE), args);
}

QStringList lines(const QString& text) { return tarvex::test::outputLines(text); }

class CliTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new QTemporaryDir;
    const Result r = tarvex({"sample", dir->path(), "--rows", "400"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_EQ(lines(r.out).size(), 6);
  }
  static void TearDownTestSuite() { delete dir; }
  static QString path(const char* name) { return dir->filePath(QString::fromLatin1(name)); }

  static QTemporaryDir* dir;
};
QTemporaryDir* CliTest::dir = nullptr;

TEST_F(CliTest, VerifySampleSignatures) {
  Result r = tarvex({"verify", path("Reactor2_History.csv")});
  EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
  const QStringList got = lines(r.out);
  ASSERT_EQ(got.size(), 3);
  EXPECT_TRUE(got[0].startsWith(QStringLiteral("1\t3/14/2007\t")));
  EXPECT_TRUE(got[0].endsWith(QStringLiteral("\tStart-up checked\tfailed")))
      << got[0].toStdString();
  EXPECT_TRUE(got[1].endsWith(QStringLiteral("\tJane Miller\tBatch record reviewed\tconfirmed")));
  EXPECT_TRUE(got[2].contains(QStringLiteral("Jos\u00E9 \u00C1lvarez")));
  EXPECT_TRUE(got[2].endsWith(QStringLiteral("\tconfirmed")));

  r = tarvex({"verify", path("Reactor2_History.csv"), "--row", "2"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(lines(r.out).size(), 1);

  r = tarvex({"verify", path("Reactor2_Audit.aud")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.out.endsWith(QStringLiteral("\tAudit trail reviewed\tconfirmed\n")));

  r = tarvex({"verify", path("Reactor2_History.csv"), "--row", "9"});
  EXPECT_EQ(r.exitCode, 2);
}

TEST_F(CliTest, ShowTablesAsTheViewerDoes) {
  Result r = tarvex({"show", path("Reactor2_History.sig")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  QStringList got = lines(r.out);
  ASSERT_EQ(got.size(), 4);
  EXPECT_EQ(got[0], QStringLiteral("Date,Time,User Full Name,Comment"));
  EXPECT_EQ(got[1].count(u','), 3);  // the hash column is hidden

  r = tarvex({"show", path("Reactor2_History.sig"), "--all-columns"});
  EXPECT_EQ(lines(r.out)[1].count(u','), 4);

  r = tarvex({"show", path("Reactor2_History.evt")});
  got = lines(r.out);
  ASSERT_EQ(got.size(), 7);
  EXPECT_EQ(got[0], QStringLiteral("Date,Time,User Full Name,Event Message"));
  EXPECT_EQ(got[1], QStringLiteral("3/14/2007,6:00:00,Jane Miller,Batch B-2047 started"));

  r = tarvex({"show", path("Reactor2_History.csv")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  got = lines(r.out);
  ASSERT_EQ(got.size(), 401);
  EXPECT_TRUE(got[0].startsWith(QStringLiteral("Date,Time,TC1 Zone 1 (C),")));
  EXPECT_TRUE(got[1].startsWith(QStringLiteral("3/14/2007,06:00:00 AM,"))) << got[1].toStdString();
  EXPECT_EQ(got[1].count(u','), 9);

  r = tarvex({"show", path("Reactor2_Alarms.csv"), "--kind", "alarm"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  got = lines(r.out);
  EXPECT_EQ(got[0], QStringLiteral("Alarm#,Alarm Description,Date,Time"));
  EXPECT_TRUE(got[1].startsWith(QStringLiteral("1,"))) << got[1].toStdString();

  r = tarvex({"show", path("Reactor2_Audit.aud")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  got = lines(r.out);
  EXPECT_EQ(got[0], QStringLiteral("Date,Time,User Full Name,User Action"));
  EXPECT_EQ(got.size(), 12);
}

TEST_F(CliTest, DecryptAndExport) {
  Result r = tarvex({"decrypt", path("Reactor2_History.evt")});
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_EQ(lines(r.out).size(), 6);
  EXPECT_EQ(lines(r.out).last(),
            QStringLiteral("3/14/2007,7:06:30,Jane Miller,Batch B-2047 ended"));

  const QString out = path("export.csv");
  r = tarvex({"export", path("Reactor2_History.evt"), "-o", out});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  QFile f(out);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll().startsWith("Date,Time,User Full Name,Event Message\r\n"));

  r = tarvex({"export", path("Reactor2_History.sig"), "-o", out});
  EXPECT_EQ(r.exitCode, 2);
}

TEST_F(CliTest, TamperedFileFailsEverySignature) {
  QTemporaryDir tmp;
  const QString copy = tmp.filePath("Reactor2_History.csv");
  ASSERT_TRUE(QFile::copy(path("Reactor2_History.csv"), copy));
  ASSERT_TRUE(QFile::copy(path("Reactor2_History.sig"), tmp.filePath("Reactor2_History.sig")));
  QFile f(copy);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  f.seek(200);
  f.write("9");
  f.close();
  const Result r = tarvex({"verify", copy});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out.count(QStringLiteral("\tfailed\n")), 3);
}

// show writes what the viewer shows as UTF-8 with LF line ends, cells that
// need it quoted, whatever the width of a line or the code page of the file.
TEST(CliShow, WideLinesAndCodePage1252) {
  QTemporaryDir tmp;
  QByteArray wide = "Date,Time";
  QString expected = "Date,Time";
  for (int i = 0; i < 100000; ++i) {
    wide += ",TC" + QByteArray::number(i);
    expected += ",TC" + QString::number(i);
  }
  wide += "\r\n1/2/2007,14:05:30,\"a,b\",Jos\xE9\r\n";
  expected += "\n1/2/2007,02:05:30 PM,\"a,b\",Jos\u00E9";
  for (int i = 2; i < 100000; ++i) expected += u',';
  expected += u'\n';
  QFile f(tmp.filePath("wide.csv"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(wide);
  f.close();
  const Result r = tarvex({"show", f.fileName()});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, expected);
}

// The tool never writes over a file it read: the enciphered event file
// stays as it was.
TEST_F(CliTest, ExportOntoItsOwnInputFails) {
  QFile evt(path("Reactor2_History.evt"));
  ASSERT_TRUE(evt.open(QIODevice::ReadOnly));
  const QByteArray before = evt.readAll();
  evt.close();
  ASSERT_TRUE(QFile::link(evt.fileName(), path("link.evt")));
  for (const char* target : {"Reactor2_History.evt", "link.evt"}) {
    const Result r = tarvex({"export", evt.fileName(), "-o", path(target)});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("Error 70 = Permission denied (" + evt.fileName() +
                               " is a log file read in this run)"))
        << r.err.toStdString();
  }
  ASSERT_TRUE(evt.open(QIODevice::ReadOnly));
  EXPECT_EQ(evt.readAll(), before);
}

// An output named by a pipe is refused at once: the file written whole would
// otherwise be renamed over the pipe (or over /dev/null named as -o).
TEST_F(CliTest, OutputsNeverReplaceAPipe) {
  const QString fifo = path("out.png");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString data = path("Reactor2_History.csv");
  for (const QStringList& args :
       {QStringList{"export", data, "-o", fifo},
        QStringList{"plot", data, "--columns", "2", "-o", fifo, "--size", "100x80"}}) {
    const Result r = tarvex(args);
    EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(r.err.contains(fifo + " is a pipe")) << r.err.toStdString();
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
  }
}

TEST_F(CliTest, OutputThatCannotBeWrittenFails) {
  // Standard output on a full disk: the command fails, saying so; a failed
  // verification keeps its own exit code.
  auto toFullDisk = [](const QStringList& args) {
    QProcess p;
    p.setStandardOutputFile(QStringLiteral("/dev/full"));
    p.start(QStringLiteral(TARVEX_EXE), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_TRUE(p.readAllStandardError().contains("the output cannot be written"));
    return p.exitCode();
  };
  EXPECT_EQ(toFullDisk({"show", path("Reactor2_History.csv")}), 2);
  EXPECT_EQ(toFullDisk({"verify", path("Reactor2_History.csv")}), 1);
}

TEST(CliErrors, BadInputGivesErrorTextAndExitTwo) {
  QTemporaryDir tmp;
  auto write = [&](const char* name, const QByteArray& bytes) {
    QFile f(tmp.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  };
  Result r = tarvex({"verify", tmp.filePath("none.csv")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains(QStringLiteral("Error 53 = File not found"))) << r.err.toStdString();

  r = tarvex({"decrypt", write("big.sig", "1 2 3 4 5 6 7 100\r\n")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains(QStringLiteral("Error 6 = Overflow (line 1 of big.sig)")));

  r = tarvex({"show", write("junk.evt", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16))});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains(QStringLiteral("Error 5 = "))) << r.err.toStdString();

  // A signature file without records verifies nothing; empty lines are no records.
  write("norecords.csv", "Date,Time\r\n");
  write("norecords.sig", "\r\n\r\n");
  r = tarvex({"verify", tmp.filePath("norecords.csv")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.out.isEmpty());
  EXPECT_TRUE(r.err.contains(QStringLiteral("no signature records")));

  r = tarvex({"verify", write("empty.csv", ""), "--row", "1"});
  EXPECT_EQ(r.exitCode, 2);  // no .sig beside it

  r = tarvex({"show", write("x.txt", "a")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains(QStringLiteral("--kind")));

  r = tarvex({"frobnicate"});
  EXPECT_EQ(r.exitCode, 2);
  r = tarvex({});
  EXPECT_EQ(r.exitCode, 2);
  r = tarvex({"sample", tmp.filePath("s"), "--rows", "1"});
  EXPECT_EQ(r.exitCode, 2);
}

}  // namespace
