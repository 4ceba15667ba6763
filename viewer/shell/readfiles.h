// Opening log files for reading, and the files read in this run.
//
// Every reader of the viewer and of the tarvex tool opens its file through
// openRegularFile: only a regular file is read. A folder, a pipe, a socket
// or a device (/dev/zero, /dev/urandom) is refused before a byte is read,
// and the open itself never waits (a pipe without a writer would block an
// ordinary open). Each file opened so is remembered by its identity (device
// and inode), so that no export replaces a file the run has read, whatever
// path, link or spelling names it.
#pragma once

#include <QString>

class QFile;

namespace tarvex {

// Opens path for reading into file (which must not be open) when it is a
// regular file, and remembers the file as read. Throws RuntimeError:
// err::BadFileNameOrNumber (52) for an empty name, err::FileNotFound (53)
// when nothing exists there, err::PathNotFound (76) when its folder does not
// exist, err::PathFileAccess (75) for anything that is not a regular file
// (the description says what it is) or cannot be opened.
void openRegularFile(QFile& file, const QString& path);

// The path under which a file with the identity of `path` was read in this
// run (the path given to openRegularFile), or "" when path names no file or
// a file not read. Links and other spellings of a read file are found.
QString readFileAt(const QString& path);

// True when path and other name the same existing file (device and inode).
bool sameFile(const QString& path, const QString& other);

class RuntimeError;
// The error for path, whose file type (the st_mode of stat) is not a regular
// file: err::PathFileAccess, its description saying what path is ("a pipe",
// "a device", "a folder", ...).
RuntimeError notRegularFile(const QString& path, unsigned mode);

}  // namespace tarvex
