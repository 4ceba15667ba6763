// The test for a running copy of the viewer: a lock file held for the whole
// run. A copy that crashed leaves a lock whose process is gone; such a lock
// counts as stale and is taken over, so a crash never locks the user out.
#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace tarvex {

class InstanceLock {
 public:
  // The lock file in `folder` (by default the user's runtime folder).
  explicit InstanceLock(const QString& folder = QString());
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when this is the only running copy (the lock is now held).
  bool acquire();
  QString path() const { return path_; }

 private:
  QString path_;
  std::unique_ptr<QLockFile> lock_;
};

}  // namespace tarvex
