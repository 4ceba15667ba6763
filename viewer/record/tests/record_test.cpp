// The review record end to end as plain code: keys, the reviewers file,
// appends, and verification against every kind of tampering.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "record/record_file.h"
#include "record/record_verify.h"
#include "record/record_writer.h"
#include "record/review_status.h"
#include "record/reviewer_key.h"
#include "shell/runtime_error.h"

using namespace tarvex;

namespace {

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

// A batch folder with a data file and its .sig, two reviewers (Polish and
// Greek names) and an approver, their keys under a cheap cost.
class Batch {
 public:
  // With `site`, the same reviewers and keys as that batch, another data file
  // of the same name.
  explicit Batch(const Batch* site = nullptr) {
    data = dir.filePath("Reactor2_History.csv");
    writeAll(data, site ? "Date,Time,T1\n3/15/2007,06:00:00,2.5\n"
                        : "Date,Time,T1\n3/14/2007,06:00:00,1.5\n");
    writeAll(dir.filePath("Reactor2_History.sig"), "AB CD\n");
    target.batch.dataFile = data;
    if (site) {
      keys = site->keys;
      reviewersPath = site->reviewersPath;
      return;
    }
    keys = dir.filePath("keys");
    reviewersPath = dir.filePath("reviewers");
    QByteArray list;
    for (const auto& [id, name, roles] : {std::tuple{"jmiller", "Żaneta Miłosz", "reviewer"},
                                          std::tuple{"kpapas", "Κώστας Παπάς", "reviewer,approver"},
                                          std::tuple{"aivanova", "Анна Иванова", "approver"}}) {
      Reviewer r;
      r.id = QString::fromUtf8(id);
      r.name = QString::fromUtf8(name);
      parseRoles(QString::fromUtf8(roles), r);
      r.publicKey =
          createReviewerKey(r.id, "pass " + QByteArray(id), keys, KdfCost::cheapForTests());
      list += reviewerLine(r).toUtf8() + '\n';
    }
    writeAll(reviewersPath, list);
    target.batch.dataFile = data;
  }
  ReviewersFile reviewers() const { return readReviewersFile(reviewersPath); }
  std::unique_ptr<UnlockedKey> key(const char* id) const {
    return UnlockedKey::unlock(QString::fromUtf8(id), "pass " + QByteArray(id), keys);
  }
  RecordEntry note(const char* id, const QString& text, int row = 1) {
    NoteRequest n;
    n.anchor.kind = NoteAnchor::Kind::Row;
    n.anchor.table = QStringLiteral("data");
    n.anchor.row = row;
    n.anchor.time = QStringLiteral("2007-03-14T06:00:00");
    n.text = text;
    return appendNote(target, reviewers(), *key(id), n);
  }
  RecordEntry sign(const char* id, Meaning meaning, const QString& reason = {}) {
    SignOffRequest s;
    s.meaning = meaning;
    s.reason = reason;
    return appendSignOff(target, reviewers(), *key(id), s);
  }
  VerifiedRecord verify() const { return verifyRecord(target, reviewers()); }
  QString record() const { return recordPathFor(data); }

  QTemporaryDir dir;
  QString data, keys, reviewersPath;
  RecordTarget target;
};

QString problems(const VerifiedRecord& v) { return v.problems.join(QStringLiteral(" | ")); }

}  // namespace

TEST(Record, ReviewThenApprovalByAnotherPersonHoldsAndRoundTripsNames) {
  Batch b;
  EXPECT_EQ(reviewStatusOf(b.data, {{}, b.reviewersPath}).state, ReviewState::None);
  b.note("jmiller", QStringLiteral("Temperatur zu hoch, \"Spitze\"\tbei 06:00\nzweite Zeile"));
  b.sign("jmiller", Meaning::Reviewed);
  // The reviewer may not approve their own review, nor may a note-only
  // id approve without the role.
  EXPECT_THROW(b.sign("jmiller", Meaning::Approved), RuntimeError);
  EXPECT_THROW(b.sign("kpapas", Meaning::Rejected), RuntimeError);  // no reason
  b.sign("aivanova", Meaning::Approved, QStringLiteral("Zatwierdzono"));
  b.note("kpapas", QStringLiteral("late remark"));

  const VerifiedRecord v = b.verify();
  EXPECT_TRUE(v.holds()) << problems(v).toStdString();
  ASSERT_EQ(v.entries.size(), 4u);
  EXPECT_EQ(v.entries[0].entry->text,
            QStringLiteral("Temperatur zu hoch, \"Spitze\"\tbei 06:00\nzweite Zeile"));
  EXPECT_EQ(v.entries[2].entry->name, QStringLiteral("Анна Иванова"));
  EXPECT_EQ(v.entries[3].afterSignOff, 3);
  EXPECT_EQ(v.state(), ReviewState::Approved);
  ASSERT_GE(v.entries[1].entry->files.size(), 2u);  // data and its .sig
  EXPECT_EQ(v.entries[1].entry->files[1].role, QStringLiteral("data-sig"));

  const ReviewStatus s = reviewStatusOf(b.data, {{}, b.reviewersPath});
  EXPECT_EQ(s.state, ReviewState::Approved);
  EXPECT_EQ(s.signerName, QStringLiteral("Анна Иванова"));
  EXPECT_EQ(s.entries, 4);

  // A bound companion changed since: named with signer and time.
  writeAll(b.dir.filePath("Reactor2_History.sig"), "AB CE\n");
  const VerifiedRecord changed = b.verify();
  EXPECT_EQ(changed.state(), ReviewState::Failed);
  EXPECT_TRUE(
      problems(changed).contains(u"Reactor2_History.sig changed since signed by jmiller on"))
      << problems(changed).toStdString();
  EXPECT_TRUE(problems(changed).contains(u"signed by aivanova"));
}

