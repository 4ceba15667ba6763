// Benchmark program for the historical trend.
//   trend_bench generate FILE ROWS [SHAPE]
//                                    writes a data history of ROWS rows one
//                                    second apart: date, time, 8 channels of
//                                    one signal shape (signal_shapes.h:
//                                    walk, sine, noisy, onoff, random01,
//                                    sawtooth), 0.5 % of the cells NaN
//   trend_bench run FILE [CANCEL]    loads it as the viewer does, then
//                                    measures on a 1600x900 plot: the build
//                                    of all 8 channels (cell text to numbers
//                                    included), the plot's memory per point
//                                    after the build and at its peak, replots
//                                    after slider moves (zoomed and full),
//                                    a wheel step and a pan, and Save To
//                                    Jpeg. With CANCEL, also a build
//                                    cancelled at its first event pump.
// Prints one "name value unit" line per figure.
#include <malloc.h>
#include <qcustomplot.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "../trend/signal_shapes.h"
#include "logfiles/column_reader.h"
#include "logfiles/logtable.h"
#include "logfiles/readers.h"
#include "shell/runtime_error.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/trend_commands.h"

namespace {

int generate(const char* path, long rows, bench::Shape shape) {
  QFile out(QString::fromLocal8Bit(path));
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 2;
  QByteArray buf;
  buf.reserve(1 << 20);
  buf += "Date,Time,TC1 (C),TC2 (C),PT1 (bar),PT2 (bar),FT1 (l/min),FT2 (l/min),LT1 (%),AI1\r\n";
  std::vector<bench::Signal> channels;
  for (int c = 0; c < 8; ++c) channels.emplace_back(shape, c);
  long day = 0, second = 6 * 3600;
  char line[256];
  for (long r = 0; r < rows; ++r) {
    int n = std::snprintf(line, sizeof line, "%ld/%ld/2007,%02ld:%02ld:%02ld", 1 + (day / 28) % 12,
                          1 + day % 28, second / 3600, second / 60 % 60, second % 60);
    for (bench::Signal& s : channels) {
      const double v = s.next();
      // A gap is the word NaN: the viewer and both peers leave it out of the
      // line (gnuplot would draw straight across an empty cell).
      if (std::isnan(v))
        n += std::snprintf(line + n, sizeof line - n, ",NaN");
      else
        n += std::snprintf(line + n, sizeof line - n, ",%.3f", v);
    }
    line[n++] = '\r';
    line[n++] = '\n';
    buf.append(line, n);
    if (buf.size() > (1 << 20) - 256) {
      out.write(buf);
      buf.clear();
    }
    if (++second >= 86400) second = 0, ++day;
  }
  out.write(buf);
  return out.error() == QFile::NoError ? 0 : 2;
}

// Resident and peak resident memory of this process, in bytes.
long long statusBytes(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string k;
  long long v = 0;
  std::string unit;
  while (in >> k) {
    if (k == key) {
      in >> v >> unit;
      return v * 1024;
    }
    std::getline(in, unit);
  }
  return 0;
}
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// CPU time of this process in seconds, its worker threads included: on a
// shared machine the wall time also holds the time other programs had the
// processor.
double cpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + ts.tv_nsec / 1e9;
}

class BenchUi : public tarvex::UserInterface {
 public:
  int msgBoxPos(const QString& prompt, int, const QString&, int) override {
    messages << prompt;
    return tarvex::mb::ResultOk;
  }
  QString showOpen(const tarvex::FileDialogSettings&) override {
    throw tarvex::RuntimeError(tarvex::err::Cancel);
  }
  QString showSave(const tarvex::FileDialogSettings&) override { return savePath; }
  QColor showColor(const QColor&) override { throw tarvex::RuntimeError(tarvex::err::Cancel); }
  int printerCount() override { return 0; }
  tarvex::PrinterChoice showPrinter(int) override {
    throw tarvex::RuntimeError(tarvex::err::Cancel);
  }
  QPrinter* printer() override { return nullptr; }
  void setStatusText(const QString&) override {}
  void setPointer(tarvex::Pointer) override {}
  void doEvents() override {
    ++pumps;
    QCoreApplication::processEvents();
    if (cancelAtFirstPump && pumps == 1) {
      *plotting = false;
      cancelClock.start();
    }
  }

  QStringList messages;
  QString savePath;
  int pumps = 0;
  bool cancelAtFirstPump = false;
  bool* plotting = nullptr;
  QElapsedTimer cancelClock;
};

class BenchWindow : public tarvex::TrendWindow {
 public:
  void setPlotProgressVisible(bool) override {}
  void setPlotProgress(int percent) override {
    ++barMoves;
    lastPercent = percent;
  }
  int dateSliderPosition() const override { return date; }
  void setDateSliderPosition(int p) override { date = p; }
  int ySliderPosition() const override { return y; }
  void setYSliderPosition(int p) override { y = p; }
  void selectTab(int) override {}
  QString caption() const override { return QStringLiteral("Data Viewer"); }
  int barMoves = 0;
  int lastPercent = 0;
  int date = 0, y = 0;
};

