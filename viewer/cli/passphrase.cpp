#include "cli/passphrase.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "shell/runtime_error.h"

namespace tarvex {

namespace {

constexpr int kMaxPassphrase = 1024;

// One line from fd; false at end of input before any byte.
bool readLine(int fd, QByteArray& line) {
  line.clear();
  line.reserve(kMaxPassphrase + 1);  // no copies of a part left behind by growing
  char c = 0;
  bool any = false;
  for (;;) {
    const ssize_t n = ::read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      throw RuntimeError(err::InvalidCall, QStringLiteral("the passphrase cannot be read"));
    if (n == 0) break;
    any = true;
    if (c == '\n') break;
    if (line.size() >= kMaxPassphrase)
      throw RuntimeError(err::InvalidCall,
                         QStringLiteral("the passphrase is longer than 1024 bytes"));
    line += c;
  }
  if (line.endsWith('\r')) line.chop(1);
  return any;
}

}  // namespace

QByteArray readPassphraseFd(int fd) {
  QByteArray line;
  if (fd < 0 || !readLine(fd, line) || line.isEmpty())
    throw RuntimeError(err::InvalidCall,
                       QStringLiteral("no passphrase on file descriptor %1").arg(fd));
  return line;
}

QByteArray askPassphrase(const QString& prompt, bool confirm) {
  const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty < 0)
    throw RuntimeError(err::InvalidCall, QStringLiteral("no terminal to ask the passphrase on; "
                                                        "give it on a file descriptor with "
                                                        "--passphrase-fd N"));
  termios saved{};
  const bool isTerminal = ::tcgetattr(tty, &saved) == 0;
  auto ask = [&](const QString& text) {
    const QByteArray p = text.toUtf8();
    if (::write(tty, p.constData(), std::size_t(p.size())) < 0) {
    }
    if (isTerminal) {
      termios quiet = saved;
      quiet.c_lflag &= ~tcflag_t(ECHO);
      quiet.c_lflag |= ECHONL;
      ::tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    QByteArray line;
    bool got = false;
    try {
      got = readLine(tty, line);
    } catch (...) {
      if (isTerminal) ::tcsetattr(tty, TCSAFLUSH, &saved);
      throw;
    }
    if (isTerminal) ::tcsetattr(tty, TCSAFLUSH, &saved);
    if (!got || line.isEmpty()) {
      ::close(tty);
      throw RuntimeError(err::InvalidCall, QStringLiteral("no passphrase given"));
    }
    return line;
  };
  const QByteArray first = ask(prompt);
  if (confirm) {
    const QByteArray second = ask(QStringLiteral("Repeat the passphrase: "));
    if (second != first) {
      ::close(tty);
      throw RuntimeError(err::InvalidCall, QStringLiteral("the two passphrases differ"));
    }
  }
  ::close(tty);
  return first;
}

}  // namespace tarvex
