// Runs a program to its end as a shell would, for the tests of tarvex's
// commands: its exit code (-1 when it crashed), its output and its errors.
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tarvex::test {

struct ProcessResult {
  int exitCode = -1;
  QString out;
  QString err;
};

inline ProcessResult runProcess(
    const QString& program, const QStringList& args,
    const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
    int timeoutMs = 60000) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(program, args);
  EXPECT_TRUE(p.waitForFinished(timeoutMs));
  ProcessResult r;
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

// The environment of the tests with LC_ALL set.
inline QProcessEnvironment withLocale(const QString& locale) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("LC_ALL"), locale);
  return env;
}

// The lines of a command's output, without the empty one after the last
// newline.
inline QStringList outputLines(const QString& text) {
  QStringList out = text.split(u'\n');
  if (!out.isEmpty() && out.back().isEmpty()) out.removeLast();
  return out;
}

}  // namespace tarvex::test
