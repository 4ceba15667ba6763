// The companion readers: names, layout, records into rows, and what a damaged
// or missing companion does to the table, the flags and the messages.
#include "logfiles/companions.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "logfiles/logtable.h"
#include "shell/codepage.h"
#include "shell/runtime_error.h"
#include "shell/tests/fake_ui.h"
#include "signatures/vxlog.h"

namespace tarvex {
namespace {

const QString kPw = QString::fromUtf16(kSigPassword);

class CompanionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    dataFile = dir.filePath("run.2007.csv");
    writeBytes(dataFile, "Date,Time,TC1\r\n1/2/2007,14:05:30,23.5\r\n");
  }

  void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
  }

  // The records enciphered one a line with `lineEnd`; an empty record is
  // written as an empty line.
  void writeCompanion(const QString& path, const QStringList& records,
                      const QByteArray& lineEnd = "\r\n") {
    QByteArray out;
    for (const QString& r : records) {
      if (!r.isEmpty())
        out += log.EncryptToHex(bytesAsLowByteText(encodeCp1252(r)), kPw).toLatin1();
      out += lineEnd;
    }
    writeBytes(path, out);
  }

  QStringList row(const LogTable& t, int r, int lastCol) {
    QStringList out;
    for (int c = 0; c <= lastCol; ++c) out << t.getCell(c, r);
    return out;
  }

  CompanionLoad loadSig() {
    return loadSigFile(table, dataFile, log, ui, busy, [this] { ++clearHistDataCalls; });
  }

  QTemporaryDir dir;
  QString dataFile;
  VxLog log;
  FakeUi ui;
  LogTable table;
  bool busy = true;
  int clearHistDataCalls = 0;
};

TEST(CompanionNames, BaseNameUpToFirstDotAndBothSeparators) {
  EXPECT_EQ(
      companionFileName(QStringLiteral("C:\\logs\\run.2007.csv"), CompanionKind::DataSignatures),
      QStringLiteral("C:\\logs\\run.sig"));
  EXPECT_EQ(companionFileName(QStringLiteral("/data/logs/run.csv"), CompanionKind::OperatorEvents),
            QStringLiteral("/data/logs/run.evt"));
  EXPECT_EQ(companionFileName(QStringLiteral("/data/trail.aud"), CompanionKind::AuditSignatures),
            QStringLiteral("/data/trail.sig"));
}

TEST_F(CompanionTest, RecordsFillRowsAndHashColumnIsHidden) {
  writeCompanion(dir.filePath("run.sig"),
                 {"1/2/2007,14:10:00,Jane Miller,Reviewed,1 2 3",  // five fields
                  "1/2/2007,14:11:00,Bob",                         // three fields
                  "1/2/2007,14:12:00,Ann,Six,A B,extra",           // six fields
                  QStringLiteral("1/3/2007,9:00:00,Jos\u00E9 \u00C1lvarez,OK,F")});
  EXPECT_EQ(loadSig(), CompanionLoad::Loaded);
  EXPECT_EQ(table.lastRow(), 4);
  EXPECT_EQ(table.lastCol(), 5);
  EXPECT_EQ(row(table, 0, 3), (QStringList{"Date", "Time", "User Full Name", "Comment"}));
  EXPECT_EQ(row(table, 1, 4),
            (QStringList{"1/2/2007", "14:10:00", "Jane Miller", "Reviewed", "1 2 3"}));
  EXPECT_EQ(row(table, 2, 4), (QStringList{"1/2/2007", "14:11:00", "Bob", "", ""}));
  EXPECT_EQ(table.getCell(5, 3), QStringLiteral("extra"));
  EXPECT_EQ(table.getCell(2, 4), QStringLiteral("Jos\u00E9 \u00C1lvarez"));
  EXPECT_TRUE(table.isColumnHidden(4));
  EXPECT_FALSE(table.isColumnHidden(3));
  EXPECT_DOUBLE_EQ(table.columnWidth(0), 12);
  EXPECT_DOUBLE_EQ(table.columnWidth(2), 25);
  EXPECT_DOUBLE_EQ(table.columnWidth(3), 100);
  EXPECT_TRUE(table.isReadOnly());
  EXPECT_EQ(table.selectionUnit(), SelectionUnit::Rows);
  EXPECT_FALSE(busy);
  EXPECT_EQ(ui.pointer, Pointer::Normal);
  EXPECT_EQ(ui.statusTexts(), (QStringList{"Loading signature file, please wait...",
                                           "Decrypting signature file, please wait..."}));
  EXPECT_TRUE(ui.messages().isEmpty());
  EXPECT_EQ(clearHistDataCalls, 0);
}

