// The walk of the folder trees a scan covers: every regular file with its
// size and modification time. Anything else is named and left alone: pipes,
// sockets and devices are never opened, links to folders never followed
// (so a loop cannot hold the walk), and a folder that cannot be read is
// reported (its files are then not known to be gone).
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace tarvex {

struct WalkedFile {
  QString path;  // absolute, under a root
  qint64 size = 0;
  qint64 mtimeMs = 0;  // milliseconds since 1970 UTC
};

struct TreeWalk {
  QStringList roots;  // the roots as walked: absolute, links resolved, none inside another
  std::vector<WalkedFile> files;
  QStringList skipped;            // "PATH (a pipe)", "PATH (a link to a folder)", ...
  QStringList unreadableFolders;  // folders that could not be listed
  QStringList unreadableReasons;  // "PATH: reason", in the same order
};

// The absolute path of each root with links resolved, nested roots
// dropped. Throws RuntimeError err::PathNotFound (76) naming a root that does
// not exist, err::PathFileAccess (75) one that is no folder.
QStringList resolveRoots(const QStringList& roots);

// Walks the trees under resolveRoots(roots). `going` (may be empty) is asked
// now and then; false ends the walk early (the result is then partial).
// Throws as resolveRoots.
TreeWalk walkTrees(const QStringList& roots, const std::function<bool()>& going = {});

}  // namespace tarvex
