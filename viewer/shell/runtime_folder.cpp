#include "shell/runtime_folder.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

namespace tarvex {

QString privateRuntimeFolder(const QString& tempFolder) {
  const QString base = tempFolder.isEmpty() ? QDir::tempPath() : tempFolder;
  return QDir(base).filePath(QStringLiteral("tarvex-runtime-") + QString::number(geteuid()));
}

QString provideRuntimeFolder(const QString& tempFolder) {
  if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return {};
  const QString folder = privateRuntimeFolder(tempFolder);
  const QByteArray path = QFile::encodeName(folder);
  if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return {};
  // Whatever is there now is checked through one descriptor that never
  // follows a link, so a name swapped in between is not used.
  const int fd = open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return {};
  struct stat st {};
  const bool ours = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
                    ((st.st_mode & 07777) == 0700 || fchmod(fd, 0700) == 0);
  close(fd);
  if (!ours) return {};
  qputenv("XDG_RUNTIME_DIR", path);
  return folder;
}

}  // namespace tarvex
