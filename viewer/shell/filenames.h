// File-name helpers of the readers and exporters. Both "\" and "/" separate
// folders.
#pragma once

#include <QString>

namespace tarvex {

// The file name without folder and without extension: the text after the
// last separator up to its first "." (run1 for C:\logs\run1.data.csv).
QString baseName(const QString& path);

// The path with its file name's extension removed (C:\logs\run1 for
// C:\logs\run1.data.csv).
QString pathNoExt(const QString& path);

}  // namespace tarvex
