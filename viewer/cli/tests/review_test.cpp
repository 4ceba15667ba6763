// tarvex reviewer and tarvex review as a reviewer uses them: keys, notes,
// sign-offs, show and verify, and every refusal with its plain message.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "record/reviewer_key.h"
#include "record/reviewers.h"

namespace {

struct CliRun {
  int exitCode = -1;
  QString out, err;
};

class ReviewCli : public ::testing::Test {
 protected:
  void SetUp() override {
    env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath("cfg"));
    ASSERT_EQ(run({"sample", dir.filePath("s")}).exitCode, 0);
    data = dir.filePath("s/Reactor2_History.csv");
    audit = dir.filePath("s/Reactor2_Audit.aud");
    record = dir.filePath("s/Reactor2_History.review");
    reviewers = dir.filePath("cfg/tarvex/reviewers");
    QDir().mkpath(dir.filePath("cfg/tarvex/keys"));
    // Two keys made cheaply here; `reviewer init` itself is run once below.
    for (const auto& [id, name, roles] : {std::tuple{"anna", "Анна Иванова", "approver"},
                                          std::tuple{"jerzy", "Jerzy Wójcik", "reviewer"}}) {
      tarvex::Reviewer r;
      r.id = QString::fromUtf8(id);
      r.name = QString::fromUtf8(name);
      tarvex::parseRoles(QString::fromUtf8(roles), r);
      r.publicKey =
          tarvex::createReviewerKey(r.id, QByteArray(id) + " pw", dir.filePath("cfg/tarvex/keys"),
                                    tarvex::KdfCost::cheapForTests());
      tarvex::addReviewerLine(reviewers, r);
    }
  }

  CliRun run(const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TARVEX_EXE), args);
    p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
  }
  // A review command as `id`, the passphrase on stdin.
  CliRun as(const char* id, QStringList args, const QByteArray& pass = {}) {
    args << "--as" << QString::fromUtf8(id) << "--passphrase-fd"
         << "0";
    return run(args, (pass.isEmpty() ? QByteArray(id) + " pw" : pass) + '\n');
  }
  QByteArray recordBytes() {
    QFile f(record);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir dir;
  QProcessEnvironment env;
  QString data, audit, record, reviewers;
};

