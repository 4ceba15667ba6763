// Benchmark program for the data history reader.
//   logtable_bench generate FILE ROWS   writes a controller-like data history:
//                                       date, time (10 s steps), 10 channels
//   logtable_bench load FILE            loads it as getHistFile does (time
//                                       column rewritten) and prints nothing
#include <QFile>
#include <QLocale>
#include <cstdio>
#include <cstring>

#include "logfiles/logtable.h"
#include "logfiles/readers.h"
#include "shell/runtime_error.h"

namespace {

int generate(const char* path, long rows) {
  QFile out(QString::fromLocal8Bit(path));
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 2;
  QByteArray buf;
  buf.reserve(1 << 20);
  buf += "Date,Time,TC1,TC2,TC3,TC4,PT1,PT2,FT1,FT2,LT1,AI1\r\n";
  unsigned state = 2007;
  double channel[10] = {23.5, 24.1, 180.2, 175.9, 101.3, 99.8, 12.25, 8.75, 55.0, 4.125};
  long day = 0, second = 6 * 3600;
  char line[256];
  for (long r = 0; r < rows; ++r) {
    int n = std::snprintf(line, sizeof line, "%ld/%ld/2007,%02ld:%02ld:%02ld", 1 + (day / 28) % 12,
                          1 + day % 28, second / 3600, second / 60 % 60, second % 60);
    for (double& v : channel) {
      state = state * 1103515245u + 12345u;
      v += (int((state >> 16) % 201) - 100) / 1000.0;
      n += std::snprintf(line + n, sizeof line - n, ",%.3f", v);
    }
    line[n++] = '\r';
    line[n++] = '\n';
    buf.append(line, n);
    if (buf.size() > (1 << 20) - 256) {
      out.write(buf);
      buf.clear();
    }
    second += 10;
    if (second >= 86400) second = 0, ++day;
  }
  out.write(buf);
  return out.error() == QFile::NoError ? 0 : 2;
}

int load(const char* path) {
  tarvex::LogTable vaGrid;
  try {
    const auto r = tarvex::loadHistData(vaGrid, QString::fromLocal8Bit(path),
                                        QLocale(QLocale::English, QLocale::UnitedStates));
    // Read one cell so the work cannot be left out.
    return vaGrid.getCell(1, vaGrid.lastRow()).isEmpty() && !r.operatorEventsEnabled ? 3 : 0;
  } catch (const tarvex::RuntimeError& e) {
    std::fprintf(stderr, "Error %d = %s\n", e.number(), e.what());
    return 2;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "generate") == 0)
    return generate(argv[2], std::atol(argv[3]));
  if (argc == 3 && std::strcmp(argv[1], "load") == 0) return load(argv[2]);
  std::fprintf(stderr, "usage: logtable_bench generate FILE ROWS | load FILE\n");
  return 2;
}
