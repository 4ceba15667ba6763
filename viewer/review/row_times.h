// The date and time of every row of a log table, read once: whole seconds
// in 4 bytes a row, for the review window and for jumping to a time.
#pragma once

#include <QLocale>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "logfiles/row_time.h"
#include "review/row_set.h"

namespace tarvex {

class LogTable;

class RowTimes {
 public:
  RowTimes() = default;

  // The times of rows 1..lastRow() of `table` (rowDateTime: the table's
  // decided date order). `keepGoing`, when given, is asked every few
  // thousand rows; when it answers false the reading stops and empty is
  // returned.
  static std::optional<RowTimes> read(const LogTable& table, TimeColumns columns,
                                      const std::function<bool()>& keepGoing = {},
                                      const QLocale& locale = QLocale());

  // Rows 0..rowCount()-1 (row 0, the titles, has no time).
  int rowCount() const { return int(times_.size()); }
  // Seconds since 30 December 1899 of row `row`; empty when its date or
  // time does not read.
  std::optional<qint64> seconds(int row) const;
  // Data rows whose date or time does not read.
  int unreadableCount() const { return unreadable_; }
  // Whether the readable times never decrease from one row to the next.
  bool ascending() const { return ascending_; }

  // The data rows whose time lies in [from, to] (seconds; an open side
  // limits nothing), and those whose time does not read; row 0 too.
  RowSet within(std::optional<qint64> from, std::optional<qint64> to) const;

  // The data row nearest at or before `seconds`: of the rows with the
  // latest time not after it, the first. A time before every row gives the
  // first data row; -1 when the table has no data row. Binary search while
  // the times ascend, one pass otherwise.
  int rowAtOrBefore(qint64 seconds) const;

  std::size_t memoryBytes() const;

 private:
  static constexpr qint32 kUnread = INT32_MIN;
  static constexpr qint32 kFar = INT32_MIN + 1;  // look in far_
  // The time of row r relative to base_; kFar and kUnread marked.
  qint64 at(int r) const;
  int firstReadable(int from, int to) const;

  std::vector<qint32> times_;
  qint64 base_ = 0;
  // Rows whose time lies more than 68 years from base_, in row order.
  std::vector<std::pair<int, qint64>> far_;
  int unreadable_ = 0;
  bool ascending_ = true;
};

}  // namespace tarvex
