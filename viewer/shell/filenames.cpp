#include "shell/filenames.h"

namespace tarvex {
namespace {

qsizetype lastSeparator(const QString& path) {
  return std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
}

}  // namespace

QString baseName(const QString& path) {
  QString name = path.mid(lastSeparator(path) + 1);
  const qsizetype dot = name.indexOf(u'.');
  if (dot >= 0) name.truncate(dot);
  return name;
}

QString pathNoExt(const QString& path) {
  return path.left(lastSeparator(path) + 1) + baseName(path);
}

}  // namespace tarvex
