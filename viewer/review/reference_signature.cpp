#include "review/reference_signature.h"

#include <new>

#include "logfiles/companions.h"
#include "logfiles/logtable.h"
#include "shell/runtime_error.h"
#include "signatures/verify.h"
#include "signatures/vxlog.h"

namespace tarvex {

QString ReferenceSignature::note() const {
  switch (state) {
    case State::Unsigned:
      return QStringLiteral("reference unsigned");
    case State::Confirmed:
      return QStringLiteral("reference signed");
    case State::Failed:
      break;
  }
  return QStringLiteral("reference signature failed");
}

ReferenceSignature checkReferenceSignature(const QString& path, VxLog& sigLog) {
  ReferenceSignature r;
  const QString sigPath = companionFileName(path, CompanionKind::DataSignatures);
  if (!fileExists(sigPath)) return r;
  r.state = ReferenceSignature::State::Failed;
  try {
    LogTable table;
    setCompanionLayout(table, CompanionKind::DataSignatures);
    readCompanionRows(table, sigPath, sigLog);
    const VerifyRecordsResult result = verifyRecords(table, path, sigLog);
    for (const RecordCheck& check : result.checks) {
      ++r.records;
      if (!check.confirmed) ++r.failed;
    }
    if (r.records > 0 && r.failed == 0) r.state = ReferenceSignature::State::Confirmed;
    if (r.records == 0) r.error = QStringLiteral("the signature file holds no record");
  } catch (const RuntimeError& e) {
    r.error = QStringLiteral("Error %1 = %2").arg(e.number()).arg(e.description());
  } catch (const std::bad_alloc&) {
    r.error = QStringLiteral("Error 7 = Out of memory");
  }
  return r;
}

QString referenceSignatureFailedText(const QString& name, const ReferenceSignature& check) {
  QString text = QStringLiteral("Digital signature of reference file %1 failed!").arg(name);
  if (check.failed > 0)
    text += QStringLiteral("\r\n%1 of its %2 signature records do not match the file.")
                .arg(check.failed)
                .arg(check.records);
  else if (!check.error.isEmpty())
    text += QStringLiteral("\r\nIts signatures cannot be checked: %1.").arg(check.error);
  text += QStringLiteral("\r\nThe reference is drawn all the same.");
  return text;
}

}  // namespace tarvex
