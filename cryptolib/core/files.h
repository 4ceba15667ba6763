// File access of the file classes, with the path rules of the Windows build.
#pragma once

#include <optional>

#include "ferrolok/ferrolok.h"

namespace ferrolok::detail {

// The whole content of a file: opened once by its 8-bit name (NarrowString)
// to take its size and once by its full UTF-16 name to read it. std::nullopt
// when either open fails or the content does not fit in memory.
std::optional<Bytes> ReadWholeFile(const BString& fileName);

// Writes `bytes` to the file named `fileName`, created or truncated ("wb").
// Returns false, having written nothing, when the file cannot be opened.
bool WriteWholeFile(const BString& fileName, const Bytes& bytes);

}  // namespace ferrolok::detail
