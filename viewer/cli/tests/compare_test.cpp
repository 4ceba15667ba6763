// tarvex compare run as a process on two batches of different sample rates,
// its figures checked against numpy's interpolation computed here and now,
// and what bad input does to the exit code.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>

#include "run_process.h"

namespace {

const char kPython[] = "/usr/bin/python3";

using Result = tarvex::test::ProcessResult;

Result run(const QString& program, const QStringList& args) {
  return tarvex::test::runProcess(program, args);
}

Result tarvex(const QStringList& args) { return run(QStringLiteral(TARVEX_EXE), args); }

// The same figures by numpy: the reference sorted by time, np.interp at the
// current times (the shift taken off), no value outside the reference's
// range or next to a gap, exact sample times taking the sample.
const char kNumpy[] = R"PY(
import csv, sys, datetime
import numpy as np
cur_path, ref_path, align, offset, band, t_from, t_to = sys.argv[1:8]
origin = datetime.datetime(1899, 12, 30)
def ms(d, t):
    x = datetime.datetime.strptime(d + " " + t, "%m/%d/%Y %H:%M:%S") - origin
    return x.days * 86400000 + x.seconds * 1000
def num(s):
    try:
        return float(s)
    except ValueError:
        return np.nan
def load(path):
    rows = list(csv.reader(open(path, newline="")))
    titles = [t.strip().lower() for t in rows[0][2:]]
    t = np.array([ms(r[0], r[1]) for r in rows[1:]], dtype=np.int64)
    v = np.array([[num(x) for x in r[2:]] for r in rows[1:]])
    o = np.argsort(t, kind="stable")
    return rows[0][2:], titles, t[o], v[o]
names, ctitles, ct, cv = load(cur_path)
_, rtitles, rt, rv = load(ref_path)
h, m, s = offset.lstrip("+-").split(":")
off = (int(h) * 3600 + int(m) * 60 + int(s)) * 1000 * (-1 if offset.startswith("-") else 1)
shift = {"start": ct[0] - rt[0], "end": ct[-1] - rt[-1], "time": 0}[align] + off
keep = np.ones(len(ct), dtype=bool)
if t_from != "-":
    keep &= ct >= int(t_from)
if t_to != "-":
    keep &= ct <= int(t_to)
for k, title in enumerate(ctitles):
    if title not in rtitles:
        continue
    j = rtitles.index(title)
    t = ct[keep] - shift
    y = np.interp(t, rt, rv[:, j])
    i = np.searchsorted(rt, t)
    exact = (i < len(rt)) & (rt[np.minimum(i, len(rt) - 1)] == t)
    y = np.where(exact, rv[np.minimum(i, len(rt) - 1), j], y)
    y[(t < rt[0]) | (t > rt[-1])] = np.nan
    d = cv[keep, k] - y
    ok = ~np.isnan(d)
    dd, tt = d[ok], ct[keep][ok]
    if len(dd) == 0:
        print("\t".join([names[k], "0", "", "", "", ""] + ([""] if band != "-" else [])))
        continue
    a = np.abs(dd)
    w = int(np.argmax(a))
    when = origin + datetime.timedelta(milliseconds=int(tt[w]))
    f = [names[k], str(len(dd)), "%.6f" % a[w], when.strftime("%Y-%m-%d %H:%M:%S"),
         "%.6f" % dd.mean(), "%.6f" % np.sqrt((dd * dd).mean())]
    if band != "-":
        f.append("%.6f" % ((a > float(band)).mean() * 100))
    print("\t".join(f))
)PY";

QString dateText(const QDateTime& t) { return t.toString(QStringLiteral("M/d/yyyy")); }
QString timeText(const QDateTime& t) { return t.toString(QStringLiteral("HH:mm:ss")); }

