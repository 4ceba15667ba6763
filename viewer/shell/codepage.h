// Text of the controller's log files: Windows code page 1252 (the ANSI code
// page the controllers write), or UTF-8 when a file is valid UTF-8.
#pragma once

#include <QByteArrayView>
#include <QString>

namespace tarvex {

// The character Windows maps a byte of code page 1252 to. The five bytes the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1
// control of the same value, as Windows does.
char16_t cp1252ToUnicode(unsigned char byte);

// The byte of code page 1252 for a character, or -1 when it has none.
int unicodeToCp1252(char16_t ch);

// Each byte through cp1252ToUnicode.
QString decodeCp1252(QByteArrayView bytes);

// Each character through unicodeToCp1252; a character without a byte
// becomes '?', as the ANSI conversion writes it.
QByteArray encodeCp1252(QStringView text);

// True when `bytes` is well-formed UTF-8 (no overlongs, no surrogates).
bool isValidUtf8(QByteArrayView bytes);

// A log file's text: UTF-8 (a leading byte-order mark skipped) when the bytes
// are valid UTF-8, code page 1252 otherwise.
QString decodeLogText(QByteArrayView bytes);

}  // namespace tarvex
