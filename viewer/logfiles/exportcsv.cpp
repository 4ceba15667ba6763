#include "logfiles/exportcsv.h"

#include "shell/filenames.h"

namespace tarvex {

QString exportFileName(const QString& prefix, const QString& logPath) {
  return prefix + baseName(logPath) + QStringLiteral(".csv");
}

}  // namespace tarvex
