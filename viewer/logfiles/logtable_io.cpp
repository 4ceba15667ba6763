// Loading a delimited text file into a LogTable and exporting one.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <string>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#ifdef __linux__
#include <sys/mman.h>
#endif

#include "logfiles/logtable.h"
#include "logfiles/logtable_p.h"
#include "shell/codepage.h"
#include "shell/readfiles.h"
#include "shell/runtime_error.h"

namespace tarvex {

using detail::CellRef;
using detail::TableOverlay;

namespace {

// Position after the quoted field starting at p ('"'): after its closing
// quote, or end when it has none.
const char* skipQuoted(const char* p, const char* end) {
  ++p;
  for (;;) {
    const char* q = static_cast<const char*>(std::memchr(p, '"', size_t(end - p)));
    if (!q) return end;
    if (q + 1 < end && q[1] == '"') {
      p = q + 2;
      continue;
    }
    return q + 1;
  }
}

// Bytes of memory the system can still give, or -1 when unknown.
// A number in the first line of a file, or -1.
qint64 numberInFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return -1;
  bool ok = false;
  const qint64 n = f.readLine().trimmed().toLongLong(&ok);
  return ok ? n : -1;
}

// Bytes of memory the system can still give (the machine's available memory,
// within the control group's limit when there is one), or -1 when unknown.
qint64 availableMemory() {
  qint64 avail = -1;
  QFile meminfo(QStringLiteral("/proc/meminfo"));
  if (meminfo.open(QIODevice::ReadOnly | QIODevice::Text)) {
    while (!meminfo.atEnd()) {
      const QByteArray line = meminfo.readLine();
      if (line.startsWith("MemAvailable:")) {
        bool ok = false;
        const qint64 kb = line.mid(13).trimmed().split(' ').value(0).toLongLong(&ok);
        if (ok) avail = kb * 1024;
        break;
      }
    }
  }
  // The process's memory control group: "0::/path" (version 2) or
  // "N:memory:/path" (version 1); a path not found from here (inside a
  // namespace) is the group's root.
  QString dir, limitFile, usedFile;
  QFile cgroup(QStringLiteral("/proc/self/cgroup"));
  if (cgroup.open(QIODevice::ReadOnly | QIODevice::Text)) {
    while (!cgroup.atEnd()) {
      const QList<QByteArray> parts = cgroup.readLine().trimmed().split(':');
      if (parts.size() < 3) continue;
      const QString path = QString::fromUtf8(parts.mid(2).join(':'));
      if (parts[1] == "memory") {
        dir = QStringLiteral("/sys/fs/cgroup/memory");
        limitFile = QStringLiteral("/memory.limit_in_bytes");
        usedFile = QStringLiteral("/memory.usage_in_bytes");
      } else if (parts[0] == "0" && parts[1].isEmpty() && dir.isEmpty()) {
        dir = QStringLiteral("/sys/fs/cgroup");
        limitFile = QStringLiteral("/memory.max");  // "max": no limit
        usedFile = QStringLiteral("/memory.current");
      } else {
        continue;
      }
      if (QFileInfo::exists(dir + path + limitFile)) dir += path;
    }
  }
  const qint64 limit = dir.isEmpty() ? -1 : numberInFile(dir + limitFile);
  const qint64 used = dir.isEmpty() ? -1 : numberInFile(dir + usedFile);
  if (limit >= 0 && used >= 0) {
    const qint64 room = std::max<qint64>(0, limit - used);
    avail = avail < 0 ? room : std::min(avail, room);
  }
  return avail;
}

// Reads the whole file at path into fd (bytes, size).
void readFile(const QString& path, detail::TableFile& fd);

}  // namespace

detail::TableFile::~TableFile() {
#ifdef __linux__
  if (mapped) {
    munmap(bytes, mapped);
    return;
  }
#endif
  std::free(bytes);
}

