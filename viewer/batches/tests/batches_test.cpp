// The batch register end to end, on a real database: run with
// --database=sqlite (a file in a temporary folder) or --database=postgresql
// (a private server this program starts; the tests are skipped, saying so,
// when PostgreSQL's server programs are not installed).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <thread>

#include "batches/batch_register.h"
#include "batches/register_place.h"
#include "batches/tests/pg_server.h"
#include "cli/tests/run_process.h"
#include "record/reviewer_key.h"
#include "record/reviewers.h"

namespace tarvex::test {
namespace {

std::unique_ptr<PgServer> pg;  // set for --database=postgresql
int databases = 0;

class BatchesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db = pg ? pg->newDatabase(QStringLiteral("t%1").arg(++databases))
            : dir.filePath(QStringLiteral("register.sqlite"));
  }
  QString path(const QString& rel) const { return dir.filePath(rel); }
  static ProcessResult tarvex(const QStringList& args) {
    return runProcess(QStringLiteral(TARVEX_EXE), args);
  }
  // `tarvex sample` into a folder of the tree: a data history of `rows` rows
  // with its .sig (first record failed, two confirmed), .evt, audit trail
  // with its .sig and alarm history.
  void sample(const QString& folder, int rows = 60) const {
    ASSERT_EQ(tarvex({"sample", path("tree/" + folder), "--rows", QString::number(rows)}).exitCode,
              0);
  }
  ProcessResult scan(QStringList more = {}) const {
    return tarvex(QStringList{"batches", "scan", path("tree"), "--db", db} + more);
  }
  QString data(const QString& folder) const {
    return path("tree/" + folder + "/Reactor2_History.csv");
  }
  // The register's rows by path.
  QHash<QString, BatchRecord> rows() const {
    Register reg(registerPlaceOf(db));
    QHash<QString, BatchRecord> out;
    for (BatchRecord& r : reg.list({})) out.insert(r.path, std::move(r));
    return out;
  }
  QStringList listed(const QStringList& filter) const {
    const ProcessResult r = tarvex(QStringList{"batches", "list", "--db", db} + filter);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList paths;
    for (const QString& line : r.out.split(u'\n', Qt::SkipEmptyParts).mid(1))
      paths << line.section(u'\t', 0, 0).mid(path("tree/").size());
    return paths;
  }
  static void dropLine(const QString& file, int line) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = f.readAll().split('\n');
    f.close();
    lines.removeAt(line);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(lines.join('\n'));
  }

  QTemporaryDir dir;
  QString db;
};

