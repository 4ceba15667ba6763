#include "logfiles/column_reader.h"

#include <cstring>
#include <limits>

#include "logfiles/logtable_p.h"

namespace tarvex {

namespace {

// A plain decimal, "-12.345" or "7": an optional minus, digits and an
// optional point followed by digits, at most 15 digits in all. Read as the
// nearest double at once: the digits and the power of ten are both exact
// doubles, so one division rounds correctly, as the general reader does.
// False for every other text (the general reader judges those).
constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

bool plainDecimal(const char* p, const char* e, double& out) {
  const bool negative = p < e && *p == '-';
  if (negative) ++p;
  quint64 mantissa = 0;
  int digits = 0;
  int fraction = -1;  // digits after the point; -1: no point
  for (; p < e; ++p) {
    const char c = *p;
    if (c >= '0' && c <= '9') {
      if (++digits > 15) return false;
      mantissa = mantissa * 10 + quint64(c - '0');
      if (fraction >= 0) ++fraction;
    } else if (c == '.' && fraction < 0 && digits > 0) {
      fraction = 0;
    } else {
      return false;
    }
  }
  if (digits == 0 || fraction == 0) return false;
  const double v = double(mantissa) / kPow10[fraction < 0 ? 0 : fraction];
  out = negative ? -v : v;
  return true;
}

}  // namespace

ColumnNumberReader::ColumnNumberReader(const LogTable& table, int firstRow, int lastRow,
                                       const QLocale& locale)
    : table_(table), firstRow_(firstRow), locale_(locale) {
  if (lastRow >= firstRow) pos_.resize(static_cast<std::size_t>(lastRow - firstRow) + 1);
}

bool ColumnNumberReader::plainColumn(int col) {
  if (col != checkedCol_) {
    const LogTable& t = table_;
    const detail::TableFile* file = t.file_.get();
    checkedCol_ = col;
    plainCol_ = file && col >= file->colBase && col <= t.lastCol_ && col <= file->colLimit &&
                !(col == 0 && t.numberedRows_ > 0) &&
                (static_cast<std::size_t>(col) >= t.overlays_.size() ||
                 t.overlays_[static_cast<std::size_t>(col)].cells.empty());
  }
  return plainCol_;
}

inline ColumnNumberReader::Found ColumnNumberReader::locate(int col, int i, const char*& begin,
                                                            const char*& end) {
  const int row = firstRow_ + i;
  const LogTable& t = table_;
  // Everything but a plain file cell of an unquoted line: the table's own way.
  if (!plainColumn(col) || i < 0 || static_cast<std::size_t>(i) >= pos_.size() || row < 0 ||
      row > t.lastRow_)
    return Found::AskTable;
  const detail::TableFile* file = t.file_.get();
  const qsizetype line = qsizetype(row) - file->rowBase;
  const int f = col - file->colBase;
  if (line < 0 || line >= file->lineCount() || file->lineQuoted(line)) return Found::AskTable;

  const char* b;
  const char* e;
  file->lineBounds(line, b, e);
  if (e - b > qsizetype(0xFFFFFFFF)) return Found::AskTable;
  RowPos& pos = pos_[static_cast<std::size_t>(i)];
  const char* p = b;
  int k = 0;
  if (pos.field <= f && b + pos.offset <= e) {
    p = b + pos.offset;
    k = pos.field;
  }
  // Fields are short: a plain loop beats a library search here.
  const char delim = file->delim;
  for (; k < f; ++k) {
    while (p < e && *p != delim) ++p;
    if (p == e) {
      pos = {};
      return Found::Empty;  // the line has fewer fields
    }
    ++p;
  }
  const char* fieldEnd = p;
  while (fieldEnd < e && *fieldEnd != delim) ++fieldEnd;
  if (fieldEnd < e)
    pos = {quint32(fieldEnd + 1 - b), f + 1};
  else
    pos = {quint32(p - b), f};
  if (!file->ascii) {
    for (const char* c = p; c < fieldEnd; ++c)
      if (static_cast<unsigned char>(*c) >= 0x80) return Found::AskTable;
  }
  begin = p;
  end = fieldEnd;
  return Found::InFile;
}

std::optional<double> ColumnNumberReader::number(int col, int i) {
  const char* b;
  const char* e;
  switch (locate(col, i, b, e)) {
    case Found::Empty:
      return std::nullopt;
    case Found::AskTable:
      return table_.cellNumber(col, firstRow_ + i, locale_);
    case Found::InFile:
      break;
  }
  double value;
  if (plainDecimal(b, e, value)) return value;
  return parseNumber(b, e, locale_);
}

// Field `f` of a line of the file from the row's saved position `pos`,
// read as a plain decimal on the way to its end: one pass over its bytes.
// [b, e) holds the line with its line end (CR, LF or both; an unquoted line
// holds neither inside). Plain: `value` is the field's number. Text: the
// field [fb, fe) is no plain decimal (the general reader judges it). Empty:
// the line has fewer fields. `pos` moves on as locate() moves it.
ColumnNumberReader::Cell ColumnNumberReader::scanCell(const char* b, const char* e, int f,
                                                      char delim, RowPos& pos, double& value,
                                                      const char*& fb, const char*& fe) {
  const char* p = b;
  int k = 0;
  if (pos.field <= f && b + pos.offset <= e) {
    p = b + pos.offset;
    k = pos.field;
  }
  for (; k < f; ++k) {
    while (p < e && *p != delim && *p != '\r' && *p != '\n') ++p;
    if (p == e || *p != delim) {
      pos = {};
      return Cell::Empty;
    }
    ++p;
  }
  fb = p;
  quint64 mantissa = 0;
  int digits = 0;
  int fraction = -1;  // digits after the point; -1: no point
  bool plain = true;
  const bool negative = p < e && *p == '-';
  if (negative) ++p;
  for (; p < e; ++p) {
    const char c = *p;
    const unsigned digit = static_cast<unsigned char>(c) - unsigned('0');
    if (digit <= 9) {
      mantissa = mantissa * 10 + digit;  // wraps harmlessly past 15 digits (then Text)
      ++digits;
      if (fraction >= 0) ++fraction;
    } else if (c == delim || c == '\r' || c == '\n') {
      break;
    } else if (c == '.' && fraction < 0 && digits > 0) {
      fraction = 0;
    } else {
      plain = false;
    }
  }
  fe = p;
  if (p < e && *p == delim)
    pos = {quint32(p + 1 - b), f + 1};
  else
    pos = {quint32(fb - b), f};
  if (!plain || digits == 0 || digits > 15 || fraction == 0) return Cell::Text;
  const double v = double(mantissa) / kPow10[fraction < 0 ? 0 : fraction];
  value = negative ? -v : v;
  return Cell::Plain;
}

void ColumnNumberReader::read(int col, int from, int count, double* out) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  const LogTable& t = table_;
  const detail::TableFile* file = t.file_.get();
  // The one-pass scan covers ASCII files whose delimiter cannot be taken for
  // part of a number or a line end.
  const bool quick = plainColumn(col) && file->ascii &&
                     !std::strchr("0123456789-.\r\n", file->delim) && file->delim != '\0';
  const int f = quick ? col - file->colBase : 0;
  for (int k = 0; k < count; ++k) {
    const int i = from + k;
    const int row = firstRow_ + i;
    if (quick && i >= 0 && static_cast<std::size_t>(i) < pos_.size() && row >= 0 &&
        row <= t.lastRow_) {
      const qsizetype line = qsizetype(row) - file->rowBase;
      if (line >= 0 && line < file->lineCount()) {
        const quint64 entry = file->lines.at(line);
        const char* b = file->bytes + qsizetype(entry & OffsetIndex::kOffsetMask);
        const char* e =
            file->bytes + qsizetype(file->lines.at(line + 1) & OffsetIndex::kOffsetMask);
        if (!(entry & OffsetIndex::kQuotedFlag) && e - b <= qsizetype(0xFFFFFFFF)) {
          const char* fb;
          const char* fe;
          switch (
              scanCell(b, e, f, file->delim, pos_[static_cast<std::size_t>(i)], out[k], fb, fe)) {
            case Cell::Plain:
              continue;
            case Cell::Empty:
              out[k] = nan;
              continue;
            case Cell::Text:
              out[k] = parseNumber(fb, fe, locale_).value_or(nan);
              continue;
          }
        }
      }
    }
    out[k] = number(col, i).value_or(nan);
  }
}

}  // namespace tarvex
