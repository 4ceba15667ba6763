#include "logfiles/column_reader.h"

#include "logfiles/logtable_p.h"

namespace tarvex {

namespace {

// A plain decimal, "-12.345" or "7": an optional minus, digits and an
// optional point followed by digits, at most 15 digits in all. Read as the
// nearest double at once: the digits and the power of ten are both exact
// doubles, so one division rounds correctly, as the general reader does.
// False for every other text (the general reader judges those).
bool plainDecimal(const char* p, const char* e, double& out) {
  static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
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

std::optional<double> ColumnNumberReader::number(int col, int i) {
  const int row = firstRow_ + i;
  const LogTable& t = table_;
  // Everything but a plain file cell of an unquoted line: the table's own way.
  if (!plainColumn(col) || i < 0 || static_cast<std::size_t>(i) >= pos_.size() || row < 0 ||
      row > t.lastRow_)
    return t.cellNumber(col, row, locale_);
  const detail::TableFile* file = t.file_.get();
  const qsizetype line = qsizetype(row) - file->rowBase;
  const int f = col - file->colBase;
  if (line < 0 || line >= file->lineCount() || file->lineQuoted(line))
    return t.cellNumber(col, row, locale_);

  const char* b;
  const char* e;
  file->lineBounds(line, b, e);
  if (e - b > qsizetype(0xFFFFFFFF)) return t.cellNumber(col, row, locale_);
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
      return std::nullopt;  // the line has fewer fields: an empty cell
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
      if (static_cast<unsigned char>(*c) >= 0x80) return t.cellNumber(col, row, locale_);
  }
  double value;
  if (plainDecimal(p, fieldEnd, value)) return value;
  return parseNumber(p, fieldEnd, locale_);
}

}  // namespace tarvex