TEST_F(BatchesTest, ScanKnowsBatchesByContentWithCompanionsVerdictsAndAlarms) {
  for (const char* f : {"signed", "unsigned", "damaged"}) sample(f);
  dropLine(path("tree/signed/Reactor2_History.sig"), 0);  // the failing record
  QFile::remove(path("tree/unsigned/Reactor2_History.sig"));
  QFile sig(path("tree/damaged/Reactor2_History.sig"));
  ASSERT_TRUE(sig.open(QIODevice::Append));
  sig.write("4F 00 ZZ\r\n");
  sig.close();
  ASSERT_EQ(::mkfifo(QFile::encodeName(path("tree/signed/feed.csv")).constData(), 0600), 0);
  QFile bad(path("tree/unsigned/notes.csv"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("\x01\x02 no log\n");
  bad.close();

  const ProcessResult r = scan({"--jobs", "3"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains(path("tree/signed/feed.csv") + " (a pipe)")) << r.err.toStdString();
  EXPECT_TRUE(r.out.startsWith("4 batches in " + path("tree") + ": 4 added"))
      << r.out.toStdString();

  const auto all = rows();
  ASSERT_EQ(all.size(), 4);  // the alarm histories (.csv too) and audit trails are no batches
  const BatchRecord& s = all[data("signed")];
  EXPECT_EQ(s.verdict, SignatureVerdict::Confirmed);
  EXPECT_EQ(s.sigRecords, 2);
  EXPECT_EQ(s.rows, 60);
  EXPECT_EQ(isoOfClock(*s.first), "2007-03-14T06:00:00");
  EXPECT_EQ(isoOfClock(*s.last), "2007-03-14T06:09:50");
  EXPECT_EQ(s.channels.size(), 8);
  EXPECT_EQ(s.sha256.size(), 64);
  EXPECT_EQ(s.evtPath, path("tree/signed/Reactor2_History.evt"));
  EXPECT_EQ(s.auditPath, path("tree/signed/Reactor2_Audit.aud"));
  EXPECT_EQ(s.alarmPath, path("tree/signed/Reactor2_Alarms.csv"));
  // Seven alarms, the last 3 s after the last row: outside the batch.
  EXPECT_EQ(s.alarms, 6);
  EXPECT_EQ(s.review, ReviewState::None);
  EXPECT_EQ(all[data("unsigned")].verdict, SignatureVerdict::Unsigned);
  const BatchRecord& d = all[data("damaged")];
  EXPECT_EQ(d.verdict, SignatureVerdict::Failed);
  EXPECT_EQ(d.sigRecords, 4);  // the damaged line counts as a failed record
  EXPECT_EQ(d.sigConfirmed, 2);
  EXPECT_EQ(all[path("tree/unsigned/notes.csv")].error,
            "not a data history, audit trail or alarm history");

  // The filters of the list, newest first (equal times: by path).
  EXPECT_EQ(listed({"--verdict", "unsigned"}),
            (QStringList{"unsigned/Reactor2_History.csv", "unsigned/notes.csv"}));
  EXPECT_EQ(listed({"--verdict", "failed", "--status", "none"}),
            QStringList{"damaged/Reactor2_History.csv"});
  EXPECT_EQ(listed({"--grep", "AT1 PH", "--from", "2007-03-14 06:09:50"}),
            (QStringList{"damaged/Reactor2_History.csv", "signed/Reactor2_History.csv",
                         "unsigned/Reactor2_History.csv"}));
  EXPECT_TRUE(listed({"--to", "2007-03-14 05:59:59"}).isEmpty());
  EXPECT_EQ(listed({"--grep", "NOTES"}), QStringList{"unsigned/notes.csv"});
  EXPECT_TRUE(listed({"--grep", "r%2"}).isEmpty());  // a text, not a pattern
  const ProcessResult bad2 = tarvex({"batches", "list", "--db", db, "--status", "done"});
  EXPECT_EQ(bad2.exitCode, 2);
  EXPECT_TRUE(bad2.err.contains("--status needs none, reviewed")) << bad2.err.toStdString();

  const ProcessResult json =
      tarvex({"batches", "list", "--db", db, "--format", "json", "--grep", "/signed/"});
  const QJsonArray array = QJsonDocument::fromJson(json.out.toUtf8()).array();
  ASSERT_EQ(array.size(), 1) << json.out.toStdString();
  const QJsonObject o = array[0].toObject();
  EXPECT_EQ(o["path"].toString(), data("signed"));
  EXPECT_EQ(o["first"].toString(), "2007-03-14T06:00:00");
  EXPECT_EQ(o["last"].toString(), "2007-03-14T06:09:50");
  EXPECT_EQ(o["rows"].toInt(), 60);
  EXPECT_EQ(o["verdict"].toString(), "confirmed");
  EXPECT_EQ(o["alarms"].toInt(), 6);
  EXPECT_EQ(o["review"].toString(), "none");
  EXPECT_EQ(o["missing"], QJsonValue(false));
  EXPECT_TRUE(o["error"].isNull());
}

TEST_F(BatchesTest, RescanFollowsChangesRenamesAndRemovalsWithoutLosingARow) {
  for (const char* f : {"a", "b", "c"}) sample(f);
  ASSERT_EQ(scan().exitCode, 0);
  const auto before = rows();
  ProcessResult r = scan();
  EXPECT_TRUE(r.out.startsWith("3 batches in " + path("tree") + ": 0 added, 0 read again"))
      << r.out.toStdString();

  QFile a(data("a"));
  ASSERT_TRUE(a.open(QIODevice::Append));
  a.write("3/14/2007,6:10:00,1,2,3,4,5,6,7,8\r\n");
  a.close();
  ASSERT_TRUE(QDir().rename(path("tree/b"), path("tree/b2")));
  ASSERT_TRUE(QFile::remove(data("c")));
  dropLine(path("tree/c/Reactor2_History.sig"), 0);
  r = scan();
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  auto after = rows();
  ASSERT_EQ(after.size(), 4);  // nothing deleted: b and c stay, marked missing
  EXPECT_EQ(after[data("a")].rows, 61);
  EXPECT_EQ(after[data("a")].verdict, SignatureVerdict::Failed);
  EXPECT_EQ(after[data("a")].sigConfirmed, 0);  // the file changed since it was signed
  EXPECT_NE(after[data("a")].sha256, before[data("a")].sha256);
  EXPECT_TRUE(after[data("b")].missing);
  EXPECT_FALSE(after[data("b2")].missing);
  EXPECT_EQ(after[data("b2")].sha256, before[data("b")].sha256);
  EXPECT_TRUE(after[data("c")].missing);
  EXPECT_EQ(after[data("c")].rows, 60);  // what was known of it is kept

  // A new .sig alone is checked against the stored digest.
  dropLine(path("tree/b2/Reactor2_History.sig"), 0);
  // Bytes changed under the same size and time: only --rehash sees them.
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(data("a")).constData(), &st), 0);
  ASSERT_TRUE(a.open(QIODevice::ReadWrite));
  a.seek(a.size() - 3);
  a.write("9");
  a.close();
  const timespec times[2] = {st.st_atim, st.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(data("a")).constData(), times, 0), 0);
  r = scan();
  after = rows();
  EXPECT_EQ(after[data("b2")].verdict, SignatureVerdict::Confirmed);
  EXPECT_EQ(after[data("b2")].sigRecords, 2);
  const QString stale = after[data("a")].sha256;
  r = scan({"--rehash"});
  EXPECT_TRUE(r.out.contains("1 file changed though size and time did not")) << r.out.toStdString();
  EXPECT_TRUE(r.err.contains("changed though its size and time did not: " + data("a")));
  EXPECT_NE(rows()[data("a")].sha256, stale);
}

