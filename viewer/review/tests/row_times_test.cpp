// The rows' times: what reads, the window's rows, and the data row nearest
// at or before a time, in order and out of order.
#include "review/row_times.h"

#include <gtest/gtest.h>

#include <QDate>

#include "logfiles/date_order.h"
#include "logfiles/logtable.h"

namespace tarvex {
namespace {

// Seconds of 3/14/2007 at h:m:s.
qint64 at(int h, int m, int s) {
  return QDate(1899, 12, 30).daysTo(QDate(2007, 3, 14)) * 86400 + h * 3600 + m * 60 + s;
}

// A data table whose rows have these times of 3/14/2007 ("" = a time that
// does not read).
LogTable& fill(LogTable& t, const QStringList& times) {
  t.setCell(0, 0, u"Date");
  t.setCell(1, 0, u"Time");
  int r = 1;
  for (const QString& time : times) {
    t.setCell(0, r, u"3/14/2007");
    t.setCell(1, r, time.isEmpty() ? QStringLiteral("--") : time);
    ++r;
  }
  t.setDateReading(DateReading{DateOrder::MonthDayYear, DateOrderSource::File});
  return t;
}

TEST(RowTimes, ReadsEveryRowOnceAndCountsWhatDoesNotRead) {
  LogTable t;
  fill(t, {"6:00:00", "6:00:03", "6:00:10", "6:00:05"});
  t.setCell(0, 2, u"14/3/2007");  // the wrong order: no date
  const std::optional<RowTimes> times = RowTimes::read(t, {});
  ASSERT_TRUE(times);
  EXPECT_EQ(times->rowCount(), 5);
  EXPECT_FALSE(times->seconds(0));
  EXPECT_EQ(times->seconds(1), at(6, 0, 0));
  EXPECT_FALSE(times->seconds(2));
  EXPECT_EQ(times->seconds(4), at(6, 0, 5));
  EXPECT_EQ(times->unreadableCount(), 1);
  EXPECT_FALSE(times->ascending());
  EXPECT_EQ(times->memoryBytes(), 5 * sizeof(qint32));
  // The window keeps row 0 and the unreadable row whatever its ends.
  const RowSet in = times->within(at(6, 0, 5), at(6, 0, 10));
  EXPECT_EQ(in.count(), 4);
  EXPECT_FALSE(in.contains(1));
  EXPECT_TRUE(in.contains(0) && in.contains(2) && in.contains(3) && in.contains(4));
  EXPECT_EQ(times->within(std::nullopt, at(6, 0, 4)).count(), 3);
  EXPECT_EQ(times->within(at(7, 0, 0), std::nullopt).count(), 2);

  int asked = 0;
  LogTable big;
  QStringList many;
  for (int i = 0; i < 9000; ++i) many << QStringLiteral("6:00:00");
  fill(big, many);
  EXPECT_FALSE(RowTimes::read(big, {}, [&] { return ++asked < 2; }));
  EXPECT_EQ(asked, 2);
}

TEST(RowTimes, NearestAtOrBeforeInOrder) {
  LogTable t;
  // Rows 1..7; row 4 does not read; 6:00:10 twice.
  fill(t, {"6:00:00", "6:00:10", "6:00:10", "", "6:00:20", "6:00:30", "6:00:30"});
  const RowTimes times = *RowTimes::read(t, {});
  ASSERT_TRUE(times.ascending());
  EXPECT_EQ(times.rowAtOrBefore(at(6, 0, 0)), 1);
  EXPECT_EQ(times.rowAtOrBefore(at(6, 0, 9)), 1);
  EXPECT_EQ(times.rowAtOrBefore(at(6, 0, 10)), 2);  // the first of equal times
  EXPECT_EQ(times.rowAtOrBefore(at(6, 0, 19)), 2);
  EXPECT_EQ(times.rowAtOrBefore(at(6, 0, 25)), 5);  // over the unreadable row
  EXPECT_EQ(times.rowAtOrBefore(at(9, 0, 0)), 6);
  EXPECT_EQ(times.rowAtOrBefore(at(5, 0, 0)), 1);  // before the first row: the first
  LogTable empty;
  fill(empty, {});
  EXPECT_EQ(RowTimes::read(empty, {})->rowAtOrBefore(at(6, 0, 0)), -1);
}

TEST(RowTimes, NearestAtOrBeforeOutOfOrderAgreesWithInOrder) {
  // The clock set back: one pass over every row.
  LogTable t;
  fill(t, {"6:00:00", "6:00:40", "6:00:20", "6:00:20", "6:00:10", "", "6:00:50"});
  const RowTimes times = *RowTimes::read(t, {});
  ASSERT_FALSE(times.ascending());
  EXPECT_EQ(times.rowAtOrBefore(at(6, 0, 25)), 3);
  EXPECT_EQ(times.rowAtOrBefore(at(6, 0, 15)), 5);
  EXPECT_EQ(times.rowAtOrBefore(at(6, 0, 45)), 2);
  EXPECT_EQ(times.rowAtOrBefore(at(5, 0, 0)), 1);
  EXPECT_EQ(times.rowAtOrBefore(at(7, 0, 0)), 7);

  // Any order of distinct times: the same row as a search over sorted ones.
  LogTable shuffled;
  QStringList texts;
  std::vector<int> seconds;
  for (int i = 0; i < 300; ++i) seconds.push_back((i * 7919) % 300 * 3);
  for (int s : seconds)
    texts
        << QStringLiteral("6:%1:%2").arg(s / 60, 2, 10, QChar('0')).arg(s % 60, 2, 10, QChar('0'));
  fill(shuffled, texts);
  const RowTimes st = *RowTimes::read(shuffled, {});
  for (int want = -1; want < 905; want += 7) {
    int expect = 1, best = -1;
    for (int i = 0; i < 300; ++i)
      if (seconds[std::size_t(i)] <= want && seconds[std::size_t(i)] > best)
        best = seconds[std::size_t(i)], expect = i + 1;
    EXPECT_EQ(st.rowAtOrBefore(at(6, 0, 0) + want), expect) << want;
  }
}

TEST(RowTimes, DatesFarApartKeepTheirSeconds) {
  LogTable t;
  fill(t, {"6:00:00", "6:00:00", "6:00:00"});
  t.setCell(0, 2, u"3/14/1907");
  t.setCell(0, 3, u"3/14/2107");
  const RowTimes times = *RowTimes::read(t, {});
  const qint64 century = QDate(1907, 3, 14).daysTo(QDate(2007, 3, 14)) * qint64(86400);
  EXPECT_EQ(times.seconds(2), at(6, 0, 0) - century);
  EXPECT_EQ(times.seconds(3),
            at(6, 0, 0) + QDate(2007, 3, 14).daysTo(QDate(2107, 3, 14)) * qint64(86400));
  EXPECT_EQ(times.within(at(0, 0, 0) - century, at(23, 0, 0) - century).count(), 2);
  EXPECT_EQ(times.within(at(0, 0, 0), std::nullopt).count(), 3);
  EXPECT_EQ(times.rowAtOrBefore(at(7, 0, 0)), 1);
  EXPECT_FALSE(times.ascending());
}

}  // namespace
}  // namespace tarvex
