// The reviewers a site trusts to sign review records: a text file, one
// reviewer a line, four fields separated by tabs:
//   ID <TAB> PRINTED NAME <TAB> ROLES <TAB> ed25519:<public key, 64 hex>
// ROLES is "reviewer", "approver" or both, comma-separated. Blank lines and
// lines starting with "#" are ignored.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tarvex {

struct Reviewer {
  QString id;
  QString name;
  bool reviewer = false;  // may sign reviewed and rejected
  bool approver = false;  // may sign all three meanings
  QByteArray publicKey;   // 32 bytes
};

// The reviewers file's line of `reviewer` (no LF).
QString reviewerLine(const Reviewer& reviewer);
// "reviewer", "approver", "reviewer,approver"; parseRoles empty for a
// text that names no role, or another word.
QString rolesText(const Reviewer& reviewer);
bool parseRoles(const QString& text, Reviewer& reviewer);

struct ReviewersFile {
  QString path;    // the file read; "" when none was found
  QString source;  // how it was found: "--reviewers", "$XDG_CONFIG_HOME" or "/etc"
  std::vector<Reviewer> reviewers;
  // Lines that do not parse, as "FILE:LINE: reason"; the other lines count.
  QStringList problems;

  const Reviewer* find(const QString& id) const;
};

// The reviewers file in force: `given` when not empty (it must exist),
// else $XDG_CONFIG_HOME/tarvex/reviewers, else /etc/tarvex/reviewers.
// Neither present: path "" and no reviewers. Throws RuntimeError for a
// given file that is missing or no regular file (a pipe or device is
// never opened for reading), and for a found one that cannot be read.
ReviewersFile readReviewersFile(const QString& given = {});

// The reviewers of `text` (the file's contents); `path` names lines in
// problems. A second line of the same id is a problem; the first counts.
ReviewersFile parseReviewers(const QByteArray& text, const QString& path);

// Appends `reviewer`'s line to the file at path (made when missing), under
// an exclusive lock, flushed to disk. Throws RuntimeError when the id is
// already listed there, or the file cannot be written.
void addReviewerLine(const QString& path, const Reviewer& reviewer);

}  // namespace tarvex