void print(const char* name, double value, const char* unit) {
  std::printf("%-28s %12.3f %s\n", name, value, unit);
  std::fflush(stdout);
}

// The best of `n` runs of `step` in milliseconds, wall and CPU time.
struct Best {
  double wallMs = 1e300;
  double cpuMs = 1e300;
};
template <typename Step>
Best best(int n, Step&& step) {
  Best b;
  for (int i = 0; i < n; ++i) {
    QElapsedTimer t;
    const double c0 = cpuSeconds();
    t.start();
    step(i);
    b.wallMs = std::min(b.wallMs, t.nsecsElapsed() / 1e6);
    b.cpuMs = std::min(b.cpuMs, (cpuSeconds() - c0) * 1e3);
  }
  return b;
}

void print(const char* name, const Best& b) {
  std::printf("%-28s %12.3f ms (cpu %.3f ms)\n", name, b.wallMs, b.cpuMs);
  std::fflush(stdout);
}

// Where a build's time goes: the rows' times, the cells' numbers, the
// hand-over to the plot and the first replot, each on its own.
int parts(const char* path) {
  using namespace tarvex;
  LogTable vaGrid;
  loadHistData(vaGrid, QString::fromLocal8Bit(path),
               QLocale(QLocale::English, QLocale::UnitedStates));
  const int rows = vaGrid.lastRow();
  const QLocale locale;
  QElapsedTimer t;
  t.start();
  double c0 = cpuSeconds();
  double sum = 0;
  for (int r = 1; r <= rows; ++r) {
    sum += vaGrid.cellDateTime(0, r, locale).value_or(0);
    sum += vaGrid.cellDateTime(1, r, locale).value_or(0);
  }
  print("parts_times_s", t.nsecsElapsed() / 1e9, "s");
  print("parts_times_cpu_s", cpuSeconds() - c0, "s");
  t.restart();
  c0 = cpuSeconds();
  for (int c = 2; c <= 9; ++c)
    for (int r = 1; r <= rows; ++r) sum += vaGrid.cellNumber(c, r, locale).value_or(0);
  print("parts_numbers_s", t.nsecsElapsed() / 1e9, "s");
  print("parts_numbers_cpu_s", cpuSeconds() - c0, "s");
  t.restart();
  c0 = cpuSeconds();
  {
    ColumnNumberReader reader(vaGrid, 1, rows, locale);
    for (int c = 2; c <= 9; ++c)
      for (int r = 0; r < rows; ++r) sum += reader.number(c, r).value_or(0);
  }
  print("parts_reader_columns_s", t.nsecsElapsed() / 1e9, "s");
  print("parts_reader_columns_cpu_s", cpuSeconds() - c0, "s");
  t.restart();
  c0 = cpuSeconds();
  {
    ColumnNumberReader reader(vaGrid, 1, rows, locale);
    std::vector<double> ys(4096);
    for (int c = 2; c <= 9; ++c)
      for (int r = 0; r < rows; r += 4096) {
        const int n = std::min(4096, rows - r);
        reader.read(c, r, n, ys.data());
        for (int k = 0; k < n; ++k) sum += ys[static_cast<std::size_t>(k)];
      }
  }
  print("parts_reader_read_s", t.nsecsElapsed() / 1e9, "s");
  print("parts_reader_read_cpu_s", cpuSeconds() - c0, "s");
  QcpTrendPlot plot;
  plot.widget()->resize(1600, 900);
  plot.widget()->show();
  plot.clearChannels();
  t.restart();
  c0 = cpuSeconds();
  for (int c = 0; c < 8; ++c) {
    const int k = plot.addChannel({});
    plot.reservePoints(k, static_cast<std::size_t>(rows));
    for (int r0 = 0; r0 < rows; r0 += 4096) {
      std::vector<TrendPoint> pts;
      pts.reserve(4096);
      for (int r = r0; r < std::min(rows, r0 + 4096); ++r)
        pts.push_back({45000.0 + r / 86400.0, double(r % 100)});
      plot.appendPoints(k, std::move(pts));
    }
  }
  print("parts_handover_s", t.nsecsElapsed() / 1e9, "s");
  print("parts_handover_cpu_s", cpuSeconds() - c0, "s");
  t.restart();
  c0 = cpuSeconds();
  plot.replot();
  print("parts_first_replot_s", t.nsecsElapsed() / 1e9, "s");
  print("parts_first_replot_cpu_s", cpuSeconds() - c0, "s");
  return sum == 42 ? 1 : 0;
}

