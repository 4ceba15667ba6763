// Hex text: the stored form of enciphered lines and digests. Bytes in order,
// each in upper-case hexadecimal without leading zeros (0, A, FF), separated
// by one blank, no blank before the first or after the last.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <vector>

namespace tarvex {

// The hex text of `bytes`. Throws RuntimeError(err::InvalidCall) for an
// empty array: the text is built with a trailing blank that is then dropped,
// and dropping the last character of an empty text is an invalid call.
QString toHexText(const std::uint8_t* bytes, std::size_t n);
inline QString toHexText(const std::vector<std::uint8_t>& bytes) {
  return toHexText(bytes.data(), bytes.size());
}

// Hex text back to bytes. The text is split at every occurrence of
// `delimiter` (consecutive delimiters give empty parts); part i becomes byte
// i, read as a hexadecimal literal "&H" + part: digits in either case,
// reading stops at the first character that is no hexadecimal digit, an empty
// part reads as 0. An empty text gives no bytes. Throws
// RuntimeError(err::Overflow) for a part whose value exceeds 255.
std::vector<std::uint8_t> hexToBytes(QStringView text, QStringView delimiter);

// The same for hex text still in the bytes of a code page 1252 file: equal
// to hexToBytes of the decoded text, as only ASCII characters are digits.
std::vector<std::uint8_t> hexToBytes(QByteArrayView text, char delimiter);

}  // namespace tarvex
