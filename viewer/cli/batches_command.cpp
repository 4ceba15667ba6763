#include "cli/batches_command.h"

#include <QElapsedTimer>
#include <cstdio>
#include <new>

#include "batches/batch_listing.h"
#include "batches/batch_register.h"
#include "batches/register_place.h"
#include "batches/scanner.h"
#include "record/review_status.h"
#include "review/review_texts.h"
#include "shell/runtime_error.h"

namespace tarvex {

const char kBatchesUsage[] =
    "  tarvex batches scan DIR... [--db PLACE] [--jobs N] [--rehash] [--review-dir DIR]\n"
    "                     [--reviewers FILE]\n"
    "      Bring the batch register up to date with the folder trees: new data\n"
    "      histories read and added, changed ones read again (--rehash: every one,\n"
    "      its SHA-256 compared), gone ones marked missing. Files are told by their\n"
    "      content. Progress, skipped pipes and devices and unreadable files go to\n"
    "      stderr. N files are read at once (default 2). The review status comes from\n"
    "      each batch's review record, verified as `review verify` does (--review-dir\n"
    "      and --reviewers as for review).\n"
    "  tarvex batches list [--db PLACE] [--status none|reviewed|approved|rejected|failed]\n"
    "                      [--verdict confirmed|failed|unsigned] [--from T] [--to T]\n"
    "                      [--grep TEXT] [--format tsv|csv|json]\n"
    "      Print the register's batches, newest first: those with that review status\n"
    "      or signature verdict, overlapping From..To (YYYY-MM-DD [HH:MM[:SS]]), with\n"
    "      TEXT in the path or a channel title (case aside). Default format tsv.\n"
    "      PLACE is an SQLite file (default $XDG_DATA_HOME/tarvex/batches.sqlite) or\n"
    "      postgresql://USER@HOST:PORT/DATABASE (?host=/socket/folder for a Unix\n"
    "      socket; the password from ~/.pgpass).\n";

namespace {

constexpr int kExitOk = 0;
constexpr int kExitError = 2;

void put(std::FILE* to, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), to);
}

class Usage {
 public:
  explicit Usage(QString m) : message(std::move(m)) {}
  QString message;
};

struct Options {
  QString sub;
  QStringList dirs;
  QString db;
  int jobs = 2;
  bool rehash = false;
  RecordPlace record;
  FilterTexts filter;
  QString format = QStringLiteral("tsv");
};

Options parse(const QStringList& args) {
  if (args.isEmpty()) throw Usage(QStringLiteral("batches needs scan or list"));
  Options o;
  o.sub = args.front();
  if (o.sub != u"scan" && o.sub != u"list")
    throw Usage(QStringLiteral("unknown batches command ") + o.sub);
  const bool scan = o.sub == u"scan";
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    auto value = [&]() -> QString {
      if (i + 1 >= args.size()) throw Usage(a + QStringLiteral(" needs a value"));
      return args[++i];
    };
    if (a == u"--db") {
      o.db = value();
    } else if (scan && a == u"--jobs") {
      bool ok = false;
      o.jobs = value().toInt(&ok);
      if (!ok || o.jobs < 1 || o.jobs > 64)
        throw Usage(QStringLiteral("--jobs needs a number from 1 to 64"));
    } else if (scan && a == u"--rehash") {
      o.rehash = true;
    } else if (scan && a == u"--review-dir") {
      o.record.reviewDir = value();
    } else if (scan && a == u"--reviewers") {
      o.record.reviewersFile = value();
    } else if (!scan && a == u"--status") {
      o.filter.status = value();
    } else if (!scan && a == u"--verdict") {
      o.filter.verdict = value();
    } else if (!scan && a == u"--from") {
      o.filter.from = value();
    } else if (!scan && a == u"--to") {
      o.filter.to = value();
    } else if (!scan && a == u"--grep") {
      o.filter.text = value();
    } else if (!scan && a == u"--format") {
      o.format = value();
    } else if (a.startsWith(u'-') && a.size() > 1) {
      throw Usage(QStringLiteral("unknown option for batches ") + o.sub + u' ' + a);
    } else if (scan) {
      o.dirs << a;
    } else {
      throw Usage(QStringLiteral("batches list takes no ") + a);
    }
  }
  if (scan && o.dirs.isEmpty()) throw Usage(QStringLiteral("batches scan needs a folder"));
  return o;
}

