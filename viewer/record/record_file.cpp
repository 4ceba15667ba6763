#include "record/record_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "shell/readfiles.h"
#include "shell/runtime_error.h"

namespace tarvex {

namespace {

QString osError(int e) { return QString::fromLocal8Bit(std::strerror(e)); }

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads the whole of an open regular file from offset 0.
QByteArray readAll(int fd, const QString& path, qint64 size, qint64 maxBytes) {
  if (size > maxBytes)
    throw RuntimeError(err::OutOfMemory,
                       QStringLiteral("%1 is too large (%2 bytes)").arg(path).arg(size));
  QByteArray bytes;
  bytes.resize(qsizetype(size));
  qint64 done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, bytes.data() + done, std::size_t(size - done), done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      throw RuntimeError(err::PathFileAccess,
                         QStringLiteral("cannot read %1: %2").arg(path, osError(errno)));
    if (n == 0) break;
    done += n;
  }
  bytes.truncate(qsizetype(done));
  return bytes;
}

void syncFolder(const QString& folder) {
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

RuntimeError cannotWrite(const QString& path, int e) {
  return RuntimeError(err::PathFileAccess,
                      QStringLiteral("cannot write the review record %1 in the folder %2 (%3); "
                                     "keep records in another folder (--review-dir DIR). Nothing "
                                     "was written.")
                          .arg(path, QFileInfo(path).absolutePath(), osError(e)));
}

}  // namespace

void checkRecordWritable(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  struct stat st {};
  if (::stat(name.constData(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) throw notRegularFile(path, st.st_mode);
    if (::access(name.constData(), W_OK) != 0) throw cannotWrite(path, errno);
    return;
  }
  const QString folder = QFileInfo(path).absolutePath();
  if (!QFileInfo(folder).isDir())
    throw RuntimeError(err::PathNotFound,
                       QStringLiteral("the record folder %1 does not exist").arg(folder));
  if (::access(QFile::encodeName(folder).constData(), W_OK) != 0) throw cannotWrite(path, errno);
}

QString recordPathFor(const QString& dataFile, const QString& reviewDir) {
  const QFileInfo info(dataFile);
  QString name = info.fileName();
  if (const qsizetype dot = name.lastIndexOf(u'.'); dot > 0) name.truncate(dot);
  const QString folder = reviewDir.isEmpty() ? info.path() : reviewDir;
  return QDir(folder).filePath(name + QStringLiteral(".review"));
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes) {
  const QByteArray name = QFile::encodeName(path);
  struct stat st {};
  if (::stat(name.constData(), &st) != 0) {
    if (errno == ENOENT) return std::nullopt;
    throw RuntimeError(err::PathFileAccess,
                       QStringLiteral("cannot read %1: %2").arg(path, osError(errno)));
  }
  if (!S_ISREG(st.st_mode)) throw notRegularFile(path, st.st_mode);
  const Fd fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT) return std::nullopt;
    throw RuntimeError(err::PathFileAccess,
                       QStringLiteral("cannot read %1: %2").arg(path, osError(errno)));
  }
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) throw notRegularFile(path, st.st_mode);
  return readAll(fd.get(), path, st.st_size, maxBytes);
}

RecordLines splitRecordLines(const QByteArray& contents) {
  RecordLines out;
  qsizetype start = 0;
  while (start < contents.size()) {
    const qsizetype end = contents.indexOf('\n', start);
    if (end < 0) {
      out.incompleteTail = contents.mid(start);
      out.hasIncompleteTail = true;
      break;
    }
    out.lines.push_back(contents.mid(start, end - start));
    start = end + 1;
  }
  return out;
}

void appendRecordLine(const QString& path,
                      const std::function<QByteArray(const RecordTail& tail)>& compose) {
  const QByteArray name = QFile::encodeName(path);
  const QString folder = QFileInfo(path).absolutePath();
  struct stat st {};
  if (::stat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode))
    throw notRegularFile(path, st.st_mode);
  if (!QFileInfo(folder).isDir())
    throw RuntimeError(err::PathNotFound,
                       QStringLiteral("the record folder %1 does not exist").arg(folder));

  bool created = true;
  int raw =
      ::open(name.constData(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_NONBLOCK | O_CLOEXEC, 0644);
  if (raw < 0 && errno == EEXIST) {
    created = false;
    raw = ::open(name.constData(), O_RDWR | O_APPEND | O_NONBLOCK | O_CLOEXEC);
  }
  if (raw < 0) throw cannotWrite(path, errno);
  const Fd fd(raw);
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) throw notRegularFile(path, st.st_mode);
  while (::flock(fd.get(), LOCK_EX) != 0) {
    if (errno != EINTR)
      throw RuntimeError(err::PathFileAccess,
                         QStringLiteral("cannot lock %1: %2").arg(path, osError(errno)));
  }
  // Under the lock: the end as the last writer left it.
  if (::fstat(fd.get(), &st) != 0)
    throw RuntimeError(err::PathFileAccess,
                       QStringLiteral("cannot read %1: %2").arg(path, osError(errno)));
  const qint64 oldSize = st.st_size;
  const RecordLines lines = splitRecordLines(readAll(fd.get(), path, oldSize, qint64(1) << 31));
  RecordTail tail;
  tail.lastLineNumber = qint64(lines.lines.size());
  if (!lines.lines.empty()) tail.lastLine = lines.lines.back();

  QByteArray bytes;
  if (lines.hasIncompleteTail) bytes += '\n';
  bytes += compose(tail);
  bytes += '\n';

  auto takeBack = [&](int e, const char* what) {
    const int unused = ::ftruncate(fd.get(), oldSize);
    (void)unused;
    ::fsync(fd.get());
    throw RuntimeError(err::PathFileAccess, QStringLiteral("cannot %1 the review record %2: %3. "
                                                           "Nothing was written.")
                                                .arg(QLatin1String(what), path, osError(e)));
  };
  const ssize_t n = ::write(fd.get(), bytes.constData(), std::size_t(bytes.size()));
  if (n != ssize_t(bytes.size())) takeBack(n < 0 ? errno : ENOSPC, "write");
  if (::fsync(fd.get()) != 0) takeBack(errno, "flush");
  if (created) syncFolder(folder);
}

}  // namespace tarvex
