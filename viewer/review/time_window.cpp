#include "review/time_window.h"

#include <cmath>

#include "shell/runtime_error.h"

namespace tarvex {

namespace {

// A serial a hair below a whole second still means that second (a serial
// holds a second's fraction of a day only approximately).
constexpr double kSecondTolerance = 1e-4;

}  // namespace

void checkTimeWindow(const TimeWindow& window) {
  if (window.from && window.to &&
      firstSecondAtOrAfter(*window.from) > lastSecondAtOrBefore(*window.to))
    throw RuntimeError(err::InvalidCall, QStringLiteral("From lies after To"));
}

qint64 firstSecondAtOrAfter(double serial) {
  return static_cast<qint64>(std::ceil(serial * 86400.0 - kSecondTolerance));
}

qint64 lastSecondAtOrBefore(double serial) {
  return static_cast<qint64>(std::floor(serial * 86400.0 + kSecondTolerance));
}

double serialOfSeconds(qint64 seconds) { return static_cast<double>(seconds) / 86400.0; }

TimeColumns timeColumnsOf(ReviewTable table) {
  return table == ReviewTable::Alarms ? TimeColumns{2, 3} : TimeColumns{0, 1};
}

}  // namespace tarvex
