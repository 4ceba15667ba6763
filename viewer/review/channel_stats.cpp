#include "review/channel_stats.h"

#include <cmath>

namespace tarvex {

void ChannelStatsAccumulator::closeRun(double endX) {
  if (!runStart_) return;
  const double d = endX - *runStart_;
  ++s_.excursions;
  s_.outsideDays += d;
  if (s_.excursions == 1 || d > s_.longestDays) {
    s_.longestDays = d;
    s_.longestStartX = *runStart_;
  }
  runStart_.reset();
}

void ChannelStatsAccumulator::add(double x, double y) {
  if (std::isnan(y)) {
    ++s_.gaps;
    closeRun(x);
    return;
  }
  if (s_.points == 0) {
    s_.min = s_.max = s_.first = y;
    s_.minX = s_.maxX = x;
  } else if (y < s_.min) {
    s_.min = y;
    s_.minX = x;
  } else if (y > s_.max) {
    s_.max = y;
    s_.maxX = x;
  }
  s_.last = y;
  ++s_.points;
  const double delta = y - s_.mean;
  s_.mean += delta / double(s_.points);
  m2_ += delta * (y - s_.mean);
  if (limits_.isSet()) {
    if (limits_.outside(y)) {
      if (!runStart_) runStart_ = x;
    } else {
      closeRun(x);
    }
  }
}

ChannelStats ChannelStatsAccumulator::result(double windowEnd) const {
  ChannelStatsAccumulator copy = *this;
  copy.closeRun(windowEnd);
  ChannelStats s = copy.s_;
  if (s.points >= 2) s.stdDev = std::sqrt(m2_ / double(s.points - 1));
  return s;
}

QString durationText(double days) {
  const qint64 total = qint64(std::llround(days * 86400.0));
  const qint64 h = total / 3600, m = total / 60 % 60, sec = total % 60;
  auto two = [](qint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
  if (h > 0) return QStringLiteral("%1 h %2 min %3 s").arg(h).arg(two(m), two(sec));
  if (m > 0) return QStringLiteral("%1 min %2 s").arg(m).arg(two(sec));
  return QStringLiteral("%1 s").arg(sec);
}

}  // namespace tarvex