TEST_F(ReviewCli, AReviewerNotesSignsAndAnApproverApproves) {
  // The first key made as a reviewer makes it: passphrase once on a fd.
  const CliRun init =
      run({"reviewer", "init", "--id", "zoe", "--name", "Ζωή Παπαδοπούλου", "--roles",
           "reviewer,approver", "--add-to", reviewers, "--passphrase-fd", "0"},
          "zoe pw\n");
  ASSERT_EQ(init.exitCode, 0) << init.err.toStdString();
  EXPECT_TRUE(
      init.out.startsWith(QStringLiteral("zoe\tΖωή Παπαδοπούλου\treviewer,approver\ted25519:")));
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(dir.filePath("cfg/tarvex/keys/zoe")).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  CliRun r =
      as("jerzy", {"review", "note", data, "--at", "3/14/2007 6:30", "--text", "Skok temperatury"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(
      r.err.contains(QStringLiteral("reviewers from ") + reviewers + " ($XDG_CONFIG_HOME)"));
  ASSERT_EQ(as("jerzy", {"review", "note", data, "--row", "2", "--kind", "audit", "--audit", audit,
                         "--text", "Setpoint\tchanged"})
                .exitCode,
            0);
  ASSERT_EQ(as("jerzy",
               {"review", "note", data, "--row", "1", "--kind", "sig", "--text", "early signature"})
                .exitCode,
            0);
  r = as("zoe", {"review", "sign", data, "--meaning", "reviewed", "--audit", audit}, "zoe pw");
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains(u"audit-sig\tReactor2_Audit.sig\t"));
  r = as("anna", {"review", "sign", data, "--meaning", "approved", "--reason", "Released"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  ASSERT_EQ(as("jerzy", {"review", "note", data, "--row", "3", "--text", "after"}).exitCode, 0);

  r = run({"review", "show", data});
  ASSERT_EQ(r.exitCode, 0);
  const QStringList lines = r.out.trimmed().split(u'\n');
  ASSERT_EQ(lines.size(), 6);
  const QStringList second = lines[1].split(u'\t');
  ASSERT_EQ(second.size(), 7);
  EXPECT_EQ(second[2], QStringLiteral("jerzy (Jerzy Wójcik)"));
  EXPECT_EQ(second[3], QStringLiteral("note"));
  EXPECT_EQ(second[4], QStringLiteral("audit row 2 of Reactor2_Audit.aud at 2007-03-14 05:56:40"));
  EXPECT_EQ(second[5], QStringLiteral("Setpoint\\tchanged"));
  EXPECT_TRUE(
      lines[2].contains(QStringLiteral("\tsig row 1 of Reactor2_History.sig at 2007-03-14 ")));
  EXPECT_TRUE(lines[4].contains(QStringLiteral("Анна Иванова")));
  EXPECT_TRUE(lines[4].contains(QStringLiteral("approved: Released\tvalid")));
  EXPECT_TRUE(lines[5].endsWith(QStringLiteral("valid; written after sign-off 5")));

  r = run({"review", "verify", data});
  EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains(
      u"review record holds: 6 entries (4 notes, 2 sign-offs); approved by Анна Иванова (anna)"));

  // Tampered afterwards: one byte of the reviewed note, and the audit trail.
  QByteArray bytes = recordBytes();
  bytes.replace("Skok", "Skak");
  QFile f(record);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
  f.close();
  QFile a(audit);
  ASSERT_TRUE(a.open(QIODevice::Append));
  a.write("3/14/2007,9:00:00,Someone,Edited\n");
  a.close();
  r = run({"review", "verify", data});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.out.startsWith(u"entry 1: altered (its signature does not hold)\n"))
      << r.out.toStdString();
  EXPECT_TRUE(r.out.contains(u"Reactor2_Audit.aud changed since signed by zoe on "))
      << r.out.toStdString();
}

TEST_F(ReviewCli, BadInputGetsAPlainMessageAndWritesNothing) {
  ASSERT_EQ(as("jerzy", {"review", "sign", data, "--meaning", "reviewed"}).exitCode, 0);
  const QByteArray before = recordBytes();
  struct Case {
    const char* id;
    QStringList args;
    QByteArray pass;
    const char* message;
  };
  const QStringList note{"review", "note", data, "--text", "x"};
  const std::vector<Case> cases = {
      {"jerzy", note + QStringList{"--row", "1"}, "wrong", "wrong passphrase for jerzy"},
      {"nobody", note + QStringList{"--row", "1"}, {}, "nobody is not in the reviewers file"},
      {"jerzy",
       {"review", "sign", data, "--meaning", "approved"},
       {},
       "jerzy lacks the role approver"},
      {"anna", {"review", "sign", data, "--meaning", "rejected"}, {}, "a rejection needs a reason"},
      {"jerzy",
       note + QStringList{"--row", "100000"},
       {},
       "row 100000 is outside the data table (rows 1 to 720)"},
      {"jerzy",
       note + QStringList{"--at", "2007-03-15 06:00"},
       {},
       "2007-03-15 06:00:00 is outside the file"},
      {"jerzy", note + QStringList{"--at", "2007-02-30"}, {}, "--at: "},
      {"jerzy",
       note + QStringList{"--row", "1", "--kind", "audit"},
       {},
       "names it with --audit FILE"},
      {"jerzy",
       note + QStringList{"--row", "1", "--passphrase", "x"},
       {},
       "never taken from the command line"},
  };
  for (const Case& c : cases) {
    const CliRun r = as(c.id, c.args, c.pass);
    EXPECT_EQ(r.exitCode, 2) << c.message;
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << c.message << "\n"
                                                              << r.err.toStdString();
    EXPECT_EQ(recordBytes(), before) << c.message;
  }

  // Approval by the person who reviewed is refused (another batch, where
  // only anna reviewed).
  const QString data3 = dir.filePath("s/Reactor3_History.csv");
  QFile::copy(data, data3);
  ASSERT_EQ(as("anna", {"review", "sign", data3, "--meaning", "reviewed"}).exitCode, 0);
  const CliRun self = as("anna", {"review", "sign", data3, "--meaning", "approved"});
  EXPECT_EQ(self.exitCode, 2);
  EXPECT_TRUE(self.err.contains(u"anna signed the review; another person must approve"))
      << self.err.toStdString();

  // A record that belongs to another data file: copied under another name.
  const QString other = dir.filePath("s/Reactor9_History.csv");
  QFile::copy(data, other);
  QFile::copy(record, dir.filePath("s/Reactor9_History.review"));
  CliRun r = as("jerzy", {"review", "note", other, "--row", "1", "--text", "x"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains(u"belongs to Reactor2_History.csv, not Reactor9_History.csv"))
      << r.err.toStdString();
  r = run({"review", "verify", other});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(
      r.out.startsWith(u"the record belongs to Reactor2_History.csv, not Reactor9_History.csv\n"));

  // A record line that does not parse is named; a record that is a FIFO is
  // refused unread; a reviewers file line that does not parse is named and
  // the others still count.
  QFile f(record);
  ASSERT_TRUE(f.open(QIODevice::Append));
  f.write("{\"seq\":2,broken\n");
  f.close();
  const QByteArray damaged = recordBytes();
  r = as("jerzy", {"review", "note", data, "--row", "1", "--text", "x"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains(u"at line 2: does not parse")) << r.err.toStdString();
  EXPECT_EQ(recordBytes(), damaged);
  r = run({"review", "verify", data});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.out.contains(u"entry 2: does not parse"));

  const QString fifoData = dir.filePath("s/Pipe.csv");
  QFile::copy(data, fifoData);
  ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("s/Pipe.review")).constData(), 0600), 0);
  r = run({"review", "verify", fifoData});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains(u"Pipe.review is a pipe")) << r.err.toStdString();

  QFile list(reviewers);
  ASSERT_TRUE(list.open(QIODevice::Append));
  list.write("broken line without tabs\n");
  list.close();
  r = as("jerzy",
         {"review", "note", fifoData, "--row", "1", "--text", "x", "--review-dir", dir.path()});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains(reviewers + ":3: expected 4 fields")) << r.err.toStdString();

  // A folder that cannot hold the record is named, with the way out.
  r = as("jerzy", {"review", "note", data, "--row", "1", "--text", "x", "--review-dir",
                   dir.filePath("none")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains(QStringLiteral("the record folder ") + dir.filePath("none") +
                             " does not exist"))
      << r.err.toStdString();
}

}  // namespace
