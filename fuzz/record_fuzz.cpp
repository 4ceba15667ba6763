// The review record's line reader and verification, and the reviewers file
// reader, on arbitrary text. The first byte picks which: even, the rest is a
// record verified for Reactor2_History.csv by the two reviewers below (the
// seeds' signers); odd, the rest is a reviewers file.
#include "fuzz_util.h"
#include "record/record_file.h"
#include "record/record_verify.h"
#include "record/reviewers.h"

namespace {

const tarvex::ReviewersFile& siteReviewers() {
  static const tarvex::ReviewersFile file = tarvex::parseReviewers(
      "jmiller\t\xC5\xBB"
      "aneta Mi\xC5\x82osz\treviewer\t"
      "ed25519:afb9f534d86300f58f12cc036e457b09a0ae8f5b4716112722697de04b2efdc5\n"
      "kpapas\tK\treviewer,approver\t"
      "ed25519:8199d8ba471dde80dc4c8399628da1789049d22c58626e780ec7e4eb15f147df\n",
      QStringLiteral("reviewers"));
  return file;
}

void fuzzRecord(const QByteArray& contents) {
  const tarvex::VerifiedRecord v = tarvex::verifyRecordContents(
      contents, QStringLiteral("Reactor2_History.csv"),
      QStringLiteral("0880e6a5b751ab4d8e71d24f45ce2bd242787f8f92f61682895c985e033a40cf"),
      siteReviewers());
  const tarvex::RecordLines lines = tarvex::splitRecordLines(contents);
  FUZZ_CHECK(v.completeEntries == int(lines.lines.size()));
  FUZZ_CHECK(v.entries.size() == lines.lines.size() + (lines.hasIncompleteTail ? 1 : 0));
  bool allValid = true;
  for (std::size_t i = 0; i < lines.lines.size(); ++i) {
    const tarvex::EntryResult& r = v.entries[i];
    allValid = allValid && r.valid();
    // An entry read is exactly the line it was read from: no two texts
    // carry one entry.
    if (r.entry) FUZZ_CHECK(tarvex::writeEntryLine(*r.entry) == lines.lines[i]);
    if (r.valid()) FUZZ_CHECK(r.entry.has_value());
  }
  if (lines.hasIncompleteTail) FUZZ_CHECK(!v.entries.back().valid() && !v.holds());
  // The record holds only when every entry does, and never when one fails.
  if (v.holds()) FUZZ_CHECK(allValid && !lines.hasIncompleteTail && v.changes.empty());
  if (!allValid) FUZZ_CHECK(!v.holds());
  if (const tarvex::RecordEntry* d = v.decidingSignOff())
    FUZZ_CHECK(d->kind == tarvex::EntryKind::SignOff);
}

void fuzzReviewers(const QByteArray& text) {
  const tarvex::ReviewersFile file = tarvex::parseReviewers(text, QStringLiteral("r"));
  for (const tarvex::Reviewer& r : file.reviewers) {
    // A reviewer read is written back as a line that reads as the same.
    const tarvex::ReviewersFile again =
        tarvex::parseReviewers(tarvex::reviewerLine(r).toUtf8(), QStringLiteral("r"));
    FUZZ_CHECK(again.reviewers.size() == 1 && again.problems.isEmpty());
    const tarvex::Reviewer& b = again.reviewers[0];
    FUZZ_CHECK(b.id == r.id && b.name == r.name && b.reviewer == r.reviewer &&
               b.approver == r.approver && b.publicKey == r.publicKey && r.publicKey.size() == 32);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
  if (data[0] % 2 == 0)
    fuzzRecord(rest);
  else
    fuzzReviewers(rest);
  return 0;
}
