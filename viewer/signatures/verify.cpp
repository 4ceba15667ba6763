#include "signatures/verify.h"

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
        ui.msgBoxPos(
            QStringLiteral("Digital signature of file failed!") + kCrLf + texts.alteredLine,
            mb::Critical);
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

}  // namespace tarvex
