#include "cli/review_command.h"

#include <QFileInfo>
#include <cmath>
#include <cstdio>
#include <new>
#include <optional>

#include "cli/passphrase.h"
#include "cli/tables.h"
#include "logfiles/companions.h"
#include "logfiles/logtable.h"
#include "record/note_anchor.h"
#include "record/record_file.h"
#include "record/record_verify.h"
#include "record/record_writer.h"
#include "record/reviewer_key.h"
#include "review/time_bound.h"
#include "shell/runtime_error.h"
#include "signatures/vxlog.h"

namespace tarvex {

const char kReviewUsage[] =
    "  tarvex reviewer init --id ID --name \"PRINTED NAME\" [--roles reviewer,approver]\n"
    "                [--add-to FILE] [--passphrase-fd N]\n"
    "      Make ID's key pair once: the private key is kept encrypted under a passphrase\n"
    "      (asked twice on the terminal, or one line from --passphrase-fd) in\n"
    "      $XDG_CONFIG_HOME/tarvex/keys/ID; the reviewers-file line is printed, and\n"
    "      with --add-to appended to FILE.\n"
    "  tarvex review note DATAFILE (--at DATETIME | --row N [--kind KIND])\n"
    "                --text TEXT [--audit FILE] [--alarms FILE] COMMON\n"
    "  tarvex review sign DATAFILE --meaning reviewed|approved|rejected [--reason TEXT]\n"
    "                [--from T] [--to T] [--audit FILE] [--alarms FILE] COMMON\n"
    "  tarvex review show DATAFILE COMMON\n"
    "  tarvex review verify DATAFILE [--audit FILE] [--alarms FILE] COMMON\n"
    "      The review record of DATAFILE (NAME.review beside it, or in --review-dir):\n"
    "      note adds a note at a time of the data file (read as --from of show) or at a\n"
    "      row of a table (KIND data, audit, alarm, evt, sig or audit-sig; audit, alarm\n"
    "      and audit-sig rows name their file with --audit/--alarms);\n"
    "      sign signs the batch's files (data, .sig, .evt, audit trail and its .sig,\n"
    "      alarm history) as reviewed, approved or rejected (which needs a reason)\n"
    "      over the window (default the whole file); show prints one tab-separated line\n"
    "      per entry: sequence, time written, author, kind, anchor, text or meaning and\n"
    "      reason, result; verify exits 0 when every entry holds, the signers are\n"
    "      trusted and the signed files are unchanged, 1 naming what fails (also when\n"
    "      there is no record), 2 on a usage or file error.\n"
    "      COMMON: [--as ID] [--reviewers FILE] [--review-dir DIR] [--passphrase-fd N]\n"
    "              [--date-order mdy|dmy|ymd]\n";

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitError = 2;

void err(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
}

void out(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

struct Usage {
  QString message;
};

struct Options {
  QString command;
  QStringList positional;
  QString id, name, roles, addTo;  // reviewer init
  std::optional<int> passphraseFd;
  QString at;
  std::optional<int> row;
  QString kind;
  std::optional<QString> text;
  QString audit, alarms;
  QString meaning;
  std::optional<QString> reason;
  std::optional<QString> from, to;
  QString as, reviewers, reviewDir;
  std::optional<DateOrder> dateOrder;
};

int toInt(const QString& option, const QString& text) {
  bool ok = false;
  const int v = text.toInt(&ok);
  if (!ok || v < 0) throw Usage{option + QStringLiteral(" needs a number, not ") + text};
  return v;
}

Options parse(const QStringList& list) {
  Options o;
  if (list.isEmpty()) throw Usage{QStringLiteral("a subcommand is needed")};
  o.command = list[0];
  for (qsizetype i = 1; i < list.size(); ++i) {
    const QString& a = list[i];
    auto value = [&]() -> QString {
      if (i + 1 >= list.size()) throw Usage{a + QStringLiteral(" needs a value")};
      return list[++i];
    };
    if (a == u"--id")
      o.id = value();
    else if (a == u"--name")
      o.name = value();
    else if (a == u"--roles")
      o.roles = value();
    else if (a == u"--add-to")
      o.addTo = value();
    else if (a == u"--passphrase-fd")
      o.passphraseFd = toInt(a, value());
    else if (a == u"--at")
      o.at = value();
    else if (a == u"--row")
      o.row = toInt(a, value());
    else if (a == u"--kind")
      o.kind = value();
    else if (a == u"--text")
      o.text = value();
    else if (a == u"--audit")
      o.audit = value();
    else if (a == u"--alarms")
      o.alarms = value();
    else if (a == u"--meaning")
      o.meaning = value();
    else if (a == u"--reason")
      o.reason = value();
    else if (a == u"--from")
      o.from = value();
    else if (a == u"--to")
      o.to = value();
    else if (a == u"--as")
      o.as = value();
    else if (a == u"--reviewers")
      o.reviewers = value();
    else if (a == u"--review-dir")
      o.reviewDir = value();
    else if (a == u"--date-order") {
      const QString name = value();
      o.dateOrder = dateOrderFromName(name);
      if (!o.dateOrder)
        throw Usage{QStringLiteral("--date-order needs mdy, dmy or ymd, not ") + name};
    } else if (a == u"--passphrase" || a == u"--password")
      throw Usage{
          QStringLiteral("a passphrase is never taken from the command line; it is asked on "
                         "the terminal, or read from --passphrase-fd N")};
    else if (a.startsWith(u'-') && a.size() > 1)
      throw Usage{QStringLiteral("unknown option ") + a};
    else
      o.positional << a;
  }
  return o;
}

QByteArray passphraseOf(const Options& o, const QString& prompt, bool confirm) {
  if (o.passphraseFd) return readPassphraseFd(*o.passphraseFd);
  return askPassphrase(prompt, confirm);
}

QString oneLine(QString text) {
  return text.replace(u'\\', QStringLiteral("\\\\"))
      .replace(u'\t', QStringLiteral("\\t"))
      .replace(u'\n', QStringLiteral("\\n"))
      .replace(u'\r', QStringLiteral("\\r"));
}

// ---- reviewer init ----

int reviewerInit(const Options& o) {
  if (!o.positional.isEmpty()) throw Usage{QStringLiteral("unexpected ") + o.positional.front()};
  if (o.id.isEmpty() || o.name.trimmed().isEmpty())
    throw Usage{QStringLiteral("reviewer init needs --id ID and --name \"PRINTED NAME\"")};
  if (o.name.contains(u'\t') || o.name.contains(u'\n'))
    throw Usage{QStringLiteral("--name may not hold a tab or line break")};
  Reviewer r;
  r.id = o.id;
  r.name = o.name.trimmed();
  if (!parseRoles(o.roles.isEmpty() ? QStringLiteral("reviewer") : o.roles, r))
    throw Usage{QStringLiteral("--roles needs reviewer, approver or reviewer,approver")};
  if (!isValidReviewerId(r.id))
    throw Usage{r.id + QStringLiteral(" is no reviewer id (1 to 64 of A-Z a-z 0-9 . _ -)")};
  const QString keyPath = keyFilePath(r.id);
  if (QFileInfo::exists(keyPath))
    throw RuntimeError(
        err::PathFileAccess,
        QStringLiteral("%1 already has a key (%2); a key is made once").arg(r.id, keyPath));
  if (!o.addTo.isEmpty()) {
    if (const auto text = readRegularFile(o.addTo, qint64(16) << 20);
        text && parseReviewers(*text, o.addTo).find(r.id))
      throw RuntimeError(err::PathFileAccess,
                         QStringLiteral("%1 already lists %2").arg(o.addTo, r.id));
  }
  QByteArray passphrase =
      passphraseOf(o, QStringLiteral("Passphrase for %1's new key: ").arg(r.id), true);
  try {
    r.publicKey = createReviewerKey(r.id, passphrase, {});
  } catch (...) {
    wipe(passphrase);
    throw;
  }
  wipe(passphrase);
  err(QStringLiteral("tarvex reviewer: key of %1 kept in %2\n").arg(r.id, keyPath));
  out(reviewerLine(r) + u'\n');
  if (!o.addTo.isEmpty()) {
    addReviewerLine(o.addTo, r);
    err(QStringLiteral("tarvex reviewer: %1 added to %2\n").arg(r.id, o.addTo));
  }
  return kExitOk;
}

// ---- review ----

QString dataFileOf(const Options& o) {
  if (o.positional.size() != 1) throw Usage{QStringLiteral("expected one DATAFILE")};
  if (!QFileInfo::exists(o.positional.front()))
    throw RuntimeError(err::FileNotFound,
                       QStringLiteral("File not found: ") + o.positional.front());
  return o.positional.front();
}

ReviewersFile reviewersOf(const Options& o) {
  ReviewersFile r = readReviewersFile(o.reviewers);
  if (r.path.isEmpty())
    err(QStringLiteral("tarvex review: no reviewers file (none given with --reviewers, none in "
                       "%1/reviewers or /etc/tarvex/reviewers)\n")
            .arg(tarvexConfigDir()));
  else
    err(QStringLiteral("tarvex review: reviewers from %1 (%2)\n").arg(r.path, r.source));
  for (const QString& p : r.problems)
    err(QStringLiteral("tarvex review: %1 (line ignored)\n").arg(p));
  return r;
}

RecordTarget targetOf(const Options& o, const QString& dataFile, const QString& dataSha = {}) {
  RecordTarget t;
  t.batch.dataFile = dataFile;
  t.batch.auditFile = o.audit;
  t.batch.alarmFile = o.alarms;
  t.reviewDir = o.reviewDir;
  t.dataSha256 = dataSha;
  return t;
}

// The id to sign as, in the reviewers file with the role the entry needs;
// asked before the passphrase so that a refusal costs no key derivation.
const Reviewer& signerOf(const Options& o, const ReviewersFile& reviewers) {
  if (o.as.isEmpty()) throw Usage{QStringLiteral("give the reviewer id with --as ID")};
  const Reviewer* r = reviewers.find(o.as);
  if (!r)
    throw RuntimeError(
        err::PermissionDenied,
        reviewers.path.isEmpty()
            ? QStringLiteral("%1 cannot sign: there is no reviewers file").arg(o.as)
            : QStringLiteral("%1 is not in the reviewers file %2").arg(o.as, reviewers.path));
  return *r;
}

// The record as it is, before anything is added: a line that does not
// parse, or a record of another data file, refuses the addition; other
// problems are said and the addition goes on.
VerifiedRecord checkBeforeAdding(const RecordTarget& target, const ReviewersFile& reviewers) {
  checkRecordWritable(recordPathFor(target.batch.dataFile, target.reviewDir));
  VerifiedRecord v = verifyRecord(target, reviewers);
  for (const EntryResult& e : v.entries)
    for (const QString& f : e.failures)
      if (f.startsWith(QStringLiteral("does not parse")) ||
          f.startsWith(QStringLiteral("belongs to")))
        throw RuntimeError(err::TypeMismatch,
                           QStringLiteral("the record %1 at line %2: %3; nothing was written")
                               .arg(v.recordPath)
                               .arg(e.line)
                               .arg(f));
  for (const QString& p : v.problems) err(QStringLiteral("tarvex review: warning: %1\n").arg(p));
  return v;
}

std::unique_ptr<UnlockedKey> unlock(const Options& o, const Reviewer& signer) {
  QByteArray passphrase =
      passphraseOf(o, QStringLiteral("Passphrase of %1 (%2): ").arg(signer.id, signer.name), false);
  try {
    auto key = UnlockedKey::unlock(signer.id, passphrase);
    wipe(passphrase);
    return key;
  } catch (...) {
    wipe(passphrase);
    throw;
  }
}

qint64 secondsOfBound(const QString& option, const QString& text, const LogTable& table,
                      bool upper) {
  const DateOrder order = table.dateReading() ? table.dateReading()->order : localeDateOrder();
  try {
    return std::llround(parseTimeBound(text, order, upper) * 86400.0);
  } catch (const RuntimeError& e) {
    throw RuntimeError(e.number(), option + QStringLiteral(": ") + e.description());
  }
}

int reviewNote(const Options& o) {
  const QString dataFile = dataFileOf(o);
  if (!o.text || o.text->trimmed().isEmpty()) throw Usage{QStringLiteral("note needs --text TEXT")};
  if (o.at.isEmpty() == !o.row)
    throw Usage{QStringLiteral("note needs either --at DATETIME or --row N")};
  if (!o.at.isEmpty() && !o.kind.isEmpty())
    throw Usage{QStringLiteral("--kind goes with --row; --at is a time of the data file")};
  VxLog sigLog;
  LogTable data;
  loadTable(data, TableKind::Data, dataFile, sigLog, o.dateOrder);
  const ReviewersFile reviewers = reviewersOf(o);
  const Reviewer& signer = signerOf(o, reviewers);

  NoteRequest note;
  note.text = *o.text;
  if (!o.at.isEmpty()) {
    note.anchor = anchorAtTime(data, secondsOfBound(QStringLiteral("--at"), o.at, data, false));
  } else {
    const QString kind = o.kind.isEmpty() ? QStringLiteral("data") : o.kind;
    if (kind == u"data") {
      note.anchor = anchorAtRow(data, kind, *o.row, timeColumnsOf(reviewTableOf(TableKind::Data)));
    } else {
      QString file;
      TableKind tk;
      if (kind == u"audit") {
        if (o.audit.isEmpty())
          throw Usage{QStringLiteral("a note on the audit trail names it with --audit FILE")};
        file = o.audit;
        tk = TableKind::Audit;
      } else if (kind == u"alarm") {
        if (o.alarms.isEmpty())
          throw Usage{QStringLiteral("a note on the alarm history names it with --alarms FILE")};
        file = o.alarms;
        tk = TableKind::Alarm;
      } else if (kind == u"evt" || kind == u"sig") {
        const bool evt = kind == u"evt";
        file = companionFileName(
            dataFile, evt ? CompanionKind::OperatorEvents : CompanionKind::DataSignatures);
        if (!fileExists(file))
          throw RuntimeError(err::FileNotFound, QStringLiteral("no %1: %2 does not exist")
                                                    .arg(evt ? QStringLiteral("operator events")
                                                             : QStringLiteral("signatures"),
                                                         file));
        tk = evt ? TableKind::Events : TableKind::Signatures;
      } else if (kind == u"audit-sig") {
        if (o.audit.isEmpty())
          throw Usage{QStringLiteral(
              "a note on the audit trail's signatures names the audit trail with --audit FILE")};
        file = companionFileName(o.audit, CompanionKind::AuditSignatures);
        if (!fileExists(file))
          throw RuntimeError(err::FileNotFound,
                             QStringLiteral("no audit signatures: %1 does not exist").arg(file));
        tk = TableKind::Signatures;
      } else {
        throw Usage{QStringLiteral("--kind needs data, audit, alarm, evt, sig or audit-sig, not ") +
                    kind};
      }
      LogTable table;
      loadTable(table, tk, file, sigLog, o.dateOrder);
      note.anchor = anchorAtRow(table, kind, *o.row, timeColumnsOf(reviewTableOf(tk)));
      note.anchor.file = QFileInfo(file).fileName();
      note.anchor.fileSha256 = sha256OfFile(file);
    }
  }
  const RecordTarget target = targetOf(o, dataFile, sha256OfFile(dataFile));
  checkBeforeAdding(target, reviewers);
  const auto key = unlock(o, signer);
  const RecordEntry e = appendNote(target, reviewers, *key, note);
  err(QStringLiteral("tarvex review: entry %1 (note at %2) saved to %3\n")
          .arg(e.seq)
          .arg(anchorText(e.anchor), recordPathFor(dataFile, o.reviewDir)));
  return kExitOk;
}

int reviewSign(const Options& o) {
  const QString dataFile = dataFileOf(o);
  const auto meaning = parseMeaning(o.meaning);
  if (!meaning) throw Usage{QStringLiteral("sign needs --meaning reviewed, approved or rejected")};
  if (*meaning == Meaning::Rejected && o.reason.value_or(QString()).trimmed().isEmpty())
    throw RuntimeError(err::InvalidCall,
                       QStringLiteral("a rejection needs a reason: give --reason TEXT"));
  VxLog sigLog;
  LogTable data;
  loadTable(data, TableKind::Data, dataFile, sigLog, o.dateOrder);
  SignOffRequest s;
  s.meaning = *meaning;
  s.reason = o.reason.value_or(QString());
  std::optional<qint64> from, to;
  if (o.from) from = secondsOfBound(QStringLiteral("--from"), *o.from, data, false);
  if (o.to) to = secondsOfBound(QStringLiteral("--to"), *o.to, data, true);
  if (from && to && *from > *to)
    throw RuntimeError(err::InvalidCall,
                       QStringLiteral("--from %1 lies after --to %2").arg(*o.from, *o.to));
  if (from) s.from = isoOfSeconds(*from);
  if (to) s.to = isoOfSeconds(*to);
  const ReviewersFile reviewers = reviewersOf(o);
  const Reviewer& signer = signerOf(o, reviewers);

  RecordTarget target = targetOf(o, dataFile, sha256OfFile(dataFile));
  s.files = batchFiles(target.batch, target.dataSha256);
  const VerifiedRecord before = checkBeforeAdding(target, reviewers);
  RecordEntry probe;
  probe.kind = EntryKind::SignOff;
  probe.meaning = *meaning;
  if (!hasRoleFor(signer, probe))
    throw RuntimeError(err::PermissionDenied,
                       QStringLiteral("%1 lacks the role %2 needed to sign %3")
                           .arg(signer.id,
                                *meaning == Meaning::Approved ? QStringLiteral("approver")
                                                              : QStringLiteral("reviewer"),
                                o.meaning));
  QString why;
  if (*meaning == Meaning::Approved && !before.approveAllowed(signer.id, &why))
    throw RuntimeError(err::PermissionDenied, why + QStringLiteral("; nothing was written"));
  QString text = QStringLiteral("tarvex review: %1 (%2) signs %3 over %4, binding:\n")
                     .arg(signer.id, signer.name, o.meaning,
                          s.from.isEmpty() && s.to.isEmpty()
                              ? QStringLiteral("the whole file")
                              : QStringLiteral("%1 to %2")
                                    .arg(s.from.isEmpty() ? QStringLiteral("the start") : s.from,
                                         s.to.isEmpty() ? QStringLiteral("the end") : s.to));
  for (const BatchFile& f : s.files)
    text += QStringLiteral("  %1\t%2\t%3\n").arg(f.role, f.name, f.sha256);
  err(text);
  const auto key = unlock(o, signer);
  const RecordEntry e = appendSignOff(target, reviewers, *key, s);
  err(QStringLiteral("tarvex review: entry %1 (%2) saved to %3\n")
          .arg(e.seq)
          .arg(o.meaning, recordPathFor(dataFile, o.reviewDir)));
  return kExitOk;
}

QString resultText(const EntryResult& r) {
  if (!r.valid()) return QStringLiteral("FAILED: ") + r.failures.join(QStringLiteral("; "));
  if (r.afterSignOff > 0)
    return QStringLiteral("valid; written after sign-off %1").arg(r.afterSignOff);
  return QStringLiteral("valid");
}

int reviewShow(const Options& o) {
  const QString dataFile = dataFileOf(o);
  const ReviewersFile reviewers = reviewersOf(o);
  const VerifiedRecord v = verifyRecord(targetOf(o, dataFile), reviewers);
  if (!v.exists) {
    err(QStringLiteral("tarvex review: no review record for %1 (looked for %2)\n")
            .arg(dataFile, v.recordPath));
    return kExitOk;
  }
  QString text;
  for (const EntryResult& r : v.entries) {
    QStringList f;
    if (!r.entry) {
      f << QString::number(r.line) << QString() << QString() << QString() << QString() << QString();
    } else {
      const RecordEntry& e = *r.entry;
      f << QString::number(e.seq) << writtenText(e)
        << QStringLiteral("%1 (%2)").arg(e.author, e.name);
      if (e.kind == EntryKind::Note) {
        f << QStringLiteral("note") << anchorText(e.anchor) << oneLine(e.text);
      } else {
        f << QStringLiteral("signoff");
        f << (e.from.isEmpty() && e.to.isEmpty()
                  ? QStringLiteral("whole file")
                  : QStringLiteral("%1 to %2")
                        .arg(e.from.isEmpty()
                                 ? QStringLiteral("start")
                                 : anchorText({NoteAnchor::Kind::Time, {}, 0, e.from, {}, {}}),
                             e.to.isEmpty()
                                 ? QStringLiteral("end")
                                 : anchorText({NoteAnchor::Kind::Time, {}, 0, e.to, {}, {}})));
        f << (e.reason.isEmpty()
                  ? meaningName(e.meaning)
                  : meaningName(e.meaning) + QStringLiteral(": ") + oneLine(e.reason));
      }
    }
    f << resultText(r);
    text += f.join(u'\t') + u'\n';
  }
  out(text);
  for (const FileChange& c : v.changes) err(QStringLiteral("tarvex review: %1\n").arg(c.text));
  return kExitOk;
}

int reviewVerify(const Options& o) {
  const QString dataFile = dataFileOf(o);
  const ReviewersFile reviewers = reviewersOf(o);
  const VerifiedRecord v = verifyRecord(targetOf(o, dataFile), reviewers);
  if (!v.exists) {
    out(QStringLiteral("no review record for %1 (looked for %2): the batch has not been reviewed\n")
            .arg(dataFile, v.recordPath));
    return kExitFailed;
  }
  QString text;
  for (const QString& p : v.problems) text += p + u'\n';
  const RecordEntry* d = v.decidingSignOff();
  const QString decided = d ? QStringLiteral("%1 by %2 (%3) on %4")
                                  .arg(meaningName(d->meaning), d->name, d->author, writtenText(*d))
                            : QStringLiteral("no sign-off");
  int notes = 0, signOffs = 0;
  for (const EntryResult& r : v.entries)
    if (r.entry) ++(r.entry->kind == EntryKind::Note ? notes : signOffs);
  if (v.holds())
    text += QStringLiteral("review record holds: %1 entries (%2 notes, %3 sign-offs); %4\n")
                .arg(v.completeEntries)
                .arg(notes)
                .arg(signOffs)
                .arg(decided);
  else
    text +=
        QStringLiteral("review record FAILED: %1 %2 of %3 entries; last valid sign-off: %4\n")
            .arg(v.problems.size())
            .arg(v.problems.size() == 1 ? QStringLiteral("problem") : QStringLiteral("problems"))
            .arg(v.completeEntries)
            .arg(decided);
  if (!o.as.isEmpty()) {
    QString why;
    text += v.approveAllowed(o.as, &why)
                ? QStringLiteral("%1 may approve\n").arg(o.as)
                : QStringLiteral("%1 may not approve: %2\n").arg(o.as, why);
  }
  out(text);
  return v.holds() ? kExitOk : kExitFailed;
}

template <typename Body>
int guarded(const char* command, const Body& body) {
  const QString name = QString::fromLatin1(command);
  try {
    return body();
  } catch (const Usage& u) {
    err(QStringLiteral("tarvex %1: %2\nUsage:\n").arg(name, u.message) +
        QString::fromLatin1(kReviewUsage));
  } catch (const RuntimeError& e) {
    err(QStringLiteral("tarvex %1: %2\n")
            .arg(name, e.description().isEmpty() ? errorDescription(e.number()) : e.description()));
  } catch (const std::bad_alloc&) {
    err(QStringLiteral("tarvex %1: Error 7 = Out of memory\n").arg(name));
  }
  return kExitError;
}

}  // namespace

int runReviewerCommand(const QStringList& args) {
  return guarded("reviewer", [&] {
    const Options o = parse(args);
    if (o.command == u"init") return reviewerInit(o);
    throw Usage{QStringLiteral("unknown reviewer command ") + o.command};
  });
}

int runReviewCommand(const QStringList& args) {
  return guarded("review", [&] {
    const Options o = parse(args);
    if (o.command == u"note") return reviewNote(o);
    if (o.command == u"sign") return reviewSign(o);
    if (o.command == u"show") return reviewShow(o);
    if (o.command == u"verify") return reviewVerify(o);
    throw Usage{QStringLiteral("unknown review command ") + o.command};
  });
}

}  // namespace tarvex
