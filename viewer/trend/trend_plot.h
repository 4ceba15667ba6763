// What the trend code needs of the historical trend plot and of the window
// around it. The builder, the setup dialog's logic and the trend view's
// actions work through these interfaces only; the QCustomPlot widget
// implements TrendPlot and draws, the history window implements
// TrendWindow, and tests replace both with plain fakes.
//
// Settings carry the plot component's own names (TitleText, Span,
// MinorCount, DateTimeFormat, LabelsFormatStyle, BackGroundColor,
// TraceLineWidth) so an operator's report and the code use one word.
#pragma once

#include <QColor>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "trend/huge_page_allocator.h"

class QPrinter;

namespace tarvex {

class ReferenceReadings;  // trend/measurements.h

// One point of a channel: X is a date-time serial (whole days since
// 30 Dec 1899 plus the fraction of the day), Y the value. A Y that is NaN
// is a gap: the trace is broken at X.
struct TrendPoint {
  double x = 0;
  double y = 0;
};

// A column of numbers of a channel: its X values or its Y values.
using TrendColumn = std::vector<double, HugePageAllocator<double>>;

enum class TrendAxis { X, Y };

// One axis's settings (axis index 0 of the X axes or of the Y axes).
struct TrendAxisSettings {
  QString title;              // "Time", "Y-Axis 1"
  double min = 0;             // lower end of the visible range
  double span = 0;            // width of the visible range, in axis units
  int minorCount = 1;         // MinorCount: minor ticks between major ticks
  QString dateTimeFormat;     // DateTimeFormat (date/time labels, X axis)
  int labelsFormatStyle = 0;  // LabelsFormatStyle: 3 = date/time labels
  int scrollMode = 0;         // the enumerated setting the builder sets to 0
  bool followData = false;    // the Boolean setting the builder switches on
  QColor scaleColor;          // both colour settings of the axis's scale
};

// One channel's look.
struct TrendChannelStyle {
  QString titleText;       // TitleText
  int traceLineWidth = 2;  // TraceLineWidth, in pixels
  QColor color;
};

// Statistics of one channel over an X range (gaps excluded).
struct TrendChannelStats {
  std::size_t count = 0;  // points with a value
  double min = 0;
  double max = 0;
  double mean = 0;
};

// A trace drawn over the channels: a reference batch's channel or the
// difference of a channel from it. It is no channel: channel indexes, the
// builder, the setup dialog and the cursors never see it.
struct TrendOverlayTrace {
  QString titleText;  // "TC1 (reference)"
  QColor color;
  int traceLineWidth = 2;
  Qt::PenStyle penStyle = Qt::DashLine;
  bool secondAxis = false;         // drawn against the second (right) Y axis
  std::vector<TrendPoint> points;  // X ascending; NaN Y = a gap
  // Instead of `points`: `count` points that fill(first, n, out) writes,
  // points first .. first + n - 1 to out[0 .. n - 1]. The plot asks for
  // them in parts, so a long trace is never held twice.
  std::size_t count = 0;
  std::function<void(std::size_t first, std::size_t n, TrendPoint* out)> fill;
};

// What a reference batch lays over the plot.
struct TrendOverlay {
  QString titleLine;  // a line under the title: "Reference: NAME, shifted ..."
  std::vector<TrendOverlayTrace> traces;
  QString secondAxisTitle;  // the second Y axis's title, when a trace uses it
  // What the cursor readout shows of the reference; not owned, must stay
  // valid while the overlay is shown. May be null.
  const ReferenceReadings* readings = nullptr;
};

// A review note on the trend: a thin vertical line at X with a small label.
struct TrendMarker {
  double x = 0;   // a date-time serial
  QString label;  // the note's text (the plot shortens it to fit)
};

// The plot. Channel indexes run from 0 to channelCount() - 1 in the order
// the channels were added.
class TrendPlot {
 public:
  virtual ~TrendPlot() = default;

  // ---- Whole plot --------------------------------------------------------
  virtual QString titleText() const = 0;
  virtual void setTitleText(const QString& text) = 0;
  virtual QColor backGroundColor() const = 0;
  virtual void setBackGroundColor(const QColor& color) = 0;

  // ---- Axes --------------------------------------------------------------
  virtual TrendAxisSettings axis(TrendAxis which) const = 0;
  // Applies every field of `settings` to the axis; redraws when a drawn one
  // changed.
  virtual void setAxis(TrendAxis which, const TrendAxisSettings& settings) = 0;
  // Shorthand for the two fields the builder and the sliders change. Does not
  // redraw: the caller calls replot() once it has changed what it changes.
  virtual void setAxisRange(TrendAxis which, double min, double span) = 0;