class CompareCli : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    // Current: every 2 s from 1/1/2007 10:00:00; a noisy temperature, a
    // valve switching on and off, a sawtooth flow with empty cells.
    QString cur = QStringLiteral("Date,Time,Temp,Valve,Flow,Extra\r\n");
    QDateTime t(QDate(2007, 1, 1), QTime(10, 0, 0));
    quint32 seed = 12345;
    auto noise = [&seed] {
      seed = seed * 1664525u + 1013904223u;
      return static_cast<double>(seed >> 8) / 16777216.0 - 0.5;
    };
    for (int i = 0; i < 900; ++i, t = t.addSecs(2)) {
      const double temp = 60 + 20 * std::sin(i / 40.0) + noise();
      const int valve = (i / 37) % 2;
      const QString flow =
          i % 53 == 7 ? QString() : QString::number((i % 45) * 1.5 + noise(), 'f', 3);
      cur += QStringLiteral("%1,%2,%3,%4,%5,%6\r\n")
                 .arg(dateText(t), timeText(t), QString::number(temp, 'f', 3))
                 .arg(valve)
                 .arg(flow)
                 .arg(i);
    }
    // Reference: every 3 s from 2/13/2007 09:58:00, its columns in another
    // order and spelt otherwise, gaps as words, two rows out of order.
    QStringList refRows;
    t = QDateTime(QDate(2007, 2, 13), QTime(9, 58, 0));
    for (int i = 0; i < 640; ++i, t = t.addSecs(3)) {
      const double temp = 61 + 19 * std::sin(i * 1.5 / 40.0) + noise();
      const int valve = (i * 3 / 2 / 37 + 1) % 2;
      const QString flow =
          i % 41 == 3 ? QStringLiteral("x") : QString::number((i % 30) * 2.25, 'f', 3);
      refRows << QStringLiteral("%1,%2,%3,%4,%5,%6\r\n")
                     .arg(dateText(t), timeText(t), flow, QString::number(temp, 'f', 3))
                     .arg(valve)
                     .arg(-i);
    }
    refRows.swapItemsAt(100, 101);
    refRows.swapItemsAt(300, 350);
    writeFile("cur.csv", cur);
    writeFile("ref.csv",
              QStringLiteral("Date,Time, FLOW ,temp,Valve,Other\r\n") + refRows.join(QString()));
  }

  void writeFile(const char* name, const QString& text) {
    QFile f(dir.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
  }
  QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

  // numpy's lines for the same comparison; skips when numpy is missing.
  QStringList numpyLines(const QString& align, const QString& offset, const QString& band,
                         const QString& from = QStringLiteral("-"),
                         const QString& to = QStringLiteral("-")) {
    const Result r =
        run(QString::fromLatin1(kPython), {"-c", QString::fromLatin1(kNumpy), path("cur.csv"),
                                           path("ref.csv"), align, offset, band, from, to});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return r.out.split(u'\n', Qt::SkipEmptyParts);
  }

  static bool haveNumpy() {
    return run(QString::fromLatin1(kPython), {"-c", "import numpy"}).exitCode == 0;
  }

  static void expectSame(const QStringList& got, const QStringList& want) {
    ASSERT_EQ(got.size(), want.size()) << got.join('\n').toStdString() << "\n--\n"
                                       << want.join('\n').toStdString();
    for (qsizetype i = 0; i < got.size(); ++i) {
      const QStringList g = got[i].split(u'\t'), w = want[i].split(u'\t');
      ASSERT_EQ(g.size(), w.size()) << got[i].toStdString();
      EXPECT_EQ(g[0], w[0]);
      EXPECT_EQ(g[1], w[1]) << "points compared of " << g[0].toStdString();
      EXPECT_EQ(g[3], w[3]) << "time of max |d| of " << g[0].toStdString();
      for (int f : {2, 4, 5, 6}) {
        if (f >= g.size()) continue;
        EXPECT_NEAR(g[f].toDouble(), w[f].toDouble(), 2e-6) << got[i].toStdString();
      }
    }
  }

  QTemporaryDir dir;
};

TEST_F(CompareCli, AgreesWithNumpyAcrossAlignments) {
  if (!haveNumpy())
    GTEST_SKIP() << "python3-numpy is not installed: comparison against numpy skipped";
  struct Case {
    QString align, offset, band;
  };
  for (const Case& c : {Case{"start", "+0:00:00", "0.5"}, Case{"end", "-0:00:05", "-"},
                        Case{"start", "+0:00:01", "2"}, Case{"time", "-1031:58:00", "1"}}) {
    QStringList args{"compare", path("cur.csv"), path("ref.csv"), "--columns", "Temp,3,flow,Extra",
                     "--align", c.align,         "--offset",      c.offset};
    if (c.band != "-") args << "--band" << c.band;
    const Result r = tarvex(args);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // "Extra" is not in the reference: said on stderr, no line.
    EXPECT_TRUE(r.err.contains("Extra is not in ref")) << r.err.toStdString();
    const QStringList got = r.out.split(u'\n', Qt::SkipEmptyParts);
    expectSame(got, numpyLines(c.align, c.offset, c.band));
    // Every channel is compared at a good share of the 900 current points.
    for (const QString& line : got)
      EXPECT_GT(line.section(u'\t', 1, 1).toInt(), 200) << line.toStdString();
  }
}

