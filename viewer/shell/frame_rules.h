// The main window's rules that do not need a screen: its texts, the close
// check, the minimum-size rule, the About box's version label and the
// system information command.
#pragma once

#include <QString>

#include "shell/userinterface.h"

namespace tarvex {

// The application title: the main window's caption and every message box's.
QString applicationTitle();

// The message of a second copy of the program (style 32).
QString alreadyRunningText();
// The start-up error message (style 16).
QString startupErrorText();

// The main window's minimum size in twips.
inline constexpr int kMainMinWidth = 8940;
inline constexpr int kMainMinHeight = 6765;

// What the main window's Resize does for an outer size in twips (not
// minimized). Either it forces the window back to its minimum size (both
// dimensions, also when only one was too small), or it places the history
// window at (0, 0) with the size below.
struct MainResize {
  bool forceMinimum = false;
  int historyWidth = 0;
  int historyHeight = 0;
};
MainResize mainWindowResize(int widthTwips, int heightTwips);

// The close check of the main window (every way of closing it). A busy
// history window refuses with a message; otherwise the user confirms.
// Returns true when the program may end.
bool queryUnload(UserInterface& ui, bool historyBusy);

// "Version major.minor.patch".
QString versionLabel(int major, int minor, int patch);

// The About box's "System Info" command. This platform has no system
// information program, so it says so (style 0).
void startSysInfo(UserInterface& ui);

}  // namespace tarvex
