// Only regular files are read, nothing waits on a pipe or device, and the
// files read are known by identity.
#include "shell/readfiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include "shell/runtime_error.h"

namespace tarvex {
namespace {

int errorOpening(const QString& path, QString* description = nullptr) {
  QFile f;
  try {
    openRegularFile(f, path);
  } catch (const RuntimeError& e) {
    if (description) *description = e.description();
    return e.number();
  }
  return -1;
}

TEST(ReadFiles, RefusesWhatIsNoRegularFileWithoutWaiting) {
  QTemporaryDir dir;
  const QString fifo = dir.filePath("run.sig");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  QString description;
  // A pipe without a writer: an ordinary open would wait here for ever.
  EXPECT_EQ(errorOpening(fifo, &description), err::PathFileAccess);
  EXPECT_TRUE(description.contains("is a pipe")) << description.toStdString();
  EXPECT_EQ(errorOpening("/dev/zero", &description), err::PathFileAccess);
  EXPECT_TRUE(description.contains("is a device"));
  EXPECT_EQ(errorOpening("/dev/urandom"), err::PathFileAccess);
  EXPECT_EQ(errorOpening(dir.path()), err::PathFileAccess);
  EXPECT_EQ(errorOpening(dir.filePath("missing.csv")), err::FileNotFound);
  EXPECT_EQ(errorOpening(dir.filePath("missing/run.csv")), err::PathNotFound);
  EXPECT_EQ(errorOpening(QString()), err::BadFileNameOrNumber);
  // None of them counts as read.
  EXPECT_TRUE(readFileAt(fifo).isEmpty());
  EXPECT_TRUE(readFileAt("/dev/zero").isEmpty());
}

TEST(ReadFiles, ReadFilesAreKnownByIdentity) {
  QTemporaryDir dir;
  const QString path = dir.filePath("run.csv");
  {
    QFile w(path);
    ASSERT_TRUE(w.open(QIODevice::WriteOnly));
    w.write("Date,Time\r\n");
  }
  const QString other = dir.filePath("other.csv");
  QFile(path).copy(other);
  EXPECT_TRUE(readFileAt(path).isEmpty());
  QFile f;
  openRegularFile(f, path);
  EXPECT_EQ(f.readAll(), "Date,Time\r\n");
  ASSERT_TRUE(QFile::link(path, dir.filePath("sym.csv")));
  ASSERT_EQ(::link(QFile::encodeName(path).constData(),
                   QFile::encodeName(dir.filePath("hard.csv")).constData()),
            0);
  for (const QString& name :
       {path, dir.filePath("sym.csv"), dir.filePath("hard.csv"), dir.path() + "/.//run.csv"})
    EXPECT_EQ(readFileAt(name), path) << name.toStdString();
  EXPECT_TRUE(readFileAt(other).isEmpty());  // same bytes, another file
  EXPECT_TRUE(sameFile(path, dir.filePath("hard.csv")));
  EXPECT_FALSE(sameFile(path, other));
}

}  // namespace
}  // namespace tarvex
