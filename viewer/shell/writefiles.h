// Files the viewer and the tarvex tool write: exports, pictures, reports,
// screenshots and sample logs. Each is written whole or not at all, to a
// temporary file beside the target that is renamed over it when complete.
//
// The rename replaces whatever the path names, so a target that exists and
// is not a regular file is refused before anything is written: a pipe, a
// socket or a device (/dev/null named as an output) would otherwise be
// swapped for a plain file, and a folder cannot be replaced at all.
#pragma once

#include <QByteArray>
#include <QString>

namespace tarvex {

// Throws RuntimeError err::PathFileAccess (75), its description saying what
// the path is, when path exists (links followed) and is not a regular file.
// Nothing there, or a regular file, passes.
void checkOutputTarget(const QString& path);

// Writes bytes to path whole or not at all, after checkOutputTarget. An
// existing file is replaced only by the complete new one. Throws
// RuntimeError: 52 empty path, 76 the folder does not exist, 75 the target
// is no regular file or cannot be created, written or replaced.
void writeWholeFile(const QString& path, const QByteArray& bytes);

}  // namespace tarvex
