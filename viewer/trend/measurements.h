// Readings and measurements of the trend's data cursors: the value of a
// channel under a cursor, the time between two cursors as a duration, and
// per channel the difference of the two readings and the minimum, maximum,
// mean and number of points over a range. Works on any TrendPlot; the plot
// widget only draws what these functions compute.
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <optional>
#include <vector>

#include "trend/trend_plot.h"

namespace tarvex {

// What a cursor hint shows (the cursor menu's "Value X-Y", "Value X",
// "Value Y", "Period", "Peak-Peak" and "Frequency").
enum class CursorStyle { ValueXY, ValueX, ValueY, Period, PeakPeak, Frequency };

// The captions of the styles, in enum order.
QStringList cursorStyleCaptions();

// The index of the point of channel `channel` whose X is nearest to `x`
// (the earlier one on a tie); -1 when the channel has no points. Channel
// points are in X order.
std::ptrdiff_t nearestPointIndex(const TrendPlot& plot, int channel, double x);

// The point of channel `channel` nearest to `x`; its Y is NaN for a gap.
// nullopt when the channel has no points.
std::optional<TrendPoint> readingAt(const TrendPlot& plot, int channel, double x);

// The channel whose reading at `x` lies nearest to `y` (gaps and empty
// channels skipped); -1 when no channel has a value there.
int nearestChannel(const TrendPlot& plot, double x, double y);

// A time difference of `days` (a difference of date-time serials) as a
// duration: "H:MM:SS", with "N d " before it from one day on, ".mmm"
// (trailing zeros dropped) when it has milliseconds, and "-" when negative.
// Rounded to the millisecond.
QString formatDuration(double days);

// A number as the readouts show it: up to 7 significant digits; "" for NaN.
QString formatReading(double value);

// The differences (current - reference) of a channel's points over a range.
struct DifferenceSummary {
  std::size_t count = 0;  // points with a difference
  double maxAbs = 0;      // max |Δ|
  double mean = 0;        // mean Δ
  double rms = 0;         // RMS Δ
};

// What the readout shows of a reference batch laid over the plot
// (implemented by the comparison; the plot's channels are the current batch).
class ReferenceReadings {
 public:
  virtual ~ReferenceReadings() = default;
  // Lines shown above the channel table: the reference, its shift, whether
  // it is signed, "no overlap".
  virtual QStringList referenceNotes() const = 0;
  // Whether the reference has a channel of plot channel `channel`'s title.
  virtual bool compared(int channel) const = 0;
  // The reference's value of that channel at X `x`, interpolated; NaN when
  // it has none there.
  virtual double referenceAt(int channel, double x) const = 0;
  // The differences of the channel's points with X in [from, to].
  virtual DifferenceSummary differences(int channel, double from, double to) const = 0;
};

struct ChannelMeasurement {
  QString title;
  double y1 = 0;            // reading at cursor 1 (NaN: none)
  double y2 = 0;            // reading at cursor 2 (NaN: none, or one cursor)
  double dy = 0;            // y2 - y1 (NaN unless both exist)
  TrendChannelStats stats;  // over [from, to]
  // With a reference: whether this channel is compared, the reference's
  // values at the readings' times, the differences there (y - ref; NaN:
  // none) and the differences over [from, to].
  bool compared = false;
  double ref1 = 0, ref2 = 0;
  double d1 = 0, d2 = 0;
  DifferenceSummary diff;
};

struct Measurement {
  bool withReference = false;
  QStringList referenceNotes;
  double x1 = 0;             // cursor 1
  std::optional<double> x2;  // cursor 2, when placed
  double from = 0, to = 0;   // the range of the statistics
  std::vector<ChannelMeasurement> channels;
  bool twoCursors() const { return x2.has_value(); }
  // x2 - x1; 0 with one cursor.
  double dx() const { return x2 ? *x2 - x1 : 0.0; }
};

// Measures every channel of `plot`: readings at cursor 1 (`x1`) and, when
// given, cursor 2 (`x2`), and the statistics between the two cursors, or,
// with one cursor, over the visible range [visibleMin, visibleMax]. With
// `reference`, also the reference's values at the readings and the
// differences from it, at the cursors and over the range.
Measurement measure(const TrendPlot& plot, double x1, std::optional<double> x2, double visibleMin,
                    double visibleMax, const ReferenceReadings* reference = nullptr);

// The readout as a table: a few header lines (cursor times through
// `dateTimeFormat`, the time between the cursors or the visible range, the
// reference's notes) and one line per channel. With a reference each line
// adds the reference's value and the difference at each cursor ("not in
// reference" for a channel it lacks) and max |Δ|, mean Δ and RMS Δ over
// the range. Each line is a list of cells.
std::vector<QStringList> measurementRows(const Measurement& m, const QString& dateTimeFormat);
// The rows as text to copy: cells separated by tabs, lines by "\n".
QString measurementText(const Measurement& m, const QString& dateTimeFormat);
// The rows as text to show in a fixed-width font, columns padded.
QString measurementTable(const Measurement& m, const QString& dateTimeFormat);

// The hint of a cursor: `reading` of channel `title` at the cursor, in
// `style`; `other` is the second cursor's reading of the same channel for
// the styles that need two (Period, Peak-Peak, Frequency).
QString cursorHintText(CursorStyle style, const QString& title, const TrendPoint& reading,
                       const std::optional<TrendPoint>& other, const QString& dateTimeFormat);

}  // namespace tarvex
