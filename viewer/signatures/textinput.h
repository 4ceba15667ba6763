// A file opened for sequential text input: line by line, or field by field
// with the comma-separated field reader. Bytes become characters through the
// ANSI code page (Windows code page 1252). A line ends at CR LF, at a CR
// alone or at an LF alone, so files written on any system read the same.
#pragma once

#include <QFile>
#include <QString>
#include <memory>

namespace tarvex {

// Opens `file` (its name set) for reading, or throws RuntimeError with the
// platform's file error: err::FileNotFound (53) when nothing exists there,
// err::PathNotFound (76) when its folder does not exist, err::PathFileAccess
// (75) for anything but a regular file (a folder, pipe or device: nothing
// waits on it) or a file that cannot be read, err::BadFileNameOrNumber (52)
// for an empty name. The file counts as read in this run (readfiles.h).
void openForInput(QFile& file);

// Opens `file` for appending, created when missing, or throws
// err::PathNotFound (76) / err::PathFileAccess (75).
void openForAppend(QFile& file);

class TextInputFile {
 public:
  // Opens `path` for reading; throws as openForInput.
  explicit TextInputFile(const QString& path);
  ~TextInputFile();
  TextInputFile(const TextInputFile&) = delete;
  TextInputFile& operator=(const TextInputFile&) = delete;

  // True when every byte has been read.
  bool atEnd();

  // The next line without its line end. Throws
  // RuntimeError(err::InputPastEndOfFile) at the end of the file and
  // RuntimeError(err::PathFileAccess) when reading fails.
  QString readLine();
  // The same as the file's bytes, not decoded.
  QByteArray readLineBytes();
  // The same, but a line longer than maxBytes throws
  // RuntimeError(err::InvalidCall) once maxBytes of it were read, so that
  // memory stays bounded whatever the file holds.
  QByteArray readLineBytes(qsizetype maxBytes);

  // The next field of the comma-separated field reader: leading blanks and
  // tabs are skipped; a field in double quotes ends at its closing quote (what
  // follows up to the next comma or line end is dropped); any other field ends
  // at a comma or at the end of the line, trailing blanks removed. The comma
  // or line end that ends the field is consumed. Throws like readLine at the
  // end of the file.
  QString readField();

  // Number of lines readLine has returned so far.
  qint64 lineNumber() const { return lineNumber_; }
  const QString& path() const { return path_; }

 private:
  // Next byte without consuming it, -1 at the end.
  int peek();
  int get();
  bool fill();
  // Consumes a CR LF, CR or LF when one comes next.
  void skipLineEnd();

  QString path_;
  QFile file_;
  QByteArray buffer_;
  qsizetype pos_ = 0;
  qint64 lineNumber_ = 0;
};

}  // namespace tarvex
