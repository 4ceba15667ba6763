#include "shell/frame_rules.h"

namespace tarvex {

QString applicationTitle() { return QStringLiteral("Tarvex Data Viewer"); }

QString alreadyRunningText() {
  return QStringLiteral(
      "Marvesk Data Viewer is already running! Please check the\r\n"
      "taskbar or background window for active version.");
}

QString startupErrorText() {
  return QStringLiteral(
      "Marvesk Data Viewer has encountered and error while initializing data.\r\n"
      "This is probably due to a file that is missing.\r\n"
      "Please re-install the Marvesk data viewer from the CD or orig source.");
}

MainResize mainWindowResize(int widthTwips, int heightTwips) {
  MainResize r;
  if (heightTwips >= kMainMinHeight && widthTwips >= kMainMinWidth) {
    r.historyWidth = widthTwips - 200;
    r.historyHeight = heightTwips - 1040;
  } else {
    r.forceMinimum = true;
  }
  return r;
}

bool queryUnload(UserInterface& ui, bool historyBusy) {
  if (historyBusy) {
    ui.msgBoxPos(QStringLiteral("History viewer is busy with an operation, please wait!"),
                 mb::Information);
    return false;
  }
  return ui.msgBoxPos(QStringLiteral("Exit - are you sure?"), mb::YesNoQuestion) == mb::ResultYes;
}

QString versionLabel(int major, int minor, int patch) {
  return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(patch);
}

void startSysInfo(UserInterface& ui) {
  ui.msgBoxPos(QStringLiteral("System Information Is Unavailable At This Time"), mb::OkOnly);
}

}  // namespace tarvex
