// The enciphered companion files of a log: the signature file (".sig") of a
// data history file or an audit trail, and the operator event file (".evt")
// of a data history file. Each line is one record, the hex text of its
// ciphertext under the password "plumb"; the plain record is a list of
// fields separated by "," (no quoting, empty fields count):
//   signature record:       date, time, user full name, comment, hash
//   operator event record:  date, time, user full name, event message
// Field 1 goes to column 0, field n to column n - 1; line k to row k; row 0
// holds the titles. The hash (column 4) is hidden in the signature tables;
// verification compares it (signatures/verify.h).
//
// The readers work line by line (the file is never read whole) and have no
// row limit. A line that cannot be read, does not decipher or holds a hex
// group above FF ends the load with a RuntimeError that names the line.
#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace tarvex {

class LogTable;
class UserInterface;
class VxLog;

enum class CompanionKind {
  DataSignatures,   // digiSigGrid: ".sig" of the data history file
  AuditSignatures,  // auditSigGrid: ".sig" of the audit trail
  OperatorEvents,   // opEvGrid: ".evt" of the data history file
};

// ".sig" or ".evt".
QString companionExtension(CompanionKind kind);

// The companion of a log file: its folder, its base name (up to the first
// "."), the kind's extension. C:\logs\run.2007.csv -> C:\logs\run.sig.
QString companionFileName(const QString& logFileName, CompanionKind kind);

// True when path names an existing file that is not a folder.
bool fileExists(const QString& path);

// Empties the table (every cell, lastRow() = 0) and gives it the kind's
// layout: titles "Date", "Time", "User Full Name" and "Comment" or
// "Event Message" in row 0, widths 12, 12, 25, 100; in the signature tables
// column 4 (the hash) is hidden. Read-only, whole-row selection.
void setCompanionLayout(LogTable& table, CompanionKind kind);

// Reads the companion file at path into rows 1.. of table, which
// setCompanionLayout prepared: every line deciphered with sigLog and
// "plumb" and split at ",". A line whose plain text is empty leaves its row
// empty; lastRow() ends at the last row that received a field. beforeLine
// (may be empty) runs before every batch of lines (a few milliseconds of
// work apart); the readers let window events run there. Lines are
// deciphered on two threads, rows filled in line order. Returns the number
// of lines read.
// Throws RuntimeError: the file errors of TextInputFile (53, 75, 76; 75 also
// for a pipe, device or folder), 6 for a hex group above FF, 5 for a line
// that does not decipher or is longer than any record (1 MiB; all with the
// line number and file name in the description), 7 when memory runs out.
//
// With `damaged`, a line that does not decipher or holds a hex group above
// FF does not end the load: its row stays empty and the line is listed
// there (the batch review report names such lines and goes on). Errors of
// reading the file still end it.
struct DamagedLine {
  qint64 line = 0;  // from 1
  int number = 0;   // the run-time error number
  QString description;
};
qint64 readCompanionRows(LogTable& table, const QString& path, VxLog& sigLog,
                         const std::function<void()>& beforeLine = {},
                         std::vector<DamagedLine>* damaged = nullptr);

// Deciphers the companion file at path line by line and hands each line's
// number (from 1) and plain text to fn. Throws as readCompanionRows.
void forEachCompanionRecord(const QString& path, VxLog& sigLog,
                            const std::function<void(qint64 line, const QString& plain)>& fn);

// What a reader procedure did.
enum class CompanionLoad {
  Loaded,  // the companion was read into the table
  Absent,  // no companion: the table holds only its titles
  Failed,  // an error was reported; the table and the flags were reset
};

// The reader procedures of the history window, the whole of their work with
// the user: they empty the table and set its layout, show the loading and
// deciphering status texts and the hourglass, let window events run while
// they decipher (once before the first line, then at most every 20 ms), and
// restore the pointer. Every way out lowers
// f_FileLoading.
//
// loadSigFile and loadOpEventsFile read the companion of dataFileName into
// digiSigGrid / opEvGrid. On an error they report it (reportError naming
// "loadSigFile" / "loadOpEventsFile") and call clearHistData, which resets
// the data side (the window's procedure; may be empty in tests).
// loadOpEventsFile ends with the status "Current File is " + dataFileName,
// also when there is no ".evt" companion; loadSigFile leaves its loading
// text for the operator event reader that runs next.
//
// loadAuditSigFile reads the ".sig" of auditFileName into auditSigGrid. On
// an error it reports it (naming "loadAuditSigFile") and empties its own
// table back to its titles; other tables are left alone. It ends with the
// status "Current File is " + auditFileName.
CompanionLoad loadSigFile(LogTable& digiSigGrid, const QString& dataFileName, VxLog& sigLog,
                          UserInterface& ui, bool& f_FileLoading,
                          const std::function<void()>& clearHistData);
CompanionLoad loadOpEventsFile(LogTable& opEvGrid, const QString& dataFileName, VxLog& sigLog,
                               UserInterface& ui, bool& f_FileLoading,
                               const std::function<void()>& clearHistData);
CompanionLoad loadAuditSigFile(LogTable& auditSigGrid, const QString& auditFileName, VxLog& sigLog,
                               UserInterface& ui, bool& f_FileLoading);

}  // namespace tarvex
