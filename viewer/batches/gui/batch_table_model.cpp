#include "batches/gui/batch_table_model.h"

#include <QBrush>
#include <QColor>
#include <QLocale>

#include "batches/batch_listing.h"

namespace tarvex {
namespace {

constexpr int kPage = 256;

QString timeText(const std::optional<ClockSeconds>& t) {
  return t ? isoOfClock(*t).replace(u'T', u' ') : QString();
}

}  // namespace

bool batchFailed(const BatchRecord& r) {
  return r.verdict == SignatureVerdict::Failed || r.review == ReviewState::Failed ||
         !r.error.isEmpty();
}

bool batchUnreviewed(const BatchRecord& r) { return r.review == ReviewState::None; }

BatchTableModel::BatchTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void BatchTableModel::reload(Register* reg, const BatchFilter& filter) {
  beginResetModel();
  reg_ = reg;
  filter_ = filter;
  rows_.clear();
  shown_ = total_ = 0;
  try {
    if (reg_) {
      total_ = reg_->total();
      shown_ = filter_.isSet() ? reg_->count(filter_) : total_;
      rows_ = reg_->list(filter_, 0, kPage);
    }
  } catch (...) {
    rows_.clear();
    shown_ = total_ = 0;
    endResetModel();
    throw;
  }
  endResetModel();
}

const BatchRecord* BatchTableModel::recordAt(int row) const {
  return row >= 0 && row < int(rows_.size()) ? &rows_[std::size_t(row)] : nullptr;
}

int BatchTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(rows_.size());
}

int BatchTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

bool BatchTableModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && reg_ && qint64(rows_.size()) < shown_;
}

void BatchTableModel::fetchMore(const QModelIndex& parent) {
  if (!canFetchMore(parent)) return;
  std::vector<BatchRecord> more;
  try {
    more = reg_->list(filter_, qint64(rows_.size()), kPage);
  } catch (const std::exception&) {
    shown_ = qint64(rows_.size());  // nothing more to be had now
    return;
  }
  if (more.empty()) {
    shown_ = qint64(rows_.size());
    return;
  }
  beginInsertRows(QModelIndex(), int(rows_.size()), int(rows_.size() + more.size()) - 1);
  for (BatchRecord& r : more) rows_.push_back(std::move(r));
  endInsertRows();
}

QVariant BatchTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  static const char* const titles[] = {"Batch",      "First",  "Last",  "Rows",
                                       "Signatures", "Alarms", "Review"};
  return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

QVariant BatchTableModel::data(const QModelIndex& index, int role) const {
  const BatchRecord* r = recordAt(index.row());
  if (!r) return {};
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case Batch:
          if (!r->error.isEmpty())
            return r->path + QStringLiteral(" (cannot be read: ") + r->error + u')';
          return r->missing ? r->path + QStringLiteral(" (missing)") : r->path;
        case First:
          return timeText(r->first);
        case Last:
          return timeText(r->last);
        case Rows:
          return r->error.isEmpty() ? QVariant(QLocale().toString(r->rows))
                                    : QVariant(QStringLiteral("–"));
        case Signatures:
          return signaturesText(*r);
        case Alarms:
          return r->alarms ? QVariant(*r->alarms) : QVariant(QStringLiteral("–"));
        case Review:
          return reviewText(*r);
      }
      return {};
    case Qt::ToolTipRole: {
      QString tip = r->path;
      if (!r->error.isEmpty()) tip += QStringLiteral("\nCannot be read: ") + r->error;
      if (!r->sigProblem.isEmpty()) tip += QStringLiteral("\n.sig: ") + r->sigProblem;
      if (!r->reviewNote.isEmpty()) tip += QStringLiteral("\nReview: ") + r->reviewNote;
      if (!r->auditPath.isEmpty()) tip += QStringLiteral("\nAudit trail: ") + r->auditPath;
      if (!r->alarmPath.isEmpty()) tip += QStringLiteral("\nAlarm history: ") + r->alarmPath;
      return tip;
    }
    case Qt::BackgroundRole:
      if (batchFailed(*r)) return QBrush(QColor(0xF6, 0xC6, 0xC6));
      if (batchUnreviewed(*r)) return QBrush(QColor(0xFF, 0xEB, 0xB0));
      return {};
    case Qt::ForegroundRole:
      if (r->missing) return QBrush(QColor(0x80, 0x80, 0x80));
      if (index.column() == Signatures && r->verdict == SignatureVerdict::Failed)
        return QBrush(QColor(0xA0, 0x00, 0x00));
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == Rows || index.column() == Alarms)
        return int(Qt::AlignRight | Qt::AlignVCenter);
      return {};
  }
  return {};
}

}  // namespace tarvex
