// Outputs are written whole, and never over a pipe, device or folder: the
// rename that replaces a file would swap any of them for a plain file.
#include "shell/writefiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "shell/runtime_error.h"

namespace tarvex {
namespace {

QByteArray contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool isFifo(const QString& path) {
  struct stat st {};
  return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

int errorWriting(const QString& path, QString* description = nullptr) {
  try {
    writeWholeFile(path, "new");
  } catch (const RuntimeError& e) {
    if (description) *description = e.description();
    return e.number();
  }
  return 0;
}

TEST(WriteFiles, WritesWholeAndReplacesOnlyRegularFiles) {
  QTemporaryDir dir;
  const QString out = dir.filePath("out.csv");
  EXPECT_EQ(errorWriting(out), 0);
  EXPECT_EQ(contents(out), "new");
  writeWholeFile(out, "newer");
  EXPECT_EQ(contents(out), "newer");
  // A link to a regular file writes the file it names.
  ASSERT_TRUE(QFile::link(out, dir.filePath("link.csv")));
  EXPECT_EQ(errorWriting(dir.filePath("link.csv")), 0);
  EXPECT_EQ(contents(out), "new");
  EXPECT_EQ(errorWriting(dir.filePath("missing/out.csv")), err::PathNotFound);
  EXPECT_EQ(errorWriting(QString()), err::BadFileNameOrNumber);
  EXPECT_TRUE(QDir(dir.path()).entryList({"*.csv.*"}, QDir::Files | QDir::Hidden).isEmpty());
}

TEST(WriteFiles, RefusesPipesDevicesAndFoldersBeforeWriting) {
  QTemporaryDir dir;
  const QString fifo = dir.filePath("out.csv");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  QString description;
  EXPECT_EQ(errorWriting(fifo, &description), err::PathFileAccess);
  EXPECT_TRUE(description.contains("is a pipe")) << description.toStdString();
  EXPECT_TRUE(isFifo(fifo));  // still the pipe, not a file put in its place
  // A link to a device is refused as the device is (the check follows
  // links). Only the check runs here: a write that got past it could put a
  // file in place of the device itself.
  ASSERT_TRUE(QFile::link("/dev/null", dir.filePath("null.csv")));
  try {
    checkOutputTarget(dir.filePath("null.csv"));
    ADD_FAILURE() << "a link to /dev/null passed";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::PathFileAccess);
    EXPECT_TRUE(e.description().contains("is a device"));
  }
  EXPECT_EQ(errorWriting(dir.path(), &description), err::PathFileAccess);
  EXPECT_TRUE(description.contains("is a folder"));
  EXPECT_NO_THROW(checkOutputTarget(dir.filePath("absent.csv")));
}

}  // namespace
}  // namespace tarvex
