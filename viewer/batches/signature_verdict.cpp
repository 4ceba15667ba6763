#include "batches/signature_verdict.h"

#include <vector>

#include "logfiles/companions.h"
#include "logfiles/logtable.h"
#include "shell/runtime_error.h"
#include "signatures/verify.h"

namespace tarvex {

SignatureCount verifySignatureFile(const QString& sigPath, const QString& digest, VxLog& sigLog) {
  SignatureCount c;
  if (sigPath.isEmpty()) return c;
  LogTable table;
  setCompanionLayout(table, CompanionKind::DataSignatures);
  std::vector<DamagedLine> damaged;
  try {
    readCompanionRows(table, sigPath, sigLog, {}, &damaged);
  } catch (const RuntimeError& e) {
    c.verdict = SignatureVerdict::Failed;
    c.problem = QStringLiteral("Error %1 = %2").arg(e.number()).arg(e.description());
    return c;
  }
  for (const RecordCheck& check : checkRecords(table, digest))
    ++(check.confirmed && !digest.isEmpty() ? c.confirmed : c.failed);
  c.failed += int(damaged.size());
  c.records = c.confirmed + c.failed;
  c.verdict = c.failed > 0     ? SignatureVerdict::Failed
              : c.records == 0 ? SignatureVerdict::Unsigned
                               : SignatureVerdict::Confirmed;
  return c;
}

}  // namespace tarvex
