#include "logfiles/logtable.h"

#include <QStringDecoder>
#include <algorithm>
#include <climits>
#include <cstring>

#include "logfiles/logtable_p.h"
#include "shell/codepage.h"
#include "shell/runtime_error.h"

namespace tarvex {

using detail::CellRef;
using detail::TableOverlay;

namespace {

// The text of a quoted field [b, e): the part between the quotes with ""
// made one '"', then whatever follows the closing quote.
std::string unquote(const char* b, const char* e) {
  std::string out;
  const char* p = b + 1;
  while (p < e) {
    if (*p == '"') {
      if (p + 1 < e && p[1] == '"') {
        out.push_back('"');
        p += 2;
        continue;
      }
      out.append(p + 1, e);
      break;
    }
    out.push_back(*p++);
  }
  return out;
}

void decodeInto(const char* b, qsizetype n, bool utf8, QString& out) {
  if (!utf8) {
    out.resize(n);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < n; ++i) d[i] = cp1252ToUnicode(static_cast<unsigned char>(b[i]));
    return;
  }
  out.resize(n);
  QStringDecoder dec(QStringDecoder::Utf8,
                     QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QChar* end = dec.appendToBuffer(out.data(), QByteArrayView(b, n));
  out.resize(end - out.constData());
}

}  // namespace

QString utf8Text(const char* b, qsizetype n) {
  QString out;
  decodeInto(b, n, true, out);
  return out;
}

QString slot::text(quint64 s, const std::string& arena) {
  switch (slot::kind(s)) {
    case 1: {
      qsizetype len = qsizetype((s >> 2) & 0xFFFFFF);
      qsizetype off = qsizetype(s >> 26);
      if (len == 0xFFFFFF) {
        quint64 big;
        std::memcpy(&big, arena.data() + off, 8);
        len = qsizetype(big);
        off += 8;
      }
      return utf8Text(arena.data() + off, len);
    }
    case 2: {
      const int len = int((s >> 2) & 7);
      char buf[8];
      for (int i = 0; i < len; ++i) buf[i] = char((s >> (8 + 8 * i)) & 0xFF);
      return utf8Text(buf, len);
    }
    case 3:
      return formatTimeOfDay(int(s >> 8), TimeStyle(int((s >> 2) & 3)));
    default:
      return QString();
  }
}

namespace {

// Bytes a slot's text takes in the arena (a long text's length prefix
// included); 0 for slots that keep their text in themselves.
qsizetype arenaBytes(quint64 s, const std::string& arena) {
  if (slot::kind(s) != 1) return 0;
  const qsizetype len = qsizetype((s >> 2) & 0xFFFFFF);
  if (len != 0xFFFFFF) return len;
  quint64 big;
  std::memcpy(&big, arena.data() + (s >> 26), 8);
  return qsizetype(big) + 8;
}

void checkCell(int col, int row) {
  if (col < 0 || row < 0) throw RuntimeError(err::SubscriptOutOfRange);
}

}  // namespace

LogTable::LogTable(QObject* parent) : QAbstractTableModel(parent) {}

LogTable::~LogTable() = default;

// ---- Reading cells ---------------------------------------------------------

CellRef LogTable::locate(int col, int row) const {
  CellRef ref;
  if (col < 0 || row < 0 || col > lastCol_ || row > lastRow_) return ref;
  if (size_t(col) < overlays_.size()) {
    const TableOverlay& ov = overlays_[col];
    if (size_t(row) < ov.cells.size() && ov.cells[row] != 0) {
      ref.kind = CellRef::Slot;
      ref.slot = ov.cells[row];
      ref.overlay = &ov;
      return ref;
    }
  }
  if (col == 0 && row >= 1 && row <= numberedRows_) {
    ref.kind = CellRef::Number;
    ref.number = row;
    return ref;
  }
  if (file_) {
    const qsizetype line = qsizetype(row) - file_->rowBase;
    const int field = col - file_->colBase;
    if (line >= 0 && line < file_->lineCount() && field >= 0 && col <= file_->colLimit &&
        file_->field(line, field, ref.b, ref.e, ref.quoted))
      ref.kind = CellRef::File;
  }
  return ref;
}

QString LogTable::getCell(int col, int row) const {
  QString out;
  getCellInto(col, row, out);
  return out;
}

void LogTable::getCellInto(int col, int row, QString& out) const {
  const CellRef ref = locate(col, row);
  switch (ref.kind) {
    case CellRef::Empty:
      out.clear();
      return;
    case CellRef::Slot:
      out = slot::text(ref.slot, ref.overlay->arena);
      return;
    case CellRef::Number:
      out.setNum(ref.number);
      return;
    case CellRef::File:
      if (ref.quoted) {
        const std::string text = unquote(ref.b, ref.e);
        decodeInto(text.data(), qsizetype(text.size()), file_->utf8, out);
      } else {
        decodeInto(ref.b, ref.e - ref.b, file_->utf8, out);
      }
      return;
  }
}

namespace {

bool asciiBytes(const char* b, const char* e) {
  for (const char* p = b; p < e; ++p)
    if (static_cast<unsigned char>(*p) >= 0x80) return false;
  return true;
}

}  // namespace

std::optional<double> LogTable::cellNumber(int col, int row, const QLocale& locale) const {
  const CellRef ref = locate(col, row);
  if (ref.kind == CellRef::Empty) return std::nullopt;
  if (ref.kind == CellRef::Number) return double(ref.number);
  if (ref.kind == CellRef::File && !ref.quoted && (file_->ascii || asciiBytes(ref.b, ref.e)))
    return parseNumber(ref.b, ref.e, locale);
  return parseNumber(getCell(col, row), locale);
}

std::optional<double> LogTable::cellDateTime(int col, int row, const QLocale& locale) const {
  const CellRef ref = locate(col, row);
  if (ref.kind == CellRef::Empty) return std::nullopt;
  if (ref.kind == CellRef::Number) return double(ref.number);
  if (ref.kind == CellRef::Slot && slot::kind(ref.slot) == 3) {
    // What the cell shows: without seconds in the short style.
    int secs = int(ref.slot >> 8);
    if (TimeStyle(int((ref.slot >> 2) & 3)) == TimeStyle::HourMinute) secs -= secs % 60;
    return secs / 86400.0;
  }
  if (ref.kind == CellRef::File && !ref.quoted && (file_->ascii || asciiBytes(ref.b, ref.e)))
    return dateReading_ ? parseDateTime(ref.b, ref.e, locale, dateReading_->order)
                        : parseDateTime(ref.b, ref.e, locale);
  return dateReading_ ? parseDateTime(getCell(col, row), locale, dateReading_->order)
                      : parseDateTime(getCell(col, row), locale);
}

bool LogTable::isCellEmpty(int col, int row) const {
  const CellRef ref = locate(col, row);
  switch (ref.kind) {
    case CellRef::Empty:
      return true;
    case CellRef::Slot:
      return ref.slot == slot::kEmpty;
    case CellRef::Number:
      return false;
    case CellRef::File:
      return ref.quoted ? (ref.e - ref.b == 2 && ref.b[1] == '"') || ref.e - ref.b == 1
                        : ref.e == ref.b;
  }
  return true;
}

// ---- Writing cells ---------------------------------------------------------

void LogTable::growTo(int col, int row) {
  const bool signal = updateDepth_ == 0;
  if (row > lastRow_) {
    if (signal) beginInsertRows(QModelIndex(), lastRow_ + 1, row);
    lastRow_ = row;
    if (signal) endInsertRows();
  }
  if (col > lastCol_) {
    if (signal) beginInsertColumns(QModelIndex(), lastCol_ + 1, col);
    lastCol_ = col;
    if (signal) endInsertColumns();
  }
}

void LogTable::cellChanged(int col, int row) {
  if (updateDepth_ == 0) {
    const QModelIndex i = index(row, col);
    emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
  }
}

// Puts slot s (for kind 1 with the text bytes) into cell (col, row).
void LogTable::storeSlot(int col, int row, quint64 s, QByteArrayView bytes) {
  try {
    storeSlotUnchecked(col, row, s, bytes);
  } catch (const std::bad_alloc&) {
    throw RuntimeError(err::OutOfMemory);
  }
}

void LogTable::storeSlotUnchecked(int col, int row, quint64 s, QByteArrayView bytes) {
  if (size_t(col) >= overlays_.size()) overlays_.resize(size_t(col) + 1);
  TableOverlay& ov = overlays_[col];
  const size_t want = size_t(row) + 1;
  if (want > ov.cells.size()) {
    if (want > ov.cells.capacity()) {
      // A column written below its title row is usually written for every
      // row of the table: size it for the table at once; past that, double.
      size_t cap = std::max(want, ov.cells.capacity() * 2);
      if (row > 0) cap = std::max(cap, size_t(lastRow_) + 1);
      ov.cells.reserve(cap);
    }
    ov.cells.resize(want, 0);
  }
  quint64& target = ov.cells[row];
  ov.garbage += arenaBytes(target, ov.arena);
  if (slot::kind(s) == 1) {
    const qsizetype len = bytes.size();
    if (ov.garbage > (1 << 20) && ov.garbage > qsizetype(ov.arena.size()) / 2) {
      // Compact: keep only the texts still referenced.
      std::string fresh;
      fresh.reserve(ov.arena.size() - size_t(ov.garbage));
      for (quint64& other : ov.cells) {
        if (slot::kind(other) != 1 || &other == &target) continue;
        const qsizetype olen = arenaBytes(other, ov.arena);
        const qsizetype ooff = qsizetype(other >> 26);
        const quint64 noff = fresh.size();
        fresh.append(ov.arena.data() + ooff, size_t(olen));
        other = (other & ((quint64(1) << 26) - 1)) | (noff << 26);
      }
      ov.arena.swap(fresh);
      ov.garbage = 0;
    }
    const quint64 off = ov.arena.size();
    if (off >= (quint64(1) << 38)) throw RuntimeError(err::OutOfMemory);
    if (len >= 0xFFFFFF) {
      const quint64 big = quint64(len);
      ov.arena.append(reinterpret_cast<const char*>(&big), 8);
      s = 1 | (quint64(0xFFFFFF) << 2) | (off << 26);
    } else {
      s = 1 | (quint64(len) << 2) | (off << 26);
    }
    ov.arena.append(bytes.data(), size_t(len));
  }
  target = s;
}

void LogTable::setCell(int col, int row, QStringView text) {
  checkCell(col, row);
  if (text.isEmpty()) {
    if (col > lastCol_ || row > lastRow_) return;
    // A cell with nothing underneath needs no slot.
    const bool overlaid =
        size_t(col) < overlays_.size() && size_t(row) < overlays_[col].cells.size();
    if (!overlaid && locate(col, row).kind == CellRef::Empty) return;
    storeSlot(col, row, slot::kEmpty, {});
    cellChanged(col, row);
    return;
  }
  growTo(col, row);
  const QByteArray utf8 = text.toUtf8();
  if (utf8.size() <= 7) {
    quint64 s = 2 | (quint64(utf8.size()) << 2);
    for (qsizetype i = 0; i < utf8.size(); ++i)
      s |= quint64(static_cast<unsigned char>(utf8[i])) << (8 + 8 * i);
    storeSlot(col, row, s, {});
  } else {
    storeSlot(col, row, 1, utf8);
  }
  cellChanged(col, row);
}

void LogTable::setCellTimeOfDay(int col, int row, int seconds, TimeStyle style) {
  checkCell(col, row);
  if (seconds < 0 || seconds >= 86400) throw RuntimeError(err::InvalidCall);
  growTo(col, row);
  storeSlot(col, row, 3 | (quint64(int(style)) << 2) | (quint64(seconds) << 8), {});
  cellChanged(col, row);
}

void LogTable::formatTimeColumn(int col, int firstRow, int lastRow, TimeStyle style,
                                const QLocale& locale) {
  if (col < 0 || col > lastCol_) return;
  firstRow = std::max(firstRow, 0);
  lastRow = std::min(lastRow, lastRow_);
  if (firstRow > lastRow) return;
  beginUpdate();
  try {
    QString text;
    TimeColumnReader reader(locale,
                            dateReading_ ? std::optional(dateReading_->order) : std::nullopt);
    for (int r = firstRow; r <= lastRow; ++r) {
      const CellRef ref = locate(col, r);
      std::optional<int> secs;
      if (ref.kind == CellRef::Empty) continue;
      if (ref.kind == CellRef::File && !ref.quoted &&
          (file_->ascii || std::all_of(ref.b, ref.e, [](char c) {
             return static_cast<unsigned char>(c) < 0x80;
           }))) {
        if (ref.b == ref.e) continue;
        secs = reader.seconds(ref.b, ref.e);
      } else {
        getCellInto(col, r, text);
        secs = reader.seconds(text);
      }
      if (secs) setCellTimeOfDay(col, r, *secs, style);
    }
  } catch (...) {
    endUpdate();
    throw;
  }
  endUpdate();
}

void LogTable::dropAll() {
  file_.reset();
  dateReading_.reset();
  overlays_.clear();
  overlays_.shrink_to_fit();
  numberedRows_ = 0;
}

void LogTable::clearCells(int col1, int row1, int col2, int row2, bool dataOnly) {
  Q_UNUSED(dataOnly);  // no per-cell formatting to keep or drop
  col1 = std::max(col1, 0);
  row1 = std::max(row1, 0);
  col2 = std::min(col2, lastCol_);
  row2 = std::min(row2, lastRow_);
  if (col1 > col2 || row1 > row2) return;
  if (col1 == 0 && row1 == 0 && col2 == lastCol_ && row2 == lastRow_) {
    beginUpdate();
    dropAll();
    endUpdate();
    return;
  }
  for (int c = col1; c <= col2; ++c) {
    for (int r = row1; r <= row2; ++r) {
      const bool overlaid = size_t(c) < overlays_.size() && size_t(r) < overlays_[c].cells.size();
      if (overlaid) {
        TableOverlay& ov = overlays_[c];
        ov.garbage += arenaBytes(ov.cells[r], ov.arena);
        ov.cells[r] = 0;
      }
      // Whatever is underneath the overlay (file text, row number) is
      // covered by an empty text.
      const CellRef under = locate(c, r);
      if (under.kind != CellRef::Empty) storeSlot(c, r, slot::kEmpty, {});
    }
  }
  if (updateDepth_ == 0)
    emit dataChanged(index(row1, col1), index(row2, col2), {Qt::DisplayRole, Qt::EditRole});
}

// ---- Extent ----------------------------------------------------------------

void LogTable::setLastRow(int row) {
  row = std::max(row, 0);
  if (row == lastRow_) return;
  const bool signal = updateDepth_ == 0;
  if (row > lastRow_) {
    if (signal) beginInsertRows(QModelIndex(), lastRow_ + 1, row);
    lastRow_ = row;
    if (signal) endInsertRows();
    return;
  }
  if (signal) beginRemoveRows(QModelIndex(), row + 1, lastRow_);
  lastRow_ = row;
  numberedRows_ = std::min(numberedRows_, row);
  for (TableOverlay& ov : overlays_)
    if (ov.cells.size() > size_t(row) + 1) ov.cells.resize(size_t(row) + 1);
  if (file_) {
    const qsizetype keep = std::max<qsizetype>(0, qsizetype(row) + 1 - file_->rowBase);
    if (keep < file_->lineCount()) {
      file_->lines.truncate(keep + 1);
      file_->fieldHasDataExact = false;
    }
  }
  if (signal) endRemoveRows();
}

void LogTable::setLastCol(int col) {
  col = std::max(col, 0);
  if (col == lastCol_) return;
  const bool signal = updateDepth_ == 0;
  if (col > lastCol_) {
    if (signal) beginInsertColumns(QModelIndex(), lastCol_ + 1, col);
    lastCol_ = col;
    if (signal) endInsertColumns();
    return;
  }
  if (signal) beginRemoveColumns(QModelIndex(), col + 1, lastCol_);
  lastCol_ = col;
  if (overlays_.size() > size_t(col) + 1) overlays_.resize(size_t(col) + 1);
  if (file_) file_->colLimit = std::min(file_->colLimit, col);
  if (signal) endRemoveColumns();
}

int LogTable::dataColCount() const {
  for (int c = lastCol_; c >= 1; --c) {
    const TableOverlay* ov = size_t(c) < overlays_.size() ? &overlays_[c] : nullptr;
    if (ov) {
      for (size_t r = 0; r < ov->cells.size() && r <= size_t(lastRow_); ++r)
        if (!slot::isEmptyText(ov->cells[r])) return c;
    }
    if (!file_ || c > file_->colLimit) continue;
    const int field = c - file_->colBase;
    if (field < 0 || size_t(field) >= file_->fieldHasData.size() || !file_->fieldHasData[field])
      continue;
    if ((!ov || ov->cells.empty()) && file_->fieldHasDataExact) return c;
    // Some file cells of this column are covered or dropped: look at each.
    for (qsizetype i = 0; i < file_->lineCount(); ++i) {
      const qsizetype r = i + file_->rowBase;
      if (ov && size_t(r) < ov->cells.size() && ov->cells[r] != 0) continue;
      if (!isCellEmpty(c, int(r))) return c;
    }
  }
  return 0;
}

int LogTable::dataRowCount() const {
  for (int r = lastRow_; r >= 1; --r)
    for (int c = 0; c <= lastCol_; ++c)
      if (!isCellEmpty(c, r)) return r;
  return 0;
}

QString LogTable::sourcePath() const { return file_ ? file_->path : QString(); }

QByteArrayView LogTable::loadedBytes() const {
  return file_ ? QByteArrayView(file_->bytes, file_->size) : QByteArrayView();
}

// ---- Column and table settings ---------------------------------------------

double LogTable::columnWidth(int col) const {
  if (col >= 0 && size_t(col) < widths_.size() && widths_[col] >= 0) return widths_[col];
  return defaultWidth_;
}

void LogTable::setColumnWidth(int col, double width) {
  width = std::max(width, 0.0);
  if (col == -1) {
    defaultWidth_ = width;
    widths_.clear();
  } else if (col >= 0) {
    if (size_t(col) >= widths_.size()) widths_.resize(size_t(col) + 1, -1.0);
    widths_[col] = width;
  } else {
    return;
  }
  emit columnFormatChanged(col);
}

bool LogTable::isColumnHidden(int col) const {
  return col >= 0 && size_t(col) < hidden_.size() && hidden_[col];
}

void LogTable::setColumnHidden(int col, bool hidden) {
  if (col < 0 || isColumnHidden(col) == hidden) return;
  if (size_t(col) >= hidden_.size()) hidden_.resize(size_t(col) + 1, false);
  hidden_[col] = hidden;
  emit columnFormatChanged(col);
}

void LogTable::setReadOnly(bool readOnly) {
  if (readOnly_ == readOnly) return;
  readOnly_ = readOnly;
  emit tableSettingsChanged();
}

void LogTable::setSelectionUnit(SelectionUnit unit) {
  if (selectionUnit_ == unit) return;
  selectionUnit_ = unit;
  emit tableSettingsChanged();
}

void LogTable::setMultipleBlocks(bool allowed) {
  if (multipleBlocks_ == allowed) return;
  multipleBlocks_ = allowed;
  emit tableSettingsChanged();
}

void LogTable::beginUpdate() {
  if (updateDepth_++ == 0) beginResetModel();
}

void LogTable::endUpdate() {
  if (updateDepth_ > 0 && --updateDepth_ == 0) endResetModel();
}

// ---- QAbstractTableModel ---------------------------------------------------

int LogTable::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : lastRow_ + 1;
}

int LogTable::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : lastCol_ + 1;
}

QVariant LogTable::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return QVariant();
  return getCell(index.column(), index.row());
}

QVariant LogTable::headerData(int section, Qt::Orientation orientation, int role) const {
  Q_UNUSED(orientation);
  if (role != Qt::DisplayRole) return QVariant();
  return section;
}

Qt::ItemFlags LogTable::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (!readOnly_) f |= Qt::ItemIsEditable;
  return f;
}

bool LogTable::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (readOnly_ || role != Qt::EditRole || !index.isValid()) return false;
  setCell(index.column(), index.row(), value.toString());
  return true;
}

}  // namespace tarvex
