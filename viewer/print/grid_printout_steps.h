// The steps every printout of a log table takes with the user: file guard,
// printer check, printer dialog, and one print job per copy. The four print
// procedures of the history window (grid_printouts.h) are this one procedure
// with their own texts and guards.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "print/table_printer.h"
#include "shell/userinterface.h"

namespace tarvex {

// The job name's date and time in the general date format: the locale's
// short date with a four-digit year, a blank, and its long time without the
// time zone ("12/8/2026 5:23:07 PM" in the US).
QString generalDateText(const QDateTime& when, const QLocale& locale = QLocale());

// The message shown when there is no printer (style 16).
QString noPrinterText();

// A block of cells to print: (col1, row1)..(col2, row2); rows -1 stand for
// whole columns.
struct PrintBlock {
  int col1 = 0;
  int row1 = 0;
  int col2 = 0;
  int row2 = 0;
};

// What one printout takes from its caller.
struct GridPrintout {
  // Runs the table's file guard; false when no file is open (the guard has
  // shown its message).
  std::function<bool(UserInterface&, const QString&)> guard;
  QString jobText;  // "Data History Printout At: " and the like
  // The current selection block when it may limit the printout (the data
  // grid only): a block spanning three rows or more is printed alone.
  std::optional<PrintBlock> selection;
  // The clock of the job names; the current time when empty.
  std::function<QDateTime()> now;
  // The columns that identify a row, printed on every page of a printout
  // wider than a page (TablePrintSettings::repeatedColumns).
  QList<int> repeatedColumns;
  // The clock of the progress window (ProgressPump::Clock); steady when empty.
  std::function<qint64()> progressClock;
  // A filtered grid: only these table rows (ascending) are printed, below
  // the titles, and the selection block's rows count among them alone.
  std::optional<std::vector<int>> rows;
  // Lines under the header line of every page ("Filtered: ...").
  QStringList headerLines;
};

// The progress window of a printout: its caption and its text while page
// `page` of `total` is printed (copy `copy` of `copies`).
QString printProgressTitle();
QString printProgressText(int page, int total, int copy, int copies);

// The header line of a printout of fileName.
QString printHeaderText(const QString& fileName);
// The footer: nothing in the centre, "Page #" and the page number at the right.
inline const QString kPrintFooterText = QStringLiteral("/c/rPage #/p");

// The output file of copy `copy` (from 1) when the printer writes to a file:
// the first copy keeps the chosen name, the others get " (n)" before the
// extension, so that no job overwrites another.
QString copyOutputFileName(const QString& chosen, int copy);

// The printout: guard, printer count, printer dialog (flags 12), then one
// print job per copy. Cancelling the dialog ends it silently; any other
// failing step is passed over and the next step runs. While the pages are
// drawn a progress window shows the page and the page count, window events
// run every ProgressPump::kPumpIntervalMs, and its Cancel ends the job (no
// part of it is kept) and every copy after it, silently.
void printGrid(UserInterface& ui, const PrintableTable& table, const QString& fileName,
               const GridPrintout& printout);

}  // namespace tarvex
