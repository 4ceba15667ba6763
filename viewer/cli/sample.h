// A realistic set of controller log files for trying the viewer and the
// command-line tool, written exactly as a controller writes them.
#pragma once

#include <QString>
#include <QStringList>

namespace tarvex {

class VxLog;

struct SampleSet {
  QString dataFile;   // data history, 8 channels at 10 s steps
  QString sigFile;    // its signatures: the last two verify, the first does not
  QString evtFile;    // its operator events
  QString auditFile;  // audit trail (".aud")
  QString auditSig;   // the audit trail's signatures (all verify)
  QString alarmFile;  // alarm history (".csv")
  QStringList files() const { return {dataFile, sigFile, evtFile, auditFile, auditSig, alarmFile}; }
};

// The smallest number of data rows a sample holds: the first signature was
// made when half of them were written, so there must be a second half.
inline constexpr int kMinSampleRows = 2;

// Writes the sample set into dir (created when missing) with `rows` data
// rows (at least kMinSampleRows). Text in code page 1252, lines ending in CR
// LF; the ".sig" and ".evt" lines are the hex text of their records'
// ciphertext under "plumb". The content depends only on `rows`. Each file
// is replaced whole or not at all. Throws RuntimeError (75, 76 for files
// that cannot be written, 5 for too few rows).
SampleSet writeSampleSet(const QString& dir, int rows, VxLog& sigLog);

}  // namespace tarvex