TEST_F(CompanionTest, EmptyPlainTextLeavesRowEmpty) {
  writeCompanion(dir.filePath("run.sig"), {"a,b,c,d,e", "", ",", "", ""});
  EXPECT_EQ(loadSig(), CompanionLoad::Loaded);
  // Row 2 stays empty; the "," record gives row 3 two empty fields, so it counts.
  EXPECT_EQ(table.lastRow(), 3);
  EXPECT_EQ(row(table, 2, 4), (QStringList{"", "", "", "", ""}));
}

TEST_F(CompanionTest, LineEndsOfAnySystem) {
  const QStringList records{"1/2/2007,1:00:00,A,one,1", "1/2/2007,2:00:00,B,two,2"};
  for (const QByteArray& end : {QByteArray("\r"), QByteArray("\n"), QByteArray("\r\n")}) {
    writeCompanion(dir.filePath("run.evt"), records, end);
    LogTable t;
    EXPECT_EQ(loadOpEventsFile(t, dataFile, log, ui, busy, {}), CompanionLoad::Loaded);
    EXPECT_EQ(t.lastRow(), 2);
    EXPECT_EQ(t.getCell(3, 2), QStringLiteral("two"));
    EXPECT_EQ(t.getCell(3, 0), QStringLiteral("Event Message"));
    EXPECT_FALSE(t.isColumnHidden(4));
  }
  EXPECT_EQ(ui.statusText, QStringLiteral("Current File is ") + dataFile);
}

TEST_F(CompanionTest, AbsentCompanionShowsTitlesOnly) {
  // Rows from an earlier file go, a folder named like the companion counts as absent.
  writeCompanion(dir.filePath("run.sig"), {"a,b,c,d,e"});
  ASSERT_EQ(loadSig(), CompanionLoad::Loaded);
  QFile::remove(dir.filePath("run.sig"));
  ASSERT_TRUE(QDir(dir.path()).mkdir("run.sig"));
  busy = true;
  EXPECT_EQ(loadSig(), CompanionLoad::Absent);
  EXPECT_EQ(table.lastRow(), 0);
  EXPECT_EQ(row(table, 0, 3), (QStringList{"Date", "Time", "User Full Name", "Comment"}));
  EXPECT_EQ(table.getCell(0, 1), QString());
  EXPECT_FALSE(busy);
  EXPECT_EQ(ui.pointer, Pointer::Normal);
  EXPECT_TRUE(ui.messages().isEmpty());

  LogTable events;
  EXPECT_EQ(loadOpEventsFile(events, dataFile, log, ui, busy, {}), CompanionLoad::Absent);
  EXPECT_EQ(ui.statusText, QStringLiteral("Current File is ") + dataFile);
}