bool detail::TableFile::allocate(qsizetype n) {
#ifdef __linux__
  constexpr size_t kHuge = size_t(2) << 20;
  if (n >= qsizetype(8 * kHuge)) {
    const size_t len = (size_t(n) + 1 + kHuge - 1) / kHuge * kHuge;
    void* p = mmap(nullptr, len, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return false;
    madvise(p, len, MADV_HUGEPAGE);
    bytes = static_cast<char*>(p);
    mapped = len;
    return true;
  }
#endif
  bytes = static_cast<char*>(std::malloc(size_t(n) + 1));
  return bytes != nullptr;
}

// TableFile is declared in the table's private header; these helpers need its
// layout, so they live here next to the parser that fills it.
void detail::TableFile::lineBounds(qsizetype i, const char*& b, const char*& e) const {
  const qsizetype start = qsizetype(lines.at(i) & OffsetIndex::kOffsetMask);
  const quint64 next = lines.at(i + 1);
  qsizetype stop = qsizetype(next & OffsetIndex::kOffsetMask);
  if (next & OffsetIndex::kOpenEndFlag) {
    // The file ends inside the line (an open quote may hold a line break).
  } else if (stop > start && bytes[stop - 1] == '\n') {
    --stop;
    if (stop > start && bytes[stop - 1] == '\r') --stop;
  } else if (stop > start && bytes[stop - 1] == '\r') {
    --stop;
  }
  b = bytes + start;
  e = bytes + stop;
}

bool detail::TableFile::field(qsizetype i, int f, const char*& b, const char*& e,
                              bool& quoted) const {
  const char* p;
  const char* end;
  lineBounds(i, p, end);
  if (!lineQuoted(i)) {
    for (int k = 0; k < f; ++k) {
      p = static_cast<const char*>(std::memchr(p, delim, size_t(end - p)));
      if (!p) return false;
      ++p;
    }
    const char* q = static_cast<const char*>(std::memchr(p, delim, size_t(end - p)));
    b = p;
    e = q ? q : end;
    quoted = false;
    return true;
  }
  for (int k = 0;; ++k) {
    const char* start = p;
    const bool isQuoted = p < end && *p == '"';
    if (isQuoted) p = skipQuoted(p, end);
    const char* q = static_cast<const char*>(std::memchr(p, delim, size_t(end - p)));
    p = q ? q : end;
    if (k == f) {
      b = start;
      e = p;
      quoted = isQuoted;
      return true;
    }
    if (p == end) return false;
    ++p;
  }
}

namespace {

void readFile(const QString& path, detail::TableFile& fd) {
  // Only a regular file: a folder, device or pipe is no log (and opening a
  // pipe would wait for a writer).
  QFile file;
  openRegularFile(file, path);
  const qint64 size = file.size();
  // The table needs the file's bytes and a little more; refuse what the
  // system cannot give rather than let it end the program.
  const qint64 avail = availableMemory();
  if (size < 0 || size >= qint64(PTRDIFF_MAX / 2) || (avail >= 0 && size + size / 4 > avail))
    throw RuntimeError(err::OutOfMemory);
  if (!fd.allocate(size)) throw RuntimeError(err::OutOfMemory);
  qint64 got = 0;
  while (got < size) {
    const qint64 n = file.read(fd.bytes + got, size - got);
    if (n < 0) throw RuntimeError(err::PathFileAccess);
    if (n == 0) break;  // the file shrank while being read
    got += n;
  }
  fd.size = got;
}

// Finds the next column delimiter, CR, LF or '"' and notes whether every
// byte it passed was ASCII. Sixteen bytes at a time where SSE2 is there.
class SpecialFinder {
 public:
  SpecialFinder(char delim, const char* end) : end_(end) {
    special_[static_cast<unsigned char>(delim)] = special_['\r'] = special_['\n'] = special_['"'] =
        true;
#ifdef __SSE2__
    delim_ = _mm_set1_epi8(delim);
#endif
  }

  const char* next(const char* p) {
#ifdef __SSE2__
    // The rest of the block found last time, then block after block.
    // (No block yet on the first call: nothing may be added to the null
    // pointer.)
    if (block_ && p >= block_ && p < block_ + 16) {
      const unsigned rest = hits_ & (~0u << unsigned(p - block_));
      if (rest) return block_ + __builtin_ctz(rest);
      p = block_ + 16;
    }
    while (end_ - p >= 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      seenVec_ = _mm_or_si128(seenVec_, v);
      const __m128i hit =
          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, delim_), _mm_cmpeq_epi8(v, cr_)),
                       _mm_or_si128(_mm_cmpeq_epi8(v, lf_), _mm_cmpeq_epi8(v, quote_)));
      const unsigned bits = unsigned(_mm_movemask_epi8(hit));
      if (bits) {
        block_ = p;
        hits_ = bits;
        return p + __builtin_ctz(bits);
      }
      p += 16;
    }
#endif
    while (p < end_ && !special_[static_cast<unsigned char>(*p)]) seen_ |= *p++;
    return p;
  }

  bool ascii() const {
#ifdef __SSE2__
    if (_mm_movemask_epi8(seenVec_) != 0) return false;
#endif
    return (seen_ & 0x80) == 0;
  }

 private:
  const char* end_;
  bool special_[256] = {};
  char seen_ = 0;
