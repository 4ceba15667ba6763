// What the signature tables show of the checks made in this session: a
// "Result" column beside the records, holding "Confirmed" or "Failed" and
// the time of the check for every row checked, and "Verify All", which
// checks every record of a table in one pass (verifyRecords, the same path
// as the command-line tool) with a progress window that can be cancelled.
#pragma once

#include <QDateTime>
#include <QString>

#include "signatures/verify.h"

namespace tarvex {

class LogTable;
class UserInterface;
class VxLog;

// The first column a signature table's results may take: right of the
// hidden hash column.
inline constexpr int kResultColumn = 5;

// Gives a signature table its "Result" column (title and width) right of
// every column that holds a field, so that a record with more fields than
// the five never shows one of them under "Result". Returns its column.
int addResultColumn(LogTable& sigGrid);
// The table's "Result" column; -1 when it has none.
int resultColumn(const LogTable& sigGrid);

// "Confirmed 2026-12-09 05:04:12" / "Failed 2026-12-09 05:04:12".
QString resultText(bool confirmed, const QDateTime& when);

// Writes the result of row `row` into the Result column.
void setResult(LogTable& sigGrid, int row, bool confirmed, const QDateTime& when);

// What verifyAllSignatures did.
struct VerifyAllOutcome {
  int checked = 0;    // records compared
  int confirmed = 0;  // of them confirmed
  bool cancelled = false;
  bool error = false;  // the digest could not be computed; reported
};

// "Verify All" on a signature table: refuses as a single verification does
// when there is nothing to verify ("No signature to verify!", style 32).
// Otherwise shows the verifying status and the hourglass, a progress window
// ("Verify All", Cancel) while the file's digest is computed once, writes
// every record's result with the time `now()` gives (the current time when
// empty), and tells the outcome: every record confirmed (style 64) or how
// many failed and that the file was altered (style 16). Cancel ends it
// silently with no result written; an unreadable file gets the verification
// error message. Every way out ends with "Current File is " and the file
// name and the normal pointer.
VerifyAllOutcome verifyAllSignatures(SignedFile kind, LogTable& sigGrid, const QString& fileName,
                                     VxLog& sigLog, UserInterface& ui,
                                     const std::function<QDateTime()>& now = {},
                                     const std::function<qint64()>& progressClock = {});

}  // namespace tarvex
