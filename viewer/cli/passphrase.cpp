#include "cli/passphrase.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "record/reviewer_key.h"
#include "shell/runtime_error.h"

namespace tarvex {

namespace {

constexpr int kMaxPassphrase = 1024;

// One line from fd; false at end of input before any byte. What was read
// of a line that is refused is wiped before the error goes.
bool readLine(int fd, QByteArray& line) {
  line.clear();
  line.reserve(kMaxPassphrase + 1);  // no copies of a part left behind by growing
  char c = 0;
  bool any = false;
  auto refuse = [&](const QString& why) {
    wipe(line);
    c = 0;
    return RuntimeError(err::InvalidCall, why);
  };
  for (;;) {
    const ssize_t n = ::read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw refuse(QStringLiteral("the passphrase cannot be read"));
    if (n == 0) break;
    any = true;
    if (c == '\n') break;
    if (line.size() >= kMaxPassphrase)
      throw refuse(QStringLiteral("the passphrase is longer than 1024 bytes"));
    line += c;
  }
  c = 0;
  if (line.endsWith('\r')) line.chop(1);
  return any;
}

// The terminal opened for asking, its settings put back and closed however
// the asking ends.
class Terminal {
 public:
  Terminal() : fd_(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    isTerminal_ = fd_ >= 0 && ::tcgetattr(fd_, &saved_) == 0;
  }
  ~Terminal() {
    if (fd_ >= 0) ::close(fd_);
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;
  bool isOpen() const { return fd_ >= 0; }

  // Writes `prompt`, then reads one line with echo off.
  bool ask(const QString& prompt, QByteArray& line) {
    const QByteArray p = prompt.toUtf8();
    if (::write(fd_, p.constData(), std::size_t(p.size())) < 0) {
    }
    if (isTerminal_) {
      termios quiet = saved_;
      quiet.c_lflag &= ~tcflag_t(ECHO);
      quiet.c_lflag |= ECHONL;
      ::tcsetattr(fd_, TCSAFLUSH, &quiet);
    }
    struct Restore {
      Terminal& t;
      ~Restore() {
        if (t.isTerminal_) ::tcsetattr(t.fd_, TCSAFLUSH, &t.saved_);
      }
    } restore{*this};
    return readLine(fd_, line);
  }

 private:
  int fd_;
  bool isTerminal_ = false;
  termios saved_{};
};

}  // namespace

QByteArray readPassphraseFd(int fd) {
  QByteArray line;
  if (fd < 0 || !readLine(fd, line) || line.isEmpty())
    throw RuntimeError(err::InvalidCall,
                       QStringLiteral("no passphrase on file descriptor %1").arg(fd));
  return line;
}

QByteArray askPassphrase(const QString& prompt, bool confirm) {
  Terminal tty;
  if (!tty.isOpen())
    throw RuntimeError(err::InvalidCall, QStringLiteral("no terminal to ask the passphrase on; "
                                                        "give it on a file descriptor with "
                                                        "--passphrase-fd N"));
  QByteArray first;
  if (!tty.ask(prompt, first) || first.isEmpty())
    throw RuntimeError(err::InvalidCall, QStringLiteral("no passphrase given"));
  if (confirm) {
    // The second copy is only compared: it is wiped whatever the outcome,
    // and the first with it when the asking fails.
    QByteArray second;
    QString refused;
    try {
      if (!tty.ask(QStringLiteral("Repeat the passphrase: "), second) || second.isEmpty())
        refused = QStringLiteral("no passphrase given");
      else if (second != first)
        refused = QStringLiteral("the two passphrases differ");
    } catch (...) {
      wipe(first);
      throw;
    }
    wipe(second);
    if (!refused.isEmpty()) {
      wipe(first);
      throw RuntimeError(err::InvalidCall, refused);
    }
  }
  return first;
}

}  // namespace tarvex
