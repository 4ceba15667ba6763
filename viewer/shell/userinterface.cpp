#include "shell/userinterface.h"

namespace tarvex {

QString errorReportText(int number, const QString& description, const QString& procName) {
  return QStringLiteral("Error ") + QString::number(number) + QStringLiteral(" = ") + description +
         QStringLiteral(" in function ") + procName + QStringLiteral(" occurred.") +
         QStringLiteral("\r\nPlease contact the manufacturer with this error.");
}

void reportError(UserInterface& ui, int number, const QString& description,
                 const QString& procName) {
  ui.msgBoxPos(errorReportText(number, description, procName), mb::OkOnly);
}

}  // namespace tarvex
