// One entry of a batch's review record, and its line in the record file.
//
// A record file holds one entry a line, JSON, UTF-8, LF-terminated, its
// fields always in the order and form writeEntryLine gives them:
//   {"seq":N,"prev":HEX64,"data":NAME,"dataSha256":HEX64,
//    "written":"YYYY-MM-DDTHH:MM:SSZ","offset":"+HH:MM",
//    "author":ID,"name":PRINTED,"key":HEX64,"kind":"note"|"signoff",
//    ...the kind's fields...,"sig":HEX128}
// The signature is Ed25519 over "tarvex review entry\n" followed by the
// line's bytes up to (not including) `,"sig":`; "prev" is the SHA-256 of the
// previous entry's whole line (without its LF), 64 zeros for the first.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace tarvex {

enum class EntryKind { Note, SignOff };
enum class Meaning { Reviewed, Approved, Rejected };

// "reviewed", "approved", "rejected"; parseMeaning empty for anything else.
QString meaningName(Meaning meaning);
std::optional<Meaning> parseMeaning(const QString& name);

// The tables a note can point into: "data", "audit", "alarm", "evt" (the
// operator events), "sig" (the data file's signatures) and "audit-sig".
bool isNoteTable(const QString& name);

// What a note points at: a time in the data file, or a row of one of the
// batch's tables with that row's time.
struct NoteAnchor {
  enum class Kind { Time, Row } kind = Kind::Time;
  QString table;  // Row: one of isNoteTable()
  int row = 0;    // Row: as `tarvex show` numbers the table's rows (from 1)
  QString time;   // "YYYY-MM-DDTHH:MM:SS" (the row's; "" when it has none)
  // Every table but "data": the file's name (no folder) and SHA-256 (hex).
  QString file;
  QString fileSha256;
};

// A file bound by a sign-off: its role ("data", "data-sig", "evt",
// "audit", "audit-sig", "alarms"), name (no folder) and SHA-256 (hex).
struct BoundFile {
  QString role;
  QString name;
  QString sha256;
};

struct RecordEntry {
  qint64 seq = 0;   // from 1
  QByteArray prev;  // 64 lower-case hex digits
  QString data;     // the data file's name, no folder
  QString dataSha256;
  QDateTime written;       // UTC, whole seconds
  int offsetSeconds = 0;   // the writer's local offset from UTC then
  QString author;          // the reviewer id
  QString name;            // the printed name
  QString keyFingerprint;  // keyFingerprint() of the author's public key
  EntryKind kind = EntryKind::Note;
  // Note
  NoteAnchor anchor;
  QString text;
  // SignOff
  Meaning meaning = Meaning::Reviewed;
  QString reason;
  QString from, to;  // the review window, "YYYY-MM-DDTHH:MM:SS"; "" = open
  std::vector<BoundFile> files;
  QByteArray signature;  // 64 bytes
};

// The line of `entry` without its signature: the bytes that are signed
// (after the domain prefix) and the start of the line. No LF.
QByteArray entryLineBody(const RecordEntry& entry);
// What Ed25519 signs for a line body.
QByteArray signedBytes(const QByteArray& lineBody);
// The whole line (body, signature, closing brace), no LF.
QByteArray writeEntryLine(const RecordEntry& entry);

// Reads a line (without LF). Accepts only what writeEntryLine writes:
// anything else (another field order, spacing, escape, a missing or extra
// field, a value of the wrong type) is refused. Returns the reason in
// `error` and empty on refusal. On success `body` receives the signed part.
std::optional<RecordEntry> parseEntryLine(const QByteArray& line, QString* error,
                                          QByteArray* body = nullptr);

// SHA-256 of a line (no LF) as 64 lower-case hex digits: the next entry's
// "prev".
QByteArray lineHash(const QByteArray& line);
// "prev" of the first entry.
QByteArray firstPrev();

// "2026-12-10 09:14:03 +01:00": the time written in the writer's local time.
QString writtenText(const RecordEntry& entry);

}  // namespace tarvex
