// The Review tab: every entry of the batch's review record in order (time
// written, author, kind, anchor, text, meaning and reason, and its
// verification result as a green or red mark), following the review
// window and a text filter as the grids do ("Showing N of M entries").
#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "record/record_verify.h"

class QLabel;
class QLineEdit;
class QTableView;

namespace tarvex {

// The entries a record shows, filtered. A note keeps its place while the
// window holds its time (a note without a time, and every sign-off, is
// always kept, as a grid keeps rows without a readable time); the text
// keeps entries holding it in a shown cell, letter case aside.
class ReviewPaneModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Seq, Written, Author, Kind, Anchor, Text, Meaning, Reason, Result, ColumnCount };
  explicit ReviewPaneModel(QObject* parent = nullptr);

  // Shows `record` (shared, never changed while shown).
  void setRecord(std::shared_ptr<const VerifiedRecord> record);
  const VerifiedRecord* record() const { return record_.get(); }
  // The window in date-time serials (days since 30 Dec 1899); empty ends
  // are open.
  void setWindow(std::optional<double> from, std::optional<double> to);
  void setText(const QString& text);

  // The entry (index into record()->entries) shown at view row `row`.
  int entryAt(int row) const;
  int shownCount() const { return int(shown_.size()); }
  int totalCount() const;
  // "Showing N of M entries" while filtered; "M entries" otherwise.
  QString countText() const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The cell text of entry `entry`, column `column`.
  QString cellText(int entry, int column) const;

 private:
  void refilter();

  std::shared_ptr<const VerifiedRecord> record_;
  std::vector<std::optional<double>> serials_;  // per entry: the note's time
  std::vector<QString> texts_;                  // per entry: its shown cells, folded
  std::vector<int> shown_;
  std::optional<double> from_, to_;
  QString text_;
};

class ReviewPane : public QWidget {
  Q_OBJECT

 public:
  explicit ReviewPane(QWidget* parent = nullptr);
  ReviewPaneModel* model() const { return model_; }
  QTableView* view() const { return view_; }
  QLineEdit* searchField() const { return search_; }
  QLabel* countLabel() const { return count_; }
  // The record's path and its status line above the entries.
  void setHeading(const QString& text, bool failed);

 signals:
  // A double-click or Enter on an entry: its index in the record.
  void entryActivated(int entry);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void updateCount();

  ReviewPaneModel* model_ = nullptr;
  QLabel* heading_ = nullptr;
  QLineEdit* search_ = nullptr;
  QLabel* count_ = nullptr;
  QTableView* view_ = nullptr;
};

}  // namespace tarvex
