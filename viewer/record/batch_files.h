// The files of a batch that a sign-off binds, each with its SHA-256: the
// data file, its ".sig" and ".evt" beside it, and when given the audit
// trail, its ".sig" beside it, and the alarm history.
#pragma once

#include <QString>
#include <vector>

namespace tarvex {

// The batch as a reviewer names it (the audit trail and alarm history as
// `tarvex report` takes them; "" when not given).
struct BatchPaths {
  QString dataFile;
  QString auditFile;
  QString alarmFile;
};

struct BatchFile {
  QString role;  // "data", "data-sig", "evt", "audit", "audit-sig", "alarms"
  QString path;
  QString name;  // without folder
  bool present = false;
  QString sha256;  // 64 hex digits when present
};

// SHA-256 of the regular file at path, 64 hex digits, read in parts. Throws
// RuntimeError as openRegularFile does (a pipe or device is never read).
QString sha256OfFile(const QString& path);

// The batch's files in the order of the roles above, each present one with
// its SHA-256 (companions and files not given are left out). The data file
// and a given audit trail or alarm history must be present: throws
// RuntimeError otherwise. `dataSha256`, when not empty, is taken for the
// data file instead of reading it again.
std::vector<BatchFile> batchFiles(const BatchPaths& batch, const QString& dataSha256 = {});

// Where the file of `role` named `name` (as a sign-off keeps it) is looked
// for now: a given path of that name, else beside the data file.
QString boundFilePath(const BatchPaths& batch, const QString& role, const QString& name);

}  // namespace tarvex
