// VxLog's hex text and deciphering on arbitrary lines, and ReadSigFile with
// the file reader under it on arbitrary files. Input: a mode byte, then the
// line or the file content.
#include "fuzz_util.h"
#include "shell/codepage.h"
#include "shell/runtime_error.h"
#include "signatures/hextext.h"
#include "signatures/textinput.h"
#include "signatures/vxlog.h"

using tarvex::RuntimeError;
using tarvex::VxLog;

namespace {

VxLog& vxLog() {
  static VxLog log;
  return log;
}

// What a call gave: its text, or the number of the error it threw.
struct Outcome {
  QString text;
  int error = 0;
  bool operator==(const Outcome&) const = default;
};

template <class F>
Outcome outcomeOf(F f) {
  try {
    return Outcome{f(), 0};
  } catch (const RuntimeError& e) {
    return Outcome{QString(), e.number()};
  }
}

void hexLine(const QByteArray& line, char delimiter, const QString& password) {
  const QString text = tarvex::decodeCp1252(line);
  const QString delim{QChar(tarvex::cp1252ToUnicode(quint8(delimiter)))};

  // The byte form reads as the text form.
  std::vector<std::uint8_t> fromText, fromBytes;
  int errText = 0, errBytes = 0;
  try {
    fromText = tarvex::hexToBytes(QStringView(text), QStringView(delim));
  } catch (const RuntimeError& e) {
    errText = e.number();
  }
  try {
    fromBytes = tarvex::hexToBytes(QByteArrayView(line), delimiter);
  } catch (const RuntimeError& e) {
    errBytes = e.number();
  }
  FUZZ_CHECK(errText == errBytes);
  FUZZ_CHECK(errText == 0 || errText == tarvex::err::Overflow);
  FUZZ_CHECK(fromText == fromBytes);

  // Deciphering: the checked forms agree, and the plain form gives the same
  // text whenever the checked one gives one.
  VxLog& log = vxLog();
  const Outcome plain = outcomeOf([&] { return log.DecryptFromHex(text, password); });
  const Outcome checked = outcomeOf([&] { return log.DecryptFromHexChecked(text, password); });
  const Outcome lineForm =
      outcomeOf([&] { return log.decryptHexLine(QByteArrayView(line), password); });
  FUZZ_CHECK(checked == lineForm);
  FUZZ_CHECK(plain.error == 0 || plain.error == tarvex::err::Overflow);
  FUZZ_CHECK(checked.error == 0 || checked.error == tarvex::err::Overflow ||
             checked.error == tarvex::err::InvalidCall);
  if (checked.error == 0) FUZZ_CHECK(plain == checked);
}

void roundTrips(const QByteArray& payload, const QString& password) {
  if (payload.isEmpty()) return;
  const std::vector<std::uint8_t> bytes(payload.begin(), payload.end());
  const QString hex = tarvex::toHexText(bytes);
  FUZZ_CHECK(tarvex::hexToBytes(QStringView(hex), u" ") == bytes);
  FUZZ_CHECK(tarvex::hexToBytes(QByteArrayView(hex.toLatin1()), ' ') == bytes);

  VxLog& log = vxLog();
  const QString input = tarvex::bytesAsLowByteText(payload);
  const QString cipherHex = log.EncryptToHex(input, password);
  FUZZ_CHECK(log.DecryptFromHex(cipherHex, password) == tarvex::decodeCp1252(payload));
  FUZZ_CHECK(log.DecryptFromHexChecked(cipherHex, password) == tarvex::decodeCp1252(payload));
  const QString digest = log.CalculateHash(input, password);
  FUZZ_CHECK(digest.count(u' ') == 15);
  FUZZ_CHECK(log.CompareHash(input, password, digest));
}

// ReadSigFile record after record until the end of the file; every call
// must consume something, so the number of calls is bounded by the size.
void sigFile(const QByteArray& content, bool encrypt, const QString& password) {
  const QString path = tarvex::fuzz::scratchFile("log.sig");
  tarvex::fuzz::writeFile(path, reinterpret_cast<const std::uint8_t*>(content.constData()),
                          std::size_t(content.size()));
  VxLog& log = vxLog();
  {
    tarvex::TextInputFile file(path);
    QString dateTime, signature, hash;
    qsizetype calls = 0;
    for (;;) {
      FUZZ_CHECK(++calls <= content.size() + 1);
      try {
        log.ReadSigFile(file, dateTime, signature, hash, encrypt, password);
      } catch (const RuntimeError& e) {
        if (e.number() == tarvex::err::InputPastEndOfFile) break;
        FUZZ_CHECK(encrypt && e.number() == tarvex::err::Overflow);
      }
    }
    FUZZ_CHECK(file.atEnd());
  }
  {
    // Line by line: no more lines than line ends plus one.
    tarvex::TextInputFile file(path);
    qsizetype lineEnds = content.count('\n') + content.count('\r');
    qsizetype lines = 0;
    while (!file.atEnd()) {
      (void)file.readLine();
      FUZZ_CHECK(++lines <= lineEnds + 1);
    }
    FUZZ_CHECK(file.lineNumber() == lines);
    bool threw = false;
    try {
      (void)file.readLine();
    } catch (const RuntimeError& e) {
      threw = e.number() == tarvex::err::InputPastEndOfFile;
    }
    FUZZ_CHECK(threw);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarvex::fuzz::Cursor in(data, size);
  const std::uint8_t mode = in.byte();
  QString password = QString::fromUtf16(tarvex::kSigPassword);
  if (mode & 0x80) password = tarvex::decodeCp1252(in.bytes(16));
  switch (mode % 4) {
    case 0:
      hexLine(in.restBytes(), ' ', password);
      break;
    case 1: {
      const char delimiter = static_cast<char>(in.byte());
      hexLine(in.restBytes(), delimiter == 0 ? ' ' : delimiter, password);
      break;
    }
    case 2:
      roundTrips(in.restBytes(), password);
      break;
    case 3:
      sigFile(in.restBytes(), (mode & 0x40) == 0, password);
      break;
  }
  return 0;
}
