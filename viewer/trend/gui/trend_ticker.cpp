#include "trend/gui/trend_ticker.h"

#include <array>
#include <cmath>

#include "trend/datetime_format.h"

namespace tarvex {

double TrendTicker::getTickStep(const QCPRange& range) {
  if (!dateTime_) return QCPAxisTicker::getTickStep(range);
  const double wanted = range.size() / static_cast<double>(mTickCount + 1e-10);
  // Steps in seconds that read well on a clock, up to two weeks.
  static constexpr std::array<double, 24> kSeconds = {
      0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5,  1,    2,    5,
      10,    15,    30,    60,   120,  300,  600, 900, 1800, 3600, 7200, 10800};
  static constexpr std::array<double, 7> kLong = {21600,  43200,  86400,  172800,
                                                  345600, 604800, 1209600};
  const double wantedSeconds = wanted * 86400.0;
  if (wantedSeconds <= kLong.back() * 1.5) {
    QVector<double> candidates;
    for (double s : kSeconds) candidates << s / 86400.0;
    for (double s : kLong) candidates << s / 86400.0;
    return pickClosest(wanted, candidates);
  }
  // Longer ranges: a clean number of days.
  return cleanMantissa(wanted);
}

int TrendTicker::getSubTickCount(double) { return minorCount_; }

QString TrendTicker::getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                                  int precision) {
  if (!dateTime_) return QCPAxisTicker::getTickLabel(tick, locale, formatChar, precision);
  return formatDateTime(pattern_, tick);
}

}  // namespace tarvex
