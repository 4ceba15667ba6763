// The verification decision and every message it shows.
#include "signatures/verify.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "logfiles/companions.h"
#include "logfiles/logtable.h"
#include "shell/runtime_error.h"
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

TEST_F(VerifyTest, VerifyRecordsChecksEveryRecordAndCancels) {
  grid.setCell(0, 6, u"1/3/2007");  // row 5 is an empty line of the file
  grid.setCell(4, 6, u"0");
  std::vector<int> seen;
  const VerifyRecordsResult all = verifyRecords(grid, dataFile, log, [&](int percent) {
    seen.push_back(percent);
    return true;
  });
  EXPECT_FALSE(all.cancelled);
  std::vector<std::pair<int, bool>> got;
  for (const RecordCheck& c : all.checks) got.emplace_back(c.row, c.confirmed);
  EXPECT_EQ(got, (std::vector<std::pair<int, bool>>{
                     {1, true}, {2, false}, {3, true}, {4, false}, {6, false}}));
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen.back(), 100);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));

  // One row asked for explicitly is checked even when blank.
  VerifyRecordsOptions one;
  one.firstRow = one.lastRow = 5;
  one.skipBlankRows = false;
  const VerifyRecordsResult blank = verifyRecords(grid, dataFile, log, {}, one);
  ASSERT_EQ(blank.checks.size(), 1u);
  EXPECT_FALSE(blank.checks[0].confirmed);

  // Cancelled at the first report: nothing checked, nothing thrown.
  const VerifyRecordsResult cancelled =
      verifyRecords(grid, dataFile, log, [](int) { return false; });
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_TRUE(cancelled.checks.empty());

  // Cancelled while the digest of a larger file is computed.
  write(dataFile, QByteArray(12 << 20, 'x'));
  int calls = 0;
  const VerifyRecordsResult midway = verifyRecords(
      grid, dataFile, log, [&](int percent) { return ++calls < 2 || percent >= 100; });
  EXPECT_TRUE(midway.cancelled);
  EXPECT_TRUE(midway.checks.empty());

  // A digest that cannot be computed is an error, not a failed record.
  write(dataFile, "");
  EXPECT_THROW(verifyRecords(grid, dataFile, log), RuntimeError);
}

}  // namespace
}  // namespace tarvex
