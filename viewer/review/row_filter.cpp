#include "review/row_filter.h"

#include <algorithm>

#include "logfiles/logtable.h"

namespace tarvex {

RowFilter::RowFilter(const LogTable& table, TimeColumns columns)
    : table_(table), columns_(columns) {}

void RowFilter::setWindow(const TimeWindow& window) {
  window_ = window;
  apply();
}

void RowFilter::setTextMatches(const QString& text, std::optional<RowSet> matches) {
  if (text.isEmpty() || !matches) {
    text_.clear();
    matches_.reset();
  } else {
    text_ = text;
    matches_ = std::move(matches);
  }
  apply();
}

void RowFilter::tableChanged() {
  times_.reset();
  matches_.reset();
  text_.clear();
  shown_.reset();
  unreadableShown_ = 0;
}

const RowTimes* RowFilter::times() {
  if (!times_) times_ = RowTimes::read(table_, columns_);
  return times_ ? &*times_ : nullptr;
}

void RowFilter::apply() {
  unreadableShown_ = 0;
  const int rows = table_.lastRow() + 1;
  if (!window_.isSet() && !matches_) {
    shown_.reset();
    return;
  }
  RowSet shown(rows, true);
  if (window_.isSet()) {
    const RowTimes& t = *times();
    shown =
        t.within(window_.from ? std::optional(firstSecondAtOrAfter(*window_.from)) : std::nullopt,
                 window_.to ? std::optional(lastSecondAtOrBefore(*window_.to)) : std::nullopt);
  }
  if (matches_ && matches_->size() == rows) shown.intersect(*matches_);
  shown.finish();
  if (window_.isSet() && times_->unreadableCount() > 0) {
    for (int r = 1; r < rows; ++r)
      if (shown.contains(r) && !times_->seconds(r)) ++unreadableShown_;
  }
  shown_ = std::move(shown);
}

int RowFilter::totalRows() const { return table_.lastRow(); }

int RowFilter::shownRows() const {
  if (!shown_) return totalRows();
  return std::max(0, shown_->count() - (shown_->contains(0) ? 1 : 0));
}

int RowFilter::tableRowAt(int position) const {
  if (position < 0 || position >= shownRows()) return -1;
  if (!shown_) return position + 1;
  return shown_->select(position + (shown_->contains(0) ? 1 : 0));
}

int RowFilter::positionOf(int tableRow) const {
  if (!isShown(tableRow)) return -1;
  if (!shown_) return tableRow - 1;
  return shown_->rank(tableRow) - (shown_->contains(0) ? 1 : 0);
}

bool RowFilter::isShown(int tableRow) const {
  if (tableRow < 1 || tableRow > totalRows()) return false;
  return !shown_ || shown_->contains(tableRow);
}

int RowFilter::nearestShown(int tableRow) const {
  if (shownRows() == 0) return -1;
  if (!shown_) return std::clamp(tableRow, 1, totalRows());
  const int before = shown_->lastAtOrBefore(tableRow);
  if (before >= 1) return before;
  const int after = shown_->firstAtOrAfter(std::max(1, tableRow));
  return after >= 1 ? after : -1;
}

std::vector<int> RowFilter::shownTableRows() const {
  std::vector<int> out;
  out.reserve(std::size_t(shownRows()));
  if (!shown_) {
    for (int r = 1; r <= totalRows(); ++r) out.push_back(r);
  } else {
    shown_->appendRows(out, 1);
  }
  return out;
}

std::size_t RowFilter::memoryBytes() const {
  return (times_ ? times_->memoryBytes() : 0) + (shown_ ? shown_->memoryBytes() : 0) +
         (matches_ ? matches_->memoryBytes() : 0);
}

}  // namespace tarvex
