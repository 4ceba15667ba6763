// Passphrases for the reviewer commands: from the terminal without echo,
// or one line from a file descriptor the caller opened. Never from the
// command line or the environment.
#pragma once

#include <QByteArray>
#include <QString>

namespace tarvex {

// One line from file descriptor fd (without its LF or CR LF; at most 1024
// bytes), read a byte at a time so nothing after the line is taken. Throws
// RuntimeError(5) when fd cannot be read or gives no line.
QByteArray readPassphraseFd(int fd);

// Asks on the controlling terminal (/dev/tty) with `prompt`, echo off, and
// reads one line; with `confirm`, asks a second time and refuses when the two
// differ. Throws RuntimeError(5) when there is no terminal (naming
// --passphrase-fd), the line is empty or the two differ.
QByteArray askPassphrase(const QString& prompt, bool confirm);

}  // namespace tarvex
