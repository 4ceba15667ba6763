// Benchmark program for the review window and the text filters.
//   review_bench generate FILE ROWS [clockback]
//                                     writes a controller-like data history:
//                                     date, time (10 s steps), 10 channels of
//                                     noisy, jumping, sawtooth, on/off and
//                                     word cells, some empty; with clockback
//                                     the clock is set back an hour every
//                                     100,000 rows (times out of order)
//   review_bench run FILE BACKFILE    loads them as getHistFile does and
//                                     times the review's work (see run())
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "logfiles/logtable.h"
#include "logfiles/readers.h"
#include "review/review_model.h"
#include "review/row_filter.h"
#include "review/row_times.h"
#include "review/text_match.h"
#include "review/time_bound.h"
#include "shell/runtime_error.h"

namespace {

using tarvex::LogTable;
using tarvex::ReviewModel;
using tarvex::ReviewTable;

int generate(const char* path, long rows, bool clockBack) {
  QFile out(QString::fromLocal8Bit(path));
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 2;
  QByteArray buf;
  buf.reserve(1 << 20);
  buf +=
      "Date,Time,TC1 Zone 1,TC2 Zone 2,PT1 Pressure,FT1 Flow,XV1 Valve,P1 Pump,LT1 Level,"
      "AT1 pH,HTR1 Output,AI9 Spare\r\n";
  unsigned state = 2007;
  auto noise = [&] {
    state = state * 1103515245u + 12345u;
    return int((state >> 16) % 2001 - 1000) / 1000.0;  // -1 .. 1
  };
  const int daysIn[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int month = 1, day = 1;
  long second = 0;
  double tc2 = 176, lt = 40;
  char line[320];
  for (long r = 0; r < rows; ++r) {
    const double t = 10.0 * r;
    const double tc1 = 180 + 6 * std::sin(t / 900) + 0.4 * noise();
    if (r % 5000 == 0) tc2 += 15 * noise();  // a setpoint jump now and then
    const double pt = 2.4 + 0.2 * std::fmod(t / 600.0, 1.0) + 0.01 * noise();  // sawtooth
    const double ft = 12.3 + 0.6 * noise();
    const int valve = (r / 37) % 2;  // on/off
    const char* pump = (r / 500) % 3 == 0 ? "OFF" : "ON";
    lt = std::clamp(lt + 0.05 * noise(), 10.0, 90.0);
    const double ph = 7.02 + 0.04 * std::sin(t / 1200) + 0.01 * noise();
    const double htr = std::clamp(55 - 4 * (tc1 - 180) + 2 * noise(), 0.0, 100.0);
    char ph_text[16] = "";
    if (r % 47 != 46) std::snprintf(ph_text, sizeof ph_text, "%.2f", ph);  // analyser drop-outs
    char spare[16] = "OVR";
    if (r % 997 != 996) std::snprintf(spare, sizeof spare, "%.1f", 50 + 50 * noise());
    int n =
        std::snprintf(line, sizeof line,
                      "%d/%d/2007,%ld:%02ld:%02ld,%.1f,%.1f,%.3f,%.2f,%d,%s,%.1f,%s,%.1f,%s\r\n",
                      month, day, second / 3600, second / 60 % 60, second % 60, tc1,
                      tc2 + 0.3 * noise(), pt, ft, valve, pump, lt, ph_text, htr, spare);
    buf.append(line, n);
    if (buf.size() > (1 << 20) - 400) {
      out.write(buf);
      buf.clear();
    }
    second += 10;
    if (clockBack && r % 100000 == 99999 && second >= 3600) second -= 3600;
    if (second >= 86400) {
      second = 0;
      if (++day > daysIn[(month - 1) % 12]) day = 1, month = month % 12 + 1;
    }
  }
  out.write(buf);
  return out.error() == QFile::NoError ? 0 : 2;
}

// Median of the milliseconds `runs` calls of f take.
template <class F>
double medianMs(int runs, F&& f) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer clock;
    clock.start();
    f(i);
    ms.push_back(double(clock.nsecsElapsed()) / 1e6);
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

int run(const char* path, const char* backPath) {
  const QLocale us(QLocale::English, QLocale::UnitedStates);
  QLocale::setDefault(us);
  std::vector<LogTable> tables(6);
  LogTable& vaGrid = tables[0];
  QElapsedTimer clock;
  clock.start();
  tarvex::loadHistData(vaGrid, QString::fromLocal8Bit(path), us);
  const double loadMs = double(clock.nsecsElapsed()) / 1e6;
  const int rows = vaGrid.lastRow();
  std::printf("table: %d rows x %d columns; load + time rewrite %.0f ms (for scale)\n", rows,
              vaGrid.lastCol() + 1, loadMs);

  // An operator event table to jump from: 1000 events spread over the file.
  LogTable& opEvGrid = tables[2];
  opEvGrid.setCell(0, 0, u"Date");
  opEvGrid.setCell(1, 0, u"Time");
  for (int i = 1; i <= 1000; ++i) {
    const int r = int(1 + (long(i) * 7919) % rows);
    opEvGrid.setCell(0, i, vaGrid.getCell(0, r));
    opEvGrid.setCell(1, i, vaGrid.getCell(1, r));
  }
  ReviewModel model({&tables[0], &tables[1], &tables[2], &tables[3], &tables[4], &tables[5]});

  // The window: the first one reads the times (4 bytes a row), later ones
  // make one pass over them.
  const double first = tarvex::parseTimeBound(u"2/1/2007", tarvex::DateOrder::MonthDayYear, false);
  const double firstMs = medianMs(5, [&](int) {
    tarvex::RowFilter fresh(vaGrid, tarvex::timeColumnsOf(ReviewTable::Data));
    fresh.setWindow({first, first + 7});
  });
  model.setWindow({first, first + 7});
  const double changeMs = medianMs(21, [&](int i) {
    model.setWindow({first + i * 0.5, first + i * 0.5 + 2.25});
  });
  std::printf(
      "window: first %.1f ms (reads the times; median of 5), change %.2f ms (all six "
      "grids; median of 21)\n",
      firstMs, changeMs);
  model.setWindow({first, first + 7});
  std::printf("  shown %d of %d rows\n", model.filter(ReviewTable::Data).shownRows(), rows);
  model.clearWindow();

  // The text filter over every shown column of every row, one thread.
  for (const char* needle : {"OVR", "on", "12:00:0", "3/14/2007", "zzz"}) {
    int found = 0;
    const double ms = medianMs(5, [&](int) {
      found = tarvex::matchRows(vaGrid, QString::fromLatin1(needle))->count() - 1;
    });
    std::printf("text \"%s\": %.0f ms (median of 5), %d rows\n", needle, ms, found);
  }

  // Jump to time: times in order (binary search) and out of order (one
  // pass), each from one of 1000 events to the data row at or before it.
  volatile int sink = 0;
  model.clearWindow();
  sink = model.jumpToData(ReviewTable::OperatorEvents, 1);  // the times read once
  const double jumpMs = medianMs(
      1000, [&](int i) { sink = model.jumpToData(ReviewTable::OperatorEvents, 1 + i % 1000); });
  std::vector<LogTable> back(6);
  tarvex::loadHistData(back[0], QString::fromLocal8Bit(backPath), us);
  for (int i = 1; i <= 1000; ++i) {
    back[2].setCell(0, i, opEvGrid.getCell(0, i));
    back[2].setCell(1, i, opEvGrid.getCell(1, i));
  }
  ReviewModel backModel({&back[0], &back[1], &back[2], &back[3], &back[4], &back[5]});
  sink = backModel.jumpToData(ReviewTable::OperatorEvents, 1);
  const double linearMs = medianMs(101, [&](int i) {
    sink = backModel.jumpToData(ReviewTable::OperatorEvents, 1 + i * 9 % 1000);
  });
  std::printf(
      "jump to time: %.4f ms in order (median of 1000), %.2f ms out of order "
      "(median of 101)\n",
      jumpMs, linearMs);

  // Typing: a new text while a search runs stops it and starts the next;
  // what that costs the thread that types.
  double restartMax = 0;
  for (int i = 0; i < 20; ++i) {
    model.setText(ReviewTable::Data, QStringLiteral("zz%1").arg(i));
    QThread::msleep(15);
    QElapsedTimer key;
    key.start();
    model.setText(ReviewTable::Data, QStringLiteral("zz%1x").arg(i));
    restartMax = std::max(restartMax, double(key.nsecsElapsed()) / 1e6);
  }
  model.settle(ReviewTable::Data);
  std::printf("a new key while a search runs: at most %.2f ms on the typing thread (20 keys)\n",
              restartMax);
  model.setText(ReviewTable::Data, QString());

  // Memory of the filter: times, shown rows and text matches.
  model.setWindow({first, first + 30});
  std::printf("filter memory: %.2f bytes a row (window set)\n",
              double(model.filter(ReviewTable::Data).memoryBytes()) / rows);
  model.setText(ReviewTable::Data, QStringLiteral("ON"));
  model.settle(ReviewTable::Data);
  const std::size_t bytes = model.filter(ReviewTable::Data).memoryBytes();
  std::printf("filter memory: %zu bytes, %.2f bytes a row (window and text set)\n", bytes,
              double(bytes) / rows);
  clock.restart();
  const std::size_t exported = model.shownRows(ReviewTable::Data)->size();
  std::printf("rows for an export: %zu listed in %.1f ms\n", exported,
              double(clock.nsecsElapsed()) / 1e6);
  return sink < -1 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  try {
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "generate") == 0)
      return generate(argv[2], std::atol(argv[3]), argc == 5);
    if (argc == 4 && std::strcmp(argv[1], "run") == 0) return run(argv[2], argv[3]);
  } catch (const tarvex::RuntimeError& e) {
    std::fprintf(stderr, "Error %d = %s\n", e.number(), e.what());
    return 2;
  }
  std::fprintf(stderr, "usage: review_bench generate FILE ROWS [clockback] | run FILE BACKFILE\n");
  return 2;
}
