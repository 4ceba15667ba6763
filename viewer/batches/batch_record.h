// One batch of the register: what a scan found for one data history file,
// its companions, its signatures and its review, as the register stores it
// and `tarvex batches list` and the Batches window show it.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

#include "record/review_status.h"

namespace tarvex {

// The verdict over the records of a batch's ".sig".
enum class SignatureVerdict {
  Unsigned,   // no ".sig", or one without any record
  Confirmed,  // every record confirms the file as it is now
  Failed,     // a record does not (a damaged line counts), or the ".sig" cannot be read
};

// "unsigned", "confirmed", "failed"; and back (any case), empty for any
// other text.
QString verdictName(SignatureVerdict verdict);
std::optional<SignatureVerdict> verdictFromName(QStringView name);
// reviewStateName, as the register writes it; and read back (any case),
// empty for any other text.
QString reviewName(ReviewState state);
std::optional<ReviewState> reviewStateFromName(QStringView name);

// A time of a log row as the register keeps it: the clock reading the
// controller wrote, in whole seconds since 30 December 1899 00:00:00 (the
// unit of rowSeconds), no time zone.
using ClockSeconds = qint64;
// "yyyy-MM-ddTHH:mm:ss", and back (empty when the text is no such time).
QString isoOfClock(ClockSeconds seconds);
std::optional<ClockSeconds> clockOfIso(QStringView text);

struct BatchRecord {
  // The file, as the scan found it: its absolute path (the register's key),
  // its size and modification time (milliseconds since 1970 UTC).
  QString path;
  qint64 size = 0;
  qint64 mtimeMs = 0;

  // What reading it gave; empty when it could not be read (see error).
  QString sha256;     // lower-case hex
  QString sigDigest;  // the digest signature records hold (VxLog::CalculateFileHash)
  qint64 rows = 0;    // data rows, the title row not counted
  std::optional<ClockSeconds> first;  // the earliest and latest row time
  std::optional<ClockSeconds> last;
  qint64 untimedRows = 0;  // data rows whose date or time does not read
  QStringList channels;    // the channel titles, in column order

  // Companions: "" when there is none.
  QString sigPath;
  qint64 sigSize = -1;  // the ".sig" as it was verified; -1 without one
  qint64 sigMtimeMs = -1;
  QString evtPath;
  QString auditPath;
  QString alarmPath;

  SignatureVerdict verdict = SignatureVerdict::Unsigned;
  int sigRecords = 0;
  int sigConfirmed = 0;
  int sigFailed = 0;
  QString sigProblem;  // why the ".sig" could not be read, or ""

  // Alarms of the alarm history within first..last; empty without one.
  std::optional<int> alarms;

  ReviewState review = ReviewState::None;
  QString reviewBy;    // the deciding sign-off's signer name
  QString reviewById;  // and identity
  QString reviewAt;    // its time, ISO 8601 UTC ("2026-03-01T09:30:00Z"), or ""
  QString reviewNote;  // its reason, or the record's problems (one a line)

  bool missing = false;  // the file was gone at the last scan of its tree
  QString error;         // why the file could not be read, or ""
  QString scannedAt;     // ISO 8601 UTC
};

}  // namespace tarvex
