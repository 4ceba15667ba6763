// VxLog, hex text and the sequential text reader against known answers.
#include "signatures/vxlog.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "shell/codepage.h"
#include "shell/runtime_error.h"
#include "signatures/hextext.h"
#include "signatures/textinput.h"

namespace tarvex {
namespace {

const QString kPw = QString::fromUtf16(kSigPassword);

template <class F>
int errorNumberOf(F&& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

QString md5HexText(const QByteArray& bytes) {
  const QByteArray d = QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
  return toHexText(reinterpret_cast<const std::uint8_t*>(d.constData()), d.size());
}

// The file digest computed literally: every byte through code page 1252,
// the UTF-16LE bytes of that text, each through code page 1252 again, then
// CalculateHash of the result.
QString literalFileHash(VxLog& log, const QByteArray& fileBytes) {
  const QString text = decodeCp1252(fileBytes);
  QString round;
  for (const QChar ch : text) {
    round.append(QChar(cp1252ToUnicode(ch.unicode() & 0xFF)));
    round.append(QChar(cp1252ToUnicode(ch.unicode() >> 8)));
  }
  return log.CalculateHash(round, kPw);
}

TEST(HexText, FormatsWithoutLeadingZerosAndRejectsEmpty) {
  const std::vector<std::uint8_t> bytes = {0, 10, 255, 0x3C, 1};
  EXPECT_EQ(toHexText(bytes), QStringLiteral("0 A FF 3C 1"));
  EXPECT_EQ(errorNumberOf([] { toHexText(std::vector<std::uint8_t>{}); }), err::InvalidCall);
}

TEST(HexText, ParsesLikeHexLiterals) {
  using B = std::vector<std::uint8_t>;
  EXPECT_EQ(hexToBytes(u"A 0 ff", u" "), (B{10, 0, 255}));
  EXPECT_EQ(hexToBytes(u"A  0", u" "), (B{10, 0, 0}));  // doubled blank: extra 0
  EXPECT_EQ(hexToBytes(u" 1 ", u" "), (B{0, 1, 0}));
  EXPECT_EQ(hexToBytes(u"1G 0x7 G1 000FF", u" "), (B{1, 0, 0, 255}));
  EXPECT_EQ(hexToBytes(u"", u" "), B{});
  EXPECT_EQ(hexToBytes(u"1,2", u","), (B{1, 2}));
  EXPECT_EQ(errorNumberOf([] { hexToBytes(u"1 100 2", u" "); }), err::Overflow);
  EXPECT_EQ(errorNumberOf([] { hexToBytes(u"FFFF", u" "); }), err::Overflow);
  EXPECT_EQ(errorNumberOf([] { hexToBytes(u"FFFFFFFFFFFFFFFFFFFF", u" "); }), err::Overflow);
}

TEST(HexText, FileBytesParseLikeDecodedText) {
  // The readers parse the lines in the file's bytes: the same bytes, the
  // same errors, whatever the non-ASCII bytes are.
  for (const QByteArray& line :
       {QByteArray("A 0 ff"), QByteArray("A  0 "), QByteArray("1G \x80\x9D 7\xE9 F"),
        QByteArray("  "), QByteArray("0000FF 1"), QByteArray("1 2 1FF")}) {
    const QString text = decodeCp1252(line);
    std::vector<std::uint8_t> fromText, fromBytes;
    int textError = 0, bytesError = 0;
    try {
      fromText = hexToBytes(QStringView(text), u" ");
    } catch (const RuntimeError& e) {
      textError = e.number();
    }
    try {
      fromBytes = hexToBytes(QByteArrayView(line), ' ');
    } catch (const RuntimeError& e) {
      bytesError = e.number();
    }
    EXPECT_EQ(fromText, fromBytes) << line.constData();
    EXPECT_EQ(textError, bytesError) << line.constData();
  }
}

class VxLogTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  QString path(const QString& name) const { return dir.filePath(name); }

  QTemporaryDir dir;
  VxLog log;
};

TEST_F(VxLogTest, CalculateHashKnownAnswerAndForm) {
  EXPECT_EQ(log.CalculateHash(QStringLiteral("abc"), kPw),
            QStringLiteral("90 1 50 98 3C D2 4F B0 D6 96 3F 7D 28 E1 7F 72"));
  // The password does not change the digest.
  EXPECT_EQ(log.CalculateHash(QStringLiteral("abc"), QStringLiteral("other")),
            log.CalculateHash(QStringLiteral("abc"), kPw));
  const QRegularExpression form(
      QStringLiteral("^([1-9A-F][0-9A-F]?|0)( ([1-9A-F][0-9A-F]?|0)){15}$"));
  for (const char* s : {"a", "The quick brown fox", "0", "plumb"})
    EXPECT_TRUE(form.match(log.CalculateHash(QString::fromLatin1(s), kPw)).hasMatch()) << s;
  EXPECT_EQ(errorNumberOf([&] { log.CalculateHash(QString(), kPw); }), err::TypeMismatch);
}

TEST_F(VxLogTest, CompareHashIsExact) {
  const QString h = log.CalculateHash(QStringLiteral("abc"), kPw);
  EXPECT_TRUE(log.CompareHash(QStringLiteral("abc"), kPw, h));
  EXPECT_FALSE(log.CompareHash(QStringLiteral("abc"), kPw, h.toLower()));
  EXPECT_FALSE(log.CompareHash(QStringLiteral("abc"), kPw, h + u' '));
  EXPECT_FALSE(log.CompareHash(QStringLiteral("abd"), kPw, h));
}

TEST_F(VxLogTest, EncryptDecryptRoundTrip) {
  const QString ten = QStringLiteral("0123456789");
  const QString hex = log.EncryptToHex(ten, kPw);
  EXPECT_EQ(hex.count(u' '), 15);
  EXPECT_EQ(log.DecryptFromHex(hex, kPw), ten);

  QString printable;
  for (char16_t c = 0x20; c <= 0x7E; ++c) printable.append(QChar(c));
  for (int len : {1, 7, 8, 9, 16, 40, 95}) {
    const QString t = printable.left(len);
    EXPECT_EQ(log.DecryptFromHex(log.EncryptToHex(t, kPw), kPw), t) << len;
    EXPECT_EQ(log.DecryptFromHexChecked(log.EncryptToHex(t, kPw), kPw), t) << len;
  }
  // Bytes 0x80..0xFF come back through code page 1252.
  const QByteArray high("\x80\x81\x9F\xE9\xFF", 5);
  EXPECT_EQ(log.DecryptFromHex(log.EncryptToHex(bytesAsLowByteText(high), kPw), kPw),
            decodeCp1252(high));
  // Another password does not give the text back.
  EXPECT_NE(log.DecryptFromHex(hex, QStringLiteral("plumber")), ten);
  EXPECT_EQ(errorNumberOf([&] { log.EncryptToHex(QString(), kPw); }), err::TypeMismatch);
}

TEST_F(VxLogTest, DecryptFailures) {
  // Not a whole number of blocks: the library returns nothing.
  EXPECT_EQ(log.DecryptFromHex(QStringLiteral("1 2 3"), kPw), QString());
  EXPECT_EQ(errorNumberOf([&] { log.DecryptFromHexChecked(QStringLiteral("1 2 3"), kPw); }),
            err::InvalidCall);
  // Two blocks that do not decipher (bad padding).
  const QString twoBlocks = QStringLiteral("1 2 3 4 5 6 7 8 9 A B C D E F 10");
  EXPECT_EQ(log.DecryptFromHex(twoBlocks, kPw), QString());
  EXPECT_EQ(errorNumberOf([&] { log.DecryptFromHexChecked(twoBlocks, kPw); }), err::InvalidCall);
  EXPECT_EQ(log.DecryptFromHexChecked(QString(), kPw), QString());
  EXPECT_EQ(errorNumberOf([&] { log.DecryptFromHex(QStringLiteral("1 2 1FF"), kPw); }),
            err::Overflow);
}

TEST_F(VxLogTest, FileHashCoversUtf16Bytes) {
  writeFile(path("ab.txt"), "AB");
  EXPECT_EQ(log.CalculateFileHash(path("ab.txt"), kPw), md5HexText(QByteArray("A\0B\0", 4)));
  EXPECT_NE(log.CalculateFileHash(path("ab.txt"), kPw), md5HexText("AB"));

  // Every byte value, including the five that code page 1252 leaves
  // undefined and 0x80..0x9F whose characters lie above U+00FF.
  QByteArray all;
  for (int i = 0; i < 256; ++i) all.append(static_cast<char>(i));
  writeFile(path("all.bin"), all);
  EXPECT_EQ(log.CalculateFileHash(path("all.bin"), kPw), literalFileHash(log, all));
  // 0x80 is U+20AC: bytes AC 20, and AC maps to U+00AC, 20 to U+0020.
  writeFile(path("euro.txt"), "\x80");
  EXPECT_EQ(log.CalculateFileHash(path("euro.txt"), kPw), md5HexText(QByteArray("\xAC\x20", 2)));

  // Larger than one chunk of the streaming digest.
  QByteArray big;
  for (int i = 0; i < (1 << 20) + 4099; ++i)
    big.append(static_cast<char>((i * 131 + i / 7) & 0xFF));
  writeFile(path("big.bin"), big);
  EXPECT_EQ(log.CalculateFileHash(path("big.bin"), kPw), literalFileHash(log, big));
}

TEST_F(VxLogTest, FileHashErrors) {
  writeFile(path("empty.csv"), "");
  EXPECT_EQ(errorNumberOf([&] { log.CalculateFileHash(path("empty.csv"), kPw); }),
            err::TypeMismatch);
  EXPECT_EQ(errorNumberOf([&] { log.CalculateFileHash(path("missing.csv"), kPw); }),
            err::FileNotFound);
  EXPECT_EQ(errorNumberOf([&] { log.CalculateFileHash(path("nodir/x.csv"), kPw); }),
            err::PathNotFound);
  EXPECT_EQ(errorNumberOf([&] { log.CalculateFileHash(dir.path(), kPw); }), err::PathFileAccess);
}

TEST_F(VxLogTest, SigFileRecords) {
  const QString sig = path("rec.sig");
  log.WriteSigFile(sig, QStringLiteral("Operator 1"), QStringLiteral("1 2 3"), true, kPw);
  log.WriteSigFile(sig, QStringLiteral("Operator 2"), QStringLiteral("A B"), false, kPw);

  QFile raw(sig);
  ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = raw.readAll().split('\n');
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[0].endsWith('\r'));
  EXPECT_TRUE(
      QRegularExpression(QStringLiteral("^[1-9]\\d?/[1-9]\\d?/\\d{4} \\d{1,2}:\\d\\d:\\d\\d, "
                                        "Operator 2, A B\r$"))
          .match(QString::fromLatin1(lines[1]))
          .hasMatch())
      << lines[1].constData();

