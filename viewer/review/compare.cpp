#include "review/compare.h"

#include <QDate>
#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <limits>

namespace tarvex {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The value between samples i and i + 1 (times[i] < t < times[i + 1]).
double between(const std::vector<TimeMs>& times, const std::vector<double>& values, std::size_t i,
               TimeMs t) {
  const double a = values[i], b = values[i + 1];
  if (std::isnan(a) || std::isnan(b)) return kNaN;
  const double f = static_cast<double>(t - times[i]) / static_cast<double>(times[i + 1] - times[i]);
  return a + (b - a) * f;
}

QString number(double v) { return QString::number(v, 'f', 6); }

}  // namespace

bool titlesMatch(const QString& a, const QString& b) {
  return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

int matchTitle(const QStringList& titles, const QString& title) {
  for (int i = 0; i < titles.size(); ++i)
    if (titlesMatch(titles[i], title)) return i;
  return -1;
}

QString noCommonChannelText(const QString& currentName, const QStringList& currentTitles,
                            const QString& referenceName, const QStringList& referenceTitles) {
  return QStringLiteral(
             "The reference %1 has no channel in common with %2.\r\n"
             "%2: %3\r\n%1: %4")
      .arg(referenceName, currentName, currentTitles.join(QStringLiteral(", ")),
           referenceTitles.join(QStringLiteral(", ")));
}

double interpolateAt(const std::vector<TimeMs>& times, const std::vector<double>& values,
                     TimeMs t) {
  const auto it = std::lower_bound(times.begin(), times.end(), t);
  if (it == times.end()) return kNaN;
  const std::size_t i = static_cast<std::size_t>(it - times.begin());
  if (*it == t) return values[i];
  if (i == 0) return kNaN;
  return between(times, values, i - 1, t);
}

std::vector<double> differencesAt(const std::vector<TimeMs>& at, const std::vector<double>& current,
                                  const std::vector<TimeMs>& refTimes,
                                  const std::vector<double>& refValues, TimeMs shift) {
  std::vector<double> out(at.size(), kNaN);
  forEachDifference(at.data(), current.data(), at.size(), refTimes, refValues, shift,
                    [&](std::size_t i, double d) { out[i] = d; });
  return out;
}

void DifferenceAccumulator::add(TimeMs t, double d) {
  if (std::isnan(d)) return;
  const double a = std::fabs(d);
  if (s_.compared == 0 || a > s_.maxAbs) {
    s_.maxAbs = a;
    s_.timeOfMax = t;
  }
  ++s_.compared;
  sum_ += d;
  sumSquares_ += d * d;
  if (band_ && a > *band_) ++s_.overBand;
}

DifferenceStats DifferenceAccumulator::stats() const {
  DifferenceStats s = s_;
  if (s.compared > 0) {
    const double n = static_cast<double>(s.compared);
    s.mean = sum_ / n;
    s.rms = std::sqrt(sumSquares_ / n);
  }
  return s;
}

BatchComparison compareBatches(const Batch& current, const Batch& reference,
                               const CompareOptions& options) {
  BatchComparison result;
  const bool both = !current.empty() && !reference.empty();
  if (both)
    result.shift = alignmentShift(options.alignment, current.times.front(), current.times.back(),
                                  reference.times.front(), reference.times.back());
  else
    result.shift = options.alignment.offset;
  result.overlap = both && rangesOverlap(current.times.front(), current.times.back(),
                                         reference.times.front() + result.shift,
                                         reference.times.back() + result.shift);

  // The current points inside from/to.
  std::size_t first = 0, last = current.times.size();
  if (options.from)
    first = static_cast<std::size_t>(
        std::lower_bound(current.times.begin(), current.times.end(), *options.from) -
        current.times.begin());
  if (options.to)
    last = static_cast<std::size_t>(
        std::upper_bound(current.times.begin(), current.times.end(), *options.to) -
        current.times.begin());
  last = std::max(first, last);
  const TimeMs* at = current.times.data() + first;

  for (std::size_t k = 0; k < current.columns.size(); ++k) {
    ChannelComparison c;
    c.title = current.titles.value(static_cast<qsizetype>(k));
    c.referenceIndex = matchTitle(reference.titles, c.title);
    if (c.referenceIndex >= 0 && result.overlap) {
      DifferenceAccumulator acc(options.band);
      forEachDifference(at, current.values[k].data() + first, last - first, reference.times,
                        reference.values[static_cast<std::size_t>(c.referenceIndex)], result.shift,
                        [&](std::size_t i, double d) { acc.add(at[i], d); });
      c.stats = acc.stats();
    }
    result.channels.push_back(c);
  }
  return result;
}

QString isoTime(TimeMs t) {
  const TimeMs day = 86400000;
  TimeMs days = t / day;
  TimeMs ms = t % day;
  if (ms < 0) {
    ms += day;
    --days;
  }
  const QDate date = QDate(1899, 12, 30).addDays(days);
  const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
  return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
         time.toString(QStringLiteral("HH:mm:ss"));
}

QString comparisonLine(const ChannelComparison& channel, bool withBand) {
  const DifferenceStats& s = channel.stats;
  QStringList fields{channel.title, QString::number(static_cast<qulonglong>(s.compared))};
  if (s.compared > 0)
    fields << number(s.maxAbs) << isoTime(s.timeOfMax) << number(s.mean) << number(s.rms);
  else
    fields << QString() << QString() << QString() << QString();
  if (withBand) fields << (s.compared > 0 ? number(s.percentOverBand()) : QString());
  return fields.join(QLatin1Char('\t'));
}

}  // namespace tarvex
