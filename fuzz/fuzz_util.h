// Helpers shared by the fuzz targets: a private scratch folder for the files
// a target writes, and a cursor that takes parameters from the front of an
// input.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tarvex::fuzz {

// A folder of this process under the temporary folder, created on first use
// and removed when the process exits.
const QString& scratchDir();

// scratchDir() + "/" + name.
QString scratchFile(const char* name);

// Writes bytes to path (created or truncated); aborts when it cannot, as the
// target would then test nothing.
void writeFile(const QString& path, const std::uint8_t* data, std::size_t size);

// Reports a broken invariant and aborts, so that the fuzzer keeps the input.
[[noreturn]] inline void fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", what, file, line);
  std::abort();
}

#define FUZZ_CHECK(cond) ((cond) ? (void)0 : ::tarvex::fuzz::fail(#cond, __FILE__, __LINE__))

// Takes parameters off the front of the input; reads 0 once it is used up.
class Cursor {
 public:
  Cursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint16_t u16() {
    const std::uint16_t lo = byte();
    return static_cast<std::uint16_t>(lo | (byte() << 8));
  }
  // Up to maxLen bytes, the length taken from the input first.
  QByteArray bytes(std::size_t maxLen) {
    std::size_t n = byte() % (maxLen + 1);
    if (n > size_ - pos_) n = size_ - pos_;
    QByteArray out(reinterpret_cast<const char*>(data_ + pos_), static_cast<qsizetype>(n));
    pos_ += n;
    return out;
  }
  // Whatever is left.
  const std::uint8_t* rest() const { return data_ + pos_; }
  std::size_t restSize() const { return size_ - pos_; }
  QByteArray restBytes() const {
    return QByteArray(reinterpret_cast<const char*>(rest()), static_cast<qsizetype>(restSize()));
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace tarvex::fuzz