#ifdef __SSE2__
  __m128i delim_;
  __m128i cr_ = _mm_set1_epi8('\r');
  __m128i lf_ = _mm_set1_epi8('\n');
  __m128i quote_ = _mm_set1_epi8('"');
  __m128i seenVec_ = _mm_setzero_si128();
  const char* block_ = nullptr;  // the block whose hits_ are known
  unsigned hits_ = 0;
#endif
};

// Splits fd's bytes into lines and fields (one pass), filling lines,
// fieldHasData and the encoding. Returns the largest field count of a line.
int parseLines(detail::TableFile& fd) {
  const char* const base = fd.bytes;
  const char* const end = base + fd.size;
  const char* p = base + fd.begin;
  const unsigned char delim = static_cast<unsigned char>(fd.delim);
  SpecialFinder finder(fd.delim, end);
  unsigned char seen = 0;  // bytes of quoted fields ORed: bit 7 set when not ASCII
  int maxFields = 0;
  qsizetype lastNonEmpty = -1;
  qsizetype line = 0;
  bool openEnd = false;  // the last line ends at the file's end, without a line end
  std::vector<char>& has = fd.fieldHasData;
  auto mark = [&](int field) {
    if (size_t(field) >= has.size()) has.resize(size_t(field) + 1, 0);
    has[field] = 1;
  };
  auto nonEmpty = [](const char* b, const char* e) {
    // "" is an empty text, and so is a lone '"' (a quote opened at the end
    // of the file and never closed).
    return e > b && !(e - b == 2 && b[0] == '"' && b[1] == '"') && !(e - b == 1 && b[0] == '"');
  };

  while (p < end) {
    // One line.
    const char* lineStart = p;
    if (line >= qsizetype(INT_MAX) - 2) throw RuntimeError(err::Overflow);
    fd.lines.push(quint64(p - base));
    bool quoted = false;
    int field = 0;
    const char* fieldStart = p;
    for (;;) {
      p = finder.next(p);
      if (p == end) break;
      const unsigned char c = static_cast<unsigned char>(*p);
      if (c == delim) {
        if (nonEmpty(fieldStart, p)) mark(field);
        if (field == INT_MAX - 2) throw RuntimeError(err::Overflow);
        ++field;
        fieldStart = ++p;
        continue;
      }
      if (c == '"') {
        if (p != fieldStart) {
          ++p;
          continue;
        }
        quoted = true;
        const char* q = skipQuoted(p, end);
        for (const char* s = p; s < q; ++s) seen |= static_cast<unsigned char>(*s);
        p = q;
        continue;
      }
      break;  // CR or LF
    }
    if (nonEmpty(fieldStart, p)) mark(field);
    maxFields = std::max(maxFields, field + 1);
    if (p > lineStart) lastNonEmpty = line;
    if (quoted) fd.lines.setFlag(line, OffsetIndex::kQuotedFlag);
    openEnd = p == end;
    if (!openEnd) {
      const char c = *p++;
      if (c == '\r' && p < end && *p == '\n') ++p;
    }
    ++line;
  }
  // End of the last line.
  fd.lines.push(quint64(p - base) | (openEnd ? OffsetIndex::kOpenEndFlag : 0));
  // Empty lines at the end are no rows.
  if (lastNonEmpty + 1 < line) fd.lines.truncate(lastNonEmpty + 2);
  if (lastNonEmpty < 0) {
    fd.lines.truncate(0);
    maxFields = 0;
  }
  fd.ascii = (seen & 0x80) == 0 && finder.ascii();
  const bool validUtf8 =
      fd.ascii || isValidUtf8(QByteArrayView(base + fd.begin, end - base - fd.begin));
  fd.badUtf8 = fd.utf8 && !validUtf8;
  if (!fd.utf8) fd.utf8 = validUtf8;
  return maxFields;
}

}  // namespace

