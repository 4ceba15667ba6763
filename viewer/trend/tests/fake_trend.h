// Plain fakes of the trend plot and the window around it for the trend
// tests: they keep what they are given and record what they are asked.
#pragma once

#include <QPrinter>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "../../history/tests/scripted_ui.h"
#include "trend/trend_plot.h"

namespace tarvex::test {

class FakePlot : public TrendPlot {
 public:
  FakePlot() {
    x.title = "Time";
    x.span = 0.0069;
    x.minorCount = 3;
    x.dateTimeFormat = "m/d/yy h:nn:ss am/pm";
    x.labelsFormatStyle = 3;
    y.title = "Y-Axis 1";
    y.span = 100;
    addChannel({"Channel 1", 2, QColor(Qt::red)});
  }

  struct Channel {
    TrendChannelStyle style;
    std::vector<TrendPoint> points;
  };

  QString titleText() const override { return title; }
  void setTitleText(const QString& text) override { title = text; }
  QColor backGroundColor() const override { return background; }
  void setBackGroundColor(const QColor& color) override { background = color; }
  TrendAxisSettings axis(TrendAxis which) const override {
    if (failAxisRead) throw RuntimeError(err::InvalidCall);
    return which == TrendAxis::X ? x : y;
  }
  void setAxis(TrendAxis which, const TrendAxisSettings& s) override {
    (which == TrendAxis::X ? x : y) = s;
    log << (which == TrendAxis::X ? "setAxis:X" : "setAxis:Y");
  }
  void setAxisRange(TrendAxis which, double min, double span) override {
    TrendAxisSettings& a = which == TrendAxis::X ? x : y;
    a.min = min;
    a.span = span;
  }
  void clearChannels() override { channels.clear(); }
  int addChannel(const TrendChannelStyle& style) override {
    if (failAddChannelAt == static_cast<int>(channels.size())) throw RuntimeError(err::InvalidCall);
    Channel c;
    c.style = style;
    c.style.color = QColor::fromHsv(static_cast<int>(channels.size()) * 40 % 360, 255, 200);
    channels.push_back(c);
    return static_cast<int>(channels.size()) - 1;
  }
  int channelCount() const override { return static_cast<int>(channels.size()); }
  TrendChannelStyle channelStyle(int i) const override { return channels.at(i).style; }
  void setChannelStyle(int i, const TrendChannelStyle& s) override { channels.at(i).style = s; }
  void reservePoints(int i, std::size_t count) override {
    log << QStringLiteral("reserve:%1:%2").arg(i).arg(count);
  }
  void appendPoints(int i, std::vector<TrendPoint>&& points) override {
    appendSizes.push_back(points.size());
    auto& dst = channels.at(i).points;
    dst.insert(dst.end(), points.begin(), points.end());
    points.clear();
    points.shrink_to_fit();
    if (x.followData) {
      double lo = INFINITY, hi = -INFINITY;
      for (const Channel& c : channels)
        for (const TrendPoint& p : c.points) lo = std::min(lo, p.x), hi = std::max(hi, p.x);
      if (lo <= hi) x.min = lo, x.span = hi - lo;
    }
  }
  std::size_t pointCount(int i) const override { return channels.at(i).points.size(); }
  TrendPoint point(int i, std::size_t n) const override { return channels.at(i).points.at(n); }
  TrendChannelStats stats(int, double, double) const override { return {}; }
  bool cursorVisible() const override { return cursor; }
  void setCursorVisible(bool visible) override { cursor = visible; }
  void replot() override { ++replots; }
  void savePicture(const QString& path, const QString& format, int w, int h) override {
    log << QStringLiteral("save:%1:%2:%3x%4").arg(path, format).arg(w).arg(h);
    if (failSave) throw RuntimeError(err::PathFileAccess);
  }
  void print(QPrinter& printer) override {
    log << "print:" + printer.outputFileName();
    if (failPrint) throw RuntimeError(err::InvalidCall);
  }

  QString title = "No Data File Loaded";
  QColor background{212, 212, 212};
  TrendAxisSettings x, y;
  std::vector<Channel> channels;
  bool cursor = false;
  int replots = 0;
  int failAddChannelAt = -1;
  bool failSave = false;
  bool failAxisRead = false;
  std::vector<std::size_t> appendSizes;
  bool failPrint = false;
  QStringList log;
};

class FakeTrendWindow : public TrendWindow {
 public:
  void setPlotProgressVisible(bool visible) override {
    progressVisible = visible;
    log << (visible ? "progress:shown" : "progress:hidden");
  }
  void setPlotProgress(int percent) override { percents.push_back(percent); }
  int dateSliderPosition() const override { return dateSlider; }
  void setDateSliderPosition(int p) override {
    dateSlider = p;
    if (onDateSlider) onDateSlider(p);
  }
  int ySliderPosition() const override { return ySlider; }
  void setYSliderPosition(int p) override { ySlider = p; }
  void selectTab(int index) override {
    tab = index;
    log << QStringLiteral("tab:%1").arg(index);
  }
  QString caption() const override { return "Data Viewer"; }

  bool progressVisible = false;
  std::vector<int> percents;
  int dateSlider = 7;
  int ySlider = 7;
  int tab = 0;
  QStringList log;
  // The slider's own position-change event, as the window forwards it.
  std::function<void(int)> onDateSlider;
};

// The scripted interface with answers for the colour dialog too.
class TrendUi : public ScriptedUi {
 public:
  std::deque<std::optional<QColor>> colorAnswers;  // nullopt or none left = Cancel
  std::vector<QColor> colorStarts;
  QColor showColor(const QColor& initial) override {
    colorStarts.push_back(initial);
    log << QStringLiteral("color");
    if (colorAnswers.empty() || !colorAnswers.front()) {
      if (!colorAnswers.empty()) colorAnswers.pop_front();
      throw RuntimeError(err::Cancel);
    }
    const QColor c = *colorAnswers.front();
    colorAnswers.pop_front();
    return c;
  }
};

}  // namespace tarvex::test
