#include "signatures/verify.h"

#include <algorithm>
#include <new>

#include "logfiles/logtable.h"
#include "shell/runtime_error.h"
#include "shell/userinterface.h"
#include "signatures/vxlog.h"

namespace tarvex {
namespace {

struct KindTexts {
  QString success;
  QString alteredLine;
  QString errorEnding;
};

KindTexts textsOf(SignedFile kind) {
  if (kind == SignedFile::AuditTrail)
    return {QStringLiteral("Digital signature of audit trail confirmed!"),
            QStringLiteral("Audit trail has been altered or corrupted."),
            QStringLiteral(". - Digital verification of audit trail failed!")};
  return {QStringLiteral("Digital signature of file confirmed!"),
          QStringLiteral("Data File has been altered or corrupted."),
          QStringLiteral(". - Digital verification of file failed!")};
}

const QString kCrLf = QStringLiteral("\r\n");

}  // namespace

QString signatureFailedText() { return QStringLiteral("Digital signature of file failed!"); }

QString alteredFileText(SignedFile kind) { return textsOf(kind).alteredLine; }

VerifyResult verifySignature(SignedFile kind, const LogTable& sigGrid, int selectedRow,
                             const QString& fileName, VxLog& sigLog, UserInterface& ui) {
  const KindTexts texts = textsOf(kind);
  if (sigGrid.lastRow() < 1 || fileName.isEmpty()) {
    ui.msgBoxPos(QStringLiteral("No signature to verify!") + kCrLf + kCrLf +
                     QStringLiteral("Use the open file icon to load a data file."),
                 mb::Question);
    return VerifyResult::NothingToVerify;
  }

  VerifyResult result = VerifyResult::Error;
  int errorNumber = 0;
  try {
    ui.setStatusText(QStringLiteral("Verifying digital signature, please wait!"));
    ui.setPointer(Pointer::Hourglass);
    if (selectedRow == 0) {
      ui.msgBoxPos(QStringLiteral("No digital signature selected from grid!"), mb::Critical);
      result = VerifyResult::NoRowSelected;
    } else {
      const QString recorded = sigGrid.getCell(kHashColumn, selectedRow);
      const QString digest = sigLog.CalculateFileHash(fileName, QString::fromUtf16(kSigPassword));
      if (hashConfirms(recorded, digest)) {
        ui.msgBoxPos(texts.success, mb::Information);
        result = VerifyResult::Confirmed;
      } else {
        ui.msgBoxPos(signatureFailedText() + kCrLf + texts.alteredLine, mb::Critical);
        result = VerifyResult::Failed;
      }
    }
  } catch (const RuntimeError& e) {
    errorNumber = e.number();
  } catch (const std::bad_alloc&) {
    errorNumber = err::OutOfMemory;
  }
  if (result == VerifyResult::Error)
    ui.msgBoxPos(QStringLiteral("Error Number ") + QString::number(errorNumber) +
                     texts.errorEnding + kCrLf +
                     QStringLiteral("Please contact Factory with this error."),
                 mb::Critical);
  ui.setStatusText(QStringLiteral("Current File is ") + fileName);
  ui.setPointer(Pointer::Normal);
  return result;
}

namespace {

// Calls fn(row) for the rows first..last of sigGrid that hold a record (a
// row without any field holds none when skipBlank); false when fn stopped
// it by returning false.
template <class Fn>
bool forEachRecordRow(const LogTable& sigGrid, int first, int last, bool skipBlank, Fn fn) {
  for (int r = first; r <= last; ++r) {
    if (skipBlank) {
      bool blank = true;
      for (int c = 0; c <= sigGrid.lastCol() && blank; ++c) blank = sigGrid.isCellEmpty(c, r);
      if (blank) continue;
    }
    if (!fn(r)) return false;
  }
  return true;
}

}  // namespace

std::vector<RecordCheck> checkRecords(const LogTable& sigGrid, const QString& digest,
                                      const VerifyRecordsOptions& options) {
  std::vector<RecordCheck> checks;
  const int last = options.lastRow < 0 ? sigGrid.lastRow() : options.lastRow;
  forEachRecordRow(sigGrid, std::max(1, options.firstRow), last, options.skipBlankRows, [&](int r) {
    checks.push_back({r, hashConfirms(sigGrid.getCell(kHashColumn, r), digest)});
    return true;
  });
  return checks;
}

VerifyRecordsResult verifyRecords(const LogTable& sigGrid, const QString& fileName, VxLog& sigLog,
                                  const std::function<bool(int percent)>& progress,
                                  const VerifyRecordsOptions& options) {
  // The digest is nearly all of the work: it takes the first 95 percent.
  constexpr int kDigestShare = 95;
  VerifyRecordsResult result;
  if (progress && !progress(0)) {
    result.cancelled = true;
    return result;
  }
  QString digest;
  try {
    digest = sigLog.CalculateFileHash(
        fileName, QString::fromUtf16(kSigPassword), [&](qint64 done, qint64 total) {
          if (!progress) return true;
          return progress(total > 0 ? int(std::min<qint64>(done, total) * kDigestShare / total)
                                    : kDigestShare);
        });
  } catch (const RuntimeError& e) {
    if (e.number() != err::Cancel) throw;
    result.cancelled = true;
    return result;
  }
  const int first = std::max(1, options.firstRow);
  const int last = options.lastRow < 0 ? sigGrid.lastRow() : options.lastRow;
  const bool goOn = forEachRecordRow(sigGrid, first, last, options.skipBlankRows, [&](int r) {
    result.checks.push_back({r, hashConfirms(sigGrid.getCell(kHashColumn, r), digest)});
    // Comparing is cheap: ask about cancelling every 4096 rows.
    return !progress || (r - first) % 4096 != 4095 ||
           progress(kDigestShare +
                    int(qint64(r - first) * (100 - kDigestShare) / std::max(1, last - first + 1)));
  });
  if (!goOn) {
    result.checks.clear();
    result.cancelled = true;
    return result;
  }
  if (progress) progress(100);  // all done: too late to cancel
  return result;
}

}  // namespace tarvex
