// A TrendPlot kept in plain vectors, for tests of code that reads a plot.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "trend/trend_plot.h"

namespace tarvex::test {

class FakePlot : public TrendPlot {
 public:
  struct Channel {
    TrendChannelStyle style;
    std::vector<TrendPoint> points;
  };
  std::vector<Channel> channels;
  TrendAxisSettings x, y;
  bool cursor = false;

  QString titleText() const override { return {}; }
  void setTitleText(const QString&) override {}
  QColor backGroundColor() const override { return {}; }
  void setBackGroundColor(const QColor&) override {}
  TrendAxisSettings axis(TrendAxis a) const override { return a == TrendAxis::X ? x : y; }
  void setAxis(TrendAxis a, const TrendAxisSettings& s) override {
    (a == TrendAxis::X ? x : y) = s;
  }
  void setAxisRange(TrendAxis a, double min, double span) override {
    (a == TrendAxis::X ? x : y).min = min;
    (a == TrendAxis::X ? x : y).span = span;
  }
  void clearChannels() override { channels.clear(); }
  int addChannel(const TrendChannelStyle& s) override {
    channels.push_back({s, {}});
    return static_cast<int>(channels.size()) - 1;
  }
  int channelCount() const override { return static_cast<int>(channels.size()); }
  TrendChannelStyle channelStyle(int i) const override { return channels.at(i).style; }
  void setChannelStyle(int i, const TrendChannelStyle& s) override { channels.at(i).style = s; }
  void appendPoints(int i, std::vector<TrendPoint>&& p) override {
    auto& v = channels.at(i).points;
    v.insert(v.end(), p.begin(), p.end());
    p.clear();
  }
  std::size_t pointCount(int i) const override { return channels.at(i).points.size(); }
  TrendPoint point(int i, std::size_t k) const override { return channels.at(i).points.at(k); }
  TrendChannelStats stats(int i, double x1, double x2) const override {
    TrendChannelStats s;
    double sum = 0;
    for (const TrendPoint& p : channels.at(i).points) {
      if (p.x < x1 || p.x > x2 || std::isnan(p.y)) continue;
      s.min = s.count ? std::min(s.min, p.y) : p.y;
      s.max = s.count ? std::max(s.max, p.y) : p.y;
      sum += p.y;
      ++s.count;
    }
    if (s.count) s.mean = sum / static_cast<double>(s.count);
    return s;
  }
  bool cursorVisible() const override { return cursor; }
  void setCursorVisible(bool v) override { cursor = v; }
  void replot() override {}
  void savePicture(const QString&, const QString&, int, int) override {}
  void print(QPrinter&) override {}

  // Adds a channel titled `title` with points (x0 + i * step, values[i]).
  int add(const QString& title, double x0, double step, const std::vector<double>& values) {
    const int c = addChannel({title, 2, QColor()});
    std::vector<TrendPoint> pts;
    for (std::size_t i = 0; i < values.size(); ++i)
      pts.push_back({x0 + static_cast<double>(i) * step, values[i]});
    appendPoints(c, std::move(pts));
    return c;
  }
};

}  // namespace tarvex::test
