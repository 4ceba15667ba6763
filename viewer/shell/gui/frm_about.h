// frmAbout: the About box with the program's title and version, OK and
// "System Info...".
#pragma once

#include <QDialog>

class QLabel;

namespace tarvex {

class UserInterface;

class FrmAbout : public QDialog {
  Q_OBJECT

 public:
  FrmAbout(UserInterface& ui, QWidget* parent = nullptr);

  QString titleText() const;
  QString versionText() const;

 private:
  void cmdSysInfo_Click();

  UserInterface& ui_;
  QLabel* lblTitle_ = nullptr;
  QLabel* lblVersion_ = nullptr;
};

}  // namespace tarvex