TEST(Record, EveryTamperingIsCaughtAndTheEntryNamed) {
  Batch b;
  b.note("jmiller", QStringLiteral("first"));
  b.note("kpapas", QStringLiteral("second"), 1);
  b.sign("jmiller", Meaning::Reviewed, QStringLiteral("ok"));
  b.note("jmiller", QStringLiteral("fourth"));
  const QByteArray good = readAll(b.record());
  ASSERT_TRUE(b.verify().holds());
  const QList<QByteArray> lines = good.split('\n');

  // One byte changed in every field of entry 3 (the sign-off): each fails,
  // naming entry 3 (the next one may be named too: its link broke).
  const QByteArray line = lines[2];
  int fieldsTried = 0;
  for (qsizetype at = 0; at < line.size(); ++at) {
    const char c = line[at];
    if (c == '"' || c == ':' || c == ',' || c == '{' || c == '}' || c == '[' || c == ']') continue;
    if (at > 0 && line[at - 1] != '"' && line[at - 1] != ':') continue;  // a field's first byte
    QByteArray changed = line;
    changed[at] = c == 'a' ? 'b' : (c == '1' ? '2' : 'a');
    QList<QByteArray> copy = lines;
    copy[2] = changed;
    writeAll(b.record(), copy.join('\n'));
    const VerifiedRecord v = b.verify();
    EXPECT_FALSE(v.holds()) << "byte " << at;
    EXPECT_TRUE(problems(v).contains(u"entry 3:")) << at << ": " << problems(v).toStdString();
    ++fieldsTried;
  }
  EXPECT_GE(fieldsTried, 14);

  auto verifyWith = [&](const QList<QByteArray>& l) {
    writeAll(b.record(), l.join('\n'));
    return problems(b.verify());
  };
  QList<QByteArray> removed = lines;
  removed.removeAt(1);
  EXPECT_TRUE(verifyWith(removed).contains(u"entry 2: does not follow"))
      << verifyWith(removed).toStdString();
  QList<QByteArray> swapped = lines;
  swapped.swapItemsAt(1, 2);
  EXPECT_TRUE(verifyWith(swapped).contains(u"entry 2:"));
  EXPECT_TRUE(verifyWith(swapped).contains(u"entry 3:"));

  // An entry copied from another batch's record (same file name, another
  // batch), and that whole record laid over this batch.
  Batch other(&b);
  other.note("jmiller", QStringLiteral("other batch"));
  other.note("jmiller", QStringLiteral("other batch 2"));
  const QList<QByteArray> otherLines = readAll(other.record()).split('\n');
  QList<QByteArray> copied = lines;
  copied.insert(2, otherLines[1]);
  const QString copiedProblems = verifyWith(copied);
  EXPECT_TRUE(copiedProblems.contains(u"entry 3: does not follow")) << copiedProblems.toStdString();

  // Another batch's whole record laid beside this batch's data file.
  const QString laidOver = verifyWith(otherLines);
  EXPECT_TRUE(laidOver.startsWith(u"the record was written for another Reactor2_History.csv"))
      << laidOver.toStdString();

  // The record renamed to another data file's name.
  writeAll(b.record(), good);
  const QString renamedData = b.dir.filePath("Reactor3_History.csv");
  writeAll(renamedData, readAll(b.data));
  QFile::copy(b.record(), recordPathFor(renamedData));
  RecordTarget renamed;
  renamed.batch.dataFile = renamedData;
  const VerifiedRecord r = verifyRecord(renamed, b.reviewers());
  EXPECT_TRUE(
      problems(r).contains(u"the record belongs to Reactor2_History.csv, not Reactor3_History.csv"))
      << problems(r).toStdString();
  EXPECT_EQ(reviewStatusOf(renamedData, {{}, b.reviewersPath}).state, ReviewState::Failed);

  // A key swapped in the reviewers file: jmiller's line carries kpapas's
  // key. Entries 1, 3 and 4 are jmiller's; 3 and 4 are named as one run.
  const ReviewersFile rf = b.reviewers();
  Reviewer swappedJm = *rf.find("jmiller");
  swappedJm.publicKey = rf.find("kpapas")->publicKey;
  writeAll(b.reviewersPath, reviewerLine(swappedJm).toUtf8() + '\n' +
                                reviewerLine(*rf.find("kpapas")).toUtf8() + '\n');
  const QString swappedKey = problems(b.verify());
  EXPECT_EQ(
      swappedKey,
      QStringLiteral("entry 1: signed with a key that is not jmiller's in the reviewers file | "
                     "entries 3 to 4: signed with a key that is not jmiller's in the "
                     "reviewers file"));
}

