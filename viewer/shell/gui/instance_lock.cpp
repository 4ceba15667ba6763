#include "shell/gui/instance_lock.h"

#include <QDir>
#include <QStandardPaths>

namespace tarvex {

InstanceLock::InstanceLock(const QString& folder) {
  QString dir = folder;
  if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  QDir().mkpath(dir);
  path_ = QDir(dir).filePath(QStringLiteral("tarvex-viewer.lock"));
  lock_ = std::make_unique<QLockFile>(path_);
  // Only a lock whose process is gone is stale, however old it is.
  lock_->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::acquire() {
  if (lock_->isLocked()) return true;
  return lock_->tryLock(0);
}

}  // namespace tarvex
