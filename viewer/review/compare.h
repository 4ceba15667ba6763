// The comparison of a current batch with a reference batch, channel by
// channel: titles matched, the reference interpolated at the current
// batch's times, and the statistics of the differences (current -
// reference). Plain arithmetic on sorted times; the viewer's overlay, its
// cursor readout and `tarvex compare` all go through it.
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <limits>
#include <optional>
#include <vector>

#include "review/alignment.h"
#include "review/batch.h"

namespace tarvex {

// ---- Channels ----------------------------------------------------------------

// Titles match ignoring case and surrounding blanks ("TC1 (C)" = " tc1 (c)").
bool titlesMatch(const QString& a, const QString& b);
// The index in `titles` of the first title matching `title`; -1 when none.
int matchTitle(const QStringList& titles, const QString& title);

// The message of a reference that shares no title with the chosen
// channels, naming both files' titles.
QString noCommonChannelText(const QString& currentName, const QStringList& currentTitles,
                            const QString& referenceName, const QStringList& referenceTitles);

// ---- Interpolation -------------------------------------------------------------

// The reference's value at time `t` of its own clock: `times` ascending,
// `values` beside them (NaN = a gap).
//  - t on a sample's time: that sample's value (the first of equal times);
//  - t between two samples: the straight line between them, unless either
//    is a gap (a gap is never bridged);
//  - t before the first or after the last sample: none.
// NaN when there is no value.
double interpolateAt(const std::vector<TimeMs>& times, const std::vector<double>& values, TimeMs t);

// The reference's values at ascending current times, in one pass: the
// reference laid `shift` later, read as interpolateAt() reads it.
class ReferenceSweep {
 public:
  // The vectors must outlive the sweep.
  ReferenceSweep(const std::vector<TimeMs>& times, const std::vector<double>& values, TimeMs shift)
      : times_(times), values_(values), shift_(shift) {}
  // The value at current time `t` (not below the last one asked); NaN when
  // there is none.
  double at(TimeMs t) {
    t -= shift_;
    const std::size_t m = times_.size();
    while (j_ < m && times_[j_] < t) ++j_;
    if (j_ == m) return kNoValue;
    if (times_[j_] == t) return values_[j_];
    if (j_ == 0) return kNoValue;  // before the reference
    const double a = values_[j_ - 1], b = values_[j_];
    const double f =
        static_cast<double>(t - times_[j_ - 1]) / static_cast<double>(times_[j_] - times_[j_ - 1]);
    return a + (b - a) * f;  // NaN when either side is a gap
  }
  // True once a time past the reference's last sample was asked.
  bool past() const { return j_ == times_.size(); }

 private:
  static constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
  const std::vector<TimeMs>& times_;
  const std::vector<double>& values_;
  TimeMs shift_;
  std::size_t j_ = 0;
};

// current[i] - reference(at[i] - shift) for i < n, handed to fn(i, Δ) for
// every i where both have a value; `at` ascending. One pass over both
// series.
template <class Fn>
void forEachDifference(const TimeMs* at, const double* current, std::size_t n,
                       const std::vector<TimeMs>& refTimes, const std::vector<double>& refValues,
                       TimeMs shift, Fn&& fn);

// The same as a vector: NaN where there is no difference.
std::vector<double> differencesAt(const std::vector<TimeMs>& at, const std::vector<double>& current,
                                  const std::vector<TimeMs>& refTimes,
                                  const std::vector<double>& refValues, TimeMs shift);

// ---- Statistics ------------------------------------------------------------------

// The differences of the compared points (unweighted by time).
struct DifferenceStats {
  std::size_t compared = 0;  // points with a difference
  double maxAbs = 0;         // the largest |Δ| (0 with no point)
  TimeMs timeOfMax = 0;      // the current batch's time of the first such point
  double mean = 0;           // mean Δ
  double rms = 0;            // root mean square of Δ
  std::size_t overBand = 0;  // points with |Δ| > band (when a band was given)

  // overBand as a percentage of compared; 0 with no point.
  double percentOverBand() const {
    return compared ? 100.0 * static_cast<double>(overBand) / static_cast<double>(compared) : 0.0;
  }
};

// Gathers differences one point at a time.
class DifferenceAccumulator {
 public:
  explicit DifferenceAccumulator(std::optional<double> band = std::nullopt) : band_(band) {}
  // A NaN difference is not a compared point and is skipped.
  void add(TimeMs t, double difference);
  DifferenceStats stats() const;

 private:
  std::optional<double> band_;
  DifferenceStats s_;
  double sum_ = 0, sumSquares_ = 0;
};

// ---- Whole batches -----------------------------------------------------------------

struct CompareOptions {
  Alignment alignment;
  std::optional<double> band;  // count |Δ| > band
  std::optional<TimeMs> from;  // the current batch's points from this time on
  std::optional<TimeMs> to;    // up to this time (inclusive)
};

struct ChannelComparison {
  QString title;            // the current batch's title
  int referenceIndex = -1;  // the matching column in the reference batch; -1: not compared
  DifferenceStats stats;
};

struct BatchComparison {
  TimeMs shift = 0;     // the reference's shift (alignment and offset)
  bool overlap = true;  // the aligned reference's time range meets the current one's
  std::vector<ChannelComparison> channels;  // one per channel of `current`, in its order
};

// Compares every channel of `current` with the reference channel of the
// same title. The shift comes from the whole batches' first and last
// times; from/to then limit the current points compared. Empty batches
// give no overlap and nothing compared.
BatchComparison compareBatches(const Batch& current, const Batch& reference,
                               const CompareOptions& options);

// Whether [aFirst, aLast] and [bFirst, bLast] share a time.
inline bool rangesOverlap(TimeMs aFirst, TimeMs aLast, TimeMs bFirst, TimeMs bLast) {
  return aFirst <= bLast && bFirst <= aLast;
}

// The line `tarvex compare` prints for a channel, tab-separated: title,
// points compared, max |Δ|, its time (ISO "YYYY-MM-DD HH:MM:SS"), mean Δ,
// RMS Δ and, with a band, the percentage over it; numbers with 6 decimals.
// A channel with no compared point has empty number fields.
QString comparisonLine(const ChannelComparison& channel, bool withBand);

// A time as "YYYY-MM-DD HH:MM:SS" (milliseconds dropped).
QString isoTime(TimeMs t);

// ---- Template definitions ------------------------------------------------------

template <class Fn>
void forEachDifference(const TimeMs* at, const double* current, std::size_t n,
                       const std::vector<TimeMs>& refTimes, const std::vector<double>& refValues,
                       TimeMs shift, Fn&& fn) {
  ReferenceSweep sweep(refTimes, refValues, shift);
  for (std::size_t i = 0; i < n; ++i) {
    const double c = current[i];
    if (c != c) continue;  // a gap of the current batch
    const double r = sweep.at(at[i]);
    if (r == r) fn(i, c - r);
    if (sweep.past()) return;  // past the reference: so are the rest
  }
}

}  // namespace tarvex
