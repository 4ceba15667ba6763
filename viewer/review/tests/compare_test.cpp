#include "review/compare.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <limits>
#include <random>

#include "logfiles/logtable.h"
#include "shell/runtime_error.h"

namespace tarvex {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr TimeMs kSecond = 1000;
constexpr TimeMs kDay = 86400 * kSecond;
// 1/1/2007 06:00:00 and 12/29/2006 08:00:00 on the serial axis.
constexpr TimeMs kCurStart = 39083 * kDay + 6 * 3600 * kSecond;
constexpr TimeMs kRefStart = 39080 * kDay + 8 * 3600 * kSecond;

class Files {
 public:
  QString write(const QString& name, const QByteArray& text) {
    const QString path = dir_.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return path;
  }
  QString path(const QString& name) const { return dir_.filePath(name); }

 private:
  QTemporaryDir dir_;
};

// Current: A and B every 10 s from 06:00:00; B has a gap at 06:00:20.
const QByteArray kCurrent =
    "Date,Time,A,B\r\n"
    "1/1/2007,06:00:00,10,1\r\n"
    "1/1/2007,06:00:10,12,2\r\n"
    "1/1/2007,06:00:20,14,\r\n"
    "1/1/2007,06:00:30,13,4\r\n"
    "1/1/2007,06:00:40,11,5\r\n";
// Reference: its columns in the other order and spelt otherwise, every 20 s
// from 08:00:00 three days earlier; b has a gap at 08:00:40.
const QByteArray kReference =
    "Date,Time, b ,a\r\n"
    "12/29/2006,08:00:00,0,9\r\n"
    "12/29/2006,08:00:20,2,13\r\n"
    "12/29/2006,08:00:40,x,10\r\n"
    "12/29/2006,08:01:00,3,20\r\n";

Batch read(const QString& path, std::vector<int> columns = {}) {
  LogTable table;
  loadBatchTable(table, path);
  if (columns.empty())
    for (int c = firstChannelColumn(table); c <= table.lastCol(); ++c) columns.push_back(c);
  return readBatch(table, columns);
}

TEST(Interpolation, SamplesBetweenGapsAndEnds) {
  const std::vector<TimeMs> t{0, 10, 20, 30, 40};
  const std::vector<double> v{1, 3, kNaN, 7, 9};
  EXPECT_EQ(interpolateAt(t, v, 0), 1);   // the first sample
  EXPECT_EQ(interpolateAt(t, v, 40), 9);  // the last sample
  EXPECT_EQ(interpolateAt(t, v, 5), 2);   // halfway
  EXPECT_EQ(interpolateAt(t, v, 32), 7.4);
  EXPECT_TRUE(std::isnan(interpolateAt(t, v, 20)));  // on the gap
  EXPECT_TRUE(std::isnan(interpolateAt(t, v, 15)));  // between a value and the gap
  EXPECT_TRUE(std::isnan(interpolateAt(t, v, 25)));  // between the gap and a value
  EXPECT_TRUE(std::isnan(interpolateAt(t, v, -1)));  // before the range
  EXPECT_TRUE(std::isnan(interpolateAt(t, v, 41)));  // after it
  EXPECT_TRUE(std::isnan(interpolateAt({}, {}, 0)));
  // Equal times: the first sample of them.
  EXPECT_EQ(interpolateAt({0, 10, 10, 20}, {0, 5, 6, 8}, 10), 5);
}

TEST(Interpolation, OnePassAgreesWithPointByPoint) {
  std::mt19937 rng(7);
  std::vector<TimeMs> rt;
  std::vector<double> rv;
  TimeMs t = 0;
  for (int i = 0; i < 500; ++i) {
    t += 1 + static_cast<TimeMs>(rng() % 5000);
    rt.push_back(t);
    rv.push_back(rng() % 13 == 0 ? kNaN : static_cast<double>(rng() % 1000) / 7.0);
  }
  std::vector<TimeMs> at;
  std::vector<double> cur;
  for (TimeMs c = -20000; c < t + 20000; c += 1 + static_cast<TimeMs>(rng() % 3000)) {
    at.push_back(c);
    cur.push_back(rng() % 17 == 0 ? kNaN : static_cast<double>(rng() % 100));
  }
  for (TimeMs shift : {TimeMs{0}, TimeMs{1234}, TimeMs{-777}}) {
    const std::vector<double> d = differencesAt(at, cur, rt, rv, shift);
    ASSERT_EQ(d.size(), at.size());
    std::size_t compared = 0;
    for (std::size_t i = 0; i < at.size(); ++i) {
      const double want = cur[i] - interpolateAt(rt, rv, at[i] - shift);
      if (std::isnan(want)) {
        EXPECT_TRUE(std::isnan(d[i])) << i;
      } else {
        EXPECT_DOUBLE_EQ(d[i], want) << i;
        ++compared;
      }
    }
    EXPECT_GT(compared, at.size() / 2);
  }
}

TEST(Compare, StatisticsWorkedByHandAcrossAlignments) {
  Files files;
  const Batch cur = read(files.write("cur.csv", kCurrent));
  const Batch ref = read(files.write("ref.csv", kReference));
  ASSERT_EQ(cur.times.front(), kCurStart);
  ASSERT_EQ(ref.times.front(), kRefStart);

  // At start: A's reference 9, 13, 10 at 06:00:00, :20, :40, so Δ = 1, 1
  // (against 11), 1, 1.5 (against 11.5), 1. B (matched as " b "): Δ at :00
  // and :10 only; :20 is a gap of the current batch, :30 and :40 meet the
  // reference's gap.
  CompareOptions o;
  o.band = 1.2;
  BatchComparison c = compareBatches(cur, ref, o);
  EXPECT_EQ(c.shift, kCurStart - kRefStart);
  EXPECT_TRUE(c.overlap);
  ASSERT_EQ(c.channels.size(), 2u);
  const DifferenceStats& a = c.channels[0].stats;
  EXPECT_EQ(c.channels[0].referenceIndex, 1);
  EXPECT_EQ(a.compared, 5u);
  EXPECT_DOUBLE_EQ(a.maxAbs, 1.5);
  EXPECT_EQ(a.timeOfMax, kCurStart + 30 * kSecond);
  EXPECT_DOUBLE_EQ(a.mean, 1.1);
  EXPECT_NEAR(a.rms, std::sqrt(1.25), 1e-12);
  EXPECT_DOUBLE_EQ(a.percentOverBand(), 20);
  const DifferenceStats& b = c.channels[1].stats;
  EXPECT_EQ(c.channels[1].referenceIndex, 0);
  EXPECT_EQ(b.compared, 2u);
  EXPECT_DOUBLE_EQ(b.mean, 1);
  EXPECT_DOUBLE_EQ(b.rms, 1);
  EXPECT_EQ(comparisonLine(c.channels[0], true),
            QStringLiteral("A\t5\t1.500000\t2007-01-01 06:00:30\t1.100000\t1.118034\t20.000000"));

  // At end: the reference's 08:01:00 on 06:00:40; Δ = -3, 0.5, 4, -2, -9.
  o.alignment.mode = AlignMode::End;
  c = compareBatches(cur, ref, o);
  EXPECT_EQ(c.shift, kCurStart + 40 * kSecond - (kRefStart + 60 * kSecond));
  EXPECT_EQ(c.channels[0].stats.compared, 5u);
  EXPECT_DOUBLE_EQ(c.channels[0].stats.maxAbs, 9);
  EXPECT_EQ(c.channels[0].stats.timeOfMax, kCurStart + 40 * kSecond);
  EXPECT_DOUBLE_EQ(c.channels[0].stats.mean, -1.9);
  EXPECT_NEAR(c.channels[0].stats.rms, std::sqrt(22.05), 1e-12);

  // Clock time: three days apart, no overlap, nothing compared; an offset
  // of +70:00:00 on the clock lays it as "at start" does.
  o.alignment.mode = AlignMode::Clock;
  c = compareBatches(cur, ref, o);
  EXPECT_EQ(c.shift, 0);
  EXPECT_FALSE(c.overlap);
  EXPECT_EQ(c.channels[0].stats.compared, 0u);
  EXPECT_EQ(comparisonLine(c.channels[0], false), QStringLiteral("A\t0\t\t\t\t"));
  o.alignment.offset = *parseOffset("+70:00:00");
  c = compareBatches(cur, ref, o);
  EXPECT_EQ(c.shift, kCurStart - kRefStart);
  EXPECT_DOUBLE_EQ(c.channels[0].stats.mean, 1.1);

  // From/to limit the current points: 06:00:10 .. 06:00:30 gives 1, 1, 1.5.
  o.from = kCurStart + 10 * kSecond;
  o.to = kCurStart + 30 * kSecond;
  c = compareBatches(cur, ref, o);
  EXPECT_EQ(c.channels[0].stats.compared, 3u);
  EXPECT_NEAR(c.channels[0].stats.mean, 3.5 / 3, 1e-12);
}

TEST(Compare, EachFileReadsItsDatesInItsOwnOrder) {
  Files files;
  // The reference written day first: its 29/12/2006 decides its order.
  QByteArray dayFirst = kReference;
  dayFirst.replace("12/29/2006", "29/12/2006");
  const Batch cur = read(files.write("cur.csv", kCurrent));
  const Batch ref = read(files.write("ref.csv", dayFirst));
  ASSERT_EQ(ref.times.front(), kRefStart);
  const BatchComparison c = compareBatches(cur, ref, {});
  EXPECT_EQ(c.shift, kCurStart - kRefStart);
  EXPECT_DOUBLE_EQ(c.channels[0].stats.mean, 1.1);
  // An order set for the reading decides 3/4/2007, which either order
  // reads: day first, it is 3 April.
  LogTable table;
  loadBatchTable(table, files.write("set.csv", "Date,Time,A\r\n3/4/2007,06:00:00,1\r\n"),
                 DateOrder::DayMonthYear);
  EXPECT_EQ(readBatch(table, {2}).times.front(), 39175 * kDay + 6 * 3600 * kSecond);
}

TEST(Compare, UnsortedRowsAreComparedInTimeOrder) {
  Files files;
  // The current rows shuffled, the reference's reversed.
  const Batch cur = read(files.write("cur.csv",
                                     "Date,Time,A,B\r\n"
                                     "1/1/2007,06:00:30,13,4\r\n"
                                     "1/1/2007,06:00:00,10,1\r\n"
                                     "1/1/2007,06:00:40,11,5\r\n"
                                     "1/1/2007,06:00:10,12,2\r\n"
                                     "1/1/2007,06:00:20,14,\r\n"));
  const Batch ref = read(files.write("ref.csv",
                                     "Date,Time, b ,a\r\n"
                                     "12/29/2006,08:01:00,3,20\r\n"
                                     "12/29/2006,08:00:40,x,10\r\n"
                                     "12/29/2006,08:00:20,2,13\r\n"
                                     "12/29/2006,08:00:00,0,9\r\n"));
  EXPECT_FALSE(cur.inFileOrder);
  EXPECT_FALSE(ref.inFileOrder);
  EXPECT_TRUE(std::is_sorted(cur.times.begin(), cur.times.end()));
  EXPECT_EQ(cur.values[0], (std::vector<double>{10, 12, 14, 13, 11}));
  const BatchComparison c = compareBatches(cur, ref, {});
  EXPECT_EQ(c.channels[0].stats.compared, 5u);
  EXPECT_DOUBLE_EQ(c.channels[0].stats.mean, 1.1);
  EXPECT_EQ(c.channels[1].stats.compared, 2u);
}

TEST(Compare, ChannelsMatchByTitleNeverByPosition) {
  Files files;
  const QString curPath = files.write("cur.csv", kCurrent);
  const QString refPath = files.write("ref.csv",
                                      "Date,Time,Other,A\r\n"
                                      "1/1/2007,06:00:00,500,10\r\n"
                                      "1/1/2007,06:00:40,900,14\r\n");
  const Batch cur = read(curPath);
  const Batch ref = read(refPath);
  EXPECT_EQ(matchTitle(ref.titles, " a "), 1);
  EXPECT_EQ(matchTitle(ref.titles, "B"), -1);
  const BatchComparison c = compareBatches(cur, ref, {});
  // A against A (10 to 14 in a line: Δ = 0, 1, 2, 0, -3), never against
  // "Other" in column 2.
  EXPECT_EQ(c.channels[0].referenceIndex, 1);
  EXPECT_DOUBLE_EQ(c.channels[0].stats.maxAbs, 3);
  EXPECT_DOUBLE_EQ(c.channels[0].stats.mean, 0);
  EXPECT_EQ(c.channels[1].referenceIndex, -1);  // B is not in the reference
  EXPECT_EQ(c.channels[1].stats.compared, 0u);

  // Columns named by title or number, as `tarvex plot` takes them.
  LogTable table;
  loadBatchTable(table, curPath);
  EXPECT_EQ(channelColumn(table, "3"), 3);
  EXPECT_EQ(channelColumn(table, " b "), 3);
  EXPECT_EQ(channelColumn(table, "A"), 2);
  for (const char* bad : {"1", "9", "Nope"}) {
    try {
      channelColumn(table, bad);
      ADD_FAILURE() << bad;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), err::SubscriptOutOfRange);
    }
  }
  const QString text = noCommonChannelText("cur", {"A", "B"}, "ref", {"Other"});
  EXPECT_TRUE(text.contains("A, B")) << text.toStdString();
  EXPECT_TRUE(text.contains("ref: Other")) << text.toStdString();
}

TEST(Compare, BadRowsAndNonRegularFilesAreRefused) {
  Files files;
  try {
    read(files.write("bad.csv", "Date,Time,A\r\n1/1/2007,06:00:00,1\r\nsoon,06:00:01,2\r\n"));
    ADD_FAILURE() << "a date that does not read";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::TypeMismatch);
    EXPECT_TRUE(e.description().contains("row 2")) << e.description().toStdString();
  }
  const QString fifo = files.path("pipe.csv");
  ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  try {
    LogTable table;
    loadBatchTable(table, fifo);
    ADD_FAILURE() << "a FIFO was read";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::PathFileAccess);
  }
}

}  // namespace
}  // namespace tarvex
