#include "shell/readfiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <deque>
#include <mutex>

#include "shell/runtime_error.h"

namespace tarvex {
namespace {

struct ReadFile {
  dev_t device;
  ino_t inode;
  QString path;
  int fd;  // kept open so that the inode cannot be reused by another file
};

// The files read in this run, oldest first. The viewer reads a handful;
// a long test or fuzz run reads thousands, so the oldest are let go beyond
// this many (an identity then needs no descriptor of its own).
constexpr std::size_t kMaxKept = 256;

std::mutex& registryMutex() {
  static std::mutex m;
  return m;
}

std::deque<ReadFile>& registry() {
  static std::deque<ReadFile> files;
  return files;
}

void remember(const struct stat& st, const QString& path, int fd) {
  std::lock_guard lock(registryMutex());
  auto& files = registry();
  for (const ReadFile& f : files)
    if (f.device == st.st_dev && f.inode == st.st_ino) return;
  const int kept = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  files.push_back({st.st_dev, st.st_ino, path, kept});
  if (files.size() > kMaxKept) {
    if (files.front().fd >= 0) ::close(files.front().fd);
    files.pop_front();
  }
}

QString kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return QStringLiteral("a folder");
  if (S_ISFIFO(mode)) return QStringLiteral("a pipe");
  if (S_ISSOCK(mode)) return QStringLiteral("a socket");
  if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("a device");
  return QStringLiteral("not a regular file");
}

}  // namespace

RuntimeError notRegularFile(const QString& path, unsigned mode) {
  return RuntimeError(err::PathFileAccess,
                      errorDescription(err::PathFileAccess) + QStringLiteral(" (") + path +
                          QStringLiteral(" is ") + kindOf(static_cast<mode_t>(mode)) + u')');
}

void openRegularFile(QFile& file, const QString& path) {
  if (path.isEmpty()) throw RuntimeError(err::BadFileNameOrNumber);
  const QByteArray native = QFile::encodeName(path);
  struct stat st {};
  if (::stat(native.constData(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      const QFileInfo info(path);
      throw RuntimeError(info.absoluteDir().exists() ? err::FileNotFound : err::PathNotFound);
    }
    throw RuntimeError(err::PathFileAccess);
  }
  // Refused before opening: a device is never opened at all.
  if (!S_ISREG(st.st_mode)) throw notRegularFile(path, st.st_mode);
  // O_NONBLOCK: should the path be swapped for a pipe after the check, the
  // open still returns at once; the handle's own fstat then refuses it.
  const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) throw RuntimeError(err::PathFileAccess);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const mode_t mode = st.st_mode;
    ::close(fd);
    throw notRegularFile(path, mode);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    throw RuntimeError(err::PathFileAccess);
  }
  remember(st, path, fd);
}

QString readFileAt(const QString& path) {
  if (path.isEmpty()) return {};
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
  std::lock_guard lock(registryMutex());
  for (const ReadFile& f : registry())
    if (f.device == st.st_dev && f.inode == st.st_ino) return f.path;
  return {};
}

bool sameFile(const QString& path, const QString& other) {
  struct stat a {
  }, b{};
  return !path.isEmpty() && !other.isEmpty() &&
         ::stat(QFile::encodeName(path).constData(), &a) == 0 &&
         ::stat(QFile::encodeName(other).constData(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

}  // namespace tarvex
