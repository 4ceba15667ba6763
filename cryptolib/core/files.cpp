#include "files.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ferrolok::detail {
namespace {

// One read call asks for at most this much, whatever the file's size.
constexpr std::size_t kMaxReadCall = 64u << 20;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

#ifdef _WIN32
const wchar_t* wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

// A name that exists as anything but a regular file: a directory, a pipe, a
// console or a device such as NUL or COM1. Its type is read through a handle
// without access rights, which neither waits nor changes what it names.
bool existsAsNonRegularFile(const std::u16string& name) {
  const DWORD attributes = GetFileAttributesW(wide(name));
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  HANDLE h = CreateFileW(wide(name), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool disk = GetFileType(h) == FILE_TYPE_DISK;
  CloseHandle(h);
  return !disk;
}

File openForWriting(const std::u16string& name) {
  if (existsAsNonRegularFile(name)) return nullptr;
  return File(_wfopen(wide(name), L"wb"));
}
#else
void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// A UTF-16 name as the UTF-8 path the file system takes (an unpaired
// surrogate becomes U+FFFD).
std::string pathFromUtf16(const std::u16string& s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    appendUtf8(out, c);
  }
  return out;
}

File openForWriting(const std::u16string& name) {
  const std::string path = pathFromUtf16(name);
  // A name that exists as anything but a regular file (a FIFO, whose open
  // would wait for a reader, a device, a directory) is refused before any
  // open.
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return nullptr;
  // Should the name become a FIFO after the check, O_NONBLOCK makes the open
  // fail at once without a reader, and the handle's type is checked again.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* f = fdopen(fd, "wb");
  if (!f) ::close(fd);
  return File(f);
}
#endif

}  // namespace

std::optional<InputFile> InputFile::Open(const BString& fileName) {
  if (!fileName) return std::nullopt;
  InputFile in;
#ifdef _WIN32
  // The file type check refuses pipes, consoles and devices (NUL, COM1);
  // CreateFileW fails on a directory without FILE_FLAG_BACKUP_SEMANTICS.
  HANDLE h = CreateFileW(wide(*fileName), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  in.handle_ = reinterpret_cast<std::intptr_t>(h);
  LARGE_INTEGER size;
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size) || size.QuadPart < 0)
    return std::nullopt;
  in.size_ = static_cast<std::uint64_t>(size.QuadPart);
#else
  // O_NONBLOCK: opening a FIFO without a writer, or a device, must not wait.
  const int fd = ::open(pathFromUtf16(*fileName).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  in.handle_ = fd;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return std::nullopt;
  // Regular files ignore the flag; clear it all the same for plain reads.
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  in.size_ = static_cast<std::uint64_t>(st.st_size);
#endif
  return in;
}

InputFile::InputFile(InputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), size_(other.size_) {}

InputFile::~InputFile() {
  if (handle_ == -1) return;
#ifdef _WIN32
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
#else
  ::close(static_cast<int>(handle_));
#endif
}

long long InputFile::readSome(std::uint8_t* to, std::size_t n) {
  n = std::min(n, kMaxReadCall);
#ifdef _WIN32
  DWORD got = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(handle_), to, static_cast<DWORD>(n), &got, nullptr))
    return -1;
  return got;
#else
  for (;;) {
    const ssize_t got = ::read(static_cast<int>(handle_), to, n);
    if (got >= 0) return got;
    if (errno != EINTR) return -1;
  }
#endif
}

std::optional<Bytes> InputFile::ReadAll(std::size_t spare) {
  if (size_ > Bytes().max_size() - spare) return std::nullopt;
  try {
    Bytes buf;
    buf.reserve(static_cast<std::size_t>(size_) + spare);
    buf.resize(static_cast<std::size_t>(size_));
    std::size_t have = 0;
    while (have < buf.size()) {
      const long long got = readSome(buf.data() + have, buf.size() - have);
      // A read error is a file that cannot be read, not a short file.
      if (got < 0) return std::nullopt;
      if (got == 0) break;
      have += static_cast<std::size_t>(got);
    }
    buf.resize(have);
    return buf;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

bool InputFile::ReadInPieces(const std::function<void(const std::uint8_t*, std::size_t)>& sink) {
  // Small enough to stay in the processor's cache between read and use.
  std::vector<std::uint8_t> piece(256 * 1024);
  std::uint64_t left = size_;
  while (left > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, piece.size()));
    const long long got = readSome(piece.data(), want);
    if (got < 0) return false;
    if (got == 0) return true;
    sink(piece.data(), static_cast<std::size_t>(got));
    left -= static_cast<std::uint64_t>(got);
  }
  return true;
}

std::optional<Bytes> ReadWholeFile(const BString& fileName, std::size_t spare) {
  std::optional<InputFile> in = InputFile::Open(fileName);
  if (!in) return std::nullopt;
  return in->ReadAll(spare);
}

bool WriteWholeFile(const BString& fileName, const Bytes& bytes) {
  if (!fileName) return false;
  File f = openForWriting(*fileName);
  if (!f) return false;
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f.get());
  return true;
}

}  // namespace ferrolok::detail
