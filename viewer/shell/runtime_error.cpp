#include "shell/runtime_error.h"

namespace tarvex {

QString errorDescription(int number) {
  switch (number) {
    case err::InvalidCall:
      return QStringLiteral("Invalid procedure call or argument");
    case err::Overflow:
      return QStringLiteral("Overflow");
    case err::OutOfMemory:
      return QStringLiteral("Out of memory");
    case err::SubscriptOutOfRange:
      return QStringLiteral("Subscript out of range");
    case err::TypeMismatch:
      return QStringLiteral("Type mismatch");
    case err::BadFileNameOrNumber:
      return QStringLiteral("Bad file name or number");
    case err::FileNotFound:
      return QStringLiteral("File not found");
    case err::InputPastEndOfFile:
      return QStringLiteral("Input past end of file");
    case err::PermissionDenied:
      return QStringLiteral("Permission denied");
    case err::PathFileAccess:
      return QStringLiteral("Path/File access error");
    case err::PathNotFound:
      return QStringLiteral("Path not found");
    case err::CantCreateObject:
      return QStringLiteral("ActiveX component can't create object");
    case err::Cancel:
      return QStringLiteral("Cancel was selected.");
    default:
      return QString();
  }
}

RuntimeError::RuntimeError(int number) : RuntimeError(number, errorDescription(number)) {}

RuntimeError::RuntimeError(int number, QString description)
    : number_(number), description_(std::move(description)), what_(description_.toUtf8()) {}

}  // namespace tarvex
