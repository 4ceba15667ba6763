#include "history/verify_results.h"

#include <algorithm>
#include <new>

#include "logfiles/logtable.h"
#include "shell/progress_pump.h"
#include "shell/runtime_error.h"
#include "shell/userinterface.h"
#include "signatures/vxlog.h"

namespace tarvex {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Width of the Result column in characters: the longest text and a margin.
constexpr double kResultWidth = 36;

}  // namespace

int resultColumn(const LogTable& sigGrid) {
  for (int col = kResultColumn; col <= sigGrid.lastCol(); ++col)
    if (sigGrid.getCell(col, 0) == QLatin1String("Result")) return col;
  return -1;
}

int addResultColumn(LogTable& sigGrid) {
  int col = resultColumn(sigGrid);
  if (col < 0) col = std::max(kResultColumn, sigGrid.dataColCount() + 1);
  sigGrid.setCell(col, 0, QStringLiteral("Result"));
  sigGrid.setColumnWidth(col, kResultWidth);
  sigGrid.setColumnHidden(col, false);
  return col;
}

QString resultText(bool confirmed, const QDateTime& when) {
  return (confirmed ? QStringLiteral("Confirmed ") : QStringLiteral("Failed ")) +
         when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

void setResult(LogTable& sigGrid, int row, bool confirmed, const QDateTime& when) {
  if (row < 1) return;
  int col = resultColumn(sigGrid);
  if (col < 0) col = addResultColumn(sigGrid);
  sigGrid.setCell(col, row, resultText(confirmed, when));
}

VerifyAllOutcome verifyAllSignatures(SignedFile kind, LogTable& sigGrid, const QString& fileName,
                                     VxLog& sigLog, UserInterface& ui,
                                     const std::function<QDateTime()>& now,
                                     const std::function<qint64()>& progressClock) {
  const bool audit = kind == SignedFile::AuditTrail;
  VerifyAllOutcome outcome;
  if (sigGrid.lastRow() < 1 || fileName.isEmpty()) {
    ui.msgBoxPos(QStringLiteral("No signature to verify!") + kCrLf + kCrLf +
                     QStringLiteral("Use the open file icon to load a data file."),
                 mb::Question);
    return outcome;
  }

  ui.setStatusText(QStringLiteral("Verifying digital signature, please wait!"));
  ui.setPointer(Pointer::Hourglass);
  int errorNumber = 0;
  try {
    ProgressPump pump(ui, progressClock);
    const QString text = QStringLiteral("Verifying every digital signature of ") +
                         (audit ? QStringLiteral("the audit trail") : QStringLiteral("the file")) +
                         QStringLiteral(", please wait!");
    pump.open(QStringLiteral("Verify All"), text, 100);
    const VerifyRecordsResult r = verifyRecords(sigGrid, fileName, sigLog, [&](int percent) {
      return !pump.cancelled() && pump.step(percent, [&] { return text; });
    });
    pump.close();
    if (r.cancelled) {
      outcome.cancelled = true;
    } else {
      const QDateTime when = now ? now() : QDateTime::currentDateTime();
      for (const RecordCheck& check : r.checks) {
        setResult(sigGrid, check.row, check.confirmed, when);
        ++outcome.checked;
        if (check.confirmed) ++outcome.confirmed;
      }
    }
  } catch (const RuntimeError& e) {
    outcome.error = true;
    errorNumber = e.number();
  } catch (const std::bad_alloc&) {
    outcome.error = true;
    errorNumber = err::OutOfMemory;
  }

  if (!outcome.error && !outcome.cancelled && outcome.checked == 0) {
    // Only blank rows: nothing was there to check.
    ui.msgBoxPos(QStringLiteral("No signature to verify!") + kCrLf + kCrLf +
                     QStringLiteral("Use the open file icon to load a data file."),
                 mb::Question);
  } else if (outcome.error) {
    ui.msgBoxPos(QStringLiteral("Error Number ") + QString::number(errorNumber) +
                     (audit ? QStringLiteral(". - Digital verification of audit trail failed!")
                            : QStringLiteral(". - Digital verification of file failed!")) +
                     kCrLf + QStringLiteral("Please contact Factory with this error."),
                 mb::Critical);
  } else if (!outcome.cancelled) {
    const QString of = audit ? QStringLiteral("audit trail") : QStringLiteral("file");
    const int failed = outcome.checked - outcome.confirmed;
    if (failed == 0) {
      ui.msgBoxPos(
          QStringLiteral("All %1 digital signatures of %2 confirmed!").arg(outcome.checked).arg(of),
          mb::Information);
    } else {
      ui.msgBoxPos(QStringLiteral("%1 of %2 digital signatures of %3 failed!")
                           .arg(failed)
                           .arg(outcome.checked)
                           .arg(of) +
                       kCrLf +
                       (audit ? QStringLiteral("Audit trail has been altered or corrupted.")
                              : QStringLiteral("Data File has been altered or corrupted.")),
                   mb::Critical);
    }
  }
  ui.setStatusText(QStringLiteral("Current File is ") + fileName);
  ui.setPointer(Pointer::Normal);
  return outcome;
}

}  // namespace tarvex
