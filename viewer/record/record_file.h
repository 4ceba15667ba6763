// The review record's file: where it is, reading it, and appending to it.
// A record file is only ever appended to, a whole line with one write under
// an exclusive lock, and flushed to disk before the append returns.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace tarvex {

// The record of a data file: its name without the last extension plus
// ".review" (NAME.csv -> NAME.review), beside it or in `reviewDir`.
QString recordPathFor(const QString& dataFile, const QString& reviewDir = {});

// The bytes of the regular file at path; empty optional when nothing is
// there. A FIFO, device, socket or folder is refused without being read
// (opened without waiting, then checked). Throws RuntimeError 75 (what the
// path is, or the read error) or 7 when it is larger than maxBytes.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes = qint64(1) << 31);

// Whether an append to the record at path could be made, as far as can be
// told before the work: throws as appendRecordLine would for a path that is
// no regular file, a missing folder or one that cannot be written.
void checkRecordWritable(const QString& path);

// A record's contents split into lines. The last line without its LF is
// a line cut short while written (a crash): `incompleteTail` holds it, it
// is not in `lines`.
struct RecordLines {
  std::vector<QByteArray> lines;  // without LF
  QByteArray incompleteTail;
  bool hasIncompleteTail = false;
};
RecordLines splitRecordLines(const QByteArray& contents);

// What an append sees under the lock: the last complete line and its number
// (0 and empty for an empty or new record).
struct RecordTail {
  QByteArray lastLine;
  qint64 lastLineNumber = 0;
};

// Appends the line compose() returns (no LF) to the record at path, made
// when missing (and its folder flushed then). Under an exclusive lock the
// file's end is read again and handed to compose, which may throw to write
// nothing. A last line left incomplete by a crash is ended first, so the new
// entry starts a line of its own. The write is one call; the file is
// flushed (fsync) before returning. A write or flush that fails takes the
// bytes of this append back out, and throws. Throws RuntimeError 75 for a
// path that is not a regular file and for a folder that cannot be written
// (named, suggesting another record folder), 76 for a missing folder.
void appendRecordLine(const QString& path,
                      const std::function<QByteArray(const RecordTail& tail)>& compose);

}  // namespace tarvex