QString plural(qint64 n, const char* one, const char* many) {
  return groupedNumber(n) + u' ' + QString::fromLatin1(n == 1 ? one : many);
}

int scan(const Options& o) {
  ScanOptions options;
  options.roots = o.dirs;
  options.jobs = o.jobs;
  options.rehash = o.rehash;
  options.reviewOf = [place = o.record](const QString& file, const QByteArray& sha256) {
    return reviewStatusOf(file, place, sha256);
  };
  Register reg(registerPlaceOf(o.db));
  QElapsedTimer clock;
  clock.start();
  qint64 lastShown = -1000;
  QString lastStep;
  const ScanSummary s = scanTrees(
      reg, options,
      [&](const ScanProgress& p) {
        // A line a second at most, and one when a step begins.
        if (p.step != lastStep || clock.elapsed() - lastShown >= 1000) {
          put(stderr, p.total > 0 ? QStringLiteral("%1: %2 of %3\n")
                                        .arg(p.step, groupedNumber(p.done), groupedNumber(p.total))
                                  : p.step + u'\n');
          lastShown = clock.elapsed();
          lastStep = p.step;
        }
        return true;
      },
      [](const QString& note) { put(stderr, note + u'\n'); });
  put(stdout,
      QStringLiteral("%1 in %2: %3 added, %4 read again, %5 unreadable; %6 marked missing; %7\n")
          .arg(plural(s.batches, "batch", "batches"), s.roots.join(QStringLiteral(", ")))
          .arg(groupedNumber(s.added), groupedNumber(s.reread), groupedNumber(s.unreadable),
               groupedNumber(s.missing),
               plural(s.skipped.size(), "node skipped", "nodes skipped") +
                   QStringLiteral(" (not regular files)")));
  if (o.rehash)
    put(stdout, plural(s.changed, "file", "files") +
                    QStringLiteral(" changed though size and time did not\n"));
  return kExitOk;
}

int list(const Options& o) {
  const std::optional<ListFormat> format = listFormatFromName(o.format);
  if (!format) throw Usage(QStringLiteral("--format needs tsv, csv or json, not ") + o.format);
  BatchFilter filter;
  try {
    filter = batchFilterOf(o.filter);
  } catch (const RuntimeError& e) {
    throw Usage(e.description());
  }
  Register reg(registerPlaceOf(o.db));
  // Written a few hundred kilobytes at a time.
  QByteArray buffer;
  auto flush = [&] {
    std::fwrite(buffer.constData(), 1, std::size_t(buffer.size()), stdout);
    buffer.clear();
  };
  ListWriter writer(*format, [&](const QByteArray& bytes) {
    buffer += bytes;
    if (buffer.size() > (256 << 10)) flush();
  });
  reg.forEach(filter, [&](const BatchRecord& r) { writer.row(r); });
  writer.finish();
  flush();
  return kExitOk;
}

}  // namespace

int runBatchesCommand(const QStringList& args) {
  const QString name =
      QStringLiteral("tarvex batches") + (args.isEmpty() ? QString() : u' ' + args.front());
  try {
    const Options o = parse(args);
    return o.sub == u"scan" ? scan(o) : list(o);
  } catch (const Usage& e) {
    put(stderr, name + QStringLiteral(": ") + e.message + QStringLiteral("\nUsage:\n") +
                    QString::fromLatin1(kBatchesUsage));
  } catch (const RuntimeError& e) {
    put(stderr, name + QStringLiteral(": ") + e.description() + u'\n');
  } catch (const std::bad_alloc&) {
    put(stderr, name + QStringLiteral(": Error 7 = Out of memory\n"));
  }
  return kExitError;
}

}  // namespace tarvex
