// The user's runtime folder (XDG_RUNTIME_DIR) for a process started without
// a desktop session, as root from a terminal or from a service: Qt would fall
// back to a folder of its own and say so on the terminal. The viewer and the
// tarvex tool take a private folder of their own instead, the same one in
// every copy, so the viewer's running-copy lock is found there.
#pragma once

#include <QString>

namespace tarvex {

// The folder used when XDG_RUNTIME_DIR is unset: `tarvex-runtime-UID` in
// `tempFolder` (default QDir::tempPath(), which follows TMPDIR).
QString privateRuntimeFolder(const QString& tempFolder = QString());

// When XDG_RUNTIME_DIR is unset or empty, makes privateRuntimeFolder()
// (mode 0700) or takes it as it is when it is already a folder of this user,
// its mode made 0700, and sets XDG_RUNTIME_DIR to it. A name that is a link,
// is no folder or belongs to another user is never used: XDG_RUNTIME_DIR
// then stays unset and Qt's own fallback applies. Returns the folder set, or
// an empty string when nothing was set. Call before the application object
// is made and before any thread starts (it changes the environment).
QString provideRuntimeFolder(const QString& tempFolder = QString());

}  // namespace tarvex
