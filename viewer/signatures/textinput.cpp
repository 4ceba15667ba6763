#include "signatures/textinput.h"

#include <QDir>
#include <QFileInfo>
#include <cstring>

#include "shell/codepage.h"
#include "shell/readfiles.h"
#include "shell/runtime_error.h"

namespace tarvex {
namespace {

constexpr qint64 kChunk = 64 * 1024;

}  // namespace

void openForInput(QFile& file) { openRegularFile(file, file.fileName()); }

void openForAppend(QFile& file) {
  const QFileInfo info(file.fileName());
  if (file.fileName().isEmpty()) throw RuntimeError(err::BadFileNameOrNumber);
  if (!info.absoluteDir().exists()) throw RuntimeError(err::PathNotFound);
  if (info.isDir() || !file.open(QIODevice::WriteOnly | QIODevice::Append))
    throw RuntimeError(err::PathFileAccess);
}

TextInputFile::TextInputFile(const QString& path) : path_(path), file_(path) {
  openForInput(file_);
}

TextInputFile::~TextInputFile() = default;

bool TextInputFile::fill() {
  if (pos_ < buffer_.size()) return true;
  buffer_.resize(kChunk);
  const qint64 got = file_.read(buffer_.data(), kChunk);
  if (got < 0) throw RuntimeError(err::PathFileAccess);
  buffer_.resize(got);
  pos_ = 0;
  return got > 0;
}

int TextInputFile::peek() {
  if (!fill()) return -1;
  return static_cast<unsigned char>(buffer_[pos_]);
}

int TextInputFile::get() {
  const int c = peek();
  if (c >= 0) ++pos_;
  return c;
}

bool TextInputFile::atEnd() { return peek() < 0; }

void TextInputFile::skipLineEnd() {
  const int c = peek();
  if (c == '\r') {
    ++pos_;
    if (peek() == '\n') ++pos_;
  } else if (c == '\n') {
    ++pos_;
  }
}

QString TextInputFile::readLine() { return decodeCp1252(readLineBytes()); }

QByteArray TextInputFile::readLineBytes() { return readLineBytes(-1); }

QByteArray TextInputFile::readLineBytes(qsizetype maxBytes) {
  if (atEnd()) throw RuntimeError(err::InputPastEndOfFile);
  ++lineNumber_;
  QByteArray line;
  for (;;) {
    if (!fill()) break;
    const char* begin = buffer_.constData() + pos_;
    const qsizetype avail = buffer_.size() - pos_;
    const char* cr = static_cast<const char*>(std::memchr(begin, '\r', size_t(avail)));
    const char* lf =
        static_cast<const char*>(std::memchr(begin, '\n', size_t(cr ? cr - begin : avail)));
    const qsizetype n = lf ? lf - begin : cr ? cr - begin : avail;
    line.append(begin, n);
    pos_ += n;
    if (maxBytes >= 0 && line.size() > maxBytes)
      throw RuntimeError(err::InvalidCall,
                         QStringLiteral("The line is longer than %1 bytes").arg(maxBytes));
    if (n < avail) break;
  }
  skipLineEnd();
  return line;
}

QString TextInputFile::readField() {
  if (atEnd()) throw RuntimeError(err::InputPastEndOfFile);
  while (peek() == ' ' || peek() == '\t') ++pos_;
  QByteArray field;
  int c = peek();
  if (c == '"') {
    ++pos_;
    while ((c = get()) >= 0 && c != '"') field.append(static_cast<char>(c));
    // Drop what follows the closing quote up to the comma or line end.
    while ((c = peek()) >= 0 && c != ',' && c != '\r' && c != '\n') ++pos_;
  } else {
    while ((c = peek()) >= 0 && c != ',' && c != '\r' && c != '\n') {
      field.append(static_cast<char>(c));
      ++pos_;
    }
    while (!field.isEmpty() && (field.back() == ' ' || field.back() == '\t')) field.chop(1);
  }
  if (peek() == ',')
    ++pos_;
  else
    skipLineEnd();
  return decodeCp1252(field);
}

}  // namespace tarvex
