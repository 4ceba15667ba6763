// The historical trend plot drawn by QCustomPlot. QcpTrendPlot implements
// TrendPlot on a QCustomPlot widget (the history window's iPlotX, or one of
// its own for pictures made without a window) and adds what the mouse does
// on it: wheel zoom on the axis under the pointer, drag to pan, the data
// cursors (cursor 1 of the tool bar, a second one by Shift+click or the
// context menu) with their hints and measurement readout, and a context
// menu that saves pictures and works the cursors.
#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QSharedPointer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "trend/measurements.h"
#include "trend/trend_menu.h"
#include "trend/trend_plot.h"

class QCustomPlot;
class QCPGraph;
class QCPPainter;
class QCPItemStraightLine;
class QCPItemText;
class QCPItemTracer;
class QCPTextElement;
class QMenu;
class QMouseEvent;
class QRubberBand;
class QWheelEvent;

namespace tarvex {

class NoteMarkerLayer;
class TrendGraph;
class TrendTicker;
class TrendGraphData;
class UserInterface;

class QcpTrendPlot : public QObject, public TrendPlot {
  Q_OBJECT

 public:
  // Works on `plot` and gives it the trend's initial design; `plot` must
  // outlive every use of this object (destroying it first is fine). Without
  // a plot, makes and owns one (not shown).
  explicit QcpTrendPlot(QCustomPlot* plot = nullptr);
  ~QcpTrendPlot() override;
  QcpTrendPlot(const QcpTrendPlot&) = delete;
  QcpTrendPlot& operator=(const QcpTrendPlot&) = delete;

  QCustomPlot* widget() const { return plot_; }

  // The interface the context menu's save entries ask for a file name and
  // report failures through; without one they are not offered. Not owned.
  void setUserInterface(UserInterface* ui, const QString& caption);
  // While `building` answers true (a plot build runs), the context menu's
  // save entries are shown disabled: the picture would catch the plot half
  // built. The tool bar's Save To Jpeg is refused by the window's busy rule.
  void setBuildingCheck(std::function<bool()> building) { building_ = std::move(building); }

  // TrendPlot
  QString titleText() const override;
  void setTitleText(const QString& text) override;
  QColor backGroundColor() const override;
  void setBackGroundColor(const QColor& color) override;
  TrendAxisSettings axis(TrendAxis which) const override;
  void setAxis(TrendAxis which, const TrendAxisSettings& settings) override;
  void setAxisRange(TrendAxis which, double min, double span) override;
  void clearChannels() override;
  int addChannel(const TrendChannelStyle& style) override;
  int channelCount() const override;
  TrendChannelStyle channelStyle(int index) const override;
  void setChannelStyle(int index, const TrendChannelStyle& style) override;
  void appendPoints(int index, std::vector<TrendPoint>&& points) override;
  void appendColumns(int index, std::shared_ptr<const TrendColumn> keys,
                     TrendColumn&& values) override;
  void reservePoints(int index, std::size_t count) override;
  std::size_t pointCount(int index) const override;
  TrendPoint point(int index, std::size_t i) const override;
  void copyPoints(int index, std::size_t first, std::size_t n, TrendPoint* out) const override;
  TrendChannelStats stats(int index, double x1, double x2) const override;
  void setOverlay(TrendOverlay&& overlay) override;
  void clearOverlay() override;
  bool hasOverlay() const override { return !overlay_.empty() || overlayTitle_; }
  bool cursorVisible() const override { return cursors_[0].visible; }
  void setCursorVisible(bool visible) override;
  void replot() override;
  void savePicture(const QString& path, const QString& format, int width = 0,
                   int height = 0) override;
  void print(QPrinter& printer) override;
  void setMarkers(std::vector<TrendMarker> markers) override;
  std::size_t markerCount() const override;
  // The markers as last drawn: how many lines (clusters) and labels.
  int drawnMarkerLines() const;

