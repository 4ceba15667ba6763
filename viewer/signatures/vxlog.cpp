#include "signatures/vxlog.h"

#include <ferrolok/ferrolok.h>
#include <nettle/md5.h>

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <future>

#include "shell/codepage.h"
#include "shell/runtime_error.h"
#include "signatures/hextext.h"
#include "signatures/textinput.h"

namespace tarvex {
namespace {

ferrolok::BString toBString(const QString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()),
                        static_cast<std::size_t>(s.size()));
}

template <class T>
std::unique_ptr<T> create(const char* progId) {
  try {
    return ferrolok::createObjectAs<T>(progId);
  } catch (const ferrolok::UnknownProgId&) {
    throw RuntimeError(err::CantCreateObject);
  }
}

// The library's result as a byte array: a result it left untouched does
// not convert (type mismatch).
const ferrolok::Bytes& bytesOf(const ferrolok::Result& result) {
  if (!result) throw RuntimeError(err::TypeMismatch);
  return *result;
}

// Trims blanks at both ends, as the platform's Trim does (tabs stay).
QString trimBlanks(QStringView s) {
  qsizetype b = 0, e = s.size();
  while (b < e && s[b] == u' ') ++b;
  while (e > b && s[e - 1] == u' ') --e;
  return s.sliced(b, e - b).toString();
}

// For each file byte x, the two bytes the file digest hashes for it: the
// UTF-16 little-endian bytes of the character code page 1252 maps x to,
// each replaced by the low byte of the character code page 1252 maps it
// to. Stored as the two bytes in memory order.
struct DigestTable {
  std::array<std::uint16_t, 256> pair{};
  DigestTable() {
    for (int x = 0; x < 256; ++x) {
      const char16_t ch = cp1252ToUnicode(static_cast<unsigned char>(x));
      const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(cp1252ToUnicode(ch & 0xFF) & 0xFF),
                                     static_cast<std::uint8_t>(cp1252ToUnicode(ch >> 8) & 0xFF)};
      std::memcpy(&pair[x], bytes, 2);
    }
  }
};

const DigestTable& digestTable() {
  static const DigestTable table;
  return table;
}

}  // namespace

VxLog::VxLog()
    : VxLog("Ferrolok.EncryptString", "Ferrolok.DecryptData", "Ferrolok.CreateStringHash") {}

VxLog::VxLog(const char* encryptorProgId, const char* decryptorProgId, const char* hasherProgId)
    : decryptorProgId_(decryptorProgId),
      encryptor_(create<ferrolok::EncryptString>(encryptorProgId)),
      decryptor_(create<ferrolok::DecryptData>(decryptorProgId)),
      hasher_(create<ferrolok::CreateStringHash>(hasherProgId)) {}

VxLog::~VxLog() = default;

QString VxLog::EncryptToHex(const QString& InputString, const QString& Password) {
  encryptor_->setPassword(toBString(Password));
  encryptor_->setInput(toBString(InputString));
  encryptor_->setSaveToFile(0);
  return toHexText(bytesOf(encryptor_->Encrypt()));
}

std::vector<std::uint8_t> VxLog::decryptBytes(std::vector<std::uint8_t> cipher,
                                              const QString& Password, bool checked) {
  return decryptWith(*decryptor_, std::move(cipher), Password, checked);
}

std::vector<std::uint8_t> VxLog::decryptWith(ferrolok::DecryptData& decryptor,
                                             std::vector<std::uint8_t> cipher,
                                             const QString& Password, bool checked) {
  const std::size_t cipherLength = cipher.size();
  ferrolok::ByteArray data;
  data.bytes = std::move(cipher);
  decryptor.setPassword(toBString(Password));
  decryptor.setData(std::move(data));
  decryptor.setSaveToFile(0);
  ferrolok::Bytes plain = bytesOf(decryptor.Decrypt());
  if (checked && plain.empty() && (cipherLength % 8 != 0 || cipherLength > 8))
    throw RuntimeError(err::InvalidCall,
                       QStringLiteral("The line cannot be deciphered (damaged record)"));
  return plain;
}

