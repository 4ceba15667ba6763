// Verification of a recorded signature: the file's present digest
// (VxLog::CalculateFileHash) against the hash of the signature row the user
// selected (hidden column 4 of the signature table). The procedures do all
// their work with the user through the UserInterface: the window only
// passes the table, the first selected row and the file name.
#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace tarvex {

class LogTable;
class UserInterface;
class VxLog;

// Which file a signature table belongs to; chooses the message texts.
enum class SignedFile { DataFile, AuditTrail };

enum class VerifyResult {
  NothingToVerify,  // no signature rows, or no file open
  NoRowSelected,    // selectedRow was 0
  Confirmed,        // the recorded hash equals the file's digest
  Failed,           // it differs
  Error,            // the digest could not be computed (an error message was shown)
};

// The column of a signature table holding the record's hash.
inline constexpr int kHashColumn = 4;

// True when a recorded hash confirms a digest: equal texts, character for
// character (case-sensitive, no trimming).
inline bool hashConfirms(const QString& recordedHash, const QString& digest) {
  return recordedHash == digest;
}

// The failure message's first line, "Digital signature of file failed!",
// and its second line for the kind ("Data File has been altered or
// corrupted.", "Audit trail has been altered or corrupted.").
QString signatureFailedText();
QString alteredFileText(SignedFile kind);

// VerifyDataSignature and VerifyAuditSignature: verify the signature in row
// selectedRow of sigGrid (the first row of the grid's current selection
// block, 0 when no data row is selected) against fileName (dataFileName or
// auditFileName; "" when none is open).
//  - sigGrid.lastRow() < 1 or fileName empty: "No signature to verify!"
//    (style 32), nothing else changes.
//  - otherwise the status reads "Verifying digital signature, please
//    wait!" and the pointer is the hourglass while it works; then
//    selectedRow 0: "No digital signature selected from grid!" (16);
//    the digest of fileName equal to the row's hash: the success message
//    (64), different: the failure message (16); a run-time error (the file
//    cannot be read, an empty file): "Error Number N" and the ending of
//    the kind, "Please contact Factory with this error." (16).
//  - every way after the first check ends with the status "Current File is
//    " + fileName and the normal pointer.
// Messages go through ui.msgBoxPos with an empty title and the OK button
// only. Nothing else changes: not the table, its selection or the busy flag.
VerifyResult verifySignature(SignedFile kind, const LogTable& sigGrid, int selectedRow,
                             const QString& fileName, VxLog& sigLog, UserInterface& ui);

// The outcome of one signature record checked by verifyRecords.
struct RecordCheck {
  int row = 0;             // the record's row in the signature table
  bool confirmed = false;  // its hash equals the file's digest
};

struct VerifyRecordsResult {
  std::vector<RecordCheck> checks;  // in row order
  bool cancelled = false;           // progress returned false; checks is empty
};

// Which rows verifyRecords checks.
struct VerifyRecordsOptions {
  int firstRow = 1;
  int lastRow = -1;           // -1: the table's lastRow()
  bool skipBlankRows = true;  // a row without any field (an empty line) holds no record
};

// Checks every record (row) of sigGrid against the present digest of
// fileName, which is computed once: what "Verify All" in the window and
// `tarvex verify` do. progress(percent) (may be empty) is called with 0 to
// 100 while the digest is computed (the long part) and as the rows are
// compared; returning false cancels: the result is then marked cancelled
// and holds no checks. Shows nothing and changes nothing.
// Throws RuntimeError when the digest cannot be computed (the file cannot
// be read, an empty file: see VxLog::CalculateFileHash).
VerifyRecordsResult verifyRecords(const LogTable& sigGrid, const QString& fileName, VxLog& sigLog,
                                  const std::function<bool(int percent)>& progress = {},
                                  const VerifyRecordsOptions& options = {});

// The comparing part of verifyRecords, for a caller that has the file's
// digest already (the batch register computes it while it reads the file):
// every record of sigGrid (the rows `options` names) against `digest`.
// Shows nothing and changes nothing.
std::vector<RecordCheck> checkRecords(const LogTable& sigGrid, const QString& digest,
                                      const VerifyRecordsOptions& options = {});

inline VerifyResult VerifyDataSignature(const LogTable& digiSigGrid, int selectedRow,
                                        const QString& dataFileName, VxLog& sigLog,
                                        UserInterface& ui) {
  return verifySignature(SignedFile::DataFile, digiSigGrid, selectedRow, dataFileName, sigLog, ui);
}

inline VerifyResult VerifyAuditSignature(const LogTable& auditSigGrid, int selectedRow,
                                         const QString& auditFileName, VxLog& sigLog,
                                         UserInterface& ui) {
  return verifySignature(SignedFile::AuditTrail, auditSigGrid, selectedRow, auditFileName, sigLog,
                         ui);
}

}  // namespace tarvex
