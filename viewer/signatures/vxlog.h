// VxLog: the viewer's one gateway to the Ferrolok library. It turns the
// library's byte arrays into the hex text of the controller's signature and
// event files (hextext.h), deciphers those lines, computes the file digest
// that signatures record, and writes and reads a three-field signature
// record of its own.
//
// Every failure is thrown as RuntimeError with its run-time number; VxLog
// catches nothing, its callers report. Texts are UTF-16 (QString); the
// library works on the low byte of each character, and bytes come back as
// text through the ANSI code page (Windows code page 1252).
#pragma once

#include <QByteArrayView>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ferrolok {
class EncryptString;
class DecryptData;
class CreateStringHash;
}  // namespace ferrolok

#include "shell/runtime_error.h"

namespace tarvex {

class TextInputFile;

// The password every caller in the viewer passes.
inline constexpr char16_t kSigPassword[] = u"plumb";

class VxLog {
 public:
  // Creates the three library objects by ProgID, in the order encryptor
  // ("Ferrolok.EncryptString"), decryptor ("Ferrolok.DecryptData"), hasher
  // ("Ferrolok.CreateStringHash"). Throws RuntimeError(err::CantCreateObject)
  // when one of them cannot be created. The other constructor takes the
  // three ProgIDs (another registration, or a test of that failure).
  VxLog();
  VxLog(const char* encryptorProgId, const char* decryptorProgId, const char* hasherProgId);
  ~VxLog();
  VxLog(const VxLog&) = delete;
  VxLog& operator=(const VxLog&) = delete;

  // Hex text of the ciphertext of the 8-bit form of InputString (the low
  // byte of each character). Throws err::TypeMismatch for an empty
  // InputString (the library leaves its result empty) and err::InvalidCall
  // when the library returns no bytes (unknown provider).
  QString EncryptToHex(const QString& InputString, const QString& Password);

  // The plaintext of the hex text InputString (hexToBytes with the delimiter
  // " "), bytes turned into text through code page 1252. Returns "" when the
  // library cannot decipher the bytes (it returns an empty array). Throws
  // err::Overflow for a hex group above FF.
  QString DecryptFromHex(const QString& InputString, const QString& Password);

  // As DecryptFromHex, but a ciphertext that the library cannot decipher
  // throws err::InvalidCall instead of reading as "": its length is not a
  // multiple of 8 bytes, or it is longer than one block and gives no
  // plaintext. An empty InputString and a single block holding only padding
  // give "". The readers of the companion files use this form, so that a
  // damaged record is reported instead of shown as an empty row.
  QString DecryptFromHexChecked(const QString& InputString, const QString& Password);
  // DecryptFromHexChecked of a line still in the bytes of its code page 1252
  // file (what the companion readers read), without decoding it first.
  QString decryptHexLine(QByteArrayView ansiHex, const QString& Password);

  // decryptHexLine of every line, on two threads (the caller's and one
  // more, each with a decryptor of its own; the library keeps each
  // thread's key, so the key is derived once a thread). The result of
  // lines[i] is plain[i], or errors[i] when that line throws (the other
  // lines are still deciphered). Order is kept.
  struct HexLines {
    std::vector<QString> plain;
    std::vector<std::optional<RuntimeError>> errors;
  };
  HexLines decryptHexLines(const std::vector<QByteArray>& lines, const QString& Password);

  // The same in two steps, so that the caller can do other work (read the
  // next lines, fill rows) while a second thread deciphers: the job starts
  // on that thread at once; finish() then deciphers on the calling thread
  // too, until every line is done, and returns the results. Lines are taken
  // a few at a time by whichever thread is free. The VxLog must outlive
  // the job, and only one job may run at a time; a job destroyed without
  // finish() still waits for its thread.
  class HexLinesJob {
   public:
    ~HexLinesJob();
    HexLinesJob(const HexLinesJob&) = delete;
    HexLinesJob& operator=(const HexLinesJob&) = delete;
    HexLines finish();

   private:
    friend class VxLog;
    HexLinesJob(VxLog& log, std::vector<QByteArray> lines, const QString& Password);
    void work(ferrolok::DecryptData& decryptor);

