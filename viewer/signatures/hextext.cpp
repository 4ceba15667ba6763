#include "signatures/hextext.h"

#include "shell/runtime_error.h"

namespace tarvex {

QString toHexText(const std::uint8_t* bytes, std::size_t n) {
  if (n == 0) throw RuntimeError(err::InvalidCall);
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  QString out(static_cast<qsizetype>(3 * n - 1), Qt::Uninitialized);
  char16_t* d = reinterpret_cast<char16_t*>(out.data());
  char16_t* p = d;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t b = bytes[i];
    if (b >= 0x10) *p++ = kDigits[b >> 4];
    *p++ = kDigits[b & 0xF];
    if (i + 1 < n) *p++ = u' ';
  }
  out.truncate(p - d);
  return out;
}

namespace {

int hexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

std::uint8_t partToByte(QStringView part) {
  unsigned value = 0;
  for (const QChar ch : part) {
    const int digit = hexDigit(ch.unicode());
    if (digit < 0) break;
    value = value * 16 + static_cast<unsigned>(digit);
    if (value > 255) throw RuntimeError(err::Overflow);
  }
  return static_cast<std::uint8_t>(value);
}

}  // namespace

std::vector<std::uint8_t> hexToBytes(QStringView text, QStringView delimiter) {
  std::vector<std::uint8_t> out;
  if (text.isEmpty()) return out;
  if (delimiter.isEmpty()) {
    out.push_back(partToByte(text));
    return out;
  }
  out.reserve(static_cast<std::size_t>(text.size() / 3 + 1));
  if (delimiter.size() == 1) {
    // One delimiter character (the " " of every caller): one pass.
    const char16_t delim = delimiter.front().unicode();
    const char16_t* p = reinterpret_cast<const char16_t*>(text.data());
    const char16_t* const end = p + text.size();
    for (;;) {
      const char16_t* q = p;
      while (q != end && *q != delim) ++q;
      out.push_back(partToByte(QStringView(p, q - p)));
      if (q == end) return out;
      p = q + 1;
    }
  }
  qsizetype from = 0;
  for (;;) {
    const qsizetype at = text.indexOf(delimiter, from);
    if (at < 0) {
      out.push_back(partToByte(text.sliced(from)));
      return out;
    }
    out.push_back(partToByte(text.sliced(from, at - from)));
    from = at + delimiter.size();
  }
}

}  // namespace tarvex

namespace tarvex {

std::vector<std::uint8_t> hexToBytes(QByteArrayView text, char delimiter) {
  std::vector<std::uint8_t> out;
  if (text.isEmpty()) return out;
  out.reserve(static_cast<std::size_t>(text.size() / 3 + 1));
  const char* p = text.data();
  const char* const end = p + text.size();
  for (;;) {
    unsigned value = 0;
    bool digits = true;
    for (; p != end && *p != delimiter; ++p) {
      if (!digits) continue;
      const int digit = hexDigit(static_cast<unsigned char>(*p));
      if (digit < 0) {
        digits = false;
        continue;
      }
      value = value * 16 + static_cast<unsigned>(digit);
      if (value > 255) throw RuntimeError(err::Overflow);
    }
    out.push_back(static_cast<std::uint8_t>(value));
    if (p == end) return out;
    ++p;
  }
}

}  // namespace tarvex