  TextInputFile in(sig);
  QString when, who, hash;
  log.ReadSigFile(in, when, who, hash, true, kPw);
  EXPECT_EQ(who, QStringLiteral("Operator 1"));
  EXPECT_EQ(hash, QStringLiteral("1 2 3"));
  EXPECT_TRUE(when.contains(u'/'));
  log.ReadSigFile(in, when, who, hash, false, kPw);
  EXPECT_EQ(who, QStringLiteral("Operator 2"));
  EXPECT_EQ(hash, QStringLiteral("A B"));
  EXPECT_EQ(errorNumberOf([&] { log.ReadSigFile(in, when, who, hash, false, kPw); }),
            err::InputPastEndOfFile);

  EXPECT_EQ(errorNumberOf([&] {
              log.WriteSigFile(path("nodir/x.sig"), QStringLiteral("s"), QStringLiteral("h"), false,
                               kPw);
            }),
            err::PathNotFound);
}

TEST_F(VxLogTest, ReadSigFileSplitsPlaintext) {
  const QString sig = path("known.sig");
  const QString crlf = QStringLiteral("\r\n");
  writeFile(sig, (log.EncryptToHex(QStringLiteral("5/3/2004 9:05:07, Operator 1, 1 2 3"), kPw) +
                  crlf + log.EncryptToHex(QStringLiteral("only date"), kPw) + crlf +
                  log.EncryptToHex(QStringLiteral("a,b,c,d"), kPw) + crlf)
                     .toLatin1());
  TextInputFile in(sig);
  QString when, who, hash;
  log.ReadSigFile(in, when, who, hash, true, kPw);
  EXPECT_EQ(when, QStringLiteral("5/3/2004 9:05:07"));
  EXPECT_EQ(who, QStringLiteral("Operator 1"));
  EXPECT_EQ(hash, QStringLiteral("1 2 3"));
  // Missing parts leave their out parameters as they were.
  log.ReadSigFile(in, when, who, hash, true, kPw);
  EXPECT_EQ(when, QStringLiteral("only date"));
  EXPECT_EQ(who, QStringLiteral("Operator 1"));
  log.ReadSigFile(in, when, who, hash, true, kPw);
  EXPECT_EQ(hash, QStringLiteral("c"));
}

TEST_F(VxLogTest, UnknownProgIdCannotCreateObject) {
  EXPECT_EQ(errorNumberOf([] {
              VxLog bad("Ferrolok.EncryptString", "Ferrolok.Nothing", "Ferrolok.CreateStringHash");
            }),
            err::CantCreateObject);
  // A ProgID of another class is no decryptor either.
  EXPECT_EQ(errorNumberOf([] {
              VxLog bad("Ferrolok.EncryptString", "Ferrolok.EncryptFile",
                        "Ferrolok.CreateStringHash");
            }),
            err::CantCreateObject);
}

TEST(TextInputFile, LineEndsAndFields) {
  QTemporaryDir dir;
  const QString p = dir.filePath("lines.txt");
  writeFile(p, "one\r\ntwo\rthree\nfour\r\n\r\n\x80 last");
  TextInputFile in(p);
  QStringList got;
  while (!in.atEnd()) got << in.readLine();
  EXPECT_EQ(got, (QStringList{"one", "two", "three", "four", "", QStringLiteral("\u20AC last")}));
  EXPECT_EQ(in.lineNumber(), 6);
  EXPECT_EQ(errorNumberOf([&] { in.readLine(); }), err::InputPastEndOfFile);

  const QString f = dir.filePath("fields.txt");
  writeFile(f, "  a b  ,\"x, y\" junk,last\r\n,\n\"open");
  TextInputFile fin(f);
  EXPECT_EQ(fin.readField(), QStringLiteral("a b"));
  EXPECT_EQ(fin.readField(), QStringLiteral("x, y"));
  EXPECT_EQ(fin.readField(), QStringLiteral("last"));
  EXPECT_EQ(fin.readField(), QString());
  EXPECT_EQ(fin.readField(), QString());
  EXPECT_EQ(fin.readField(), QStringLiteral("open"));
  EXPECT_TRUE(fin.atEnd());

  EXPECT_EQ(errorNumberOf([&] { TextInputFile x(dir.filePath("none")); }), err::FileNotFound);
  EXPECT_EQ(errorNumberOf([&] { TextInputFile x(dir.path()); }), err::PathFileAccess);
}

}  // namespace
}  // namespace tarvex