int run(const char* path, bool cancel) {
  using namespace tarvex;
  LogTable vaGrid;
  QElapsedTimer t;
  t.start();
  loadHistData(vaGrid, QString::fromLocal8Bit(path),
               QLocale(QLocale::English, QLocale::UnitedStates));
  print("load_s", t.nsecsElapsed() / 1e9, "s");
  const int rows = vaGrid.lastRow();
  const double points = 8.0 * rows;

  QcpTrendPlot plot;
  plot.widget()->resize(1600, 900);
  plot.widget()->show();
  QCoreApplication::processEvents();
  BenchUi ui;
  BenchWindow window;
  bool f_Plotting = false;
  ui.plotting = &f_Plotting;
  TrendCommands commands(ui, window, plot, vaGrid, f_Plotting);
  const TableSelection all{{{2, -1, 9, -1}}, 1};

  // The build.
  plot.replot();
  const long long before = statusBytes("VmRSS:");
  resetPeak();
  const double cpu0 = cpuSeconds();
  t.restart();
  commands.plotHistData(all);
  const double buildS = t.nsecsElapsed() / 1e9;
  const double buildCpuS = cpuSeconds() - cpu0;
  const long long after = statusBytes("VmRSS:");
  const long long peak = statusBytes("VmHWM:");
  // What the allocator keeps of freed blocks for reuse is no plot memory.
  malloc_trim(0);
  const long long live = statusBytes("VmRSS:");
  if (!ui.messages.isEmpty() || plot.channelCount() != 8) {
    std::fprintf(stderr, "the build failed: %s\n", qPrintable(ui.messages.join(' ')));
    return 2;
  }
  print("rows", rows, "");
  print("build_s", buildS, "s");
  print("build_cpu_s", buildCpuS, "s");
  print("bar_moves", window.barMoves, "");
  print("event_pumps", ui.pumps, "");
  print("mem_after_B_per_point", (after - before) / points, "B");
  print("mem_live_B_per_point", (live - before) / points, "B");
  print("mem_peak_B_per_point", (peak - before) / points, "B");
  if (qEnvironmentVariableIsSet("TREND_BENCH_BUILD_ONLY")) return 0;

  // Replots: full range (slider 0), zoomed (slider 90: a tenth of the span),
  // a wheel step and a pan while zoomed.
  QCustomPlot* w = plot.widget();
  print("replot_full_ms", best(5, [&](int i) { commands.dateSliderChanged(i % 2); }));
  commands.dateSliderChanged(90);
  print("replot_zoomed_ms", best(5, [&](int i) { commands.dateSliderChanged(90 - i % 2); }));
  const QPointF centre(800, 450);
  print("wheel_zoomed_ms", best(5, [&](int i) {
          plot.zoomAt(centre, i % 2 ? -1 : 1);
          w->replot(QCustomPlot::rpImmediateRefresh);
        }));
  print("pan_zoomed_ms", best(5, [&](int i) {
          plot.panBy(QPointF(i % 2 ? 40 : -40, 0));
          w->replot(QCustomPlot::rpImmediateRefresh);
        }));
  QCoreApplication::processEvents();

  // Save To Jpeg at full range.
  commands.dateSliderChanged(0);
  QTemporaryDir dir;
  ui.savePath = dir.filePath("trend.jpg");
  const Best jpeg = best(3, [&](int) { commands.saveToJpeg(); });
  if (!ui.messages.isEmpty() || !QFile::exists(ui.savePath)) {
    std::fprintf(stderr, "the picture was not written\n");
    return 2;
  }
  print("save_jpeg_ms", jpeg);

  if (cancel) {
    // Cancel pressed at the build's first event pump: the build ends when
    // the channel being read is done.
    ui.cancelAtFirstPump = true;
    ui.pumps = 0;
    ui.messages.clear();
    t.restart();
    commands.plotHistData(all);
    if (ui.pumps == 0) {
      std::printf("cancel: the build ended before its first event pump\n");
    } else {
      print("cancel_build_total_s", t.nsecsElapsed() / 1e9, "s");
      print("cancel_to_end_s", ui.cancelClock.nsecsElapsed() / 1e9, "s");
      print("cancel_channels_kept", plot.channelCount(), "");
      if (ui.messages.isEmpty() || ui.messages.back() != plotCanceledText()) {
        std::fprintf(stderr, "the cancel was not honoured\n");
        return 2;
      }
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "generate") == 0) {
    const auto shape = bench::shapeFromName(argc == 5 ? argv[4] : "walk");
    if (!shape) {
      std::fprintf(stderr, "unknown shape %s\n", argv[4]);
      return 2;
    }
    return generate(argv[2], std::atol(argv[3]), *shape);
  }
  if (argc == 3 && std::strcmp(argv[1], "parts") == 0) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return parts(argv[2]);
  }
  if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "run") == 0) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
      return run(argv[2], argc == 4);
    } catch (const tarvex::RuntimeError& e) {
      std::fprintf(stderr, "Error %d = %s\n", e.number(), e.what());
      return 2;
    }
  }
  std::fprintf(stderr,
               "usage: trend_bench generate FILE ROWS [SHAPE] | run FILE [cancel] | parts FILE\n");
  return 2;
}
