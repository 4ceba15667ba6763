// The "Review Report..." dialog: the window (From, To), the channels to
// report with their limits, the reviewer's name and where to save. It only
// shows and returns values (shell/userinterface.h, ReportDialogValues); the
// report commands check them and write the report.
#pragma once

#include <QDialog>

#include "shell/userinterface.h"

class QLineEdit;
class QTableWidget;

namespace tarvex {

class ReportDialog : public QDialog {
  Q_OBJECT

 public:
  ReportDialog(const ReportDialogValues& values, QWidget* parent = nullptr);
  // The fields as the user left them.
  ReportDialogValues values() const;

  QLineEdit* fromField() const { return from_; }
  QLineEdit* toField() const { return to_; }
  QTableWidget* channelTable() const { return channels_; }
  QLineEdit* reviewerField() const { return reviewer_; }
  QLineEdit* outputField() const { return output_; }

 private:
  void browse();

  ReportDialogValues initial_;
  QLineEdit* from_ = nullptr;
  QLineEdit* to_ = nullptr;
  QTableWidget* channels_ = nullptr;
  QLineEdit* reviewer_ = nullptr;
  QLineEdit* output_ = nullptr;
};

}  // namespace tarvex
