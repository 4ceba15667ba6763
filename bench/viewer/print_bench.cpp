// Benchmark program for the table printout.
//   print_bench FILE OUT.pdf [FIRST LAST]
// loads the data history FILE as the data reader does, then prints it to the
// PDF OUT.pdf as the data printout does (pages FIRST..LAST, every page when
// left out; FIRST = LAST = 0 prints the last page only). Prints the page count, the time of the
// load and of the printout, and the peak memory after each, so that one sees what printing adds on
// top of the loaded table; and how often the printout's progress window would be redrawn (the
// longest time between two event pumps).
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QPrinter>
#include <algorithm>
#include <cstdio>

#include "logfiles/logtable.h"
#include "logfiles/readers.h"
#include "print/grid_printouts.h"
#include "print/table_printer.h"
#include "shell/progress_pump.h"
#include "shell/runtime_error.h"
#include "shell/userinterface.h"

namespace {

// Peak resident memory of the process in MB (VmHWM).
double peakMb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:"))
      return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
  return 0;
}

// Counts the event pumps of the printout's progress and the longest time
// between two of them; shows nothing.
class PumpClock : public tarvex::UserInterface {
 public:
  PumpClock() { since_.start(); }
  int msgBoxPos(const QString&, int, const QString&, int) override { return 1; }
  QString showOpen(const tarvex::FileDialogSettings&) override { return {}; }
  QString showSave(const tarvex::FileDialogSettings&) override { return {}; }
  QColor showColor(const QColor& c) override { return c; }
  int printerCount() override { return 1; }
  tarvex::PrinterChoice showPrinter(int) override { return {}; }
  QPrinter* printer() override { return nullptr; }
  void setStatusText(const QString&) override {}
  void setPointer(tarvex::Pointer) override {}
  void doEvents() override {
    longestMs = std::max(longestMs, since_.nsecsElapsed() / 1e6);
    since_.restart();
    ++pumps;
  }
  double longestMs = 0;
  int pumps = 0;

 private:
  QElapsedTimer since_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: print_bench FILE OUT.pdf [FIRST LAST]\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  try {
    QElapsedTimer clock;
    clock.start();
    tarvex::LogTable vaGrid;
    tarvex::loadHistData(vaGrid, QString::fromLocal8Bit(argv[1]),
                         QLocale(QLocale::English, QLocale::UnitedStates));
    const double loadS = clock.nsecsElapsed() / 1e9;
    const double loadMb = peakMb();

    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setOutputFileName(QString::fromLocal8Bit(argv[2]));
    tarvex::TablePrintSettings settings;
    settings.jobName = QStringLiteral("Data History Printout At: bench");
    settings.headerText = QStringLiteral("File printout for fileName ") +
                          tarvex::escapeHeaderFooter(QString::fromLocal8Bit(argv[1]));
    settings.footerText = QStringLiteral("/c/rPage #/p");
    if (argc == 5) {
      settings.firstPage = std::atoi(argv[3]);
      settings.lastPage = std::atoi(argv[4]);
    }
    const tarvex::LogTableSheet sheet(vaGrid);
    clock.restart();
    const int total = tarvex::tablePageCount(sheet, printer, settings);
    if (argc == 5 && settings.firstPage == 0 && settings.lastPage == 0)
      settings.firstPage = settings.lastPage = total;
    PumpClock pumpClock;
    tarvex::ProgressPump pump(pumpClock);
    const int printed = tarvex::printTable(sheet, printer, settings, [&](int done, int count) {
      if (done == 0) pump.open(QStringLiteral("Printing"), QString(), count);
      return pump.step(done, [] { return QString(); });
    });
    const double pagesLongestMs = pumpClock.longestMs;
    pumpClock.doEvents();  // the end of the job: the document is written out
    const double printS = clock.nsecsElapsed() / 1e9;
    std::printf("rows %d, printout of %d pages, %d printed\n", vaGrid.lastRow(), total, printed);
    std::printf("load    %8.2f s   peak RSS %8.1f MB\n", loadS, loadMb);
    std::printf("print   %8.2f s   peak RSS %8.1f MB   %.2f ms a page\n", printS, peakMb(),
                printed ? printS * 1000 / printed : 0.0);
    std::printf(
        "progress: %d event pumps, longest time between two %.0f ms while pages print, "
        "%.0f ms with the end of the job\n",
        pumpClock.pumps, pagesLongestMs, pumpClock.longestMs);
    return 0;
  } catch (const tarvex::RuntimeError& e) {
    std::fprintf(stderr, "Error %d = %s\n", e.number(), e.what());
    return 2;
  }
}
