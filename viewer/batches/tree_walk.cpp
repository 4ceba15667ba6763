#include "batches/tree_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "shell/readfiles.h"
#include "shell/runtime_error.h"

namespace tarvex {
namespace {

qint64 mtimeMsOf(const struct stat& st) {
  return qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
}

QString whatItIs(const QString& path, mode_t mode) {
  // notRegularFile's description ends with "(PATH is a pipe)".
  const QString d = notRegularFile(path, mode).description();
  const qsizetype at = d.lastIndexOf(QStringLiteral(" is "));
  return at < 0 ? QStringLiteral("not a regular file") : d.mid(at + 4).chopped(1);
}

class Walker {
 public:
  Walker(TreeWalk& out, const std::function<bool()>& going) : out_(out), going_(going) {}

  // Lists `folder` (an absolute path) and goes into its folders.
  bool walk(const QString& folder) {
    const QByteArray native = QFile::encodeName(folder);
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
      const int e = errno;
      if (fd >= 0) ::close(fd);
      out_.unreadableFolders << folder;
      out_.unreadableReasons << folder + QStringLiteral(": ") +
                                    QString::fromLocal8Bit(std::strerror(e));
      return true;
    }
    QStringList folders;
    errno = 0;
    while (dirent* entry = ::readdir(dir)) {
      const char* name = entry->d_name;
      if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
      const QString path = (folder == u"/" ? QString() : folder) + u'/' + QFile::decodeName(name);
      struct stat st {};
      const bool link = entry->d_type == DT_LNK;
      if (::fstatat(::dirfd(dir), name, &st, 0) != 0) {
        out_.skipped << path + (link ? QStringLiteral(" (a broken link)")
                                     : QStringLiteral(" (cannot be examined)"));
        continue;
      }
      if (S_ISDIR(st.st_mode)) {
        if (link)
          out_.skipped << path + QStringLiteral(" (a link to a folder, not followed)");
        else
          folders << path;
      } else if (S_ISREG(st.st_mode)) {
        out_.files.push_back({path, qint64(st.st_size), mtimeMsOf(st)});
      } else {
        out_.skipped << path + QStringLiteral(" (") + whatItIs(path, st.st_mode) + u')';
      }
      if (going_ && ++seen_ % 1024 == 0 && !going_()) {
        ::closedir(dir);
        return false;
      }
    }
    ::closedir(dir);
    folders.sort();
    for (const QString& f : folders)
      if (!walk(f)) return false;
    return true;
  }

 private:
  TreeWalk& out_;
  const std::function<bool()>& going_;
  qint64 seen_ = 0;
};

}  // namespace

QStringList resolveRoots(const QStringList& roots) {
  QStringList resolved;
  for (const QString& root : roots) {
    const QFileInfo info(root);
    if (!info.exists())
      throw RuntimeError(err::PathNotFound, QStringLiteral("No such folder: ") + root);
    if (!info.isDir())
      throw RuntimeError(err::PathFileAccess, QStringLiteral("Not a folder: ") + root);
    resolved << info.canonicalFilePath();
  }
  resolved.sort();
  resolved.removeDuplicates();
  QStringList kept;
  for (const QString& r : resolved) {
    bool inside = false;
    for (const QString& k : kept) inside = inside || k == u"/" || r.startsWith(k + u'/');
    if (!inside) kept << r;
  }
  return kept;
}

TreeWalk walkTrees(const QStringList& roots, const std::function<bool()>& going) {
  TreeWalk out;
  out.roots = resolveRoots(roots);
  Walker walker(out, going);
  for (const QString& root : out.roots)
    if (!walker.walk(root)) break;
  return out;
}

}  // namespace tarvex
