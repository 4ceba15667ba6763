#include "record/batch_files.h"

#include <nettle/sha2.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "logfiles/companions.h"
#include "shell/readfiles.h"
#include "shell/runtime_error.h"

namespace tarvex {

QString sha256OfFile(const QString& path) {
  QFile file;
  openRegularFile(file, path);
  sha256_ctx ctx;
  sha256_init(&ctx);
  QByteArray part(1 << 20, Qt::Uninitialized);
  for (;;) {
    const qint64 n = file.read(part.data(), part.size());
    if (n < 0)
      throw RuntimeError(err::PathFileAccess, path + QStringLiteral(": ") + file.errorString());
    if (n == 0) break;
    sha256_update(&ctx, std::size_t(n), reinterpret_cast<const uint8_t*>(part.constData()));
  }
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&ctx, SHA256_DIGEST_SIZE, digest);
  return QString::fromLatin1(
      QByteArray(reinterpret_cast<const char*>(digest), SHA256_DIGEST_SIZE).toHex());
}

std::vector<BatchFile> batchFiles(const BatchPaths& batch, const QString& dataSha256) {
  std::vector<BatchFile> files;
  auto add = [&](const QString& role, const QString& path, bool required,
                 const QString& known = {}) {
    if (path.isEmpty()) return;
    if (!required && !fileExists(path)) return;
    BatchFile f;
    f.role = role;
    f.path = path;
    f.name = QFileInfo(path).fileName();
    f.sha256 = known.isEmpty() ? sha256OfFile(path) : known;
    f.present = true;
    files.push_back(f);
  };
  add(QStringLiteral("data"), batch.dataFile, true, dataSha256);
  add(QStringLiteral("data-sig"), companionFileName(batch.dataFile, CompanionKind::DataSignatures),
      false);
  add(QStringLiteral("evt"), companionFileName(batch.dataFile, CompanionKind::OperatorEvents),
      false);
  add(QStringLiteral("audit"), batch.auditFile, true);
  if (!batch.auditFile.isEmpty())
    add(QStringLiteral("audit-sig"),
        companionFileName(batch.auditFile, CompanionKind::AuditSignatures), false);
  add(QStringLiteral("alarms"), batch.alarmFile, true);
  return files;
}

QString boundFilePath(const BatchPaths& batch, const QString& role, const QString& name) {
  if (name.isEmpty() || name.contains(u'/') || name == u"." || name == u"..") return {};
  auto sameName = [&](const QString& path) {
    return !path.isEmpty() && QFileInfo(path).fileName() == name;
  };
  if (role == u"data" && sameName(batch.dataFile)) return batch.dataFile;
  if ((role == u"audit") && sameName(batch.auditFile)) return batch.auditFile;
  if (role == u"audit-sig" && !batch.auditFile.isEmpty()) {
    const QString sig = companionFileName(batch.auditFile, CompanionKind::AuditSignatures);
    if (sameName(sig)) return sig;
  }
  if (role == u"alarms" && sameName(batch.alarmFile)) return batch.alarmFile;
  return QFileInfo(batch.dataFile).dir().filePath(name);
}

}  // namespace tarvex
