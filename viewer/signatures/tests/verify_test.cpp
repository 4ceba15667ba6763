// The verification decision and every message it shows.
#include "signatures/verify.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "logfiles/companions.h"
#include "logfiles/logtable.h"
#include "shell/tests/fake_ui.h"
#include "signatures/vxlog.h"

namespace tarvex {
namespace {

const QString kPw = QString::fromUtf16(kSigPassword);
const QString kCrLf = QStringLiteral("\r\n");

class VerifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    dataFile = dir.filePath("run.csv");
    write(dataFile, "Date,Time,TC1\r\n1/2/2007,14:05:30,23.5\r\n");
    const QString digest = log.CalculateFileHash(dataFile, kPw);
    setCompanionLayout(grid, CompanionKind::DataSignatures);
    // Rows 1 and 3 record the file's digest (with different signers and
    // dates), row 2 the digest in lower case, row 4 with a trailing blank.
    addRow(1, "1/2/2007", "Jane", digest);
    addRow(2, "1/2/2007", "Jane", digest.toLower());
    addRow(3, "9/9/1999", "Someone else", digest);
    addRow(4, "1/2/2007", "Jane", digest + u' ');
  }

  void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
  }

  void addRow(int r, const char* date, const char* user, const QString& hash) {
    grid.setCell(0, r, QString::fromLatin1(date));
    grid.setCell(1, r, u"14:10:00");
    grid.setCell(2, r, QString::fromLatin1(user));
    grid.setCell(3, r, u"Reviewed");
    grid.setCell(4, r, hash);
  }

  // The one message shown, with the status and pointer restored after it.
  FakeUi::Call onlyMessage(const QString& fileName) {
    EXPECT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.statusText, QStringLiteral("Current File is ") + fileName);
    EXPECT_EQ(ui.pointer, Pointer::Normal);
    EXPECT_EQ(ui.statusTexts().first(),
              QStringLiteral("Verifying digital signature, please wait!"));
    return ui.messages().value(0);
  }

  QTemporaryDir dir;
  QString dataFile;
  VxLog log;
  FakeUi ui;
  LogTable grid;
};

TEST_F(VerifyTest, NothingToVerify) {
  const QString text = QStringLiteral("No signature to verify!") + kCrLf + kCrLf +
                       QStringLiteral("Use the open file icon to load a data file.");
  // No file open, even though the grid still has rows.
  EXPECT_EQ(VerifyDataSignature(grid, 1, QString(), log, ui), VerifyResult::NothingToVerify);
  LogTable empty;
  setCompanionLayout(empty, CompanionKind::AuditSignatures);
  EXPECT_EQ(VerifyAuditSignature(empty, 1, dataFile, log, ui), VerifyResult::NothingToVerify);
  ASSERT_EQ(ui.messages().size(), 2);
  for (const FakeUi::Call& m : ui.messages()) {
    EXPECT_EQ(m.text, text);
    EXPECT_EQ(m.style, mb::Question);
    EXPECT_TRUE(m.title.isEmpty());
  }
  EXPECT_TRUE(ui.statusTexts().isEmpty());  // nothing else happened
}

TEST_F(VerifyTest, NoRowSelected) {
  EXPECT_EQ(VerifyDataSignature(grid, 0, dataFile, log, ui), VerifyResult::NoRowSelected);
  const FakeUi::Call m = onlyMessage(dataFile);
  EXPECT_EQ(m.text, QStringLiteral("No digital signature selected from grid!"));
  EXPECT_EQ(m.style, mb::Critical);
  EXPECT_EQ(m.pointer, Pointer::Hourglass);  // shown while the hourglass was up
}

TEST_F(VerifyTest, ExactComparisonWhateverTheOtherFields) {
  EXPECT_EQ(VerifyDataSignature(grid, 1, dataFile, log, ui), VerifyResult::Confirmed);
  FakeUi::Call m = onlyMessage(dataFile);
  EXPECT_EQ(m.text, QStringLiteral("Digital signature of file confirmed!"));
  EXPECT_EQ(m.style, mb::Information);

  ui.clearCalls();
  EXPECT_EQ(VerifyDataSignature(grid, 3, dataFile, log, ui), VerifyResult::Confirmed);
  for (int r : {2, 4}) {
    ui.clearCalls();
    EXPECT_EQ(VerifyDataSignature(grid, r, dataFile, log, ui), VerifyResult::Failed) << r;
    m = onlyMessage(dataFile);
    EXPECT_EQ(m.text, QStringLiteral("Digital signature of file failed!") + kCrLf +
                          QStringLiteral("Data File has been altered or corrupted."));
    EXPECT_EQ(m.style, mb::Critical);
  }
}

TEST_F(VerifyTest, OneChangedByteFails) {
  write(dataFile, "Date,Time,TC1\r\n1/2/2007,14:05:30,23.6\r\n");
  EXPECT_EQ(VerifyDataSignature(grid, 1, dataFile, log, ui), VerifyResult::Failed);
}

TEST_F(VerifyTest, AuditTrailTexts) {
  EXPECT_EQ(VerifyAuditSignature(grid, 1, dataFile, log, ui), VerifyResult::Confirmed);
  EXPECT_EQ(ui.messages().back().text,
            QStringLiteral("Digital signature of audit trail confirmed!"));
  EXPECT_EQ(VerifyAuditSignature(grid, 2, dataFile, log, ui), VerifyResult::Failed);
  EXPECT_EQ(ui.messages().back().text,
            QStringLiteral("Digital signature of file failed!") + kCrLf +
                QStringLiteral("Audit trail has been altered or corrupted."));
}

TEST_F(VerifyTest, ErrorsEndInTheErrorMessage) {
  write(dataFile, "");  // no digest of an empty file
  EXPECT_EQ(VerifyDataSignature(grid, 1, dataFile, log, ui), VerifyResult::Error);
  FakeUi::Call m = onlyMessage(dataFile);
  EXPECT_EQ(m.text, QStringLiteral("Error Number 13. - Digital verification of file failed!") +
                        kCrLf + QStringLiteral("Please contact Factory with this error."));
  EXPECT_EQ(m.style, mb::Critical);

  ui.clearCalls();
  const QString gone = dir.filePath("gone.aud");
  EXPECT_EQ(VerifyAuditSignature(grid, 1, gone, log, ui), VerifyResult::Error);
  m = onlyMessage(gone);
  EXPECT_EQ(m.text,
            QStringLiteral("Error Number 53. - Digital verification of audit trail failed!") +
                kCrLf + QStringLiteral("Please contact Factory with this error."));
}

}  // namespace
}  // namespace tarvex
