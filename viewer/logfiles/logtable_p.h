// Storage of LogTable: the loaded file and the overlay of written cells.
#pragma once

#include <QString>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "logfiles/logtable.h"

namespace tarvex {

// Offsets of the lines of a file, in blocks so that growing never copies
// (the load's peak memory stays at the final size).
class OffsetIndex {
 public:
  static constexpr quint64 kQuotedFlag = quint64(1) << 63;   // the line holds a quoted field
  static constexpr quint64 kOpenEndFlag = quint64(1) << 62;  // end entry: no line end before it
  static constexpr quint64 kOffsetMask = kOpenEndFlag - 1;

  void push(quint64 value) {
    if ((size_ & kMask) == 0) blocks_.push_back(std::make_unique<quint64[]>(kBlock));
    blocks_[size_ >> kShift][size_ & kMask] = value;
    ++size_;
  }
  quint64 at(qsizetype i) const { return blocks_[i >> kShift][i & kMask]; }
  void setFlag(qsizetype i, quint64 flag) { blocks_[i >> kShift][i & kMask] |= flag; }
  qsizetype size() const { return size_; }
  void truncate(qsizetype n) {
    if (n >= size_) return;
    size_ = n;
    blocks_.resize((n + kBlock - 1) >> kShift);
  }

 private:
  static constexpr int kShift = 16;
  static constexpr qsizetype kBlock = qsizetype(1) << kShift;
  static constexpr qsizetype kMask = kBlock - 1;
  std::vector<std::unique_ptr<quint64[]>> blocks_;
  qsizetype size_ = 0;
};

namespace detail {

struct TableFile {
  TableFile() = default;
  TableFile(const TableFile&) = delete;
  TableFile& operator=(const TableFile&) = delete;
  ~TableFile();

  // Room for the file's bytes (size + 1); null when there is no memory.
  // Large buffers use huge pages where the system offers them: far fewer
  // page faults while the file is read in.
  bool allocate(qsizetype size);

  // Number of lines (rows taken from the file).
  qsizetype lineCount() const { return lines.size() > 0 ? lines.size() - 1 : 0; }
  bool lineQuoted(qsizetype i) const { return lines.at(i) & OffsetIndex::kQuotedFlag; }
  // The bytes of line i without its line end.
  void lineBounds(qsizetype i, const char*& b, const char*& e) const;
  // Field f (from 0) of line i, quotes included; false when the line has
  // fewer fields.
  bool field(qsizetype i, int f, const char*& b, const char*& e, bool& quoted) const;

  char* bytes = nullptr;  // the whole file (allocate())
  size_t mapped = 0;      // bytes mapped for it; 0: malloc'd
  qsizetype size = 0;
  qsizetype begin = 0;  // first byte of line 1 (after a byte-order mark)
  // Start of every line (with kQuotedFlag), then one entry for the end of
  // the last line (with kOpenEndFlag when the file ends inside that line).
  OffsetIndex lines;
  bool utf8 = false;   // cells decode as UTF-8 (else code page 1252)
  bool ascii = false;  // every byte below 0x80
  // Decoded as UTF-8 (a byte-order mark says so) though the bytes are not
  // valid UTF-8: cells show U+FFFD where the bytes are bad, so an export
  // cannot copy the bytes as they are.
  bool badUtf8 = false;
  char delim = ',';
  int rowBase = 0;                 // table row of line 0
  int colBase = 0;                 // table column of field 0
  int colLimit = 0x7fffffff;       // no file field shows beyond this column
  std::vector<char> fieldHasData;  // per field: some line has a non-empty text there
  bool fieldHasDataExact = true;   // false once lines were dropped
  QString path;
};

// Cells written after the load, one column. A slot per row (0 = not
// written); the low two bits tell the kind:
//   1: text in the arena: length in bits 2..25 (0xFFFFFF: an 8-byte length
//      precedes the text), offset in bits 26..63;
//   2: text of up to 7 UTF-8 bytes in the slot: length in bits 2..4, the
//      bytes in bits 8..63 (a written "" is the slot value 2);
//   3: a time of day: style in bits 2..3, seconds in bits 8..31.
struct TableOverlay {
  std::vector<quint64> cells;
  std::string arena;  // UTF-8 texts
  qsizetype garbage = 0;
};

// Where the text of a cell comes from.
struct CellRef {
  enum Kind { Empty, Slot, Number, File } kind = Empty;
  quint64 slot = 0;
  const TableOverlay* overlay = nullptr;
  int number = 0;
  const char* b = nullptr;
  const char* e = nullptr;
  bool quoted = false;
};

}  // namespace detail

// UTF-8 bytes as text. A leading U+FEFF is kept: inside a file or a written
// cell it is a character of the text, not a byte-order mark (which
// QString::fromUtf8 would drop).
QString utf8Text(const char* b, qsizetype n);

namespace slot {
inline constexpr quint64 kEmpty = 2;
inline int kind(quint64 s) { return int(s & 3); }
inline bool isEmptyText(quint64 s) { return s == 0 || s == kEmpty; }
// The text of a written cell; arena is its column's arena.
QString text(quint64 s, const std::string& arena);
}  // namespace slot

}  // namespace tarvex