  // The colour a new channel of index `index` gets.
  static QColor channelColor(int index);

  // ---- Cursors, beyond TrendPlot ---------------------------------------------
  // Cursor 0 is "Cursor 1", cursor 1 the second cursor.
  bool secondCursorVisible() const { return cursors_[1].visible; }
  // Shows the second cursor at `x` (also showing cursor 1), or hides it.
  void setSecondCursor(std::optional<double> x);
  // Moves cursor `cursor` (0 or 1) to the point of its channel nearest to
  // `x`; `channel` >= 0 binds it to that channel as well.
  void moveCursor(int cursor, double x, int channel = -1);
  double cursorX(int cursor) const { return cursors_[cursor].x; }
  int cursorChannel(int cursor) const { return cursors_[cursor].channel; }
  CursorStyle cursorStyle() const { return style_; }
  void setCursorStyle(CursorStyle style);
  // The hint of cursor 1 as shown.
  QString cursorHint() const;
  // The measurement readout: shown on the plot while `on` (always shown
  // while the second cursor is). Its text is what "Copy Measurements" copies.
  void setMeasurementsVisible(bool on);
  bool measurementsVisible() const;
  Measurement measurement() const;
  QString measurementText() const;
  // Copies measurementText() to the clipboard.
  void copyMeasurements() const;

  // ---- Navigation ------------------------------------------------------------
  // Zooms the axis under `pos` (widget pixels) by `steps` wheel notches
  // (positive zooms in) about the pointer. Inside the data area the X axis
  // zooms, or the Y axis with Ctrl held.
  void zoomAt(const QPointF& pos, double steps, bool yInDataArea = false);
  // Pans both axes by a drag of `delta` widget pixels.
  void panBy(const QPointF& delta);

  // The context menu for a right click at `pos` (widget pixels), built but
  // not shown; the caller owns it.
  QMenu* contextMenu(const QPointF& pos);
  // The X value (a date-time serial) under the pointer where the last
  // context menu was asked for.
  double menuX() const { return menuX_; }
  // Entries added to the context menu after the picture entries (the
  // reference's); empty: none.
  void setMenuSource(TrendMenuSource source) { menuSource_ = std::move(source); }

  // The overlay's traces as drawn (tests, pictures): title, pen, whether on
  // the second Y axis, and their points.
  int overlayTraceCount() const { return static_cast<int>(overlay_.size()); }
  QCPGraph* overlayGraph(int i) const;
  std::size_t overlayPointCount(int i) const;
  TrendPoint overlayPoint(int i, std::size_t k) const;
  // Whether trace `i` was last drawn from its envelope (see setOverlay).
  bool overlayCoarse(int i) const;
  QString overlayTitleLine() const;

  // ---- Drawing ---------------------------------------------------------------
  // On (the default): every channel draws from its pixel columns (see
  // TrendGraph), so a picture costs what its size costs. Off: QCustomPlot
  // draws every point, as a reference to compare pictures and times with.
  void setPixelAggregation(bool on);
  // A legend under the data area: each channel's title in its colour beside
  // a stroke of its pen (tarvex plot). The viewer's plot has none.
  void setLegendVisible(bool visible);
  bool legendVisible() const;

  // ---- The review's links ------------------------------------------------------
  // Offers "Show in Data" in the context menu (enabled while cursor 1 is
  // shown) and lets a drag across the data area with Alt held mark a span
  // of time (windowDragged). Off by default.
  void setReviewLinked(bool on) { reviewLinked_ = on; }
  // A drag with Alt held ending at `pos` (widget pixels) after starting at
  // `from`: windowDragged with the X values under both.
  void dragWindow(const QPointF& from, const QPointF& pos);

  // Draws the plot, laid out as a widget of width x height pixels, into
  // `rect` of `painter` (scaled to fit, as vectors): a page of a larger
  // document such as the batch review report. The painter's own state and
  // modes are as they were afterwards.
  void paintTo(QCPPainter& painter, const QRectF& rect, int width, int height);

