// Benchmark program for the comparison with a reference batch.
//   compare_bench generate FILE ROWS SEED START_DAY [SIGN]
//       writes a data history of ROWS rows one second apart from 06:00:00 of
//       day START_DAY of 2007: date, time and 8 channels as a controller
//       logs them (two noisy temperatures drifting, a pressure with jumps,
//       an on/off valve, a random 0/1 alarm, a sawtooth level, a noisy flow
//       and a steady set point), 0.5 % of the cells empty. SEED varies the
//       noise and the drift. With SIGN, a ".sig" whose one record confirms
//       the file.
//   compare_bench run CURRENT REFERENCE
//       plots the 8 channels of CURRENT as the viewer does on a 1600x900
//       plot, then measures: the full-range replot; adding REFERENCE (read,
//       signature checked, laid over, drawn) as "Compare With..." does; the
//       full-range replot with both; and with the differences shown.
// Prints one "name value unit" line per figure.
#include <qcustomplot.h>

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "logfiles/readers.h"
#include "review/compare_files.h"
#include "review/reference_commands.h"
#include "shell/codepage.h"
#include "shell/headless_ui.h"
#include "signatures/vxlog.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/trend_commands.h"

namespace {

using namespace tarvex;

int generate(const char* path, long rows, unsigned seed, int startDay, bool signIt) {
  QFile out(QString::fromLocal8Bit(path));
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 2;
  QByteArray buf;
  buf.reserve(1 << 20);
  buf += "Date,Time,TC1 (C),TC2 (C),PT1 (bar),XV1 Valve,AL1 Alarm,LT1 (%),FT1 (l/min),SP1\r\n";
  unsigned state = seed;
  auto uniform = [&state] {  // [0, 1)
    state = state * 1103515245u + 12345u;
    return static_cast<double>((state >> 8) & 0xFFFFFF) / 16777216.0;
  };
  const double drift = 0.5 + uniform();
  double tc1 = 180, tc2 = 175, pt = 2.4;
  int valve = 0;
  long day = startDay, second = 6 * 3600;
  char line[256];
  for (long r = 0; r < rows; ++r) {
    const QDate date = QDate(2007, 1, 1).addDays(day);
    int n = std::snprintf(line, sizeof line, "%d/%d/%d,%02ld:%02ld:%02ld", date.month(), date.day(),
                          date.year(), second / 3600, second / 60 % 60, second % 60);
    tc1 += (uniform() - 0.5) * 0.2 + 0.0001 * drift * std::sin(r / 3000.0);
    tc2 += (uniform() - 0.5) * 0.3 - (tc2 - 175) * 0.001;
    if (uniform() < 0.0005) pt += (uniform() - 0.5) * 1.5;  // jumps
    pt += (uniform() - 0.5) * 0.01;
    if (r % 600 == 0) valve = uniform() < 0.5;
    const double v[8] = {tc1,
                         tc2,
                         pt,
                         static_cast<double>(valve),
                         uniform() < 0.02 ? 1.0 : 0.0,
                         static_cast<double>(r % 900) / 9.0,
                         12 + drift + (uniform() - 0.5) * 2,
                         50.0};
    for (double x : v) {
      if (uniform() < 0.005)
        line[n++] = ',';
      else
        n += std::snprintf(line + n, sizeof line - n, ",%.3f", x);
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
  out.close();
  if (out.error() != QFile::NoError) return 2;
  if (signIt) {
    VxLog sigLog;
    const QString pw = QString::fromUtf16(kSigPassword);
    const QString file = QString::fromLocal8Bit(path);
    const QString record = QStringLiteral("1/5/2007,09:00:00,Jane Miller,Golden batch,") +
                           sigLog.CalculateFileHash(file, pw);
    QFile sig(file.left(file.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(".sig"));
    if (!sig.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 2;
    sig.write(sigLog.EncryptToHex(bytesAsLowByteText(encodeCp1252(record)), pw).toLatin1() +
              "\r\n");
  }
  return 0;
}

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The median of `runs` full-range replots, in milliseconds (wall and cpu),
// each after the date slider moved between its first two places (the whole
// span and nearly all of it), as the trend bench does: every replot draws a
// range it did not draw just before.
std::pair<double, double> replotMs(TrendCommands& trend, int runs = 31) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer t;
    const double c0 = cpuSeconds();
    t.start();
    trend.dateSliderChanged((i + 1) % 2);
    wall.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    cpu.push_back((cpuSeconds() - c0) * 1e3);
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

void print(const char* name, double value, const char* unit) {
  std::printf("%-34s %10.3f %s\n", name, value, unit);
}

int run(const QString& current, const QString& reference) {
  LogTable table;
  loadHistData(table, current);
  HeadlessUi ui;
  WindowlessTrend window;
  QcpTrendPlot plot;
  plot.widget()->resize(1600, 900);
  plot.widget()->show();
  bool plotting = false;
  TrendCommands trend(ui, window, plot, table, plotting);
  trend.plotHistData({{{2, -1, 9, -1}}, 1});
  if (plot.channelCount() != 8 || !ui.messages.empty()) return 2;
  QApplication::processEvents();

  const auto without = replotMs(trend);
  print("replot_full_without_ms", without.first, "ms");
  print("replot_full_without_cpu_ms", without.second, "ms");

  VxLog sigLog;
  if (qEnvironmentVariableIsSet("COMPARE_BENCH_STEPS")) {
    // The steps of adding a reference one by one, on one core.
    QStringList titles;
    for (int c = 0; c < plot.channelCount(); ++c) titles << plot.channelStyle(c).titleText;
    QElapsedTimer s;
    s.start();
    Batch b = readReference(reference, QStringLiteral("current"), titles);
    print("step_read_reference_s", s.nsecsElapsed() / 1e9, "s");
    s.restart();
    const ReferenceSignature sig = checkReferenceSignature(reference, sigLog);
    print("step_signature_s", s.nsecsElapsed() / 1e9, "s");
    s.restart();
    ReferenceOverlay o(plot, std::move(b), sig);
    print("step_overlay_s", s.nsecsElapsed() / 1e9, "s");
    s.restart();
    TrendOverlay traces = o.overlay(false);
    plot.setOverlay(std::move(traces));
    print("step_draw_s", s.nsecsElapsed() / 1e9, "s");
    plot.clearOverlay();
  }
  ReferenceCommands cmds(ui, plot, sigLog);
  QElapsedTimer t;
  const double c0 = cpuSeconds();
  t.start();
  const bool shown = cmds.showReference(reference);
  const double addWall = static_cast<double>(t.nsecsElapsed()) / 1e9;
  const double addCpu = cpuSeconds() - c0;
  if (!shown || plot.overlayTraceCount() != 8) return 2;
  print("add_reference_s", addWall, "s");
  print("add_reference_cpu_s", addCpu, "s");
  std::printf("%-34s %10s\n", "reference_signature",
              qPrintable(cmds.overlay()->signature().note().replace(' ', '_')));
  QApplication::processEvents();

  const auto with = replotMs(trend);
  print("replot_full_with_ms", with.first, "ms");
  print("replot_full_with_cpu_ms", with.second, "ms");
  print("replot_ratio", with.first / without.first, "x");
  print("replot_ratio_cpu", with.second / without.second, "x");

  t.restart();
  cmds.setShowDifferences(true);
  print("show_differences_s", static_cast<double>(t.nsecsElapsed()) / 1e9, "s");
  const auto diffs = replotMs(trend);
  print("replot_full_with_differences_ms", diffs.first, "ms");
  print("replot_differences_ratio", diffs.first / without.first, "x");
  print("replot_differences_ratio_cpu", diffs.second / without.second, "x");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 6 && std::strcmp(argv[1], "generate") == 0)
    return generate(argv[2], std::atol(argv[3]), static_cast<unsigned>(std::atol(argv[4])),
                    std::atoi(argv[5]), argc > 6);
  if (argc == 4 && std::strcmp(argv[1], "run") == 0) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
      return run(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    } catch (const RuntimeError& e) {
      std::fprintf(stderr, "Error %d = %s\n", e.number(), e.what());
      return 2;
    }
  }
  std::fprintf(stderr,
               "usage: compare_bench generate FILE ROWS SEED START_DAY [SIGN]\n"
               "       compare_bench run CURRENT REFERENCE\n");
  return 2;
}
