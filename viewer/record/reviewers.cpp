#include "record/reviewers.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "record/record_file.h"
#include "record/reviewer_key.h"
#include "shell/readfiles.h"
#include "shell/runtime_error.h"

namespace tarvex {

QString rolesText(const Reviewer& r) {
  QStringList roles;
  if (r.reviewer) roles << QStringLiteral("reviewer");
  if (r.approver) roles << QStringLiteral("approver");
  return roles.join(u',');
}

bool parseRoles(const QString& text, Reviewer& r) {
  r.reviewer = r.approver = false;
  for (const QString& role : text.split(u',')) {
    const QString t = role.trimmed();
    if (t == u"reviewer")
      r.reviewer = true;
    else if (t == u"approver")
      r.approver = true;
    else
      return false;
  }
  return r.reviewer || r.approver;
}

QString reviewerLine(const Reviewer& r) {
  return r.id + u'\t' + r.name + u'\t' + rolesText(r) + QStringLiteral("\ted25519:") +
         QString::fromLatin1(r.publicKey.toHex());
}

const Reviewer* ReviewersFile::find(const QString& id) const {
  for (const Reviewer& r : reviewers)
    if (r.id == id) return &r;
  return nullptr;
}

ReviewersFile parseReviewers(const QByteArray& text, const QString& path) {
  ReviewersFile file;
  file.path = path;
  const QList<QByteArray> lines = text.split('\n');
  for (qsizetype i = 0; i < lines.size(); ++i) {
    QByteArray raw = lines[i];
    if (raw.endsWith('\r')) raw.chop(1);
    const QString line = QString::fromUtf8(raw);
    if (line.trimmed().isEmpty() || line.trimmed().startsWith(u'#')) continue;
    auto bad = [&](const QString& why) {
      file.problems << QStringLiteral("%1:%2: %3").arg(path).arg(i + 1).arg(why);
    };
    if (line.toUtf8() != raw) {
      bad(QStringLiteral("not UTF-8 text"));
      continue;
    }
    const QStringList f = line.split(u'\t');
    if (f.size() != 4) {
      bad(QStringLiteral("expected 4 fields separated by tabs (id, name, roles, key), found %1")
              .arg(f.size()));
      continue;
    }
    Reviewer r;
    r.id = f[0].trimmed();
    r.name = f[1].trimmed();
    const QString key = f[3].trimmed();
    if (!isValidReviewerId(r.id)) {
      bad(QStringLiteral("\"%1\" is no reviewer id").arg(r.id));
      continue;
    }
    if (r.name.isEmpty()) {
      bad(QStringLiteral("no printed name for %1").arg(r.id));
      continue;
    }
    if (!parseRoles(f[2], r)) {
      bad(QStringLiteral("roles \"%1\": expected reviewer, approver or both").arg(f[2]));
      continue;
    }
    const QByteArray hex = key.mid(8).toLatin1();
    r.publicKey = QByteArray::fromHex(hex);
    if (!key.startsWith(u"ed25519:") || hex.size() != 64 || r.publicKey.toHex() != hex.toLower()) {
      bad(QStringLiteral("the key is not ed25519: followed by 64 hex digits"));
      continue;
    }
    if (file.find(r.id)) {
      bad(QStringLiteral("%1 is listed twice; the first line counts").arg(r.id));
      continue;
    }
    file.reviewers.push_back(r);
  }
  return file;
}

ReviewersFile readReviewersFile(const QString& given) {
  QString path = given;
  QString source = QStringLiteral("--reviewers");
  if (path.isEmpty()) {
    const QString user = tarvexConfigDir() + QStringLiteral("/reviewers");
    if (QFileInfo::exists(user)) {
      path = user;
      source = QStringLiteral("$XDG_CONFIG_HOME");
    } else if (QFileInfo::exists(QStringLiteral("/etc/tarvex/reviewers"))) {
      path = QStringLiteral("/etc/tarvex/reviewers");
      source = QStringLiteral("/etc");
    } else {
      ReviewersFile none;
      return none;
    }
  }
  const std::optional<QByteArray> text = readRegularFile(path, qint64(16) << 20);
  if (!text)
    throw RuntimeError(err::FileNotFound,
                       QStringLiteral("the reviewers file %1 does not exist").arg(path));
  ReviewersFile file = parseReviewers(*text, path);
  file.source = source;
  return file;
}

void addReviewerLine(const QString& path, const Reviewer& reviewer) {
  appendRecordLine(path, [&](const RecordTail&) -> QByteArray {
    // The whole file again, under the lock: an id is listed once.
    const std::optional<QByteArray> text = readRegularFile(path, qint64(16) << 20);
    if (text && parseReviewers(*text, path).find(reviewer.id))
      throw RuntimeError(
          err::PathFileAccess,
          QStringLiteral("%1 already lists %2; nothing was added").arg(path, reviewer.id));
    return reviewerLine(reviewer).toUtf8();
  });
}

}  // namespace tarvex
