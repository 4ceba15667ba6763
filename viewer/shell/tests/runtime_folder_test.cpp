#include "shell/runtime_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace tarvex {
namespace {

// XDG_RUNTIME_DIR as the test found it, given back at its end.
class RuntimeFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = qgetenv("XDG_RUNTIME_DIR");
    hadIt_ = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    ASSERT_TRUE(temp_.isValid());
  }
  void TearDown() override {
    if (hadIt_)
      qputenv("XDG_RUNTIME_DIR", saved_);
    else
      qunsetenv("XDG_RUNTIME_DIR");
  }
  static mode_t modeOf(const QString& path) {
    struct stat st {};
    return lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
  }

  QTemporaryDir temp_;
  QByteArray saved_;
  bool hadIt_ = false;
};

TEST_F(RuntimeFolder, PrivateFolderOnlyWhenUnsetAndTheSameForEveryCopy) {
  qputenv("XDG_RUNTIME_DIR", "/run/user/1000");
  EXPECT_EQ(provideRuntimeFolder(temp_.path()), QString());
  EXPECT_EQ(qgetenv("XDG_RUNTIME_DIR"), "/run/user/1000");

  qputenv("XDG_RUNTIME_DIR", "");
  const QString folder = provideRuntimeFolder(temp_.path());
  EXPECT_EQ(folder, temp_.filePath("tarvex-runtime-" + QString::number(geteuid())));
  EXPECT_EQ(folder, privateRuntimeFolder(temp_.path()));
  EXPECT_EQ(qgetenv("XDG_RUNTIME_DIR"), QFile::encodeName(folder));
  EXPECT_EQ(modeOf(folder), 0700u);

  // A second copy finds the same folder; one opened up meanwhile is made
  // private again.
  ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0755), 0);
  qunsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(provideRuntimeFolder(temp_.path()), folder);
  EXPECT_EQ(modeOf(folder), 0700u);
}

TEST_F(RuntimeFolder, ALinkAFileOrAnotherUsersFolderIsNeverUsed) {
  const QString name = privateRuntimeFolder(temp_.path());
  const QString elsewhere = temp_.filePath("elsewhere");
  ASSERT_TRUE(QDir().mkdir(elsewhere));
  ASSERT_EQ(chmod(QFile::encodeName(elsewhere).constData(), 0755), 0);
  ASSERT_TRUE(QFile::link(elsewhere, name));
  EXPECT_EQ(provideRuntimeFolder(temp_.path()), QString());
  EXPECT_FALSE(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"));
  EXPECT_EQ(modeOf(elsewhere), 0755u);  // the link's target left alone

  ASSERT_TRUE(QFile::remove(name));
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  EXPECT_EQ(provideRuntimeFolder(temp_.path()), QString());
  EXPECT_FALSE(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"));

  // Only root can give a folder to another user.
  if (geteuid() == 0) {
    ASSERT_TRUE(QFile::remove(name));
    ASSERT_TRUE(QDir().mkdir(name));
    ASSERT_EQ(chown(QFile::encodeName(name).constData(), 65534, 65534), 0);
    EXPECT_EQ(provideRuntimeFolder(temp_.path()), QString());
    EXPECT_FALSE(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"));
  }
}

}  // namespace
}  // namespace tarvex