TEST_F(CompareCli, FromAndToLimitTheCurrentPoints) {
  if (!haveNumpy())
    GTEST_SKIP() << "python3-numpy is not installed: comparison against numpy skipped";
  const Result r = tarvex({"compare", path("cur.csv"), path("ref.csv"), "--columns", "2,3,4",
                           "--from", "2007-01-01 10:05:00", "--to", "2007-01-01 10:20:00"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  // 10:05:00 and 10:20:00 on the serial axis in milliseconds.
  const qint64 day = QDate(1899, 12, 30).daysTo(QDate(2007, 1, 1)) * 86400000LL;
  const QStringList want =
      numpyLines("start", "+0:00:00", "-", QString::number(day + (10 * 3600 + 300) * 1000LL),
                 QString::number(day + (10 * 3600 + 1200) * 1000LL));
  const QStringList got = r.out.split(u'\n', Qt::SkipEmptyParts);
  expectSame(got, want);
  ASSERT_FALSE(got.isEmpty());
  EXPECT_EQ(got[0].section(u'\t', 1, 1), QStringLiteral("451"));  // 10:05:00 .. 10:20:00 every 2 s
}

TEST_F(CompareCli, BadInputExitsTwo) {
  writeFile("other.csv", QStringLiteral("Date,Time,Speed,Torque\r\n1/1/2007,10:00:00,1,2\r\n"));
  // No title in common: refused, naming both files' titles.
  Result r = tarvex({"compare", path("cur.csv"), path("other.csv"), "--columns", "2,3"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains("Temp, Valve")) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("Speed, Torque")) << r.err.toStdString();
  EXPECT_TRUE(r.out.isEmpty());
  // No overlap after alignment: compared all the same, nothing in common.
  r = tarvex({"compare", path("cur.csv"), path("ref.csv"), "--columns", "2", "--align", "time"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("no overlap")) << r.err.toStdString();
  EXPECT_EQ(r.out, QStringLiteral("Temp\t0\t\t\t\t\n"));
  // A pipe is refused at once, as the readers refuse it.
  const QString fifo = path("pipe.csv");
  ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  r = tarvex({"compare", path("cur.csv"), fifo, "--columns", "2"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains("Error 75")) << r.err.toStdString();
  // Usage errors.
  for (const QStringList& args :
       {QStringList{"compare", path("cur.csv"), "--columns", "2"},
        QStringList{"compare", path("cur.csv"), path("ref.csv")},
        QStringList{"compare", path("cur.csv"), path("ref.csv"), "--columns", "2", "--align",
                    "mid"},
        QStringList{"compare", path("cur.csv"), path("ref.csv"), "--columns", "2", "--offset",
                    "1:00"},
        QStringList{"compare", path("cur.csv"), path("ref.csv"), "--columns", "2", "--band", "x"},
        QStringList{"compare", path("cur.csv"), path("ref.csv"), "--columns", "1"},
        QStringList{"compare", path("cur.csv"), path("missing.csv"), "--columns", "2"}}) {
    r = tarvex(args);
    EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
    EXPECT_FALSE(r.err.isEmpty());
  }
}

TEST_F(CompareCli, PlotDrawsTheReferenceOverTheTrend) {
  const QString png = path("overlay.png");
  Result r = tarvex({"plot", path("cur.csv"), "--columns", "2,3,4,5", "-o", png, "--size",
                     "800x450", "--reference", path("ref.csv"), "--align", "end", "--differences"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("Extra is not in the reference")) << r.err.toStdString();
  EXPECT_TRUE(QFile::exists(png));
  // The reference alone changes the picture.
  const QString plain = path("plain.png");
  r = tarvex({"plot", path("cur.csv"), "--columns", "2,3,4,5", "-o", plain, "--size", "800x450"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  QFile a(png), b(plain);
  ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
  EXPECT_NE(a.readAll(), b.readAll());

  writeFile("other.csv", QStringLiteral("Date,Time,Speed\r\n1/1/2007,10:00:00,1\r\n"));
  r = tarvex({"plot", path("cur.csv"), "--columns", "2", "-o", path("x.png"), "--reference",
              path("other.csv")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains("Speed")) << r.err.toStdString();
  EXPECT_FALSE(QFile::exists(path("x.png")));
  r = tarvex({"plot", path("cur.csv"), "--columns", "2", "-o", path("x.png"), "--differences"});
  EXPECT_EQ(r.exitCode, 2);
}

}  // namespace
