#include "files.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace ferrolok::detail {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

#ifdef _WIN32
// The size of an open file, also beyond 2 GiB; -1 when it cannot be taken.
long long sizeOf(std::FILE* f) {
  if (_fseeki64(f, 0, SEEK_END) != 0) return -1;
  return _ftelli64(f);
}
File openNarrow(const std::string& name) { return File(std::fopen(name.c_str(), "rb")); }
File openWide(const std::u16string& name, const wchar_t* mode) {
  return File(_wfopen(reinterpret_cast<const wchar_t*>(name.c_str()), mode));
}
#else
// The size of an open file; -1 when it cannot be taken or the name is a
// directory (which the Windows C runtime refuses to open).
long long sizeOf(std::FILE* f) {
  struct stat st;
  if (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  if (std::fseek(f, 0, SEEK_END) != 0) return -1;
  return std::ftell(f);
}
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

// The 8-bit name is read as the Latin-1 text it stands for, as the Windows
// ANSI code page reads it for everything the library can pass through.
File openNarrow(const std::string& name) {
  std::string path;
  for (unsigned char c : name) appendUtf8(path, c);
  return File(std::fopen(path.c_str(), "rb"));
}
File openWide(const std::u16string& name, const wchar_t* mode) {
  return File(std::fopen(pathFromUtf16(name).c_str(), mode[0] == L'w' ? "wb" : "rb"));
}
#endif

}  // namespace

std::optional<InputFile> InputFile::Open(const BString& fileName) {
  long long size = 0;
  {
    File f = openNarrow(std::string(NarrowString(fileName).c_str()));
    if (!f) return std::nullopt;
    size = sizeOf(f.get());
    if (size < 0) return std::nullopt;
  }
  if (!fileName) return std::nullopt;
  File f = openWide(*fileName, L"rb");
  if (!f) return std::nullopt;
  InputFile in;
  in.file_ = f.release();
  in.size_ = static_cast<std::uint64_t>(size);
  return in;
}

InputFile::InputFile(InputFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), size_(other.size_) {}

InputFile::~InputFile() {
  if (file_) std::fclose(file_);
}

std::optional<Bytes> InputFile::ReadAll() {
  if (size_ > Bytes().max_size()) return std::nullopt;
  try {
    Bytes buf(static_cast<std::size_t>(size_));
    buf.resize(std::fread(buf.data(), 1, buf.size(), file_));
    // A read error is a file that cannot be read, not a short file.
    if (std::ferror(file_)) return std::nullopt;
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
    const std::size_t got = std::fread(piece.data(), 1, want, file_);
    if (got > 0) sink(piece.data(), got);
    if (got < want) return !std::ferror(file_);
    left -= got;
  }
  return true;
}

std::optional<Bytes> ReadWholeFile(const BString& fileName) {
  std::optional<InputFile> in = InputFile::Open(fileName);
  if (!in) return std::nullopt;
  return in->ReadAll();
}

bool WriteWholeFile(const BString& fileName, const Bytes& bytes) {
  if (!fileName) return false;
  File f = openWide(*fileName, L"wb");
  if (!f) return false;
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f.get());
  return true;
}

}  // namespace ferrolok::detail
