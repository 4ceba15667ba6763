// Writers at once and writers killed: nothing reported saved is ever lost
// or left unverifiable.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include "record/record_file.h"
#include "record/record_verify.h"
#include "record/record_writer.h"
#include "record/reviewer_key.h"
#include "shell/runtime_error.h"

using namespace tarvex;

// --append-helper KEYS REVIEWERS DATAFILE ID PASSPHRASE COUNT: appends
// COUNT notes (-1: until killed), printing "saved N" once each is saved.
int appendHelper(int argc, char** argv) {
  if (argc != 8) return 2;
  try {
    const auto key =
        UnlockedKey::unlock(QString::fromUtf8(argv[5]), argv[6], QString::fromUtf8(argv[2]));
    const ReviewersFile reviewers = readReviewersFile(QString::fromUtf8(argv[3]));
    RecordTarget target;
    target.batch.dataFile = QString::fromUtf8(argv[4]);
    target.dataSha256 = sha256OfFile(target.batch.dataFile);
    const int count = std::atoi(argv[7]);
    for (int i = 0; count < 0 || i < count; ++i) {
      NoteRequest n;
      n.text =
          QStringLiteral("note %1 of process %2").arg(i).arg(QCoreApplication::applicationPid());
      const RecordEntry e = appendNote(target, reviewers, *key, n);
      std::printf("saved %lld\n", static_cast<long long>(e.seq));
      std::fflush(stdout);
    }
  } catch (const RuntimeError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

namespace {

class Site {
 public:
  Site() {
    data = dir.filePath("Batch_7.csv");
    QFile f(data);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Date,Time,T1\n3/14/2007,06:00:00,1\n");
    f.close();
    keys = dir.filePath("keys");
    Reviewer r;
    r.id = QStringLiteral("writer");
    r.name = QStringLiteral("Writer");
    r.reviewer = true;
    r.publicKey = createReviewerKey(r.id, "pw", keys, KdfCost::cheapForTests());
    reviewers = dir.filePath("reviewers");
    addReviewerLine(reviewers, r);
  }
  QProcess* start(int count) {
    auto* p = new QProcess;
    p->start(QCoreApplication::applicationFilePath(),
             {QStringLiteral("--append-helper"), keys, reviewers, data, QStringLiteral("writer"),
              QStringLiteral("pw"), QString::number(count)});
    EXPECT_TRUE(p->waitForStarted());
    return p;
  }
  VerifiedRecord verify() const {
    RecordTarget t;
    t.batch.dataFile = data;
    return verifyRecord(t, readReviewersFile(reviewers));
  }
  QTemporaryDir dir;
  QString data, keys, reviewers;
};

}  // namespace

TEST(RecordWriters, TwoProcessesAppendingAtOnceLoseNothing) {
  Site site;
  std::unique_ptr<QProcess> a(site.start(200)), b(site.start(200));
  const QString tagA = QStringLiteral("of process %1").arg(a->processId());
  ASSERT_TRUE(a->waitForFinished(120000));
  ASSERT_TRUE(b->waitForFinished(120000));
  EXPECT_EQ(a->exitCode(), 0) << a->readAllStandardError().constData();
  EXPECT_EQ(b->exitCode(), 0) << b->readAllStandardError().constData();
  const VerifiedRecord v = site.verify();
  EXPECT_EQ(v.completeEntries, 400);
  EXPECT_TRUE(v.holds()) << v.problems.join(u'\n').toStdString();
  // Each process's 200 notes are all there.
  int fromA = 0;
  for (const EntryResult& r : v.entries) fromA += r.entry && r.entry->text.endsWith(tagA);
  EXPECT_EQ(fromA, 200);
}

TEST(RecordWriters, AWriterKilledMidAppendLeavesEverySavedEntryVerifiable) {
  Site site;
  qint64 saved = 0;
  for (int round = 0; round < 12; ++round) {
    std::unique_ptr<QProcess> p(site.start(-1));
    // Let it save at least one entry, then kill it at a random moment.
    while (!p->canReadLine()) ASSERT_TRUE(p->waitForReadyRead(30000));
    QThread::usleep(QRandomGenerator::global()->bounded(1000, 60000));
    ::kill(pid_t(p->processId()), SIGKILL);
    p->waitForFinished();
    for (const QByteArray& line : p->readAllStandardOutput().split('\n'))
      if (line.startsWith("saved ")) saved = qMax(saved, line.mid(6).toLongLong());
    const VerifiedRecord v = site.verify();
    ASSERT_GE(v.completeEntries, saved);
    for (const EntryResult& r : v.entries) {
      if (r.line > saved) break;
      ASSERT_TRUE(r.valid()) << "round " << round << " entry " << r.line << ": "
                             << r.failures.join(u';').toStdString();
    }
    // Whatever follows the last saved entry is a whole entry or one
    // reported incomplete, never taken as valid unseen.
    for (const QString& problem : v.problems)
      EXPECT_TRUE(problem.contains(u"incomplete entry")) << problem.toStdString();
  }
  EXPECT_GT(saved, 12);
}
