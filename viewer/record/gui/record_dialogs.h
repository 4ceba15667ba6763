// The review record's dialogs: unlocking a reviewer's key, a note's text,
// "Sign Review..." and the record's settings. Each only shows and returns
// values (shell/userinterface.h); the record commands check them and write.
#pragma once

#include <QDialog>

#include "shell/userinterface.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace tarvex {

// Which reviewer, and the passphrase (never shown, never kept by the
// dialog once read: the field is emptied as the values are taken).
class UnlockDialog : public QDialog {
  Q_OBJECT

 public:
  explicit UnlockDialog(const UnlockValues& values, QWidget* parent = nullptr);
  // The reviewer chosen and the passphrase typed; empties the field.
  UnlockValues takeValues();

  QComboBox* reviewerBox() const { return reviewer_; }
  QLineEdit* passphraseField() const { return passphrase_; }

 private:
  UnlockValues initial_;
  QComboBox* reviewer_ = nullptr;
  QLineEdit* passphrase_ = nullptr;
};

class NoteDialog : public QDialog {
  Q_OBJECT

 public:
  explicit NoteDialog(const NoteValues& values, QWidget* parent = nullptr);
  NoteValues values() const;
  QPlainTextEdit* textField() const { return text_; }

 private:
  NoteValues initial_;
  QPlainTextEdit* text_ = nullptr;
};

// The meaning (Approve disabled, with the reason, when the record does not
// allow it), the reason, the window, the files bound with their SHA-256
// and what signing means.
class SignDialog : public QDialog {
  Q_OBJECT

 public:
  explicit SignDialog(const SignValues& values, QWidget* parent = nullptr);
  SignValues values() const;
  QRadioButton* meaningButton(int meaning) const { return meanings_[meaning]; }
  QLineEdit* reasonField() const { return reason_; }
  QPushButton* signButton() const { return sign_; }

 private:
  SignValues initial_;
  QRadioButton* meanings_[3] = {};
  QButtonGroup* group_ = nullptr;
  QLineEdit* reason_ = nullptr;
  QPushButton* sign_ = nullptr;
};

class RecordSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit RecordSettingsDialog(const RecordSettingsValues& values, QWidget* parent = nullptr);
  RecordSettingsValues values() const;
  QLineEdit* reviewDirField() const { return dir_; }
  QLineEdit* reviewersField() const { return reviewers_; }

 private:
  QLineEdit* dir_ = nullptr;
  QLineEdit* reviewers_ = nullptr;
};

// Each dialog shown modally over `parent`; false for Cancel.
bool execUnlockDialog(UnlockValues& values, QWidget* parent);
bool execNoteDialog(NoteValues& values, QWidget* parent);
bool execSignDialog(SignValues& values, QWidget* parent);
bool execRecordSettingsDialog(RecordSettingsValues& values, QWidget* parent);

}  // namespace tarvex
