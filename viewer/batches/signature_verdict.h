// The verdict over a batch's signatures, as `tarvex verify` reaches it: the
// records of the ".sig" against the data file's digest.
#pragma once

#include <QString>

#include "batches/batch_record.h"

namespace tarvex {

class VxLog;

struct SignatureCount {
  SignatureVerdict verdict = SignatureVerdict::Unsigned;
  int records = 0;    // records, damaged lines included
  int confirmed = 0;  // of them, those whose hash equals the digest
  int failed = 0;     // the others
  QString problem;    // why the ".sig" could not be read, or ""
};

// Reads the ".sig" at sigPath ("" when there is none: unsigned) and checks
// every record against `digest` (the data file's VxLog::CalculateFileHash;
// "" when it could not be read, so that no record confirms). A damaged
// line counts as a failed record; a ".sig" that cannot be read is failed
// with the reason; one without a record is unsigned.
SignatureCount verifySignatureFile(const QString& sigPath, const QString& digest, VxLog& sigLog);

}  // namespace tarvex
