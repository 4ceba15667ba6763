#include "record/record_verify.h"

#include <QFileInfo>
#include <map>

#include "record/record_file.h"
#include "record/reviewer_key.h"
#include "shell/runtime_error.h"
#include "trend/two_threads.h"

namespace tarvex {

namespace {

// What can be known of a line by itself: parsed, and its signature checked
// under the key the reviewers file lists for its author.
struct LineCheck {
  std::optional<RecordEntry> entry;
  QString parseError;
  QByteArray hash;
  const Reviewer* signer = nullptr;
  bool keyMatches = false;
  bool signatureHolds = false;
};

// The reviewers file with each key's fingerprint worked out once.
struct Signers {
  explicit Signers(const ReviewersFile& file) : file(file) {
    for (const Reviewer& r : file.reviewers) fingerprints.push_back(keyFingerprint(r.publicKey));
  }
  const Reviewer* find(const QString& id, QString* fingerprint) const {
    for (std::size_t i = 0; i < file.reviewers.size(); ++i)
      if (file.reviewers[i].id == id) {
        *fingerprint = fingerprints[i];
        return &file.reviewers[i];
      }
    return nullptr;
  }
  const ReviewersFile& file;
  std::vector<QString> fingerprints;
};

void checkLines(const std::vector<QByteArray>& lines, std::size_t first, std::size_t last,
                const Signers& signers, std::vector<LineCheck>& out) {
  for (std::size_t i = first; i < last; ++i) {
    LineCheck& c = out[i];
    c.hash = lineHash(lines[i]);
    QByteArray body;
    c.entry = parseEntryLine(lines[i], &c.parseError, &body);
    if (!c.entry) continue;
    QString fingerprint;
    c.signer = signers.find(c.entry->author, &fingerprint);
    if (!c.signer) continue;
    c.keyMatches = fingerprint == c.entry->keyFingerprint;
    c.signatureHolds =
        c.keyMatches && verifySignature(c.signer->publicKey, signedBytes(body), c.entry->signature);
  }
}

QString signedByText(const RecordEntry& e) {
  return QStringLiteral("signed by %1 on %2").arg(e.author, writtenText(e));
}

}  // namespace

bool hasRoleFor(const Reviewer& r, const RecordEntry& entry) {
  if (entry.kind == EntryKind::Note) return r.reviewer || r.approver;
  if (entry.meaning == Meaning::Approved) return r.approver;
  return r.reviewer || r.approver;
}

const RecordEntry* VerifiedRecord::decidingSignOff() const {
  if (decidingLine <= 0 || decidingLine > int(entries.size())) return nullptr;
  const auto& e = entries[std::size_t(decidingLine - 1)].entry;
  return e ? &*e : nullptr;
}

bool VerifiedRecord::approveAllowed(const QString& id, QString* why) const {
  auto no = [&](const QString& reason) {
    if (why) *why = reason;
    return false;
  };
  const Reviewer* r = reviewers.find(id);
  if (!r) return no(QStringLiteral("%1 is not in the reviewers file").arg(id));
  if (!r->approver) return no(QStringLiteral("%1 lacks the role approver").arg(id));
  bool reviewedByOther = false, reviewedBySelf = false;
  for (const EntryResult& res : entries) {
    if (!res.valid() || !res.entry || res.entry->kind != EntryKind::SignOff ||
        res.entry->meaning != Meaning::Reviewed)
      continue;
    (res.entry->author == id ? reviewedBySelf : reviewedByOther) = true;
  }
  if (reviewedByOther) return true;
  if (reviewedBySelf)
    return no(QStringLiteral("%1 signed the review; another person must approve").arg(id));
  return no(QStringLiteral("no valid review by another person to approve yet"));
}

ReviewState VerifiedRecord::state() const {
  if (!problems.isEmpty()) return ReviewState::Failed;
  const RecordEntry* d = decidingSignOff();
  if (!d) return ReviewState::None;
  switch (d->meaning) {
    case Meaning::Reviewed:
      return ReviewState::Reviewed;
    case Meaning::Approved:
      return ReviewState::Approved;
    case Meaning::Rejected:
      return ReviewState::Rejected;
  }
  return ReviewState::None;
}

VerifiedRecord verifyRecordContents(const QByteArray& contents, const QString& dataName,
                                    const QString& dataSha256, const ReviewersFile& reviewers,
                                    const BatchPaths& batch) {
  VerifiedRecord v;
  v.exists = true;
  v.dataName = dataName;
  v.dataSha256 = dataSha256;
  v.reviewers = reviewers;
  const RecordLines split = splitRecordLines(contents);
  const std::vector<QByteArray>& lines = split.lines;
  const std::size_t n = lines.size();

  std::vector<LineCheck> checks(n);
  const Signers signers(v.reviewers);
  // Parsing and the signatures are most of the work: two halves at once.
  if (n >= 256)
    onTwoThreads([&] { checkLines(lines, 0, n / 2, signers, checks); },
                 [&] { checkLines(lines, n / 2, n, signers, checks); });
  else
    checkLines(lines, 0, n, signers, checks);

  v.entries.resize(n);
  qint64 expectedSeq = 1;
  int lastSignOff = 0;
  bool reviewersMissing = v.reviewers.path.isEmpty();
  int foreignEntries = 0, parsedEntries = 0;
  QString foreignName;
  int lastChangedNote = 0;
  bool anyOfThisFile = false;  // an entry written for the data file as it is
  for (std::size_t i = 0; i < n; ++i) {
    EntryResult& res = v.entries[i];
    const LineCheck& c = checks[i];
    res.line = int(i + 1);
    res.entry = c.entry;
    if (!c.entry) {
      res.failures << QStringLiteral("does not parse (%1)").arg(c.parseError);
      continue;
    }
    const RecordEntry& e = *c.entry;
    ++parsedEntries;
    anyOfThisFile = anyOfThisFile || e.dataSha256 == dataSha256;
    // The chain: the line before, or, over a line cut short by a crash and
    // ended by the next writer, the complete line before that one.
    const QByteArray expectedPrev = i == 0 ? firstPrev() : checks[i - 1].hash;
    if (e.prev != expectedPrev) {
      const bool overCutLine =
          i >= 1 && !checks[i - 1].entry && e.prev == (i >= 2 ? checks[i - 2].hash : firstPrev());
      if (overCutLine) {
        v.entries[i - 1].failures = QStringList{
            QStringLiteral("incomplete entry (cut short while written), not taken as valid")};
      } else {
        const bool beforeAltered = i >= 1 && checks[i - 1].entry && checks[i - 1].keyMatches &&
                                   !checks[i - 1].signatureHolds;
        if (!beforeAltered)
          res.failures << QStringLiteral(
              "does not follow the entry before it (an entry removed, inserted, moved or copied "
              "from another record)");
      }
    }
    if (e.seq != expectedSeq)
      res.failures
          << QStringLiteral("sequence number %1 where %2 was expected").arg(e.seq).arg(expectedSeq);
    expectedSeq = e.seq + 1;
    if (e.data != dataName) {
      res.failures << QStringLiteral("belongs to %1, not %2").arg(e.data, dataName);
      ++foreignEntries;
      foreignName = e.data;
    }
    if (!c.signer) {
      res.failures
          << (reviewersMissing
                  ? QStringLiteral("signed by %1; no reviewers file to trust").arg(e.author)
                  : QStringLiteral("signed by %1, who is not in the reviewers file").arg(e.author));
    } else if (!c.keyMatches) {
      res.failures << QStringLiteral("signed with a key that is not %1's in the reviewers file")
                          .arg(e.author);
    } else if (!c.signatureHolds) {
      res.failures << QStringLiteral("altered (its signature does not hold)");
    } else if (!hasRoleFor(*c.signer, e)) {
      res.failures << QStringLiteral("%1 lacks the role %2")
                          .arg(e.author, e.meaning == Meaning::Approved
                                             ? QStringLiteral("approver")
                                             : QStringLiteral("reviewer"));
    }
    if (e.kind == EntryKind::SignOff) {
      if (e.meaning == Meaning::Rejected && e.reason.trimmed().isEmpty())
        res.failures << QStringLiteral("rejected without a reason");
      if (e.meaning == Meaning::Approved) {
        bool byOther = false, bySelf = false;
        for (std::size_t k = 0; k < i; ++k) {
          const EntryResult& prior = v.entries[k];
          if (prior.valid() && prior.entry && prior.entry->kind == EntryKind::SignOff &&
              prior.entry->meaning == Meaning::Reviewed)
            (prior.entry->author == e.author ? bySelf : byOther) = true;
        }
        if (!byOther)
          res.failures << (bySelf
                               ? QStringLiteral("approved by %1, who signed the review: a second "
                                                "person must approve")
                                     .arg(e.author)
                               : QStringLiteral(
                                     "approved without an earlier review by another person"));
      }
      if (res.valid()) lastSignOff = res.line;
    } else {
      res.afterSignOff = lastSignOff;
      if (res.valid() && e.dataSha256 != dataSha256) lastChangedNote = res.line;
    }
  }
  if (split.hasIncompleteTail) {
    EntryResult res;
    res.line = int(n + 1);
    res.failures << QStringLiteral(
        "incomplete entry (cut short while written), not taken as valid");
    v.entries.push_back(res);
  }
  v.completeEntries = int(n);
  v.decidingLine = lastSignOff;

  // The files of every valid sign-off, each read once.
  std::map<QString, QString> present;  // path -> SHA-256, "" when missing
  auto shaOf = [&](const QString& role, const QString& name) -> QString {
    if (role == u"data") {
      if (name == dataName) return dataSha256;
    }
    if (batch.dataFile.isEmpty()) return QStringLiteral("?");
    const QString path = boundFilePath(batch, role, name);
    if (path.isEmpty()) return {};
    auto it = present.find(path);
    if (it == present.end()) {
      QString sha;
      try {
        if (QFileInfo::exists(path)) sha = sha256OfFile(path);
      } catch (const RuntimeError&) {
        sha.clear();
      }
      it = present.emplace(path, sha).first;
    }
    return it->second;
  };
  bool dataChangeNamed = false;
  for (const EntryResult& res : v.entries) {
    if (!res.valid() || !res.entry || res.entry->kind != EntryKind::SignOff) continue;
    const RecordEntry& e = *res.entry;
    for (const BoundFile& f : e.files) {
      const QString now = shaOf(f.role, f.name);
      if (now == u"?" || now == f.sha256) continue;
      FileChange change;
      change.name = f.name;
      change.role = f.role;
      change.signOffLine = res.line;
      change.missing = now.isEmpty();
      change.text =
          QStringLiteral("%1 %2 since %3 (entry %4)")
              .arg(f.name, change.missing ? QStringLiteral("missing") : QStringLiteral("changed"),
                   signedByText(e))
              .arg(res.line);
      if (f.role == u"data") dataChangeNamed = true;
      v.changes.push_back(change);
    }
  }

  // Problems, as verify names them. A record wholly of another data file,
  // or without any reviewers file, is said once.
  const bool wholeForeign = parsedEntries > 0 && foreignEntries == parsedEntries;
  if (wholeForeign)
    v.problems << QStringLiteral("the record belongs to %1, not %2").arg(foreignName, dataName);
  if (reviewersMissing && parsedEntries > 0)
    v.problems << QStringLiteral("no reviewers file: no signer can be trusted");
  // Consecutive entries failing for the same reasons are named as one run
  // ("entries 3 to 9998: ..."), so that a swapped key stays one line.
  int runFirst = 0, runLast = 0;
  QString runReasons;
  auto closeRun = [&] {
    if (runFirst == 0) return;
    v.problems << (runFirst == runLast
                       ? QStringLiteral("entry %1: %2").arg(runFirst).arg(runReasons)
                       : QStringLiteral("entries %1 to %2: %3")
                             .arg(runFirst)
                             .arg(runLast)
                             .arg(runReasons));
    runFirst = 0;
  };
  for (const EntryResult& res : v.entries) {
    QStringList reasons;
    for (const QString& f : res.failures) {
      if (wholeForeign && f.startsWith(QStringLiteral("belongs to "))) continue;
      if (reviewersMissing && f.contains(QStringLiteral("no reviewers file"))) continue;
      reasons << f;
    }
    const QString joined = reasons.join(QStringLiteral("; "));
    if (runFirst != 0 && (joined != runReasons || res.line != runLast + 1)) closeRun();
    if (joined.isEmpty()) continue;
    if (runFirst == 0) {
      runFirst = res.line;
      runReasons = joined;
    }
    runLast = res.line;
  }
  closeRun();
  if (parsedEntries > 0 && !anyOfThisFile && !wholeForeign)
    v.problems << QStringLiteral(
                      "the record was written for another %1 (SHA-256 %2... at entry 1, "
                      "this file's %3...), or the file changed since")
                      .arg(dataName,
                           checks[0].entry ? checks[0].entry->dataSha256.left(12)
                                           : QStringLiteral("?"),
                           dataSha256.left(12));
  for (const FileChange& c : v.changes) v.problems << c.text;
  if (lastChangedNote > 0 && !dataChangeNamed && !wholeForeign && anyOfThisFile) {
    const RecordEntry& e = *v.entries[std::size_t(lastChangedNote - 1)].entry;
    v.problems << QStringLiteral("%1 changed since entry %2 was written (note by %3 on %4)")
                      .arg(dataName)
                      .arg(lastChangedNote)
                      .arg(e.author, writtenText(e));
  }
  return v;
}

VerifiedRecord verifyRecord(const RecordTarget& target, const ReviewersFile& reviewers) {
  const QString dataFile = target.batch.dataFile;
  const QString recordPath = recordPathFor(dataFile, target.reviewDir);
  const std::optional<QByteArray> contents = readRegularFile(recordPath);
  const QString dataSha = target.dataSha256.isEmpty() ? sha256OfFile(dataFile) : target.dataSha256;
  VerifiedRecord v;
  if (contents) {
    v = verifyRecordContents(*contents, QFileInfo(dataFile).fileName(), dataSha, reviewers,
                             target.batch);
  } else {
    v.dataName = QFileInfo(dataFile).fileName();
    v.dataSha256 = dataSha;
    v.reviewers = reviewers;
  }
  v.recordPath = recordPath;
  return v;
}

}  // namespace tarvex