void LogTable::loadDelimitedText(const QString& path, const LoadOptions& options) {
  std::unique_ptr<detail::TableFile> fd;
  int maxFields = 0;
  try {
    fd = std::make_unique<detail::TableFile>();
    readFile(path, *fd);
    if (fd->size >= 3 && std::memcmp(fd->bytes, "\xEF\xBB\xBF", 3) == 0) {
      fd->begin = 3;
      fd->utf8 = true;  // a byte-order mark says UTF-8
    }
    fd->delim = options.columnDelimiter;
    fd->rowBase = options.headerRow ? 0 : 1;
    fd->colBase = options.headerColumn == LoadOptions::HeaderColumn::FromFile ? 0 : 1;
    fd->path = QFileInfo(path).absoluteFilePath();
    maxFields = parseLines(*fd);
  } catch (const std::bad_alloc&) {
    throw RuntimeError(err::OutOfMemory);
  }
  const qsizetype lines = fd->lineCount();
  beginUpdate();
  dropAll();
  file_ = std::move(fd);
  lastRow_ = lines > 0 ? int(lines - 1 + file_->rowBase) : 0;
  lastCol_ = std::max(0, maxFields - 1 + file_->colBase);
  if (options.headerColumn == LoadOptions::HeaderColumn::RowNumbers && lines > 0)
    numberedRows_ = lastRow_;
  endUpdate();
}

// ---- Export ----------------------------------------------------------------

namespace {

bool needsQuotes(const char* b, const char* e) {
  for (const char* p = b; p < e; ++p)
    if (*p == ',' || *p == '"' || *p == '\r' || *p == '\n') return true;
  return false;
}

void appendField(std::string& out, const char* b, const char* e) {
  if (!needsQuotes(b, e)) {
    out.append(b, e);
    return;
  }
  out.push_back('"');
  for (const char* p = b; p < e; ++p) {
    if (*p == '"') out.push_back('"');
    out.push_back(*p);
  }
  out.push_back('"');
}

bool isAscii(const char* b, const char* e) {
  for (const char* p = b; p < e; ++p)
    if (static_cast<unsigned char>(*p) >= 0x80) return false;
  return true;
}

// Walks the fields of one line from left to right.
class FieldCursor {
 public:
  FieldCursor(const char* b, const char* e, bool quotedLine, char delim)
      : p_(b), end_(e), quotedLine_(quotedLine), delim_(delim) {}

  // Field f, which must not be before the field last asked for; false when
  // the line has fewer fields.
  bool field(int f, const char*& b, const char*& e, bool& quoted) {
    while (!done_) {
      const char* start = p_;
      const bool q = quotedLine_ && p_ < end_ && *p_ == '"';
      const char* s = q ? skipQuoted(p_, end_) : p_;
      const char* d = static_cast<const char*>(std::memchr(s, delim_, size_t(end_ - s)));
      if (d) {
        p_ = d + 1;
      } else {
        done_ = true;
      }
      if (index_++ == f) {
        b = start;
        e = d ? d : end_;
        quoted = q;
        return true;
      }
    }
    return false;
  }

 private:
  const char* p_;
  const char* end_;
  bool quotedLine_;
  char delim_;
  int index_ = 0;
  bool done_ = false;
};

// True when some written cell holds a character code page 1252 lacks.
bool overlayNeedsUtf8(const std::string& arena) {
  bool ascii = true;
  for (const char c : arena)
    if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
  if (ascii) return false;
  const QString text = utf8Text(arena.data(), qsizetype(arena.size()));
  for (const QChar ch : text)
    if (unicodeToCp1252(ch.unicode()) < 0) return true;
  return false;
}

}  // namespace

void LogTable::exportDelimitedText(const QString& path, const std::vector<int>* rows) const {
  if (path.isEmpty()) throw RuntimeError(err::BadFileNameOrNumber);
  const QFileInfo target(path);
  // Never over a file read in this run (the table's own file, a companion,
  // any other log), however the path names it.
  QString readAs = readFileAt(path);
  if (readAs.isEmpty() && file_ && sameFile(path, file_->path)) readAs = file_->path;
  if (!readAs.isEmpty())
    throw RuntimeError(err::PermissionDenied,
                       errorDescription(err::PermissionDenied) + QStringLiteral(" (") + readAs +
                           QStringLiteral(" is a log file read in this run)"));
  if (!target.absoluteDir().exists()) throw RuntimeError(err::PathNotFound);

  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly)) throw RuntimeError(err::PathFileAccess);
  WriteOptions options;
  options.rows = rows;
  writeDelimitedText(out, options);
  if (!out.commit()) throw RuntimeError(err::PathFileAccess);
}

