// Benchmark of the trend plot's view: channels of one signal shape (see
// bench/trend/signal_shapes.h) appended the way the builder hands them over,
// then the time of a replot at full range, zoomed, after a wheel step and
// while panning, with the plot's 2-px pens on a shown 1600 x 900 widget, the
// time of the JPEG and PNG pictures, of a PDF and of a printout to PDF, and
// the plot's memory per point after the build and at its peak.
//   trend_view_bench [ROWS] [CHANNELS] [SHAPE] [CHUNK]
//     SHAPE: walk (default), sine, noisy, onoff, random01, sawtooth
//     CHUNK: points a hand-over, default 4096
//   PICTURE_DIR=DIR  also writes DIR/view-SHAPE-ROWS.png (1600 x 900) and the
//                    widget as shown, DIR/view-SHAPE-ROWS-screen.png
//   EVERY_POINT=1    draws every point (QCustomPlot's own drawing) instead of
//                    the pixel columns: the reference the figures compare with
// Prints one line of figures per measurement: wall time, and the CPU time of
// the thread (on a shared machine it shows the work without the waits).
#include <qcustomplot.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <limits>
#include <vector>

#include "../trend/signal_shapes.h"
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
  std::printf("%-30s mean %7.1f ms  max %7.1f ms  cpu %7.1f ms\n", what, mean, max, cpu);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  const int channels = argc > 2 ? std::atoi(argv[2]) : 8;
  const auto shape = bench::shapeFromName(argc > 3 ? argv[3] : "walk");
  const long chunk = argc > 4 ? std::atol(argv[4]) : 4096;  // as the builder hands them over
  if (!shape || rows < 2 || channels < 1 || chunk < 1) {
    std::fprintf(stderr, "usage: trend_view_bench [ROWS] [CHANNELS] [SHAPE] [CHUNK]\n");
    return 2;
  }
  const bool everyPoint = qEnvironmentVariableIntValue("EVERY_POINT") != 0;

  QCustomPlot widget;
  widget.resize(1600, 900);
  widget.show();
  QcpTrendPlot plot(&widget);
  plot.setPixelAggregation(!everyPoint);
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
  double ymin = 0, ymax = 0;
  std::size_t peakPlotBytes = 0;
  qint64 appendNs = 0;
  double appendCpu = 0;
  for (int c = 0; c < channels; ++c) {
    bench::Signal signal(*shape, c);
    const int k = plot.addChannel({QStringLiteral("CH%1").arg(c + 1), 2, QColor()});
    plot.reservePoints(k, static_cast<std::size_t>(rows));
    for (long r0 = 0; r0 < rows; r0 += chunk) {
      const long n = std::min(chunk, rows - r0);
      std::vector<TrendPoint> pts(static_cast<std::size_t>(n));
      for (long i = 0; i < n; ++i) {
        const double v = signal.next();
        pts[i] = {x0 + (r0 + i) / 86400.0, v};
        if (!std::isnan(v)) {
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
  plot.replot();
  const double firstReplotCpu = threadCpuMs() - c0;
  const double firstReplotMs = a.nsecsElapsed() / 1e6;
  const double buildMs = build.nsecsElapsed() / 1e6;
  const double points = static_cast<double>(rows) * channels;
  const long afterKb = statusKb("VmRSS:");
  const long peakKb = statusKb("VmHWM:");
  std::printf("%ld rows x %d channels, %s (chunks of %ld)%s\n", rows, channels,
              bench::shapeName(*shape), chunk, everyPoint ? ", every point drawn" : "");
  std::printf("%-30s %7.0f ms (values made here included)\n", "append + first replot", buildMs);
  std::printf("%-30s %7.0f ms  cpu %7.0f ms\n", "  of which appendPoints", appendNs / 1e6,
              appendCpu);
  std::printf("%-30s %7.0f ms  cpu %7.0f ms\n", "  and the first replot", firstReplotMs,
              firstReplotCpu);
  std::printf(
      "plot memory: %.2f bytes/point after the build, %.2f at peak (reserved); "
      "process RSS growth %.2f bytes/point, peak %.2f\n",
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
  plot.replot();

  // Pictures of the full range. The slow reference is timed once.
  const int pictureRuns = everyPoint ? 1 : 3;
  QTemporaryDir dir;
  const QString jpg = dir.filePath(QStringLiteral("trend.jpg"));
  const QString png = dir.filePath(QStringLiteral("trend.png"));
  const QString pdf = dir.filePath(QStringLiteral("trend.pdf"));
  measure("Save To Jpeg (quality 100)", pictureRuns,
          [&](int) { plot.savePicture(jpg, QStringLiteral("jpg")); });
  measure("PNG", pictureRuns, [&](int) { plot.savePicture(png, QStringLiteral("png")); });
  measure("PDF", pictureRuns, [&](int) { plot.savePicture(pdf, QStringLiteral("pdf")); });
  std::printf("%-30s %7.0f KB\n", "  PDF size", QFileInfo(pdf).size() / 1024.0);
  if (!everyPoint) {
    // Today's vector pictures drew every point (QCustomPlot's own path):
    // the figure a PDF and a printout are held to.
    plot.setPixelAggregation(false);
    measure("PDF, every point drawn", 1,
            [&](int) { plot.savePicture(pdf, QStringLiteral("pdf")); });
    std::printf("%-30s %7.0f KB\n", "  PDF size", QFileInfo(pdf).size() / 1024.0);
    plot.setPixelAggregation(true);
  }
  const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
  measure("print (to a PDF printer)", pictureRuns, [&](int) {
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(printed);
    plot.print(printer);
  });
  std::printf("%-30s %7.0f KB\n", "  printout size", QFileInfo(printed).size() / 1024.0);

  const QString pictures = qEnvironmentVariable("PICTURE_DIR");
  if (!pictures.isEmpty()) {
    const QString name = QStringLiteral("%1/view-%2-%3%4.png")
                             .arg(pictures, QString::fromLatin1(bench::shapeName(*shape)))
                             .arg(rows)
                             .arg(everyPoint ? QStringLiteral("-every-point") : QString());
    plot.savePicture(name, QStringLiteral("png"));
    std::printf("picture: %s\n", qPrintable(name));
    // And the screen's own drawing (fast polylines), as the widget shows it.
    QString screen = name;
    screen.replace(QStringLiteral(".png"), QStringLiteral("-screen.png"));
    widget.grab().save(screen);
  }
  return 0;
}
