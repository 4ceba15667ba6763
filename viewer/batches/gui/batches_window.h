// The Batches window ("Batches..." of the File menu): the register's
// batches in a table with the filters of `tarvex batches list`, the count
// they leave ("Showing N of M batches"), the register in use, "Scan
// Folder..." and "Refresh". A double-click (or Enter) on a batch opens it in
// the history window. The window only builds and wires its controls; the
// work is BatchesCommands'.
#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTableView;

namespace tarvex {

class BatchesCommands;
class BatchTableModel;

class BatchesWindow : public QWidget {
  Q_OBJECT

 public:
  // `commands` must outlive the window.
  explicit BatchesWindow(BatchesCommands& commands, QWidget* parent = nullptr);

  // Opens the register of the setting and shows its batches.
  void start();
  // Reads the register again with the filter in force.
  void refresh();

  BatchTableModel& model() { return *model_; }
  QTableView* table() const { return table_; }
  QString countText() const;

  // The controls, for tests: "registerField", "statusFilter",
  // "verdictFilter", "fromField", "toField", "textField", "applyButton",
  // "scanButton", "refreshButton", "openRegisterButton".
 private:
  void applyFilter();
  void openRegister();
  void scanFolder();
  void activated(const QModelIndex& index);

  BatchesCommands& commands_;
  BatchTableModel* model_;
  QLineEdit* registerField_;
  QComboBox* status_;
  QComboBox* verdict_;
  QLineEdit* from_;
  QLineEdit* to_;
  QLineEdit* text_;
  QTableView* table_;
  QLabel* count_;
};

}  // namespace tarvex
