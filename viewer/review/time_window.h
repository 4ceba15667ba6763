// The review window: the span of time a reviewer looks at, From and To,
// both inclusive, each a date-time serial (days since 30 December 1899 plus
// the fraction of the day, as the trend's X values) or open.
#pragma once

#include <QtGlobal>
#include <optional>

#include "logfiles/row_time.h"

namespace tarvex {

struct TimeWindow {
  std::optional<double> from;
  std::optional<double> to;

  // Whether it limits anything.
  bool isSet() const { return from.has_value() || to.has_value(); }
  friend bool operator==(const TimeWindow&, const TimeWindow&) = default;
};

// Throws RuntimeError(err::InvalidCall) with a plain message when From lies
// after To; a window with an open side always passes.
void checkTimeWindow(const TimeWindow& window);

// The first whole second at or after a serial, and the last at or before
// it (row times are whole seconds: From 6:00:00.4 keeps 6:00:01 on).
qint64 firstSecondAtOrAfter(double serial);
qint64 lastSecondAtOrBefore(double serial);
// Seconds since 30 December 1899 as a serial.
double serialOfSeconds(qint64 seconds);

// The six grids of the history window, as the review sees them.
enum class ReviewTable {
  Data,             // vaGrid
  DataSignatures,   // digiSigGrid
  OperatorEvents,   // opEvGrid
  AuditTrail,       // auditGrid
  AuditSignatures,  // auditSigGrid
  Alarms,           // alarmGrid
};
inline constexpr int kReviewTableCount = 6;

// Where a table keeps its rows' dates and times: the alarm table in columns
// 2 and 3, the others in columns 0 and 1.
TimeColumns timeColumnsOf(ReviewTable table);

}  // namespace tarvex
