// The trend of the batch review report: the viewer's plot builder draws into
// this plot, which hands each channel's points to its statistics and passes
// on only what a picture of them can show (their pixel columns, at a
// resolution finer than any page), so the report's trend costs the same at
// a thousand rows as at a million.
#pragma once

#include <functional>
#include <vector>

#include "trend/pixel_aggregation.h"
#include "trend/trend_plot.h"

namespace tarvex {

class AggregatingTrendPlot : public TrendPlot {
 public:
  // Every point appended to channel k of this plot (in the builder's row
  // order, NaN for a gap) goes to points(k, ...) first. `inner` draws; it
  // must outlive this plot.
  using PointSink = std::function<void(int channel, const TrendPoint* points, std::size_t n)>;
  AggregatingTrendPlot(TrendPlot& inner, PixelColumns columns, PointSink points);

  QString titleText() const override { return inner_.titleText(); }
  void setTitleText(const QString& text) override { inner_.setTitleText(text); }
  QColor backGroundColor() const override { return inner_.backGroundColor(); }
  void setBackGroundColor(const QColor& color) override { inner_.setBackGroundColor(color); }
  TrendAxisSettings axis(TrendAxis which) const override { return inner_.axis(which); }
  void setAxis(TrendAxis which, const TrendAxisSettings& s) override { inner_.setAxis(which, s); }
  void setAxisRange(TrendAxis which, double min, double span) override {
    inner_.setAxisRange(which, min, span);
  }
  void clearChannels() override { inner_.clearChannels(); }
  int addChannel(const TrendChannelStyle& style) override { return inner_.addChannel(style); }
  int channelCount() const override { return inner_.channelCount(); }
  TrendChannelStyle channelStyle(int index) const override { return inner_.channelStyle(index); }
  void setChannelStyle(int index, const TrendChannelStyle& style) override {
    inner_.setChannelStyle(index, style);
  }
  // Hands the points to the sink, then their pixel columns to the inner
  // plot as a trace of at most 4 points a column (and the breaks of gaps).
  void appendPoints(int index, std::vector<TrendPoint>&& points) override;
  // Nothing is reserved: the inner plot holds only the columns.
  void reservePoints(int, std::size_t) override {}
  std::size_t pointCount(int index) const override { return inner_.pointCount(index); }
  TrendPoint point(int index, std::size_t i) const override { return inner_.point(index, i); }
  TrendChannelStats stats(int index, double x1, double x2) const override {
    return inner_.stats(index, x1, x2);
  }
  bool cursorVisible() const override { return inner_.cursorVisible(); }
  void setCursorVisible(bool visible) override { inner_.setCursorVisible(visible); }
  void setMarkers(std::vector<TrendMarker> markers) override {
    inner_.setMarkers(std::move(markers));
  }
  std::size_t markerCount() const override { return inner_.markerCount(); }
  void replot() override {}
  void savePicture(const QString& path, const QString& format, int width, int height) override {
    inner_.savePicture(path, format, width, height);
  }
  void print(QPrinter& printer) override { inner_.print(printer); }

  // The points the inner plot received in all, and those appended here.
  std::size_t passedPoints() const { return passed_; }
  std::size_t receivedPoints() const { return received_; }

 private:
  TrendPlot& inner_;
  PixelColumns columns_;
  PointSink sink_;
  std::vector<ColumnAggregate> scratch_;
  std::size_t passed_ = 0;
  std::size_t received_ = 0;
};

}  // namespace tarvex
