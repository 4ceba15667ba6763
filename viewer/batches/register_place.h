// Where the batch register is: an SQLite file (the default, one per user)
// or a PostgreSQL database several reviewers share.
#pragma once

#include <QString>

namespace tarvex {

struct RegisterPlace {
  enum class Kind { SQLite, PostgreSQL };
  Kind kind = Kind::SQLite;
  QString sqlitePath;  // SQLite: the file's absolute path
  // PostgreSQL, as libpq takes them; empty (port -1) for libpq's defaults.
  // A host beginning with "/" is the folder of the server's Unix socket.
  QString host;
  int port = -1;
  QString user;
  QString database;
  QString options;  // further libpq parameters, "key=value;key=value"
  // How messages name it: the file's path, or the URL as given.
  QString display;
  bool isDefault = false;  // the default file (its folder is made when missing)
};

// $XDG_DATA_HOME/tarvex/batches.sqlite ($HOME/.local/share when the
// variable is not set).
QString defaultRegisterPath();

// The register `given` names: "" the default file; "postgresql://" or
// "postgres://" URLs as libpq reads them
// (postgresql://USER@HOST:PORT/DATABASE?host=/socket/folder&sslmode=...);
// anything else the path of an SQLite file. A password in the URL is
// refused (it would show in the process list and the settings): libpq
// takes it from ~/.pgpass. Throws RuntimeError(err::InvalidCall) with a
// plain message for a URL that does not read or holds a password.
RegisterPlace registerPlaceOf(const QString& given);

}  // namespace tarvex
