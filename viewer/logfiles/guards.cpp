#include "logfiles/guards.h"

namespace tarvex {
namespace {

bool check(UserInterface& ui, const QString& fileName, const char* first, const char* second) {
  if (!fileName.isEmpty()) return true;
  ui.msgBoxPos(QString::fromLatin1(first) + QStringLiteral("\r\n") + QString::fromLatin1(second),
               mb::Question, QString());
  return false;
}

}  // namespace

bool checkHistFileOpen(UserInterface& ui, const QString& fileName) {
  return check(ui, fileName, "Data file has not been opened!",
               "Use the open file icon to load a data file.");
}

bool checkAuditFileOpen(UserInterface& ui, const QString& fileName) {
  return check(ui, fileName, "Audit file has not been opened!",
               "Use the open file icon to load an audit file.");
}

bool checkAlmFileOpen(UserInterface& ui, const QString& fileName) {
  return check(ui, fileName, "Alarm History file has not been opened!",
               "Use the open file icon to load an alarm file.");
}

}  // namespace tarvex