  // ---- Channels ----------------------------------------------------------
  // Removes every channel and its points; the next channel added is index 0.
  virtual void clearChannels() = 0;
  // Adds an empty channel with the plot's colour for a new channel and
  // returns its index.
  virtual int addChannel(const TrendChannelStyle& style) = 0;
  virtual int channelCount() const = 0;
  virtual TrendChannelStyle channelStyle(int index) const = 0;
  virtual void setChannelStyle(int index, const TrendChannelStyle& style) = 0;
  // Appends `points` (X ascending within the call) to channel `index`; the
  // plot takes them over and the caller's vector is left empty, so a
  // channel's points are held once. The X axis follows the appended X values
  // while followData is on: its range then covers every channel's points.
  virtual void appendPoints(int index, std::vector<TrendPoint>&& points) = 0;
  // Makes room for `count` more points of channel `index`, so that a
  // channel handed over in parts is not moved as it grows. A hint: the
  // default does nothing.
  virtual void reservePoints(int index, std::size_t count) {
    (void)index;
    (void)count;
  }
  // Appends the points (keys[i], values[i]), i < values.size(), to channel
  // `index` as appendPoints() would, with `keys` holding at least
  // values.size() values. A plot that can takes `values` over as they are
  // and shares `keys` with every channel given the same column, instead of
  // copying them: the caller must not change `keys` any more. The default
  // makes room and hands them to appendPoints() in parts of 4096 points.
  virtual void appendColumns(int index, std::shared_ptr<const TrendColumn> keys,
                             TrendColumn&& values) {
    constexpr std::size_t kPart = 4096;
    const std::size_t n = values.size();
    reservePoints(index, n);
    for (std::size_t from = 0; from < n; from += kPart) {
      const std::size_t end = std::min(n, from + kPart);
      std::vector<TrendPoint> part;
      part.reserve(end - from);
      for (std::size_t i = from; i < end; ++i) part.push_back({(*keys)[i], values[i]});
      appendPoints(index, std::move(part));
    }
    TrendColumn().swap(values);
  }
  virtual std::size_t pointCount(int index) const = 0;
  // The point `i` of channel `index` (0 <= i < pointCount(index)).
  virtual TrendPoint point(int index, std::size_t i) const = 0;
  // Copies the points first .. first + n - 1 of channel `index` to `out`
  // (all of them inside the channel), as point() would one by one.
  virtual void copyPoints(int index, std::size_t first, std::size_t n, TrendPoint* out) const {
    for (std::size_t i = 0; i < n; ++i) out[i] = point(index, first + i);
  }
  // Count, minimum, maximum and mean of the channel's values with X in
  // [x1, x2] (x1 <= x2), gaps excluded; count 0 when there are none.
  virtual TrendChannelStats stats(int index, double x1, double x2) const = 0;

  // ---- Overlay (a reference batch) -----------------------------------------
  // Shows `overlay` over the channels, replacing the one shown; the points
  // are taken over. The axes keep their ranges. clearChannels() and
  // addChannel() take the overlay away (it belongs to the channels it was
  // laid over). A plot without overlays ignores it.
  virtual void setOverlay(TrendOverlay&& overlay) { (void)overlay; }
  virtual void clearOverlay() {}
  virtual bool hasOverlay() const { return false; }

  // ---- Markers (the review's notes) ----------------------------------------
  // Shows `markers` (any order) over the data area of the screen, every
  // saved picture and every printout, replacing those shown; they stay
  // through new plots until replaced. Markers too close to be told apart
  // are drawn as one, labelled with their count. A plot without markers
  // ignores them.
  virtual void setMarkers(std::vector<TrendMarker> markers) { (void)markers; }
  virtual std::size_t markerCount() const { return 0; }

  // ---- Data cursor 0 ("Cursor 1") -------------------------------------------
  virtual bool cursorVisible() const = 0;
  virtual void setCursorVisible(bool visible) = 0;

  // ---- Output ------------------------------------------------------------
  // Redraws the plot on the screen.
  virtual void replot() = 0;
  // Writes the plot as shown to `path` as "jpg" (quality 100), "png",
  // "pdf" or "svg"; width and height 0 take the plot's size on the screen.
  // The file is written whole or not at all (an existing file is replaced
  // only by a complete new one). Throws RuntimeError when it cannot be
  // written.
  virtual void savePicture(const QString& path, const QString& format, int width = 0,
                           int height = 0) = 0;
  // Prints the plot on `printer` inside the plot's print margins (1.0 inch
  // on each side). Throws RuntimeError when the printout cannot start.
  virtual void print(QPrinter& printer) = 0;
};

// The window around the plot, as the trend code sees it.
class TrendWindow {
 public:
  virtual ~TrendWindow() = default;

  // Shows or hides DcryLabel ("Plotting Please Wait:") and ProgBar together.
  virtual void setPlotProgressVisible(bool visible) = 0;
  // ProgBar's position, 0..100.
  virtual void setPlotProgress(int percent) = 0;
  // The zoom sliders' positions (-100..100).
  virtual int dateSliderPosition() const = 0;
  virtual void setDateSliderPosition(int position) = 0;
  virtual int ySliderPosition() const = 0;
  virtual void setYSliderPosition(int position) = 0;
  // Selects a tab of DataTab (4 = "Trend Data").
  virtual void selectTab(int index) = 0;
  // The history window's caption ("Data Viewer").
  virtual QString caption() const = 0;
};

// The window of a plot drawn without one (a picture made from the shell, a
// report page): no progress, sliders at rest, no tabs.
class WindowlessTrend : public TrendWindow {
 public:
  void setPlotProgressVisible(bool) override {}
  void setPlotProgress(int) override {}
  int dateSliderPosition() const override { return 0; }
  void setDateSliderPosition(int) override {}
  int ySliderPosition() const override { return 0; }
  void setYSliderPosition(int) override {}
  void selectTab(int) override {}
  QString caption() const override { return QStringLiteral("Data Viewer"); }
};

}  // namespace tarvex
