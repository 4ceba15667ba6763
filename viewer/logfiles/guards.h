// The guards that refuse a data, audit or alarm operation while its file is
// not open. Each returns true when fileName is not empty; otherwise it shows
// its two-line message (question icon, OK only, the application's title) and
// returns false.
#pragma once

#include <QString>

#include "shell/userinterface.h"

namespace tarvex {

// "Data file has not been opened!" / "Use the open file icon to load a data
// file."
bool checkHistFileOpen(UserInterface& ui, const QString& fileName);

// "Audit file has not been opened!" / "Use the open file icon to load an
// audit file."
bool checkAuditFileOpen(UserInterface& ui, const QString& fileName);

// "Alarm History file has not been opened!" / "Use the open file icon to load
// an alarm file."
bool checkAlmFileOpen(UserInterface& ui, const QString& fileName);

}  // namespace tarvex