namespace {

QString ansiText(const std::vector<std::uint8_t>& bytes) {
  return decodeCp1252(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

}  // namespace

QString VxLog::DecryptFromHex(const QString& InputString, const QString& Password) {
  return ansiText(decryptBytes(hexToBytes(InputString, u" "), Password, false));
}

QString VxLog::DecryptFromHexChecked(const QString& InputString, const QString& Password) {
  return ansiText(decryptBytes(hexToBytes(InputString, u" "), Password, true));
}

QString VxLog::decryptHexLine(QByteArrayView ansiHex, const QString& Password) {
  return ansiText(decryptBytes(hexToBytes(ansiHex, ' '), Password, true));
}

VxLog::HexLinesJob::HexLinesJob(VxLog& log, std::vector<QByteArray> lines, const QString& Password)
    : lines_(std::move(lines)), password_(Password), log_(log) {
  out_.plain.resize(lines_.size());
  out_.errors.resize(lines_.size());
  // A thread is worth starting only for more than a few lines.
  if (lines_.size() >= 64) {
    if (!log_.helperDecryptor_)
      log_.helperDecryptor_ = create<ferrolok::DecryptData>(log_.decryptorProgId_.c_str());
    helper_ = std::async(std::launch::async, [this] { work(*log_.helperDecryptor_); });
  }
}

VxLog::HexLinesJob::~HexLinesJob() {
  if (helper_.valid()) helper_.wait();
}

void VxLog::HexLinesJob::work(ferrolok::DecryptData& decryptor) {
  constexpr std::size_t kChunk = 32;
  for (;;) {
    const std::size_t begin = next_.fetch_add(kChunk);
    if (begin >= lines_.size()) return;
    const std::size_t end = std::min(begin + kChunk, lines_.size());
    for (std::size_t i = begin; i < end; ++i) {
      try {
        out_.plain[i] = ansiText(
            decryptWith(decryptor, hexToBytes(QByteArrayView(lines_[i]), ' '), password_, true));
      } catch (const RuntimeError& e) {
        out_.errors[i] = e;
      } catch (const std::bad_alloc&) {
        out_.errors[i] = RuntimeError(err::OutOfMemory);
      }
    }
  }
}

VxLog::HexLines VxLog::HexLinesJob::finish() {
  work(*log_.decryptor_);
  if (helper_.valid()) helper_.get();
  return std::move(out_);
}

std::unique_ptr<VxLog::HexLinesJob> VxLog::startDecryptHexLines(std::vector<QByteArray> lines,
                                                                const QString& Password) {
  return std::unique_ptr<HexLinesJob>(new HexLinesJob(*this, std::move(lines), Password));
}

VxLog::HexLines VxLog::decryptHexLines(const std::vector<QByteArray>& lines,
                                       const QString& Password) {
  return startDecryptHexLines(lines, Password)->finish();
}

QString VxLog::CalculateHash(const QString& InputString, const QString& Password) {
  hasher_->setPassword(toBString(Password));
  hasher_->setInput(toBString(InputString));
  return toHexText(bytesOf(hasher_->Hash()));
}

QString VxLog::CalculateFileHash(const QString& FileName, const QString& Password) {
  return CalculateFileHash(FileName, Password, {});
}

QString VxLog::CalculateFileHash(const QString& FileName, const QString& Password,
                                 const std::function<bool(qint64, qint64)>& progress) {
  // The text of the round trip is never built: each file byte stands for
  // two bytes of the hashed 8-bit text (digestTable), so the file is
  // streamed through the table into MD5, the digest the hasher computes.
  // Handing the hasher the text itself would take seven times the file's
  // size in memory. While one chunk is hashed the next is read and
  // widened on a second thread; MD5 is what bounds the speed.
  QFile file(FileName);
  openForInput(file);
  hasher_->setPassword(toBString(Password));

  // Chunks no larger than the file (plus one byte, so a file read whole
  // ends in a short chunk), at most 4 MiB.
  const qint64 kChunk = std::clamp<qint64>(file.size() + 1, 4096, 4 << 20);
  struct Chunk {
    std::vector<unsigned char> in;
    std::vector<std::uint16_t> out;
    qint64 size = 0;
  };
  auto prepare = [&file, kChunk](Chunk& c) {
    const auto& table = digestTable().pair;
    c.in.resize(static_cast<std::size_t>(kChunk));
    c.out.resize(static_cast<std::size_t>(kChunk));
    c.size = file.read(reinterpret_cast<char*>(c.in.data()), kChunk);
    for (qint64 i = 0; i < c.size; ++i) c.out[i] = table[c.in[i]];
  };
  Chunk chunks[2];
  md5_ctx ctx;
  md5_init(&ctx);
  qint64 total = 0;
  int current = 0;
  prepare(chunks[current]);
  while (chunks[current].size > 0) {
    Chunk& c = chunks[current];
    Chunk& next = chunks[1 - current];
    std::future<void> ahead;
    if (c.size == kChunk) ahead = std::async(std::launch::async, prepare, std::ref(next));
    md5_update(&ctx, static_cast<std::size_t>(2 * c.size),
               reinterpret_cast<const std::uint8_t*>(c.out.data()));
    total += c.size;
    if (!ahead.valid()) break;  // a short chunk is the last
    ahead.get();
    if (progress && !progress(total, file.size())) throw RuntimeError(err::Cancel);
    current = 1 - current;
  }
  if (chunks[current].size < 0) throw RuntimeError(err::PathFileAccess);
  // An empty file gives an empty text, for which the hasher leaves its
  // result untouched.
  if (total == 0) throw RuntimeError(err::TypeMismatch);
  std::uint8_t digest[MD5_DIGEST_SIZE];
  md5_digest(&ctx, MD5_DIGEST_SIZE, digest);
  return toHexText(digest, MD5_DIGEST_SIZE);
}

QString fileHashOfBytes(QByteArrayView fileBytes) {
  if (fileBytes.isEmpty()) throw RuntimeError(err::TypeMismatch);
  // Widened through the table a block at a time, as CalculateFileHash does
  // with its chunks.
  const auto& table = digestTable().pair;
  constexpr qsizetype kBlock = 16384;
  std::uint16_t wide[kBlock];
  md5_ctx ctx;
  md5_init(&ctx);
  const auto* in = reinterpret_cast<const unsigned char*>(fileBytes.data());
  for (qsizetype done = 0; done < fileBytes.size(); done += kBlock) {
    const qsizetype n = std::min(kBlock, fileBytes.size() - done);
    for (qsizetype i = 0; i < n; ++i) wide[i] = table[in[done + i]];
    md5_update(&ctx, static_cast<std::size_t>(2 * n), reinterpret_cast<const std::uint8_t*>(wide));
  }
  std::uint8_t digest[MD5_DIGEST_SIZE];
  md5_digest(&ctx, MD5_DIGEST_SIZE, digest);
  return toHexText(digest, MD5_DIGEST_SIZE);
}

bool VxLog::CompareHash(const QString& InputString, const QString& Password, const QString& hash) {
  return CalculateHash(InputString, Password) == hash;
}

void VxLog::WriteSigFile(const QString& FileName, const QString& Signature, const QString& hash,
                         bool Encrypt, const QString& Password) {
  QString line = QLocale::c().toString(QDateTime::currentDateTime(), u"M/d/yyyy H:mm:ss") +
                 QStringLiteral(", ") + Signature + QStringLiteral(", ") + hash;
  if (Encrypt) line = EncryptToHex(line, Password);
  QFile file(FileName);
  openForAppend(file);
  const QByteArray bytes = encodeCp1252(line) + "\r\n";
  if (file.write(bytes) != bytes.size() || !file.flush()) throw RuntimeError(err::PathFileAccess);
}

void VxLog::ReadSigFile(TextInputFile& File, QString& DateTime, QString& Signature, QString& hash,
                        bool Encrypt, const QString& Password) {
  if (!Encrypt) {
    DateTime = File.readField();
    Signature = File.readField();
    hash = File.readField();
    return;
  }
  const QString plain = DecryptFromHex(File.readField(), Password);
  if (plain.isEmpty()) return;  // splitting an empty text gives no parts
  QString* outs[3] = {&DateTime, &Signature, &hash};
  int i = 0;
  for (const QStringView part : QStringView(plain).tokenize(u',')) {
    if (i == 3) break;
    *outs[i++] = trimBlanks(part);
  }
}

QString bytesAsLowByteText(const QByteArray& bytes) { return QString::fromLatin1(bytes); }

}  // namespace tarvex
