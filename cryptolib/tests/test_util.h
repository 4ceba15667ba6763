// Helpers shared by the library's tests.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ferrolok/ferrolok.h"

namespace ferrolok::test {

inline Bytes fromHex(const std::string& h) {
  Bytes b;
  for (std::size_t i = 0; i + 1 < h.size(); i += 2)
    b.push_back(static_cast<std::uint8_t>(std::stoi(h.substr(i, 2), nullptr, 16)));
  return b;
}

// Bytes as the characters U+0000..U+00FF, one per byte.
inline std::u16string latin1(const Bytes& b) { return std::u16string(b.begin(), b.end()); }
inline std::u16string latin1(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// A fresh directory, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "ferrolok-test-XXXXXX").string();
    path_ = mkdtemp(tmpl.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::filesystem::path file(const std::string& name) const { return path_ / name; }
  // The path as the UTF-16 name the classes take (the test names are ASCII).
  std::u16string name(const std::string& name) const { return latin1(file(name).string()); }

 private:
  std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& p, const Bytes& b) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

inline Bytes readFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace ferrolok::test
