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

namespace {

// The value of each byte as a hex digit, -1 for any other byte.
struct DigitTable {
  signed char value[256];
  DigitTable() {
    for (int c = 0; c < 256; ++c) value[c] = static_cast<signed char>(hexDigit(char16_t(c)));
  }
};

const DigitTable kDigitTable;

}  // namespace

std::vector<std::uint8_t> hexToBytes(QByteArrayView text, char delimiter) {
  std::vector<std::uint8_t> out;
  if (text.isEmpty()) return out;
  // Parts are at least one character apart... or empty: at most one part
  // per character, plus the last.
  out.resize(static_cast<std::size_t>(text.size()) + 1);
  std::uint8_t* o = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* const end = p + text.size();
  const auto delim = static_cast<unsigned char>(delimiter);
  for (;;) {
    unsigned value = 0;
    for (; p != end && *p != delim; ++p) {
      const int digit = kDigitTable.value[*p];
      if (digit < 0) {
        // Reading stops at the first character that is no digit.
        while (p != end && *p != delim) ++p;
        break;
      }
      value = value * 16 + static_cast<unsigned>(digit);
      if (value > 255) throw RuntimeError(err::Overflow);
    }
    *o++ = static_cast<std::uint8_t>(value);
    if (p == end) {
      out.resize(static_cast<std::size_t>(o - out.data()));
      return out;
    }
    ++p;
  }
}

}  // namespace tarvex