TEST_F(BatchesTest, ReviewStatusFollowsEachNewSignOff) {
  sample("a");
  sample("b");
  // Two reviewers (keys made cheaply); the scan verifies each record against them.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", path("cfg"));
  const QString reviewers = path("cfg/tarvex/reviewers");
  QDir().mkpath(path("cfg/tarvex/keys"));
  for (const char* id : {"ria", "ben"}) {
    Reviewer r;
    r.id = id;
    r.name = QString::fromLatin1(id).toUpper();
    parseRoles(QString::fromLatin1(id) == u"ria" ? "reviewer" : "approver", r);
    r.publicKey = createReviewerKey(r.id, QByteArray(id) + " pw", path("cfg/tarvex/keys"),
                                    KdfCost::cheapForTests());
    addReviewerLine(reviewers, r);
  }
  auto sign = [&](const char* id, const char* meaning) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(TARVEX_EXE, {"review", "sign", data("a"), "--meaning", meaning, "--as", id,
                         "--passphrase-fd", "0"});
    p.write(QByteArray(id) + " pw\n");
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  };
  auto status = [&] {
    const ProcessResult r =
        runProcess(TARVEX_EXE, {"batches", "scan", path("tree"), "--db", db}, env);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return rows()[data("a")];
  };
  EXPECT_EQ(status().review, ReviewState::None);
  sign("ria", "reviewed");
  BatchRecord a = status();
  EXPECT_EQ(a.review, ReviewState::Reviewed);
  EXPECT_EQ(a.reviewById, "ria");
  EXPECT_EQ(a.reviewBy, "RIA");
  EXPECT_TRUE(a.reviewAt.endsWith(u'Z')) << a.reviewAt.toStdString();
  sign("ben", "approved");
  a = status();
  EXPECT_EQ(a.review, ReviewState::Approved);
  EXPECT_EQ(a.reviewById, "ben");
  EXPECT_EQ(listed({"--status", "approved"}), QStringList{"a/Reactor2_History.csv"});
  EXPECT_EQ(listed({"--status", "none"}), QStringList{"b/Reactor2_History.csv"});

  // A record altered after the fact fails, and says why.
  QFile record(path("tree/a/Reactor2_History.review"));
  ASSERT_TRUE(record.open(QIODevice::ReadWrite));
  QByteArray bytes = record.readAll();
  bytes.replace("\"meaning\":\"reviewed\"", "\"meaning\":\"rejected\"");
  record.seek(0);
  record.write(bytes);
  record.close();
  a = status();
  EXPECT_EQ(a.review, ReviewState::Failed);
  EXPECT_TRUE(a.reviewNote.contains("entry 1")) << a.reviewNote.toStdString();
  EXPECT_EQ(listed({"--status", "failed"}), QStringList{"a/Reactor2_History.csv"});
}

