// The one error type of the viewer: a run-time error number and its
// description, as the error report shows them ("Error N = description in
// function name occurred.").
#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace tarvex {

// Run-time error numbers the viewer raises.
namespace err {
inline constexpr int InvalidCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileNameOrNumber = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int InputPastEndOfFile = 62;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int CantCreateObject = 429;
inline constexpr int Cancel = 32755;  // a file, colour or printer dialog was cancelled
}  // namespace err

// The standard description of a run-time error number ("" when unknown).
QString errorDescription(int number);

class RuntimeError : public std::exception {
 public:
  // An error with the standard description of its number.
  explicit RuntimeError(int number);
  RuntimeError(int number, QString description);

  int number() const { return number_; }
  const QString& description() const { return description_; }
  // The description, UTF-8.
  const char* what() const noexcept override { return what_.constData(); }

 private:
  int number_;
  QString description_;
  QByteArray what_;
};

}  // namespace tarvex