TEST(Record, BadInputIsRefusedAndWritesNothing) {
  Batch b;
  // Wrong passphrase (without the delay here).
  EXPECT_THROW(UnlockedKey::unlock("jmiller", "wrong", b.keys, 0), RuntimeError);
  // A key made twice is refused; ids that would leave the keys folder too.
  EXPECT_THROW(createReviewerKey("jmiller", "x", b.keys, KdfCost::cheapForTests()), RuntimeError);
  EXPECT_THROW(createReviewerKey("../evil", "x", b.keys, KdfCost::cheapForTests()), RuntimeError);
  // An id the reviewers file lacks; a key that is not the one listed.
  createReviewerKey("stranger", "p", b.keys, KdfCost::cheapForTests());
  NoteRequest n;
  n.text = QStringLiteral("x");
  auto stranger = UnlockedKey::unlock("stranger", "p", b.keys);
  EXPECT_THROW(appendNote(b.target, b.reviewers(), *stranger, n), RuntimeError);
  // An approver-only id may not sign reviewed? It may (approver covers it);
  // a reviewer-only id may not approve.
  b.sign("kpapas", Meaning::Reviewed);
  EXPECT_THROW(b.sign("jmiller", Meaning::Approved), RuntimeError);
  const QByteArray before = readAll(b.record());

  // A record that belongs to another data file (same name, other content).
  writeAll(b.data, "Date,Time,T1\n3/15/2007,06:00:00,9\n");
  b.target.dataSha256.clear();
  EXPECT_THROW(b.note("jmiller", QStringLiteral("x")), RuntimeError);
  EXPECT_EQ(readAll(b.record()), before);

  // A record whose last line does not parse: refused, the line named.
  writeAll(b.data, "Date,Time,T1\n3/14/2007,06:00:00,1.5\n");
  writeAll(b.record(), before + "{\"seq\":2,garbage}\n");
  try {
    b.note("jmiller", QStringLiteral("x"));
    ADD_FAILURE() << "appended after a damaged line";
  } catch (const RuntimeError& e) {
    EXPECT_TRUE(e.description().contains(u"does not parse at line 2")) << e.what();
  }

  // A record that is a FIFO is refused, never opened for reading.
  QFile::remove(b.record());
  ASSERT_EQ(::mkfifo(QFile::encodeName(b.record()).constData(), 0600), 0);
  EXPECT_THROW(b.note("jmiller", QStringLiteral("x")), RuntimeError);
  EXPECT_THROW(b.verify(), RuntimeError);
  EXPECT_EQ(reviewStatusOf(b.data, {{}, b.reviewersPath}).state, ReviewState::Failed);
  QFile::remove(b.record());

  // A data file named like its own record is never written over.
  RecordTarget self;
  self.batch.dataFile = b.dir.filePath("odd.review");
  writeAll(self.batch.dataFile, "x");
  EXPECT_THROW(appendNote(self, b.reviewers(), *b.key("jmiller"), n), RuntimeError);
  EXPECT_EQ(readAll(self.batch.dataFile), QByteArray("x"));

  // Reviewers file lines that do not parse are named; the others count.
  const ReviewersFile rf = parseReviewers(
      "# site list\nbad line\nx\tName\tboss\ted25519:00\n" + readAll(b.reviewersPath), "R");
  EXPECT_EQ(rf.reviewers.size(), 3u);
  ASSERT_EQ(rf.problems.size(), 2);
  EXPECT_TRUE(rf.problems[0].startsWith(u"R:2: expected 4 fields"));
  EXPECT_TRUE(rf.problems[1].startsWith(u"R:3: roles"));
}

TEST(Record, AnIncompleteLastLineIsReportedAndTheNextAppendStepsOverIt) {
  Batch b;
  b.note("jmiller", QStringLiteral("one"));
  b.note("jmiller", QStringLiteral("two"));
  const QByteArray whole = readAll(b.record());
  writeAll(b.record(), whole + whole.left(100));  // a third line cut short
  VerifiedRecord v = b.verify();
  EXPECT_EQ(v.completeEntries, 2);
  ASSERT_EQ(v.entries.size(), 3u);
  EXPECT_TRUE(v.entries[0].valid() && v.entries[1].valid());
  EXPECT_EQ(
      problems(v),
      QStringLiteral("entry 3: incomplete entry (cut short while written), not taken as valid"));
  b.note("jmiller", QStringLiteral("three"));
  v = b.verify();
  ASSERT_EQ(v.entries.size(), 4u);
  EXPECT_TRUE(v.entries[3].valid());
  EXPECT_EQ(v.entries[3].entry->seq, 3);
  EXPECT_EQ(
      problems(v),
      QStringLiteral("entry 3: incomplete entry (cut short while written), not taken as valid"));
}