TEST_F(BatchesTest, TwoScannersAtOnceLeaveOneWholeRowPerBatch) {
  for (int i = 0; i < 16; ++i) sample(QStringLiteral("batch%1").arg(i), 2000);
  QProcess one, two;
  const QStringList args{"batches", "scan", path("tree"), "--db", db};
  one.start(QStringLiteral(TARVEX_EXE), args);
  two.start(QStringLiteral(TARVEX_EXE), args);
  ASSERT_TRUE(one.waitForFinished(120000) && two.waitForFinished(120000));
  EXPECT_EQ(one.exitCode(), 0) << one.readAllStandardError().toStdString();
  EXPECT_EQ(two.exitCode(), 0) << two.readAllStandardError().toStdString();
  Register reg(registerPlaceOf(db));
  EXPECT_EQ(reg.total(), 16);
  QSet<QString> paths;
  for (const BatchRecord& r : reg.list({})) {
    paths << r.path;
    EXPECT_EQ(r.rows, 2000) << r.path.toStdString();
    EXPECT_EQ(r.sigRecords, 3);
    EXPECT_EQ(r.sigConfirmed, 2);
    EXPECT_FALSE(r.alarmPath.isEmpty());
  }
  EXPECT_EQ(paths.size(), 16);
}

TEST_F(BatchesTest, FirstOpensAtOnceCreateTheSchemaOnce) {
  std::vector<std::thread> threads;
  std::atomic<int> opened{0};
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&] {
      Register reg(registerPlaceOf(db));
      if (reg.schemaVersion() == kRegisterSchemaVersion) ++opened;
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(opened, 4);
  // One row per migration, and a register from a newer program is refused
  // untouched.
  Register reg(registerPlaceOf(db));
  QSqlDatabase sql =
      pg ? QSqlDatabase::addDatabase("QPSQL", "raw") : QSqlDatabase::addDatabase("QSQLITE", "raw");
  if (pg) {
    sql.setHostName(pg->socketDir());
    sql.setUserName("postgres");
    sql.setDatabaseName(QStringLiteral("t%1").arg(databases));
  } else {
    sql.setDatabaseName(db);
  }
  ASSERT_TRUE(sql.open());
  {
    QSqlQuery q(sql);
    ASSERT_TRUE(q.exec("SELECT count(*) FROM schema_version") && q.next());
    EXPECT_EQ(q.value(0).toInt(), kRegisterSchemaVersion);
    ASSERT_TRUE(q.exec("INSERT INTO schema_version (version) VALUES (99)"));
  }
  sql.close();
  sql = QSqlDatabase();
  QSqlDatabase::removeDatabase("raw");
  const ProcessResult r = scan();
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains("Cannot open the batch register")) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("made by a newer program (schema version 99"));
  EXPECT_EQ(reg.total(), 0);
}

TEST_F(BatchesTest, RegisterThatCannotBeOpenedIsNamedAndNothingIsWritten) {
  sample("a");
  auto refused = [&](const QString& place, const QString& named) {
    const ProcessResult r = tarvex({"batches", "scan", path("tree"), "--db", place});
    EXPECT_EQ(r.exitCode, 2) << place.toStdString();
    EXPECT_TRUE(r.err.contains(named)) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    return r.err;
  };
  if (pg) {
    const QString gone = QStringLiteral("postgresql://postgres@/t1?host=") + path("nowhere");
    refused(gone, "Cannot open the batch register " + gone + ": ");
    const QString err = refused(QStringLiteral("postgresql://postgres:s3cret@/x?host=/tmp"),
                                "holds a password: put it in ~/.pgpass");
    EXPECT_FALSE(err.contains("s3cret"));
    return;
  }
  refused(path("missing/register.sqlite"), "Cannot open the batch register " +
                                               path("missing/register.sqlite") + ": its folder " +
                                               path("missing") + " does not exist");
  QFile junk(path("junk.sqlite"));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  const QByteArray bytes(8192, 'j');
  junk.write(bytes);
  junk.close();
  refused(path("junk.sqlite"), "Cannot open the batch register " + path("junk.sqlite") + ": ");
  ASSERT_TRUE(junk.open(QIODevice::ReadOnly));
  EXPECT_EQ(junk.readAll(), bytes);
  EXPECT_FALSE(QFile::exists(path("junk.sqlite-wal")));

  // The default register: $XDG_DATA_HOME/tarvex/batches.sqlite, made with its folder.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_DATA_HOME", path("xdg"));
  const ProcessResult r = runProcess(TARVEX_EXE, {"batches", "scan", path("tree")}, env);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(QFile::exists(path("xdg/tarvex/batches.sqlite")));
}

}  // namespace
}  // namespace tarvex::test

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (qstrcmp(argv[i], "--database=postgresql") != 0) continue;
    QString why;
    tarvex::test::pg = tarvex::test::PgServer::start(&why);
    if (!tarvex::test::pg) {
      std::printf("SKIPPED: %s\n", qPrintable(why));
      return 77;
    }
  }
  const int status = RUN_ALL_TESTS();
  tarvex::test::pg.reset();
  return status;
}
