// Deciphering a 100,000-line signature file into its table, the file
// digest of a 100 MB data history file, and opening a data history file
// along the window's reader path (data table, .sig, .evt) with that
// signature file beside it and without it (the peer). Prints one line per
// measurement.
//   bench_signatures WORKDIR [--lines N] [--megabytes M] [--repeat R]
#include <unistd.h>

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

#include "logfiles/companions.h"
#include "logfiles/logtable.h"
#include "logfiles/readers.h"
#include "shell/codepage.h"
#include "shell/headless_ui.h"
#include "shell/userinterface.h"
#include "signatures/vxlog.h"

using namespace tarvex;

namespace {

const QString kPw = QString::fromUtf16(kSigPassword);

struct Timing {
  double wall = 0;  // seconds, best run
  double cpu = 0;   // process CPU seconds of that run (all threads)
};

double cpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

// Best of `repeat` runs by wall time; the CPU time shows what a busy
// machine hides.
Timing bestOf(int repeat, const std::function<void()>& f) {
  Timing best{1e30, 0};
  for (int i = 0; i < repeat; ++i) {
    QElapsedTimer t;
    const double c0 = cpuSeconds();
    t.start();
    f();
    const double wall = t.nsecsElapsed() / 1e9;
    if (wall < best.wall) best = {wall, cpuSeconds() - c0};
  }
  return best;
}

// N signature-like records enciphered as a controller writes them.
void writeSigFile(const QString& path, int lines, VxLog& sigLog) {
  const QString hash = sigLog.CalculateHash(QStringLiteral("sample"), kPw);
  QByteArray out;
  for (int i = 0; i < lines; ++i) {
    const QString record = QStringLiteral("3/14/2007,%1:%2:%3,Operator %4,Reviewed batch %5,")
                               .arg(i / 3600 % 24)
                               .arg(i / 60 % 60, 2, 10, QChar(u'0'))
                               .arg(i % 60, 2, 10, QChar(u'0'))
                               .arg(i % 7 + 1)
                               .arg(i) +
                           hash;
    out += sigLog.EncryptToHex(record, kPw).toLatin1() + "\r\n";
  }
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size() || !f.commit()) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    std::exit(2);
  }
}

// A data history file of about `megabytes` MB.
void writeDataFile(const QString& path, qint64 megabytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) std::exit(2);
  f.write("Date,Time,TC1,TC2,TC3,PT1,FT1,LT1,AT1,HTR1\r\n");
  QByteArray chunk;
  qint64 written = 0, row = 0;
  while (written < megabytes * 1000 * 1000) {
    chunk.clear();
    for (int i = 0; i < 10000; ++i, ++row)
      chunk += QByteArray("3/14/2007,") + QByteArray::number(row / 3600 % 24) + ':' +
               QByteArray::number(row / 60 % 60) + ':' + QByteArray::number(row % 60) +
               ",180.4,176.2,171.9,2.45,12.31,55.2,7.02,48.9\r\n";
    f.write(chunk);
    written += chunk.size();
  }
}

// The window's side of the readers, doing nothing; window events "run"
// when the readers ask.
class QuietUi : public HeadlessUi {
 public:
  int doEventsCalls = 0;
  int msgBoxPos(const QString& prompt, int, const QString&, int) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(prompt));
    return mb::ResultOk;
  }
  void doEvents() override { ++doEventsCalls; }
};