TEST_F(CompanionTest, DamagedLinesAreReportedAndResetTheDataSide) {
  const QString good = log.EncryptToHex(QStringLiteral("a,b,c,d,e"), kPw);
  struct Case {
    QByteArray bytes;
    QString report;
  };
  const Case cases[] = {
      {good.toLatin1() + "\r\n1 2 1FF 3\r\n",
       "Error 6 = Overflow (line 2 of run.sig) in function loadSigFile occurred."},
      {good.toLatin1() + "\r\n" + good.left(good.size() - 3).toLatin1() + "\r\n",
       "Error 5 = The line cannot be deciphered (damaged record) (line 2 of run.sig) in function "
       "loadSigFile occurred."},
      {QByteArray::fromHex("0001fffe206761726261676520809d0d0a7f454c4602"),
       "(line 1 of run.sig) in function loadSigFile occurred."},
  };
  for (const Case& c : cases) {
    writeBytes(dir.filePath("run.sig"), c.bytes);
    ui.clearCalls();
    busy = true;
    clearHistDataCalls = 0;
    EXPECT_EQ(loadSig(), CompanionLoad::Failed);
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].text.contains(c.report)) << ui.messages()[0].text.toStdString();
    EXPECT_EQ(ui.messages()[0].style, mb::OkOnly);
    EXPECT_EQ(clearHistDataCalls, 1);
    EXPECT_FALSE(busy);
    EXPECT_EQ(ui.pointer, Pointer::Normal);
  }
}

TEST_F(CompanionTest, AuditFailureResetsOnlyItsOwnTable) {
  const QString trail = dir.filePath("trail.aud");
  writeBytes(trail, "1/2/2007,14:05:30,Operator 1,Log in\r\n");
  writeCompanion(dir.filePath("trail.sig"), {"a,b,c,d,e"});
  ASSERT_EQ(loadAuditSigFile(table, trail, log, ui, busy), CompanionLoad::Loaded);
  EXPECT_EQ(table.lastRow(), 1);
  EXPECT_EQ(ui.statusText, QStringLiteral("Current File is ") + trail);

  writeBytes(dir.filePath("trail.sig"), "1 2 3 4\r\n");
  busy = true;
  EXPECT_EQ(loadAuditSigFile(table, trail, log, ui, busy), CompanionLoad::Failed);
  EXPECT_TRUE(ui.messages().back().text.contains(QStringLiteral("in function loadAuditSigFile")));
  EXPECT_EQ(table.lastRow(), 0);
  EXPECT_EQ(table.getCell(3, 0), QStringLiteral("Comment"));
  EXPECT_TRUE(table.isColumnHidden(4));
  EXPECT_FALSE(busy);
  EXPECT_EQ(ui.pointer, Pointer::Normal);
}

TEST_F(CompanionTest, BeyondTheOldLineLimit) {
  // 40,000 records: more than a 16-bit row counter holds.
  const QByteArray line =
      log.EncryptToHex(QStringLiteral("1/2/2007,1:00:00,A,x,1"), kPw).toLatin1() + "\r\n";
  QByteArray all;
  for (int i = 0; i < 40000; ++i) all += line;
  writeBytes(dir.filePath("run.evt"), all);
  EXPECT_EQ(loadOpEventsFile(table, dataFile, log, ui, busy, {}), CompanionLoad::Loaded);
  EXPECT_EQ(table.lastRow(), 40000);
  EXPECT_EQ(table.getCell(2, 40000), QStringLiteral("A"));
  EXPECT_GE(ui.doEventsCount, 1);
}

