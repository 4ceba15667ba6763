// File access of the file classes, with the path rules of the Windows build.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "ferrolok/ferrolok.h"

namespace ferrolok::detail {

// A regular file opened for reading, once, by its full UTF-16 name (shared
// for others' reading and writing); its size is that of the opened handle.
// Anything that is not a regular file (a directory, a pipe, a device such as
// /dev/zero or CON) is refused without blocking on the open, so that a name
// can never make a call hang or read without end. At most the size taken at
// the open is read.
class InputFile {
 public:
  // std::nullopt when the name is null, the file cannot be opened or is not
  // a regular file.
  static std::optional<InputFile> Open(const BString& fileName);
  InputFile(InputFile&& other) noexcept;
  InputFile& operator=(InputFile&&) = delete;
  ~InputFile();

  // The size of the opened file.
  std::uint64_t size() const { return size_; }
  // The content in one buffer, read straight into it, with room reserved for
  // `spare` more bytes (so that a cipher may pad it in place); std::nullopt
  // on a read error or when it does not fit in memory. A file that shrank
  // since the open gives what is left.
  std::optional<Bytes> ReadAll(std::size_t spare = 0);
  // Hands the content to `sink` in pieces of a fixed small size; false on a
  // read error (the sink may have had part of the content).
  bool ReadInPieces(const std::function<void(const std::uint8_t*, std::size_t)>& sink);

 private:
  InputFile() = default;
  // Reads up to `n` bytes into `to`; the count read, 0 at the end, -1 on an
  // error.
  long long readSome(std::uint8_t* to, std::size_t n);

  std::intptr_t handle_ = -1;  // a file descriptor, or a Windows HANDLE
  std::uint64_t size_ = 0;
};

// The whole content of a regular file (InputFile) with `spare` bytes of room
// after it; std::nullopt when it cannot be opened or read or does not fit in
// memory.
std::optional<Bytes> ReadWholeFile(const BString& fileName, std::size_t spare = 0);

// Writes `bytes` to the file named `fileName` (its full UTF-16 name), created
// or truncated ("wb"). Returns false, having written nothing, when the file
// cannot be opened or the name exists as anything but a regular file (a
// pipe, a device, a directory): such a name is refused before any open, so
// that a FIFO without a reader never makes the call wait.
bool WriteWholeFile(const BString& fileName, const Bytes& bytes);

}  // namespace ferrolok::detail
