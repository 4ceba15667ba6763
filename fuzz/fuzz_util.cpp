#include "fuzz_util.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

namespace tarvex::fuzz {

namespace {
// Destroyed at exit, taking the folder and its files with it.
std::unique_ptr<QTemporaryDir> dir;
}  // namespace

const QString& scratchDir() {
  static const QString path = [] {
    dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/tarvex-fuzz-XXXXXX");
    if (!dir->isValid()) fail("scratch folder", __FILE__, __LINE__);
    return dir->path();
  }();
  return path;
}

QString scratchFile(const char* name) { return scratchDir() + '/' + QString::fromLatin1(name); }

void writeFile(const QString& path, const std::uint8_t* data, std::size_t size) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
    fail("open scratch file", __FILE__, __LINE__);
  if (size > 0 &&
      f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != qint64(size))
    fail("write scratch file", __FILE__, __LINE__);
}

}  // namespace tarvex::fuzz
