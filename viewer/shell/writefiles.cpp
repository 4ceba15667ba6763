#include "shell/writefiles.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>

#include "shell/readfiles.h"
#include "shell/runtime_error.h"

namespace tarvex {

void checkOutputTarget(const QString& path) {
  struct stat st {};
  if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0) return;
  if (!S_ISREG(st.st_mode)) throw notRegularFile(path, st.st_mode);
}

void writeWholeFile(const QString& path, const QByteArray& bytes) {
  if (path.isEmpty()) throw RuntimeError(err::BadFileNameOrNumber);
  checkOutputTarget(path);
  if (!QFileInfo(path).absoluteDir().exists()) throw RuntimeError(err::PathNotFound);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) throw RuntimeError(err::PathFileAccess);
  if (file.write(bytes) != bytes.size() || !file.commit()) {
    file.cancelWriting();
    throw RuntimeError(err::PathFileAccess);
  }
}

}  // namespace tarvex
