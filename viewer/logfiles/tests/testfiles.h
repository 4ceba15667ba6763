// Files the log table tests write, in a temporary folder per test.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "logfiles/logtable.h"
#include "shell/runtime_error.h"

namespace tarvex::testing {

class TempFiles {
 public:
  TempFiles() { EXPECT_TRUE(dir_.isValid()); }

  // Writes bytes to name in the folder and returns the full path.
  QString write(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    EXPECT_EQ(f.write(bytes), bytes.size());
    return path;
  }
  QString path(const QString& name) const { return dir_.filePath(name); }
  static QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

 private:
  QTemporaryDir dir_;
};

// The error number a call throws, or -1 when it throws none.
template <class F>
int errorOf(F&& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return -1;
}

// The cells of a row, columns 0..lastCol.
inline QStringList rowOf(const LogTable& t, int row) {
  QStringList out;
  for (int c = 0; c <= t.lastCol(); ++c) out << t.getCell(c, row);
  return out;
}

}  // namespace tarvex::testing