// Lines deciphered on two threads still fill rows in line order, and the
// first damaged line (in line order) is the one reported, after the rows
// before it were filled.
TEST_F(CompanionTest, ManyLinesKeepTheirOrderAndTheFirstDamageIsReported) {
  QByteArray all;
  for (int i = 1; i <= 5000; ++i) {
    all += log.EncryptToHex(QStringLiteral("1/2/2007,1:00:00,User %1,x").arg(i), kPw).toLatin1();
    all += i == 3001 || i == 4500 ? "Z 1FF\r\n" : "\r\n";  // 3001 and 4500 damaged
  }
  writeBytes(dir.filePath("run.evt"), all);
  LogTable t;
  setCompanionLayout(t, CompanionKind::OperatorEvents);
  try {
    readCompanionRows(t, dir.filePath("run.evt"), log);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::Overflow);
    EXPECT_TRUE(e.description().endsWith("(line 3001 of run.evt)")) << e.what();
  }
  EXPECT_EQ(t.lastRow(), 3000);
  for (int r = 1; r <= 3000; ++r) ASSERT_EQ(t.getCell(2, r), QStringLiteral("User %1").arg(r)) << r;

  // A line that cannot even be read (longer than any record), met while
  // the batch before it is deciphered, does not jump ahead of a damaged
  // line in that batch.
  const QByteArray good = log.EncryptToHex("1/2/2007,1:00:00,A,x", kPw).toLatin1() + "\r\n";
  QByteArray lines = good + "1 2 3\r\n";  // damaged line 2
  for (int i = 3; i < 2100; ++i) lines += good;
  lines += QByteArray(2 << 20, '5') + "\r\n";  // line 2100, too long
  writeBytes(dir.filePath("run.evt"), lines);
  try {
    readCompanionRows(t, dir.filePath("run.evt"), log);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_TRUE(e.description().endsWith("(line 2 of run.evt)")) << e.what();
  }
  lines.remove(lines.indexOf("1 2 3\r\n"), 7);
  writeBytes(dir.filePath("run.evt"), lines);
  try {
    readCompanionRows(t, dir.filePath("run.evt"), log);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_TRUE(e.description().endsWith("(line 2099 of run.evt)")) << e.what();
  }
}

// A pipe, a device or a folder where the companion is expected is reported
// as an unreadable file at once (nothing waits, nothing grows), and a line
// longer than any record is refused without reading the file whole.
TEST_F(CompanionTest, NoRegularFileNoEndlessLine) {
  ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("run.sig")).constData(), 0600), 0);
  ASSERT_TRUE(QFile::link("/dev/zero", dir.filePath("run.evt")));
  EXPECT_EQ(loadSig(), CompanionLoad::Failed);
  EXPECT_TRUE(ui.messages().back().text.startsWith("Error 75 = Path/File access error (" +
                                                   dir.filePath("run.sig") + " is a pipe)"))
      << ui.messages().back().text.toStdString();
  EXPECT_EQ(loadOpEventsFile(table, dataFile, log, ui, busy, {}), CompanionLoad::Failed);
  EXPECT_TRUE(ui.messages().back().text.contains(" is a device)"));
  EXPECT_FALSE(busy);

  QFile::remove(dir.filePath("run.evt"));
  writeBytes(dir.filePath("run.evt"), QByteArray(3 << 20, '4'));
  EXPECT_EQ(loadOpEventsFile(table, dataFile, log, ui, busy, {}), CompanionLoad::Failed);
  EXPECT_TRUE(ui.messages().back().text.contains("longer than 1048576 bytes (line 1 of run.evt)"))
      << ui.messages().back().text.toStdString();
}

TEST_F(CompanionTest, AByteOrderMarkBeforeTheFirstRecordIsNoHexText) {
  writeBytes(dir.filePath("run.evt"),
             "\xEF\xBB\xBF" + log.EncryptToHex("1/2/2007,1:00:00,A,x", kPw).toLatin1() + "\r\n");
  EXPECT_EQ(loadOpEventsFile(table, dataFile, log, ui, busy, {}), CompanionLoad::Loaded);
  EXPECT_EQ(row(table, 1, 3), (QStringList{"1/2/2007", "1:00:00", "A", "x"}));
}

TEST_F(CompanionTest, ForEachRecordGivesPlainLines) {
  writeCompanion(dir.filePath("run.evt"), {"one", "", "three"}, "\n");
  QStringList got;
  forEachCompanionRecord(dir.filePath("run.evt"), log, [&](qint64 line, const QString& plain) {
    got << QString::number(line) + u':' + plain;
  });
  EXPECT_EQ(got, (QStringList{"1:one", "2:", "3:three"}));
}

}  // namespace
}  // namespace tarvex