void LogTable::writeDelimitedText(QIODevice& out) const { writeDelimitedText(out, {}); }

void LogTable::writeDelimitedText(QIODevice& out, const WriteOptions& options) const {
  try {
    const std::size_t lineEndSize = std::strlen(options.lineEnd);
    bool utf8 = options.utf8 || (file_ && file_->utf8 && !file_->ascii);
    for (const TableOverlay& ov : overlays_) {
      if (utf8) break;
      if (overlayNeedsUtf8(ov.arena)) utf8 = true;
      for (const quint64 s : ov.cells) {
        if (utf8 || slot::kind(s) != 2) continue;
        for (int i = 0; i < 7; ++i)
          if ((s >> (8 + 8 * i)) & 0x80)
            utf8 = overlayNeedsUtf8(slot::text(s, ov.arena).toStdString());
      }
    }
    // File bytes can be copied as they are when the output uses their
    // encoding (ASCII fits both).
    const bool rawFile = file_ && (file_->ascii || (file_->utf8 == utf8 && !file_->badUtf8));

    std::string buf;
    buf.reserve((1 << 20) + 4096);
    QString text;
    QByteArray encoded;
    auto flush = [&] {
      if (out.write(buf.data(), qint64(buf.size())) != qint64(buf.size()))
        throw RuntimeError(err::PathFileAccess);
      buf.clear();
    };
    // A text through the output's encoding.
    auto appendText = [&](const QString& t) {
      encoded = utf8 ? t.toUtf8() : encodeCp1252(t);
      appendField(buf, encoded.constData(), encoded.constData() + encoded.size());
    };
    const qsizetype lines = file_ ? file_->lineCount() : 0;
    const std::size_t listed = options.rows ? options.rows->size() : 0;
    const int rowCount =
        options.rows ? int(std::min<std::size_t>(listed, INT_MAX - 1)) + 1 : lastRow_ + 1;
    for (int i = 0; i < rowCount; ++i) {
      const int r = options.rows && i > 0 ? (*options.rows)[std::size_t(i - 1)] : i;
      if (r < 0 || r > lastRow_ || (options.rows && i > 0 && r == 0)) continue;
      const qsizetype line = file_ ? qsizetype(r) - file_->rowBase : -1;
      const char* lb = nullptr;
      const char* le = nullptr;
      if (line >= 0 && line < lines) file_->lineBounds(line, lb, le);
      FieldCursor cursor(lb, le, lb && file_->lineQuoted(line), file_ ? file_->delim : ',');
      bool first = true;
      for (int c = 0; c <= lastCol_; ++c) {
        if (!options.hiddenColumns && isColumnHidden(c)) continue;
        if (!first) buf.push_back(',');
        first = false;
        const quint64 s = size_t(c) < overlays_.size() && size_t(r) < overlays_[c].cells.size()
                              ? overlays_[c].cells[r]
                              : 0;
        if (s != 0) {
          if (slot::kind(s) == 3) {
            char t[16];
            buf.append(t, size_t(formatTimeOfDay(int(s >> 8), TimeStyle(int((s >> 2) & 3)), t)));
          } else {
            appendText(slot::text(s, overlays_[c].arena));
          }
          continue;
        }
        if (c == 0 && r >= 1 && r <= numberedRows_) {
          buf += std::to_string(r);
          continue;
        }
        const char* b;
        const char* e;
        bool quoted;
        if (!lb || c > file_->colLimit || c < file_->colBase ||
            !cursor.field(c - file_->colBase, b, e, quoted))
          continue;
        if (!quoted && (rawFile || isAscii(b, e))) {
          appendField(buf, b, e);
        } else {
          getCellInto(c, r, text);
          appendText(text);
        }
      }
      buf.append(options.lineEnd, lineEndSize);
      if (buf.size() >= (1 << 20)) flush();
    }
    flush();
  } catch (const std::bad_alloc&) {
    throw RuntimeError(err::OutOfMemory);
  }
}

}  // namespace tarvex
