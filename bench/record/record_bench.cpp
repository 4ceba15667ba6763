// record_bench DIR DATAFILE AUDIT ALARMS [ENTRIES]
// Makes two reviewers' keys at the real key-derivation cost in DIR, a
// review record of ENTRIES entries (default 10,000: notes, a review and an
// approval binding the batch's files) for DATAFILE, then times:
//  - the key derivation (unlocking a key), median of 3;
//  - adding a note with the key unlocked (as the viewer does: the data
//    file's SHA-256 known), the last 200 entries, each flushed to disk;
//  - verifying the whole record against the reviewers and the batch's files
//    as they are now (every file read and hashed), median of 5, and with
//    the data file's SHA-256 known.
#include <time.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "../bench_clock.h"
#include "record/batch_files.h"
#include "record/record_entry.h"
#include "record/record_file.h"
#include "record/record_verify.h"
#include "record/record_writer.h"
#include "record/reviewer_key.h"
#include "shell/runtime_error.h"

using namespace tarvex;
using tarvex::bench::cpuMs;
using tarvex::bench::median;

namespace {

RecordEntry entryOf(const UnlockedKey& key, const Reviewer& r, const QString& data,
                    const QString& sha, qint64 seq, const QByteArray& prev) {
  RecordEntry e;
  e.seq = seq;
  e.prev = prev;
  e.data = data;
  e.dataSha256 = sha;
  e.written = QDateTime::currentDateTimeUtc();
  e.written.setTime(
      QTime(e.written.time().hour(), e.written.time().minute(), e.written.time().second()));
  e.author = r.id;
  e.name = r.name;
  e.keyFingerprint = key.fingerprint();
  e.kind = EntryKind::Note;
  e.anchor.kind = NoteAnchor::Kind::Row;
  e.anchor.table = QStringLiteral("data");
  e.anchor.row = int(seq * 97 % 1000000 + 1);
  e.anchor.time = QStringLiteral("2007-03-14T06:00:00");
  e.text =
      QStringLiteral("Reading of TC1 Zone 1 checked against the local gauge; within 0.5 C (row %1)")
          .arg(seq);
  return e;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 5) {
    std::fprintf(stderr, "usage: record_bench DIR DATAFILE AUDIT ALARMS [ENTRIES]\n");
    return 2;
  }
  try {
    const QString dir = QString::fromLocal8Bit(argv[1]);
    RecordTarget target;
    target.batch = {QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                    QString::fromLocal8Bit(argv[4])};
    const int total = argc > 5 ? std::atoi(argv[5]) : 10000;
    const int appended = std::min(200, total / 2);
    const QString keys = dir + QStringLiteral("/keys");
    const QString reviewersPath = dir + QStringLiteral("/reviewers");

    QElapsedTimer t;
    Reviewer rev{QStringLiteral("rev"), QStringLiteral("Jane Miller"), true, false, {}};
    Reviewer appr{QStringLiteral("appr"), QStringLiteral("Omar Haddad"), false, true, {}};
    t.start();
    rev.publicKey = createReviewerKey(rev.id, "reviewer passphrase", keys);
    const double makeMs = double(t.nsecsElapsed()) / 1e6;
    appr.publicKey = createReviewerKey(appr.id, "approver passphrase", keys);
    addReviewerLine(reviewersPath, rev);
    addReviewerLine(reviewersPath, appr);
    std::vector<double> unlockMs;
    std::unique_ptr<UnlockedKey> key;
    for (int i = 0; i < 3; ++i) {
      t.restart();
      key = UnlockedKey::unlock(rev.id, "reviewer passphrase", keys);
      unlockMs.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const auto apprKey = UnlockedKey::unlock(appr.id, "approver passphrase", keys);
    std::printf(
        "key derivation (Argon2id, ops %llu, %llu MiB): make a key %.0f ms, unlock median %.0f "
        "ms\n",
        static_cast<unsigned long long>(KdfCost{}.ops),
        static_cast<unsigned long long>(KdfCost{}.memBytes >> 20), makeMs, median(unlockMs));

    // The first entries written in one go through the same line code.
    const QString dataName = QFileInfo(target.batch.dataFile).fileName();
    t.restart();
    const std::vector<BatchFile> files = batchFiles(target.batch);
    std::printf("batch files hashed for the sign-offs: %zu files in %.0f ms\n", files.size(),
                double(t.nsecsElapsed()) / 1e6);
    target.dataSha256 = files[0].sha256;
    const QString record = recordPathFor(target.batch.dataFile);
    QFile::remove(record);
    QByteArray bytes, prev = firstPrev();
    for (int seq = 1; seq <= total - appended; ++seq) {
      const bool review = seq == (total - appended) / 2, approve = seq == total - appended;
      const UnlockedKey& k = approve ? *apprKey : *key;
      RecordEntry e = entryOf(k, approve ? appr : rev, dataName, target.dataSha256, seq, prev);
      if (review || approve) {
        e.kind = EntryKind::SignOff;
        e.meaning = approve ? Meaning::Approved : Meaning::Reviewed;
        for (const BatchFile& f : files) e.files.push_back({f.role, f.name, f.sha256});
      }
      e.signature = k.sign(signedBytes(entryLineBody(e)));
      const QByteArray line = writeEntryLine(e);
      bytes += line + '\n';
      prev = lineHash(line);
    }
    QFile out(record);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) return 2;
    out.close();

    const ReviewersFile reviewers = readReviewersFile(reviewersPath);
    std::vector<double> appendMs;
    for (int i = 0; i < appended; ++i) {
      NoteRequest n;
      n.anchor.time = QStringLiteral("2007-03-14T06:00:00");
      n.text = QStringLiteral("late note %1").arg(i);
      t.restart();
      appendNote(target, reviewers, *key, n);
      appendMs.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf(
        "add a note, key unlocked (record of %d to %d entries, each flushed): median %.1f ms, "
        "max %.1f ms\n",
        total - appended, total, median(appendMs),
        *std::max_element(appendMs.begin(), appendMs.end()));

    for (const bool known : {false, true}) {
      std::vector<double> verifyMs, verifyCpu;
      VerifiedRecord v;
      for (int i = 0; i < 5; ++i) {
        RecordTarget vt = target;
        if (!known) vt.dataSha256.clear();
        const double c = cpuMs();
        t.restart();
        v = verifyRecord(vt, readReviewersFile(reviewersPath));
        verifyMs.push_back(double(t.nsecsElapsed()) / 1e6);
        verifyCpu.push_back(cpuMs() - c);
      }
      std::printf(
          "verify %d entries%s: median %.0f ms, best %.0f ms, CPU of both threads median %.0f ms "
          "(%s, %s)\n",
          v.completeEntries,
          known ? " (data file's SHA-256 known)" : " (every batch file read and hashed)",
          median(verifyMs), *std::min_element(verifyMs.begin(), verifyMs.end()), median(verifyCpu),
          v.holds() ? "holds" : "FAILED", qPrintable(reviewStateName(v.state())));
      if (!v.holds()) return 1;
    }
    // The parts: parsing and the chain alone (no reviewer, so no signature
    // is checked), and the signatures alone.
    {
      const QByteArray contents = *readRegularFile(record);
      const double c = cpuMs();
      t.restart();
      verifyRecordContents(contents, dataName, target.dataSha256, ReviewersFile{});
      std::printf("  of which parsing and the chain (no signature checked): %.0f ms, CPU %.0f ms\n",
                  double(t.nsecsElapsed()) / 1e6, cpuMs() - c);
      const QByteArray msg = signedBytes(
          entryLineBody(entryOf(*key, rev, dataName, target.dataSha256, 1, firstPrev())));
      const QByteArray sig = key->sign(msg);
      const double c2 = cpuMs();
      int ok = 0;
      for (int i = 0; i < total; ++i) ok += verifySignature(rev.publicKey, msg, sig);
      std::printf("  %d Ed25519 verifications on one thread: CPU %.0f ms\n", ok, cpuMs() - c2);
    }
  } catch (const RuntimeError& e) {
    std::fprintf(stderr, "record_bench: %s\n", e.what());
    return 2;
  }
  return 0;
}
