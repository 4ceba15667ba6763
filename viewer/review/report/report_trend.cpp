#include "review/report/report_trend.h"

#include <cmath>
#include <limits>
#include <memory>

#include "logfiles/logtable.h"
#include "logfiles/row_time.h"
#include "review/report/report_pages.h"
#include "shell/filenames.h"
#include "shell/headless_ui.h"
#include "shell/runtime_error.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/trend_commands.h"

namespace tarvex {

AggregatingTrendPlot::AggregatingTrendPlot(TrendPlot& inner, PixelColumns columns, PointSink points)
    : inner_(inner), columns_(columns), sink_(std::move(points)) {}

void AggregatingTrendPlot::appendPoints(int index, std::vector<TrendPoint>&& points) {
  if (points.empty()) return;
  received_ += points.size();
  if (sink_) sink_(index, points.data(), points.size());
  scratch_.clear();
  aggregateColumns(
      points.data(), points.size(), columns_, [](const TrendPoint& p) { return p.x; },
      [](const TrendPoint& p) { return p.y; }, scratch_);
  std::vector<TrendPoint> trace;
  trace.reserve(scratch_.size() * 4 + 2);
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  // The builder hands a channel over in parts: a gap at either end of a
  // part still breaks the line between the parts.
  if (std::isnan(points.front().y)) trace.push_back({points.front().x, nan});
  std::vector<TrendPoint> part = aggregatedTrace(scratch_);
  trace.insert(trace.end(), part.begin(), part.end());
  if (std::isnan(points.back().y) && !scratch_.empty()) trace.push_back({points.back().x, nan});
  passed_ += trace.size();
  inner_.appendPoints(index, std::move(trace));
}

namespace {

constexpr int kChannelsPerPage = 8;
// The pixel columns the report's trend is kept in: finer than the plot's
// data area on any page, so the page shows what every point would show.
constexpr int kTrendColumns = 4096;

// The builder's window: no sliders, no tabs; its progress goes to the report's.
class ReportTrendWindow : public WindowlessTrend {
 public:
  explicit ReportTrendWindow(std::function<void(int)> onProgress)
      : onProgress_(std::move(onProgress)) {}
  void setPlotProgress(int percent) override { onProgress_(percent); }

 private:
  std::function<void(int)> onProgress_;
};

}  // namespace

void buildTrends(ReportData& data, const std::function<bool(int, int)>& progress) {
  const LogTable& vaGrid = *data.vaGrid;
  const int n = int(data.channels.size());
  std::vector<ChannelStatsAccumulator> acc;
  for (int i = 0; i < n; ++i) acc.emplace_back(data.limits[std::size_t(i)]);
  const int pages = (n + kChannelsPerPage - 1) / kChannelsPerPage;

  std::optional<double> firstX, lastX;
  if (data.firstRow > 0) {
    firstX = rowDateTime(vaGrid, data.firstRow);
    lastX = rowDateTime(vaGrid, data.lastRow);
  }
  PixelColumns columns;
  columns.xMin = data.window.from ? *data.window.from : firstX.value_or(0);
  columns.xMax = data.window.to ? *data.window.to : lastX.value_or(columns.xMin);
  if (!(columns.xMax > columns.xMin)) columns.xMax = columns.xMin + 1.0 / 86400.0;
  columns.width = kTrendColumns;

  const QString title = QStringLiteral("Data File: ") + baseName(data.request->dataFile);
  for (int p = 0; p < pages; ++p) {
    TrendPage page;
    page.plot = std::make_unique<QcpTrendPlot>();
    const int base = p * kChannelsPerPage;
    for (int i = base; i < std::min(n, base + kChannelsPerPage); ++i) page.channels.push_back(i);
    if (data.firstRow <= 0) {
      page.plot->setTitleText(title);
      for (int i : page.channels) {
        TrendChannelStyle style;
        style.titleText = vaGrid.getCell(data.channels[std::size_t(i)], 0);
        style.traceLineWidth = 2;
        page.plot->addChannel(style);
      }
      page.note = QStringLiteral("No data rows in the window.");
    } else {
      AggregatingTrendPlot plot(*page.plot, columns,
                                [&](int k, const TrendPoint* points, std::size_t count) {
                                  ChannelStatsAccumulator& a = acc[std::size_t(base + k)];
                                  for (std::size_t j = 0; j < count; ++j)
                                    a.add(points[j].x, points[j].y);
                                });
      HeadlessUi ui;
      bool plotting = false;
      bool cancelled = false;
      ReportTrendWindow window([&](int percent) {
        if (progress && !progress(p * 100 + percent, pages * 100)) {
          cancelled = true;
          plotting = false;  // the builder stops before its next channel
        }
      });
      TrendCommands commands(ui, window, plot, vaGrid, plotting);
      commands.setPlotTitle(title);
      TableSelection selection;
      for (int i : page.channels) {
        const int c = data.channels[std::size_t(i)];
        selection.blocks.push_back({c, data.firstRow, c, data.lastRow});
      }
      commands.plotHistData(selection);
      if (cancelled) throw RuntimeError(err::Cancel);
      for (const HeadlessUi::Message& m : ui.messages)
        if (m.style == mb::Critical)
          page.note = QStringLiteral(
              "The trend ends early: a row's date or time in the window does not read.");
    }
    page.plot->setLegendVisible(true);
    data.trends.push_back(std::move(page));
    if (progress && !progress((p + 1) * 100, pages * 100)) throw RuntimeError(err::Cancel);
  }
  const double windowEnd = data.window.to ? *data.window.to : lastX.value_or(0);
  for (int i = 0; i < n; ++i) data.stats.push_back(acc[std::size_t(i)].result(windowEnd));
}

}  // namespace tarvex