// What "Open History File" does after the dialog: the data file into
// vaGrid, then its .sig and .evt companions.
void openHistory(const QString& dataPath, VxLog& sigLog, QuietUi& ui) {
  LogTable vaGrid, digiSigGrid, opEvGrid;
  bool busy = true;
  loadHistData(vaGrid, dataPath);
  loadSigFile(digiSigGrid, dataPath, sigLog, ui, busy, {});
  loadOpEventsFile(opEvGrid, dataPath, sigLog, ui, busy, {});
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 2) {
    std::fprintf(stderr,
                 "usage: bench_signatures WORKDIR [--lines N] [--megabytes M] [--repeat R]\n");
    return 2;
  }
  const QDir dir(args[1]);
  int lines = 100000;
  qint64 megabytes = 100;
  int repeat = 3;
  for (int i = 2; i + 1 < args.size(); i += 2) {
    if (args[i] == u"--lines") lines = args[i + 1].toInt();
    if (args[i] == u"--megabytes") megabytes = args[i + 1].toLongLong();
    if (args[i] == u"--repeat") repeat = args[i + 1].toInt();
  }
  VxLog sigLog;

  const QString sigPath = dir.filePath(QStringLiteral("bench.sig"));
  if (!QFile::exists(sigPath)) writeSigFile(sigPath, lines, sigLog);
  const double sigMb = QFileInfo(sigPath).size() / 1e6;
  qint64 rows = 0;
  const Timing tTable = bestOf(repeat, [&] {
    LogTable table;
    setCompanionLayout(table, CompanionKind::DataSignatures);
    rows = readCompanionRows(table, sigPath, sigLog);
  });
  std::printf(
      "decipher .sig into table: %lld lines (%.1f MB) in %.3f s, CPU %.3f s (target < 0.5 s)\n",
      static_cast<long long>(rows), sigMb, tTable.wall, tTable.cpu);
  const Timing tPlain = bestOf(
      repeat, [&] { forEachCompanionRecord(sigPath, sigLog, [](qint64, const QString&) {}); });
  std::printf("decipher .sig lines only: %lld lines in %.3f s, CPU %.3f s\n",
              static_cast<long long>(rows), tPlain.wall, tPlain.cpu);

  const QString dataPath = dir.filePath(QStringLiteral("bench_100mb.csv"));
  if (QFileInfo(dataPath).size() < megabytes * 1000 * 1000) writeDataFile(dataPath, megabytes);
  const double dataMb = QFileInfo(dataPath).size() / 1e6;
  QString digest;
  const Timing tHash = bestOf(repeat, [&] { digest = sigLog.CalculateFileHash(dataPath, kPw); });
  std::printf(
      "CalculateFileHash: %.1f MB in %.3f s = %.0f MB/s of file (target >= 300), CPU %.3f s\n",
      dataMb, tHash.wall, dataMb / tHash.wall, tHash.cpu);

  // Opening a data history file of 10,000 rows with the signature file as
  // its .sig, then with no .sig (the peer, same run).
  const QString openData = dir.filePath(QStringLiteral("open.csv"));
  const QString openSig = dir.filePath(QStringLiteral("open.sig"));
  {
    QFile f(openData);
    if (!f.open(QIODevice::WriteOnly)) return 2;
    f.write("Date,Time,TC1,TC2,TC3\r\n");
    for (int i = 0; i < 10000; ++i)
      f.write(QByteArray("3/14/2007,") + QByteArray::number(i / 3600 % 24) + ':' +
              QByteArray::number(i / 60 % 60) + ':' + QByteArray::number(i % 60) +
              ",180.4,176.2,171.9\r\n");
  }
  QFile::remove(openSig);
  if (::link(QFile::encodeName(sigPath).constData(), QFile::encodeName(openSig).constData()) != 0)
    return 2;
  QuietUi ui;
  const Timing tWith = bestOf(repeat, [&] { openHistory(openData, sigLog, ui); });
  const int pumps = ui.doEventsCalls / repeat;
  QFile::remove(openSig);
  const Timing tWithout = bestOf(repeat, [&] { openHistory(openData, sigLog, ui); });
  std::printf(
      "open data file with a %lld-line .sig: %.3f s (CPU %.3f s, %d event pumps); without: "
      "%.3f s (CPU %.3f s); added %.3f s (target <= 1.5 s)\n",
      static_cast<long long>(rows), tWith.wall, tWith.cpu, pumps, tWithout.wall, tWithout.cpu,
      tWith.wall - tWithout.wall);
  return 0;
}
