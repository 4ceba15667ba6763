#include "print/grid_printout_steps.h"

#include <QFileInfo>
#include <QPrinter>
#include <QRegularExpression>
#include <exception>

#include "shell/progress_pump.h"

namespace tarvex {

namespace {

// The error of a printout without a printer to print on.
constexpr int kPrinterError = 482;

// Ends the printout quietly: the printer dialog was cancelled.
struct Cancelled {};

// Runs one step of a printout. A cancelled dialog ends the printout; any
// other failure is passed over, so that the next step runs. Returns whether
// the step ran through.
template <class Step>
bool step(Step&& run) {
  try {
    run();
    return true;
  } catch (const RuntimeError& e) {
    if (e.number() == err::Cancel) throw Cancelled{};
  } catch (const std::exception&) {
  }
  return false;
}

}  // namespace

QString generalDateText(const QDateTime& when, const QLocale& locale) {
  QString date = locale.dateFormat(QLocale::ShortFormat);
  if (!date.contains(QStringLiteral("yyyy"))) date.replace(QStringLiteral("yy"), "yyyy");
  QString time = locale.timeFormat(QLocale::LongFormat);
  time.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*$")));
  time.remove(QRegularExpression(QStringLiteral("^\\s*t+\\s*")));
  return locale.toString(when.date(), date) + u' ' + locale.toString(when.time(), time);
}

QString noPrinterText() {
  return QStringLiteral(
      "There is no default printer!\r\nPlease install or select a default printer.");
}

QString printProgressTitle() { return QStringLiteral("Printing"); }

QString printProgressText(int page, int total, int copy, int copies) {
  QString text = QStringLiteral("Printing page %1 of %2").arg(page).arg(total);
  if (copies > 1) text += QStringLiteral(" (copy %1 of %2)").arg(copy).arg(copies);
  return text;
}

QString printHeaderText(const QString& fileName) {
  return QStringLiteral("File printout for fileName ") + escapeHeaderFooter(fileName);
}

QString copyOutputFileName(const QString& chosen, int copy) {
  if (copy <= 1) return chosen;
  const QFileInfo info(chosen);
  const QString suffix = info.suffix();
  QString stem = chosen;
  if (!suffix.isEmpty()) stem.chop(suffix.size() + 1);
  return stem + QStringLiteral(" (%1)").arg(copy) + (suffix.isEmpty() ? "" : "." + suffix);
}

void printGrid(UserInterface& ui, const PrintableTable& table, const QString& fileName,
               const GridPrintout& printout) {
  try {
    // A guard or a printer count that fails counts as refusing: the step
    // after each test is its refusal.
    bool open = false;
    step([&] { open = printout.guard(ui, fileName); });
    if (!open) return;

    int printers = 0;
    step([&] { printers = ui.printerCount(); });
    if (printers < 1) {
      step([&] { ui.msgBoxPos(noPrinterText(), mb::Critical); });
      return;
    }

    // A dialog that fails leaves the values it had: one copy of everything.
    PrinterChoice choice;
    step([&] {
      const PrinterChoice chosen = ui.showPrinter(cdl::PrintNoSelection | cdl::PrintNoPageNums);
      choice = chosen;
    });

    QPrinter* printer = nullptr;
    step([&] { printer = ui.printer(); });
    // A printer that writes to a file gets one file per copy (see
    // copyOutputFileName); the chosen name is given back afterwards.
    const bool toFile = printer && !printer->outputFileName().isEmpty();
    const QString chosenFile = toFile ? printer->outputFileName() : QString();

    // A filtered grid prints the rows it shows; the selection's rows are
    // found among them.
    std::optional<RowSubsetTable> subset;
    if (printout.rows) subset.emplace(table, *printout.rows);
    const PrintableTable& sheet = subset ? static_cast<const PrintableTable&>(*subset) : table;
    std::optional<PrintBlock> selection = printout.selection;
    if (subset && selection && selection->row1 >= 0 && selection->row2 >= 0) {
      selection->row1 = subset->firstAtOrAfter(selection->row1);
      selection->row2 = subset->lastAtOrBefore(selection->row2);
      if (selection->row2 < selection->row1) selection.reset();
    }

    ProgressPump progress(ui, printout.progressClock);
    for (int copy = 1; copy <= choice.copies; ++copy) {
      TablePrintSettings settings;
      step([&] {
        const QDateTime when = printout.now ? printout.now() : QDateTime::currentDateTime();
        settings.jobName = printout.jobText + generalDateText(when);
      });
      settings.headerText = printHeaderText(fileName);
      settings.footerText = kPrintFooterText;
      settings.rowsInFooter = true;
      settings.headerLines = printout.headerLines;
      if (selection && selection->row2 - selection->row1 > 1) {
        const PrintBlock& block = *selection;
        settings.cellRange = true;
        settings.firstCol = block.col1;
        settings.firstRow = block.row1;
        settings.lastCol = block.col2;
        settings.lastRow = block.row2;
      }
      settings.useDataMax = true;
      settings.orientation = choice.orientation;
      settings.firstPage = choice.firstPage;
      settings.lastPage = choice.lastPage;
      settings.repeatedColumns = printout.repeatedColumns;
      const int copies = choice.copies;
      auto beforePage = [&](int done, int total) {
        if (done == 0) {
          progress.open(printProgressTitle(), printProgressText(1, total, copy, copies), total);
          return !progress.cancelled();
        }
        return progress.step(done,
                             [&] { return printProgressText(done + 1, total, copy, copies); });
      };
      try {
        step([&] {
          if (!printer) throw RuntimeError(kPrinterError, QStringLiteral("Printer error"));
          if (toFile) printer->setOutputFileName(copyOutputFileName(chosenFile, copy));
          printTable(sheet, *printer, settings, beforePage);
        });
      } catch (const Cancelled&) {
        if (toFile) printer->setOutputFileName(chosenFile);
        throw;
      }
      progress.close();
    }
    if (toFile) printer->setOutputFileName(chosenFile);
  } catch (const Cancelled&) {
  }
}

}  // namespace tarvex
