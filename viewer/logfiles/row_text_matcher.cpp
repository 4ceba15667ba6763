#include "logfiles/row_text_matcher.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "logfiles/logtable.h"
#include "logfiles/logtable_p.h"

namespace tarvex {

namespace {

constexpr unsigned char lowerAscii(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c | 0x20) : c;
}

bool asciiOnly(const char* b, const char* e) {
  for (const char* p = b; p < e; ++p)
    if (static_cast<unsigned char>(*p) >= 0x80) return false;
  return true;
}

}  // namespace

std::vector<int> shownColumns(const LogTable& table) {
  std::vector<int> out;
  for (int c = 0; c <= table.lastCol(); ++c)
    if (!table.isColumnHidden(c)) out.push_back(c);
  return out;
}

RowTextMatcher::RowTextMatcher(const LogTable& table, const QString& text, std::vector<int> columns)
    : table_(table), text_(text), columns_(std::move(columns)) {
  searched_.assign(std::size_t(std::max(0, table.lastCol()) + 1), 0);
  std::vector<int> kept;
  for (const int c : columns_) {
    if (c < 0 || c > table.lastCol() || searched_[std::size_t(c)]) continue;
    searched_[std::size_t(c)] = 1;
    kept.push_back(c);
  }
  columns_ = std::move(kept);
  for (const QChar ch : text_) {
    if (ch.unicode() >= 0x80) {
      asciiText_ = false;
      break;
    }
    lower_.push_back(char(lowerAscii(static_cast<unsigned char>(ch.unicode()))));
  }
  // A rewritten time holds only digits, ":", blanks and "AM"/"PM": most
  // texts cannot be found in one, and the times need not be formatted.
  for (const char c : lower_)
    if (!((c >= '0' && c <= '9') || c == ':' || c == ' ' || c == 'a' || c == 'p' || c == 'm'))
      timesSearched_ = false;
  // Only columns that hold written cells need a look at them row by row.
  written_.assign(searched_.size(), 0);
  for (int c = 0; c < int(written_.size()); ++c) {
    if (std::size_t(c) >= table.overlays_.size() || table.overlays_[std::size_t(c)].cells.empty())
      continue;
    written_[std::size_t(c)] = 1;
    if (searched_[std::size_t(c)]) writtenColumns_.push_back(c);
  }
}

// The ASCII text in the ASCII bytes [b, e), letter case aside. The places
// where its first letter starts, in either case, are found with memchr.
bool RowTextMatcher::bytesMatch(const char* b, const char* e) const {
  const std::size_t n = lower_.size();
  if (std::size_t(e - b) < n) return false;
  const char* last = e - n;
  const char lower = lower_[0];
  const char upper = lower >= 'a' && lower <= 'z' ? char(lower & ~0x20) : lower;
  auto find = [&](const char* from, char c) -> const char* {
    return from > last
               ? nullptr
               : static_cast<const char*>(std::memchr(from, c, std::size_t(last - from) + 1));
  };
  const char* pl = find(b, lower);
  const char* pu = upper != lower ? find(b, upper) : nullptr;
  while (pl || pu) {
    const bool takeLower = pl && (!pu || pl < pu);
    const char* p = takeLower ? pl : pu;
    std::size_t i = 1;
    while (i < n &&
           lowerAscii(static_cast<unsigned char>(p[i])) == static_cast<unsigned char>(lower_[i]))
      ++i;
    if (i == n) return true;
    if (takeLower)
      pl = find(p + 1, lower);
    else
      pu = find(p + 1, upper);
  }
  return false;
}

bool RowTextMatcher::cellMatches(int col, int row) const {
  QString cell;
  table_.getCellInto(col, row, cell);
  return cell.contains(text_, Qt::CaseInsensitive);
}

bool RowTextMatcher::matches(int row) const {
  if (row < 0 || row > table_.lastRow()) return false;
  if (text_.isEmpty()) return true;
  const detail::TableFile* file = table_.file_.get();
  if (!asciiText_ || !file) {
    for (const int c : columns_)
      if (cellMatches(c, row)) return true;
    return false;
  }
  // Written cells (rewritten times, titles) and row numbers first.
  char buf[24];
  const std::vector<detail::TableOverlay>& overlays = table_.overlays_;
  for (const int c : writtenColumns_) {
    const std::vector<quint64>& cells = overlays[std::size_t(c)].cells;
    const quint64 s = std::size_t(row) < cells.size() ? cells[std::size_t(row)] : 0;
    if (s == 0) continue;
    if (slot::kind(s) == 3) {
      if (!timesSearched_) continue;
      const int n = formatTimeOfDay(int(s >> 8), TimeStyle(int((s >> 2) & 3)), buf);
      if (bytesMatch(buf, buf + n)) return true;
    } else if (cellMatches(c, row)) {
      return true;
    }
  }
  if (row >= 1 && row <= table_.numberedRows_ && searched_[0]) {
    const int n = std::snprintf(buf, sizeof buf, "%d", row);
    if (bytesMatch(buf, buf + n)) return true;
  }
  const qsizetype line = qsizetype(row) - file->rowBase;
  if (line < 0 || line >= file->lineCount()) return false;
  const char* b;
  const char* e;
  file->lineBounds(line, b, e);
  return lineMatches(row, b, e);
}

// The searched file cells of `row`, whose line is [b, e).
bool RowTextMatcher::lineMatches(int row, const char* b, const char* e) const {
  const detail::TableFile* file = table_.file_.get();
  const qsizetype line = qsizetype(row) - file->rowBase;
  const bool plainLine = !file->lineQuoted(line) && (file->ascii || asciiOnly(b, e));
  // Most lines do not hold the text anywhere: one look at the whole line.
  if (plainLine && !bytesMatch(b, e)) return false;
  const std::vector<detail::TableOverlay>& overlays = table_.overlays_;
  auto covered = [&](int c) {
    return (written_[std::size_t(c)] && std::size_t(row) < overlays[c].cells.size() &&
            overlays[c].cells[std::size_t(row)] != 0) ||
           (c == 0 && row >= 1 && row <= table_.numberedRows_);
  };
  if (!plainLine) {
    for (const int c : columns_)
      if (!covered(c) && c >= file->colBase && c <= file->colLimit && cellMatches(c, row))
        return true;
    return false;
  }
  const int lastCol = std::min(file->colLimit, table_.lastCol());
  const char* p = b;
  for (int field = 0;; ++field) {
    const char* d = static_cast<const char*>(std::memchr(p, file->delim, std::size_t(e - p)));
    const char* fieldEnd = d ? d : e;
    const int c = field + file->colBase;
    if (c > lastCol) return false;
    if (searched_[std::size_t(c)] && !covered(c) && bytesMatch(p, fieldEnd)) return true;
    if (!d) return false;
    p = d + 1;
  }
}

}  // namespace tarvex
