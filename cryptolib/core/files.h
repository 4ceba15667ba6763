// File access of the file classes, with the path rules of the Windows build.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>

#include "ferrolok/ferrolok.h"

namespace ferrolok::detail {

// A file opened for reading as the file classes open it: once by its 8-bit
// name (NarrowString) to take its size, then by its full UTF-16 name to read
// it. At most that size is read.
class InputFile {
 public:
  // std::nullopt when either open fails, or the name is a directory.
  static std::optional<InputFile> Open(const BString& fileName);
  InputFile(InputFile&& other) noexcept;
  InputFile& operator=(InputFile&&) = delete;
  ~InputFile();

  // The size taken at the first open.
  std::uint64_t size() const { return size_; }
  // The content in one buffer; std::nullopt on a read error or when it does
  // not fit in memory.
  std::optional<Bytes> ReadAll();
  // Hands the content to `sink` in pieces of a fixed small size; false on a
  // read error (the sink may have had part of the content).
  bool ReadInPieces(const std::function<void(const std::uint8_t*, std::size_t)>& sink);

 private:
  InputFile() = default;
  std::FILE* file_ = nullptr;
  std::uint64_t size_ = 0;
};

// The whole content of a file: opened once by its 8-bit name (NarrowString)
// to take its size and once by its full UTF-16 name to read it. std::nullopt
// when either open fails or the content does not fit in memory.
std::optional<Bytes> ReadWholeFile(const BString& fileName);

// Writes `bytes` to the file named `fileName`, created or truncated ("wb").
// Returns false, having written nothing, when the file cannot be opened.
bool WriteWholeFile(const BString& fileName, const Bytes& bytes);

}  // namespace ferrolok::detail
