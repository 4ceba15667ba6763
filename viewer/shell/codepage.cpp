#include "shell/codepage.h"

#include <QStringDecoder>

namespace tarvex {
namespace {

// 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

}  // namespace

char16_t cp1252ToUnicode(unsigned char byte) {
  return (byte >= 0x80 && byte <= 0x9F) ? kHigh[byte - 0x80] : char16_t(byte);
}

int unicodeToCp1252(char16_t ch) {
  if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return ch;
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == ch) return 0x80 + i;
  return -1;
}

QString decodeCp1252(QByteArrayView bytes) {
  QString out(bytes.size(), Qt::Uninitialized);
  char16_t* d = reinterpret_cast<char16_t*>(out.data());
  for (qsizetype i = 0; i < bytes.size(); ++i)
    d[i] = cp1252ToUnicode(static_cast<unsigned char>(bytes[i]));
  return out;
}

QByteArray encodeCp1252(QStringView text) {
  QByteArray out(text.size(), Qt::Uninitialized);
  for (qsizetype i = 0; i < text.size(); ++i) {
    const int b = unicodeToCp1252(text[i].unicode());
    out[i] = static_cast<char>(b < 0 ? '?' : b);
  }
  return out;
}

bool isValidUtf8(QByteArrayView bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const qsizetype n = bytes.size();
  qsizetype i = 0;
  while (i < n) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    int len;
    char32_t min;
    char32_t cp;
    if ((c & 0xE0) == 0xC0) {
      len = 2, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4, min = 0x10000, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + len > n) return false;
    for (int k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

QString decodeLogText(QByteArrayView bytes) {
  if (bytes.startsWith("\xEF\xBB\xBF"))
    bytes = bytes.sliced(3);
  else if (!isValidUtf8(bytes))
    return decodeCp1252(bytes);
  return QString::fromUtf8(bytes);
}

}  // namespace tarvex