    std::vector<QByteArray> lines_;
    QString password_;
    HexLines out_;
    std::atomic<std::size_t> next_{0};
    VxLog& log_;
    std::future<void> helper_;
  };
  std::unique_ptr<HexLinesJob> startDecryptHexLines(std::vector<QByteArray> lines,
                                                    const QString& Password);

  // Hex text of the MD5 of the 8-bit form of InputString: 16 groups. The
  // Password is handed to the library but does not change the digest.
  // Throws err::TypeMismatch for an empty InputString.
  QString CalculateHash(const QString& InputString, const QString& Password);

  // The digest that signatures record for a file: CalculateHash of the text
  // formed by decoding every byte of the file through code page 1252, taking
  // the UTF-16 little-endian bytes of that text and turning each of them
  // into one character through code page 1252 again. For an ASCII file
  // b1..bn this is the MD5 of b1,0,b2,0,..,bn,0. Works on the bytes,
  // whatever encoding the viewer shows the file in; streams the file in
  // chunks (memory does not grow with the file). Throws the platform's file
  // error (53, 75, 76) when the file cannot be read and err::TypeMismatch for
  // an empty file.
  QString CalculateFileHash(const QString& FileName, const QString& Password);
  // The same, calling progress(bytesDone, bytesTotal) after every chunk of
  // the file; progress returning false stops the digest with
  // RuntimeError(err::Cancel).
  QString CalculateFileHash(const QString& FileName, const QString& Password,
                            const std::function<bool(qint64, qint64)>& progress);

  // True when CalculateHash(InputString, Password) equals `hash` exactly
  // (case-sensitive, no trimming).
  bool CompareHash(const QString& InputString, const QString& Password, const QString& hash);

  // Appends one record "m/d/yyyy h:mm:ss, Signature, hash" (the current
  // local time; "/" and ":" separate its parts) to FileName, created when missing, followed by CR
  // LF; when Encrypt is true the hex text of its ciphertext is written instead. The plain record is
  // written in code page 1252. Throws the platform's file error (75, 76) when the file cannot be
  // opened for appending.
  void WriteSigFile(const QString& FileName, const QString& Signature, const QString& hash,
                    bool Encrypt, const QString& Password);

  // Reads one record from the current position of File. Encrypt true: one
  // field of the comma-separated field reader, deciphered, split at every
  // comma; the first three parts, trimmed of blanks, go to DateTime,
  // Signature and hash (a missing part leaves its out parameter as it was,
  // further parts are ignored). Encrypt false: three fields straight into
  // the out parameters. Throws err::InputPastEndOfFile at the end of File.
  void ReadSigFile(TextInputFile& File, QString& DateTime, QString& Signature, QString& hash,
                   bool Encrypt, const QString& Password);

 private:
  std::vector<std::uint8_t> decryptBytes(std::vector<std::uint8_t> cipher, const QString& Password,
                                         bool checked);
  static std::vector<std::uint8_t> decryptWith(ferrolok::DecryptData& decryptor,
                                               std::vector<std::uint8_t> cipher,
                                               const QString& Password, bool checked);

  std::string decryptorProgId_;
  std::unique_ptr<ferrolok::DecryptData> helperDecryptor_;  // the second thread's

  std::unique_ptr<ferrolok::EncryptString> encryptor_;
  std::unique_ptr<ferrolok::DecryptData> decryptor_;
  std::unique_ptr<ferrolok::CreateStringHash> hasher_;
};

// VxLog::CalculateFileHash of a file whose bytes are already in memory
// (`fileBytes`, the whole file): the same hex text, without reading the
// file again. Throws err::TypeMismatch for no bytes, as for an empty file.
// Needs no library object, so any thread may call it.
QString fileHashOfBytes(QByteArrayView fileBytes);

// The UTF-16 text whose 8-bit form is `bytes` (each byte becomes the
// character of the same value), for handing raw bytes to EncryptToHex.
QString bytesAsLowByteText(const QByteArray& bytes);

}  // namespace tarvex
