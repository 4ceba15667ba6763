// tarvex report as a process, on logs written at test time: the PDF read
// back with pdftotext -layout against independent checks (sha256sum, values
// worked by hand), the verdicts and the exit codes, and no file left after a
// failed write.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "run_process.h"
#include "shell/codepage.h"
#include "signatures/vxlog.h"

namespace {

using tarvex::VxLog;

using Result = tarvex::test::ProcessResult;

Result run(const QString& program, const QStringList& args) {
  return tarvex::test::runProcess(program, args,
                                  tarvex::test::withLocale(QStringLiteral("C.UTF-8")), 120000);
}

Result tarvex(const QStringList& args) { return run(QStringLiteral(TARVEX_EXE), args); }

// The report's pages as pdftotext -layout reads them.
QStringList pages(const QString& pdf) {
  const Result r = run(QStringLiteral("pdftotext"), {"-layout", pdf, "-"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  QStringList p = r.out.split(u'\f');
  if (!p.isEmpty() && p.back().trimmed().isEmpty()) p.removeLast();
  return p;
}

// The words of the line that begins with `start` (blanks trimmed), or empty.
QStringList lineStarting(const QString& text, const QString& start) {
  for (const QString& line : text.split(u'\n'))
    if (line.trimmed().startsWith(start))
      return line.trimmed()
          .mid(start.size())
          .split(QRegularExpression(QStringLiteral("\\s{2,}")), Qt::SkipEmptyParts);
  return {};
}

const QString kPw = QString::fromUtf16(tarvex::kSigPassword);

class ReportCliTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }

  QString path(const QString& name) const { return dir.filePath(name); }
  QString write(const QString& name, const QByteArray& bytes) {
    QFile f(path(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  }
  static QByteArray lines(const QStringList& lines) {
    QByteArray out;
    for (const QString& l : lines) out += tarvex::encodeCp1252(l) + "\r\n";
    return out;
  }
  QByteArray ciphered(const QStringList& records) {
    QByteArray out;
    for (const QString& r : records)
      out +=
          sigLog.EncryptToHex(tarvex::bytesAsLowByteText(tarvex::encodeCp1252(r)), kPw).toLatin1() +
          "\r\n";
    return out;
  }
  // A batch worked out by hand: rows 10 s apart from 3/14/2007 6:00:00,
  // channel A 180 192 195 (gap) 196 180 191 193, channel B 5 5 (gap) 7 9 2
  // 6 4; two signatures of the file, events, an audit trail signed once,
  // alarms.
  void writeBatch() {
    data = write(
        QStringLiteral("batch.csv"),
        lines({"Date,Time,A,B", "3/14/2007,6:00:00,180,5", "3/14/2007,6:00:10,192,5",
               "3/14/2007,6:00:20,195,", "3/14/2007,6:00:30,,7", "3/14/2007,6:00:40,196,9",
               "3/14/2007,6:00:50,180,2", "3/14/2007,6:01:00,191,6", "3/14/2007,6:01:10,193,4"}));
    const QString hash = sigLog.CalculateFileHash(data, kPw);
    write(QStringLiteral("batch.sig"),
          ciphered({"3/14/2007,6:05:00,Jane Miller,Reviewed," + hash,
                    "3/14/2007,6:09:00,Robert Chen,Released," + hash}));
    write(QStringLiteral("batch.evt"), ciphered({"3/14/2007,6:00:10,Jane Miller,Batch started",
                                                 "3/14/2007,6:00:40,Jane Miller,Sample drawn"}));
    audit = write(QStringLiteral("trail.aud"),
                  lines({"3/14/2007,6:00:00,Jane Miller,Log in",
                         "3/14/2007,6:00:30,Jane Miller,Setpoint A changed",
                         "3/14/2007,6:01:05,Robert Chen,Log in"}));
    write(QStringLiteral("trail.sig"), ciphered({"3/14/2007,6:10:00,Robert Chen,Trail reviewed," +
                                                 sigLog.CalculateFileHash(audit, kPw)}));
    alarms = write(
        QStringLiteral("alarms.csv"),
        lines({"High A,3/14/2007,6:00:00", "High A,3/14/2007,6:01:00", "Low B,3/14/2007,6:02:00"}));
  }
  QStringList report(const QStringList& extra, int expectedExit) {
    const QString out = path(QStringLiteral("report.pdf"));
    QFile::remove(out);
    const Result r = tarvex(QStringList{"report", data, "-o", out} + extra);
    EXPECT_EQ(r.exitCode, expectedExit) << r.err.toStdString() << r.out.toStdString();
    return QFile::exists(out) ? pages(out) : QStringList();
  }

  QTemporaryDir dir;
  VxLog sigLog;
  QString data, audit, alarms;
};

TEST_F(ReportCliTest, CoverHoldsEveryFilesSha256AndEveryPageItsNumber) {
  ASSERT_EQ(tarvex({"sample", dir.path(), "--rows", "720"}).exitCode, 0);
  data = path(QStringLiteral("Reactor2_History.csv"));
  const QString out = path(QStringLiteral("r.pdf"));
  // The sample's first signature was made before the file was finished.
  const Result r =
      tarvex({"report", data, "--audit", path(QStringLiteral("Reactor2_Audit.aud")), "--alarms",
              path(QStringLiteral("Reactor2_Alarms.csv")), "-o", out, "--reviewer", "Ann Smith"});
  ASSERT_EQ(r.exitCode, 1) << r.err.toStdString();
  EXPECT_TRUE(r.out.startsWith(QStringLiteral("1 of 4 signatures FAILED\n")));
  const QStringList p = pages(out);
  ASSERT_GE(p.size(), 4);
  const QString cover = p[0];
  const QString dataSha = run(QStringLiteral("sha256sum"), {data}).out.left(64);
  for (const char* name : {"Reactor2_History.csv", "Reactor2_History.sig", "Reactor2_History.evt",
                           "Reactor2_Audit.aud", "Reactor2_Audit.sig", "Reactor2_Alarms.csv"}) {
    const Result sum = run(QStringLiteral("sha256sum"), {path(QString::fromLatin1(name))});
    ASSERT_EQ(sum.exitCode, 0);
    EXPECT_TRUE(cover.contains(QStringLiteral("SHA-256 ") + sum.out.left(64))) << name;
    EXPECT_TRUE(cover.contains(QString::fromLatin1(name))) << name;
  }
  EXPECT_TRUE(cover.contains(QStringLiteral("Batch Review Report")));
  EXPECT_TRUE(cover.contains(QStringLiteral("1 of 4 signatures FAILED")));
  EXPECT_TRUE(lineStarting(cover, QStringLiteral("Reviewed by:")).contains("Ann Smith"));
  EXPECT_TRUE(cover.contains(QStringLiteral("720 of 720 data rows in the window")));
  for (int i = 0; i < p.size(); ++i) {
    EXPECT_TRUE(p[i].contains(QStringLiteral("Page %1 of %2").arg(i + 1).arg(p.size()))) << i;
    EXPECT_TRUE(p[i].contains(QStringLiteral("Report ID: ") + dataSha.left(12))) << i;
  }
  const QString all = p.join(u'\f');
  EXPECT_TRUE(all.contains(QStringLiteral("Data File has been altered or corrupted.")));
  EXPECT_TRUE(all.contains(QStringLiteral("7 alarms in the window")));
  EXPECT_TRUE(all.contains(QStringLiteral("6 operator events in the window")));
  EXPECT_TRUE(all.contains(QStringLiteral("11 audit trail entries in the window")));
}

TEST_F(ReportCliTest, TheTrendDoesNotGrowWithTheRows) {
  // 576,000 points: drawn one by one they would take megabytes; through the
  // pixel columns the whole report stays small.
  ASSERT_EQ(tarvex({"sample", dir.path(), "--rows", "72000"}).exitCode, 0);
  const QString out = path(QStringLiteral("big.pdf"));
  const Result r = tarvex({"report", path(QStringLiteral("Reactor2_History.csv")), "-o", out});
  ASSERT_EQ(r.exitCode, 1) << r.err.toStdString();
  EXPECT_LT(QFileInfo(out).size(), 150000);
  EXPECT_TRUE(pages(out).join(u'\n').contains(QStringLiteral("72,000 of 72,000 data rows")));
}

TEST_F(ReportCliTest, VerdictAllConfirmedThenOneTamperedByte) {
  writeBatch();
  QStringList p = report({"--audit", audit}, 0);
  ASSERT_FALSE(p.isEmpty());
  EXPECT_TRUE(p[0].contains(QStringLiteral("All 3 signatures confirmed")));
  EXPECT_EQ(p.join(u'\n').count(QStringLiteral("Confirmed")), 3);

  // One changed byte: both records of the data file fail, the audit trail's
  // still holds.
  QByteArray bytes = tarvex::encodeCp1252(QStringLiteral("x"));
  QFile f(data);
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  f.seek(30);
  f.write(bytes);
  f.close();
  p = report({"--audit", audit}, 1);
  ASSERT_FALSE(p.isEmpty());
  EXPECT_TRUE(p[0].contains(QStringLiteral("2 of 3 signatures FAILED")));
  const QString all = p.join(u'\n');
  EXPECT_TRUE(all.contains(QStringLiteral("Digital signature of file failed!")));
  EXPECT_TRUE(all.contains(QStringLiteral("Data File has been altered or corrupted.")));
  EXPECT_FALSE(all.contains(QStringLiteral("Audit trail has been altered or corrupted.")));
}

TEST_F(ReportCliTest, StatisticsAndExcursionsAsWorkedByHand) {
  writeBatch();
  // To 6:01:15: A's last run (191, 193 from 6:01:00) is still open there.
  const QStringList p = report(
      {"--to", "3/14/2007 6:01:15", "--limit", "A:170:190", "--limit", "B::6", "--columns", "A,3"},
      0);
  const QString all = p.join(u'\n').mid(p.join(u'\n').indexOf(QStringLiteral("4. Statistics")));
  // Channel, points, gaps, mean, sample standard deviation, first, last.
  EXPECT_EQ(lineStarting(all, QStringLiteral("A ")),
            (QStringList{"7", "1", "189.5714", "6.754187", "180", "193"}));
  EXPECT_EQ(lineStarting(all, QStringLiteral("B ")),
            (QStringList{"7", "1", "5.428571", "2.225395", "5", "4"}));
  // Extremes: the first of equal values keeps its time.
  const QString extremes = all.mid(all.indexOf(QStringLiteral("Extremes")));
  EXPECT_EQ(lineStarting(extremes, QStringLiteral("A ")),
            (QStringList{"180", "3/14/2007 6:00:00 AM", "196", "3/14/2007 6:00:40 AM"}));
  // A: 6:00:10-6:00:30 (the gap's row ends it), 6:00:40-6:00:50, 6:01:00
  // until To: 20 + 10 + 15 s. B (high 6 only; the 6 is inside):
  // 6:00:30-6:00:50.
  const QString limits = all.mid(all.indexOf(QStringLiteral("Limit excursions")));
  EXPECT_EQ(lineStarting(limits, QStringLiteral("A ")),
            (QStringList{"170", "190", "3", "45 s", "20 s", "3/14/2007 6:00:10 AM"}));
  EXPECT_EQ(lineStarting(limits, QStringLiteral("B ")),
            (QStringList{"none", "6", "1", "20 s", "20 s", "3/14/2007 6:00:30 AM"}));
}

TEST_F(ReportCliTest, SectionsFiveToSevenHoldOnlyTheWindowsRows) {
  writeBatch();
  const QStringList p = report({"--audit", audit, "--alarms", alarms, "--from",
                                "2007-03-14 06:00:30", "--to", "2007-03-14 06:01:00"},
                               0);
  const QString all = p.join(u'\n');
  EXPECT_TRUE(p[0].contains(QStringLiteral("4 of 8 data rows in the window")));
  EXPECT_TRUE(all.contains(QStringLiteral("1 alarm in the window")));
  EXPECT_TRUE(all.contains(QStringLiteral("1 operator event in the window")));
  EXPECT_TRUE(all.contains(QStringLiteral("1 audit trail entry in the window")));
  const QString alarmPart = all.mid(all.indexOf(QStringLiteral("5. Alarms")));
  EXPECT_TRUE(alarmPart.contains(QStringLiteral("06:01 AM")));
  EXPECT_FALSE(alarmPart.contains(QStringLiteral("06:00 AM")));
  EXPECT_FALSE(alarmPart.contains(QStringLiteral("06:02 AM")));
  EXPECT_TRUE(all.contains(QStringLiteral("Sample drawn")));
  EXPECT_FALSE(all.contains(QStringLiteral("Batch started")));
  EXPECT_TRUE(all.contains(QStringLiteral("Setpoint A changed")));
  EXPECT_FALSE(all.contains(QStringLiteral("Log in")));

  // An empty window section says so; sections not given say that.
  const QStringList q =
      report({"--alarms", alarms, "--from", "3/14/2007 6:00:41", "--to", "3/14/2007 6:00:59"}, 0);
  const QString text = q.join(u'\n');
  EXPECT_EQ(text.count(QStringLiteral("None in the window")), 2);  // alarms, events
  EXPECT_TRUE(text.contains(QStringLiteral("Audit trail: not given")));
  EXPECT_TRUE(q[0].contains(QStringLiteral("Audit trail: not given")));
}

TEST_F(ReportCliTest, ExitCodesAndNoFileAfterAFailure) {
  writeBatch();
  const QString out = path(QStringLiteral("out.pdf"));
  auto code = [&](const QStringList& extra) {
    QFile::remove(out);
    const Result r = tarvex(QStringList{"report", data, "-o", out} + extra);
    return std::pair{r.exitCode, r.err};
  };
  // Usage and file errors: 2, and nothing written.
  for (const QStringList& bad :
       {QStringList{"--columns", "Date"}, QStringList{"--columns", "9"},
        QStringList{"--limit", "A:190:170"}, QStringList{"--limit", "A:x:1"},
        QStringList{"--limit", "A::"}, QStringList{"--limit", "A"},
        QStringList{"--columns", "A", "--limit", "B:1:2"},
        QStringList{"--from", "3/14/2007 6:01:00", "--to", "3/14/2007 6:00:00"},
        QStringList{"--from", "2007-02-30"}}) {
    const auto [c, err] = code(bad);
    EXPECT_EQ(c, 2) << bad.join(u' ').toStdString();
    EXPECT_FALSE(err.isEmpty());
    EXPECT_FALSE(QFile::exists(out)) << bad.join(u' ').toStdString();
  }
  EXPECT_TRUE(code({"--limit", "A:190:170"}).second.contains("low bound lies above"));

  // -o naming an input: refused, the input untouched.
  const QByteArray before = [&] {
    QFile f(data);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  for (const QString& input : {data, path(QStringLiteral("batch.sig")), audit}) {
    const Result r = tarvex({"report", data, "--audit", audit, "-o", input});
    EXPECT_EQ(r.exitCode, 2) << input.toStdString();
  }
  QFile f(data);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);

  // A folder that does not exist, or a folder as the output: 2, no file.
  EXPECT_EQ(tarvex({"report", data, "-o", path(QStringLiteral("none/out.pdf"))}).exitCode, 2);
  EXPECT_FALSE(QFile::exists(path(QStringLiteral("none/out.pdf"))));
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
  EXPECT_EQ(tarvex({"report", data, "-o", path(QStringLiteral("folder"))}).exitCode, 2);

  // A pipe as the data file is refused at once.
  const QString fifo = path(QStringLiteral("pipe.csv"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  EXPECT_EQ(tarvex({"report", fifo, "-o", out}).exitCode, 2);
  EXPECT_FALSE(QFile::exists(out));

  // No signatures: the report is written, the verdict says which file is
  // unsigned, exit 1; a pipe as the audit trail's .sig is named with its
  // reason and the report goes on.
  QFile::remove(path(QStringLiteral("batch.sig")));
  QFile::remove(path(QStringLiteral("trail.sig")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("trail.sig"))).constData(), 0600), 0);
  const auto [c, err] = code({"--audit", audit});
  EXPECT_EQ(c, 1) << err.toStdString();
  ASSERT_TRUE(QFile::exists(out));
  const QString cover = pages(out).value(0);
  EXPECT_TRUE(cover.contains(QStringLiteral("Data file batch.csv is unsigned")));
  EXPECT_TRUE(cover.contains(QStringLiteral("Signature file trail.sig cannot be read")));
  EXPECT_TRUE(cover.contains(QStringLiteral("a pipe")));
  EXPECT_TRUE(cover.contains(QStringLiteral("Data signatures: batch.sig")));
  EXPECT_TRUE(cover.contains(QStringLiteral("not present")));
}

TEST_F(ReportCliTest, ADamagedSignatureLineIsListedAndFails) {
  writeBatch();
  QFile f(path(QStringLiteral("batch.sig")));
  ASSERT_TRUE(f.open(QIODevice::Append));
  f.write("12 34 56\r\n");  // three bytes: no whole cipher block
  f.close();
  // A damaged operator event file is named too; the report goes on.
  QFile evt(path(QStringLiteral("batch.evt")));
  ASSERT_TRUE(evt.open(QIODevice::Append));
  evt.write("AB CD\r\n");
  evt.close();
  const QStringList p = report({}, 1);
  const QString all = p.join(u'\n');
  EXPECT_TRUE(p.value(0).contains(QStringLiteral("1 of 3 signatures FAILED")));
  EXPECT_TRUE(p.value(0).contains(QStringLiteral("1 damaged line (first: line 3)")));
  EXPECT_TRUE(p.value(0).contains(QStringLiteral("(line 3 of batch.evt)")));
  EXPECT_TRUE(all.contains(QStringLiteral("Operator event file batch.evt: Error 5")));
  EXPECT_TRUE(all.contains(QStringLiteral("Line 3 is damaged")));
  EXPECT_EQ(lineStarting(all, QStringLiteral("3 ")).value(0).left(13), "Damaged line:");
}

TEST_F(ReportCliTest, NamesOfAnyScriptPrintExactlyInEmbeddedFonts) {
  // A file named in Polish, Greek and Cyrillic; a channel title and an audit
  // user with code page 1252's letters beyond ASCII, written as the
  // controller writes them.
  const QString stem = QStringLiteral("Łódź_Αθήνα_Москва");
  data = write(stem + ".csv", lines({"Date,Time,Température Š€ß,B", "3/14/2007,6:00:00,180,5",
                                     "3/14/2007,6:00:10,192,6"}));
  write(stem + ".sig", ciphered({"3/14/2007,6:05:00,Jane Miller,Reviewed," +
                                 sigLog.CalculateFileHash(data, kPw)}));
  audit = write(QStringLiteral("trail.aud"),
                lines({QStringLiteral("3/14/2007,6:00:05,François Žák-Weiß,Setpoint changed")}));
  write(QStringLiteral("trail.sig"), ciphered({"3/14/2007,6:10:00,Jane Miller,Reviewed," +
                                               sigLog.CalculateFileHash(audit, kPw)}));
  const QString reviewer = QStringLiteral("Łukasz Żółć-Müller, Ελένη Παπαδοπούλου, Анна Кузнецова");
  QStringList p = report({"--audit", audit, "--reviewer", reviewer}, 0);
  ASSERT_FALSE(p.isEmpty());
  EXPECT_TRUE(lineStarting(p[0], QStringLiteral("Reviewed by:")).contains(reviewer));
  EXPECT_TRUE(p[0].contains(QStringLiteral("Data file: ") + stem + ".csv"));
  const QString all = p.join(u'\n');
  EXPECT_TRUE(all.contains(QStringLiteral("Température Š€ß")));
  EXPECT_TRUE(all.contains(QStringLiteral("François Žák-Weiß")));
  const Result fonts = run(QStringLiteral("pdffonts"), {path(QStringLiteral("report.pdf"))});
  ASSERT_EQ(fonts.exitCode, 0);
  const QStringList rows = fonts.out.split(u'\n', Qt::SkipEmptyParts).mid(2);
  ASSERT_FALSE(rows.isEmpty());
  for (const QString& row : rows) {
    // name, type (may hold blanks), encoding, emb, sub, uni, object, ID
    const QStringList f = row.split(u' ', Qt::SkipEmptyParts);
    EXPECT_EQ(f.value(f.size() - 5), u"yes") << row.toStdString();
  }

  // A letter no installed font has: its mark is drawn, the report exits as
  // before, and the name still reads back whole.
  const QString odd = QStringLiteral("Anna \U00013000 Nowak");
  p = report({"--audit", audit, "--reviewer", odd}, 0);
  ASSERT_FALSE(p.isEmpty());
  EXPECT_TRUE(lineStarting(p[0], QStringLiteral("Reviewed by:")).contains(odd));
}

TEST_F(ReportCliTest, LongLineNumbersDatesAndFiguresPrintWhole) {
  // Line 100,001 of the .sig, a date of ten characters and figures of ten
  // or more: each stays within its cell, none runs into the next.
  data = write(QStringLiteral("long.csv"), lines({"Date,Time,A", "3/14/2007,6:00:00,1234567.25",
                                                  "12/31/2007,23:59:59,-7654321.75"}));
  write(QStringLiteral("long.sig"), QByteArray(100000 * 2, '\n').replace("\n\n", "\r\n") +
                                        ciphered({"12/31/2007,23:59:59,Jane Miller,Reviewed," +
                                                  sigLog.CalculateFileHash(data, kPw)}));
  const QString all = report({}, 0).join(u'\n');
  EXPECT_EQ(lineStarting(all, QStringLiteral("100001")).value(0), u"12/31/2007");
  const QString stats = all.mid(all.indexOf(QStringLiteral("4. Statistics")));
  EXPECT_EQ(lineStarting(stats, QStringLiteral("A ")).mid(4),
            (QStringList{"1234567.25", "-7654321.75"}));
}

}  // namespace