  // How long the last replot took, in milliseconds.
  double lastReplotMs() const;
  // The memory the channels' points take, in bytes (what is reserved).
  std::size_t pointMemory() const;

 signals:
  // Alt+drag across the data area ended: the X values (date-time serials)
  // where it started and ended, in the order dragged.
  void windowDragged(double x1, double x2);
  // "Show in Data" of the context menu.
  void showInDataRequested();

 private:
  struct Cursor {
    bool visible = false;
    bool placed = false;
    double x = 0;
    int channel = 0;
    QCPItemStraightLine* line = nullptr;
    QCPItemTracer* tracer = nullptr;
  };

  void applyInitialDesign();
  // Lays the legend's entries out in as many columns as fit `width` pixels.
  void arrangeLegend(int width);
  QCPGraph* graph(int index) const;
  TrendGraphData& data(int index) const;
  // The points of every channel, in channel order.
  std::vector<const TrendGraphData*> channelPoints() const;
  void compactChannels();
  void followData(double keyMin, double keyMax, double valueMin, double valueMax);
  void updateCursorItems();
  void replotCursors();
  int cursorUnder(const QPointF& pos) const;
  void savePictureAs(const QString& format);
  void onPress(QMouseEvent* event);
  void onMove(QMouseEvent* event);
  void onRelease(QMouseEvent* event);
  void onWheel(QWheelEvent* event);
  // Alt+drag (qcp_trend_plot_review.cpp): the band over the data area.
  void startReviewDrag(const QPointF& pos);
  void moveReviewDrag(const QPointF& pos);
  void endReviewDrag(const QPointF& pos);

  std::unique_ptr<QCustomPlot> owned_;
  QCustomPlot* plot_;
  QCPTextElement* title_ = nullptr;
  QSharedPointer<TrendTicker> xTicker_;
  QSharedPointer<TrendTicker> yTicker_;
  struct AxisExtras {
    int labelsFormatStyle = 0;
    int scrollMode = 0;
    bool followData = false;
    QColor scaleColor;
  };
  std::array<AxisExtras, 2> axisExtras_;
  QColor background_;
  // The range of every point appended since the channels were cleared.
  double keyMin_ = 0, keyMax_ = 0, valueMin_ = 0, valueMax_ = 0;
  bool haveKeys_ = false, haveValues_ = false;

  std::array<Cursor, 2> cursors_;
  CursorStyle style_ = CursorStyle::ValueXY;
  QCPItemText* hint_ = nullptr;
  QCPItemText* readout_ = nullptr;
  bool readoutWanted_ = false;

  // Mouse state.
  enum class Drag { None, Pan, Cursor, Review };
  Drag drag_ = Drag::None;
  int dragCursor_ = 0;
  QPointF pressPos_, lastPos_;
  bool moved_ = false;

  // The overlay's traces: their graphs follow the channels' graphs in the
  // plot and draw through the pixel columns as the channels do, a long
  // reference trace from its envelope in a dense view. A difference trace
  // shares its channel's X values.
  std::vector<TrendGraph*> overlay_;
  // The value axis's range before the overlay widened it, and the widened
  // one: taking the overlay away gives the first back unless the range was
  // changed since.
  // {lower, upper} before, then {lower, upper} after.
  std::optional<std::array<double, 4>> overlayWidened_;
  QCPTextElement* overlayTitle_ = nullptr;
  const ReferenceReadings* readings_ = nullptr;
  TrendMenuSource menuSource_;
  bool pixelAggregation_ = true;

  UserInterface* ui_ = nullptr;
  QString caption_;
  std::function<bool()> building_;
  bool reviewLinked_ = false;
  QRubberBand* band_ = nullptr;
  double printMarginInches_ = 1.0;
  NoteMarkerLayer* markers_ = nullptr;  // owned by the plot
  double menuX_ = 0;
};

}  // namespace tarvex
