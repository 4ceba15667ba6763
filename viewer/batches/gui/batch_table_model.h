// The register's batches as a table for the Batches window: the batches
// the filter keeps, newest first, fetched 256 rows at a time as the view
// scrolls (a register of 100,000 batches costs what is on the screen).
// Columns: batch (its path), first and last time, rows, signatures, alarms, review.
// Failed batches (signatures, review record or file) are marked red,
// unreviewed ones amber, missing ones grey.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "batches/batch_record.h"
#include "batches/batch_register.h"

namespace tarvex {

class BatchTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Batch, First, Last, Rows, Signatures, Alarms, Review, ColumnCount };

  explicit BatchTableModel(QObject* parent = nullptr);

  // Shows the batches of `reg` (null: none) that `filter` keeps, from the
  // first. Throws RuntimeError when the register cannot be read (the model
  // then shows none). `reg` must outlive its use here.
  void reload(Register* reg, const BatchFilter& filter);
  qint64 shown() const { return shown_; }
  qint64 total() const { return total_; }
  // The batch of a row fetched so far; null outside them.
  const BatchRecord* recordAt(int row) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

 private:
  Register* reg_ = nullptr;
  BatchFilter filter_;
  std::vector<BatchRecord> rows_;
  qint64 shown_ = 0;
  qint64 total_ = 0;
};

// Whether a batch is marked failed (red): its signatures or review record
// failed, or its file could not be read; unreviewed (amber): no review.
bool batchFailed(const BatchRecord& r);
bool batchUnreviewed(const BatchRecord& r);

}  // namespace tarvex
