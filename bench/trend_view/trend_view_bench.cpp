// Benchmark of the trend plot's view: channels of random-walk values with
// 0.5 % gaps appended the way the builder hands them over, then the time of
// a replot at full range, zoomed, after a wheel step and while panning, with
// the plot's 2-px pens on a shown 1600 x 900 widget, the time of a JPEG
// picture, and the plot's memory per point after the build and at its peak.
//   trend_view_bench [ROWS] [CHANNELS] [CHUNK]   (CHUNK: points a hand-over, default 4096)
// Prints one line of figures per measurement: wall time, and the CPU time of
// the thread (on a shared machine it shows the work without the waits).
#include <qcustomplot.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <limits>
#include <vector>

#include "trend/gui/qcp_trend_plot.h"

using namespace tarvex;

namespace {

long statusKb(const char* key) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(key))
      return line.mid(static_cast<int>(qstrlen(key))).trimmed().split(' ')[0].toLong();
  return 0;
}

double threadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Runs setup(i) untimed, then f(i) timed, `runs` times; prints the figures.
void measure(const char* what, int runs, const std::function<void(int)>& f,
             const std::function<void(int)>& setup = {}) {
  double mean = 0, max = 0, cpu = 0;
  for (int i = 0; i < runs; ++i) {
    if (setup) setup(i);
    QElapsedTimer e;
    e.start();
    const double c0 = threadCpuMs();
    f(i);
    const double ms = e.nsecsElapsed() / 1e6;
    cpu += (threadCpuMs() - c0) / runs;
    mean += ms / runs;
    max = std::max(max, ms);
  }
  std::printf("%-30s mean %6.1f ms  max %6.1f ms  cpu %6.1f ms\n", what, mean, max, cpu);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  const int channels = argc > 2 ? std::atoi(argv[2]) : 8;
  const long chunk = argc > 3 ? std::atol(argv[3]) : 4096;  // as the builder hands them over

  QCustomPlot widget;
  widget.resize(1600, 900);
  widget.show();
  QcpTrendPlot plot(&widget);
  QApplication::processEvents();
  const long baseKb = statusKb("VmRSS:");

  // The build: channel by channel, one row a second, room reserved and the
  // points handed over in parts, as the builder does.
  QElapsedTimer build;
  build.start();
  plot.clearChannels();
  TrendAxisSettings x = plot.axis(TrendAxis::X);
  x.followData = true;
  plot.setAxis(TrendAxis::X, x);
  const double x0 = 39155.25;  // 3/14/2007 6:00
  unsigned state = 2007;
  double ymin = 0, ymax = 0;
  std::size_t peakPlotBytes = 0;
  qint64 appendNs = 0;
  double appendCpu = 0;
  for (int c = 0; c < channels; ++c) {
    const int k = plot.addChannel({QStringLiteral("CH%1").arg(c + 1), 2, QColor()});
    plot.reservePoints(k, static_cast<std::size_t>(rows));
    double v = 20.0 * (c + 1);
    for (long r0 = 0; r0 < rows; r0 += chunk) {
      const long n = std::min(chunk, rows - r0);
      std::vector<TrendPoint> pts(static_cast<std::size_t>(n));
      for (long i = 0; i < n; ++i) {
        state = state * 1103515245u + 12345u;
        v += (int((state >> 16) % 201) - 100) / 1000.0;
        const bool gap = (state >> 8) % 200 == 0;
        pts[i] = {x0 + (r0 + i) / 86400.0, gap ? std::numeric_limits<double>::quiet_NaN() : v};
        if (!gap) {
          ymin = std::min(ymin, v);
          ymax = std::max(ymax, v);
        }
      }
      QElapsedTimer a;
      a.start();
      const double c0 = threadCpuMs();
      plot.appendPoints(k, std::move(pts));
      appendCpu += threadCpuMs() - c0;
      appendNs += a.nsecsElapsed();
      peakPlotBytes = std::max(peakPlotBytes, plot.pointMemory());
    }
  }
  QElapsedTimer a;
  a.start();
  const double c0 = threadCpuMs();
  plot.setAxisRange(TrendAxis::Y, ymin, ymax - ymin);
  const double firstReplotCpu = threadCpuMs() - c0;
  const double firstReplotMs = a.nsecsElapsed() / 1e6;
  const double buildMs = build.nsecsElapsed() / 1e6;
  const double points = static_cast<double>(rows) * channels;
  const long afterKb = statusKb("VmRSS:");
  const long peakKb = statusKb("VmHWM:");
  std::printf("%ld rows x %d channels (chunks of %ld)\n", rows, channels, chunk);
  std::printf("%-30s %6.0f ms (values made here included)\n", "append + first replot", buildMs);
  std::printf("%-30s %6.0f ms  cpu %6.0f ms\n", "  of which appendPoints", appendNs / 1e6,
              appendCpu);
  std::printf("%-30s %6.0f ms  cpu %6.0f ms\n", "  and the first replot", firstReplotMs,
              firstReplotCpu);
  std::printf(
      "plot memory: %.1f bytes/point after the build, %.1f at peak (reserved); "
      "process RSS growth %.1f bytes/point, peak %.1f\n",
      plot.pointMemory() / points, peakPlotBytes / points, (afterKb - baseKb) * 1024.0 / points,
      (peakKb - baseKb) * 1024.0 / points);

  const double fullMin = plot.axis(TrendAxis::X).min;
  const double fullSpan = plot.axis(TrendAxis::X).span;
  const double zoomMin = fullMin + fullSpan * 0.45, zoomSpan = fullSpan * 0.1;
  const QPointF centre = widget.axisRect()->center();
  const auto full = [&](int) { plot.setAxisRange(TrendAxis::X, fullMin, fullSpan); };
  const auto zoomed = [&](int) { plot.setAxisRange(TrendAxis::X, zoomMin, zoomSpan); };
  plot.replot();
  measure("replot full range", 10, [&](int) { plot.replot(); });
  zoomed(0);
  measure("replot zoomed (10 %)", 10, [&](int) { plot.replot(); });
  measure(
      "wheel step at full range", 6,
      [&](int) {
        plot.zoomAt(centre, 1);
        plot.replot();
      },
      full);
  zoomed(0);
  measure("wheel step zoomed", 10, [&](int i) {
    plot.zoomAt(centre, i % 2 ? 1 : -1);
    plot.replot();
  });
  zoomed(0);
  measure("pan zoomed", 30, [&](int i) {
    plot.panBy(QPointF(i % 10 < 5 ? -25 : 25, 0));
    plot.replot();
  });
  full(0);
  measure("pan full range", 10, [&](int i) {
    plot.panBy(QPointF(i % 2 ? -25 : 25, 0));
    plot.replot();
  });
  full(0);
  QTemporaryDir dir;
  measure("Save To Jpeg (quality 100)", 3, [&](int) {
    plot.savePicture(dir.filePath(QStringLiteral("trend.jpg")), QStringLiteral("jpg"));
  });
  measure("PNG", 2, [&](int) {
    plot.savePicture(dir.filePath(QStringLiteral("trend.png")), QStringLiteral("png"));
  });
  return 0;
}
