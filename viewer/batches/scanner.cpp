#include "batches/scanner.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "batches/batch_register.h"
#include "batches/companion_match.h"
#include "batches/log_facts.h"
#include "batches/signature_verdict.h"
#include "batches/tree_walk.h"
#include "logfiles/companions.h"
#include "shell/runtime_error.h"
#include "signatures/vxlog.h"

namespace tarvex {
namespace {

QString reasonOf(const RuntimeError& e) {
  return QStringLiteral("Error %1 = %2").arg(e.number()).arg(e.description());
}

QString folderOf(const QString& path) { return path.left(path.lastIndexOf(u'/')); }

bool isCompanionName(const QString& path) {
  return path.endsWith(u".sig", Qt::CaseInsensitive) || path.endsWith(u".evt", Qt::CaseInsensitive);
}

// Work split over worker threads while the calling thread writes what they
// give and reports progress. run(i) turns item i into a result; the caller's
// `drain` takes the results made so far, `tick` says whether to go on.
template <class Result>
class Workers {
 public:
  using Run = std::function<Result(int item)>;

  // Runs items 0..n-1 on `threads` threads. Every ~100 ms, and whenever 64
  // results wait, drain(results) runs on this thread, then tick(done);
  // tick returning false stops the workers after the items they hold.
  // Returns false when stopped early.
  static bool run(int n, int threads, const std::function<Run()>& makeRun,
                  const std::function<void(std::vector<Result>&&)>& drain,
                  const std::function<bool(int done)>& tick) {
    std::mutex m;
    std::condition_variable ready;
    std::vector<Result> results;
    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    int finished = 0;
    const int count = std::max(1, std::min(threads, n));
    std::vector<std::thread> pool;
    std::exception_ptr failure;
    for (int t = 0; t < count; ++t) {
      pool.emplace_back([&] {
        try {
          Run one = makeRun();
          for (int i; !stop && (i = next.fetch_add(1)) < n;) {
            Result r = one(i);
            std::lock_guard lock(m);
            results.push_back(std::move(r));
            if (results.size() >= 64) ready.notify_one();
          }
        } catch (...) {
          std::lock_guard lock(m);
          if (!failure) failure = std::current_exception();
          stop = true;
        }
        std::lock_guard lock(m);
        ++finished;
        ready.notify_one();
      });
    }
    int done = 0;
    bool going = true;
    std::exception_ptr drainFailure;
    for (;;) {
      std::vector<Result> batch;
      bool all = false;
      {
        std::unique_lock lock(m);
        ready.wait_for(lock, std::chrono::milliseconds(100),
                       [&] { return results.size() >= 64 || finished == count; });
        batch.swap(results);
        all = finished == count;
      }
      done += int(batch.size());
      if (!drainFailure) {
        try {
          if (!batch.empty()) drain(std::move(batch));
          if (going && tick && !tick(done)) {
            going = false;
            stop = true;
          }
        } catch (...) {
          drainFailure = std::current_exception();
          stop = true;
        }
      }
      if (all) {
        std::lock_guard lock(m);
        if (results.empty()) break;
      }
    }
    for (std::thread& t : pool) t.join();
    if (drainFailure) std::rethrow_exception(drainFailure);
    if (failure) std::rethrow_exception(failure);
    return going && !stop;
  }
};

// What the first pass learns of a file that is not a companion.
struct Classified {
  LogFileRecord log;
  bool read = false;    // examined in this scan (new, changed or rehash)
  QString forcedError;  // a batch to list with this reason (unreadable, no log)
  std::shared_ptr<const std::vector<ClockSeconds>> alarmTimes;
};

// A batch as the second pass leaves it.
struct ScannedBatch {
  BatchRecord record;
  bool contentChanged = false;  // rehash: other bytes under the same size and time
};

class Scan {
 public:
  Scan(Register& reg, const ScanOptions& options,
       const std::function<bool(const ScanProgress&)>& progress,
       const std::function<void(const QString&)>& note)
      : reg_(reg), options_(options), progress_(progress), note_(note) {}

  ScanSummary run();

 private:
  bool report(int done, int total, const QString& step) {
    return !progress_ || progress_(ScanProgress{done, total, step});
  }
  void tell(const QString& text) {
    if (note_) note_(text);
  }
  Classified classify(const WalkedFile& f);
  ScannedBatch batchOf(const WalkedFile& f, const Classified& c, VxLog& sigLog);
  std::shared_ptr<const std::vector<ClockSeconds>> alarmTimes(const QString& path);

  Register& reg_;
  const ScanOptions& options_;
  const std::function<bool(const ScanProgress&)>& progress_;
  const std::function<void(const QString&)>& note_;
  ScanSummary summary_;
  QString now_;
  TreeWalk walk_;
  QHash<QString, const WalkedFile*> walked_;
  QHash<QString, BatchRecord> storedBatches_;
  QHash<QString, LogFileRecord> storedLogs_;
  // Filled by the first pass, read-only in the second.
  QHash<QString, Classified> classified_;
  // Audit trails and alarm histories by folder (a batch's are beside it).
  QHash<QString, std::vector<SpanFile>> audits_;
  QHash<QString, std::vector<SpanFile>> alarms_;
  QSet<QString> alarmsRead_;  // alarm histories read again in this scan
  std::mutex alarmMutex_;     // guards alarmCache_ in the second pass
  QHash<QString, std::shared_ptr<const std::vector<ClockSeconds>>> alarmCache_;
};

Classified Scan::classify(const WalkedFile& f) {
  Classified c;
  c.log.path = f.path;
  c.log.size = f.size;
  c.log.mtimeMs = f.mtimeMs;
  c.log.scannedAt = now_;
  c.read = true;
  const bool wasBatch = storedBatches_.contains(f.path);
  try {
    c.log.kind = sniffLogKind(f.path);
    if (c.log.kind == LogKind::AuditTrail || c.log.kind == LogKind::AlarmHistory) {
      const bool alarms = c.log.kind == LogKind::AlarmHistory;
      LogTimes t = readLogTimes(f.path, c.log.kind, alarms);
      c.log.first = t.first;
      c.log.last = t.last;
      if (alarms)
        c.alarmTimes = std::make_shared<const std::vector<ClockSeconds>>(std::move(t.times));
    }
    if (c.log.kind == LogKind::Other && (wasBatch || f.path.endsWith(u".csv", Qt::CaseInsensitive)))
      c.forcedError = f.size == 0
                          ? QStringLiteral("an empty file")
                          : QStringLiteral("not a data history, audit trail or alarm history");
    else if (wasBatch && c.log.kind != LogKind::DataHistory)
      c.forcedError = QStringLiteral("no longer a data history (now an %1)")
                          .arg(c.log.kind == LogKind::AuditTrail ? QStringLiteral("audit trail")
                                                                 : QStringLiteral("alarm history"));
  } catch (const RuntimeError& e) {
    c.log.kind = LogKind::Other;
    c.log.error = reasonOf(e);
    if (wasBatch || f.path.endsWith(u".csv", Qt::CaseInsensitive)) c.forcedError = c.log.error;
  } catch (const std::bad_alloc&) {
    c.log.kind = LogKind::Other;
    c.log.error = reasonOf(RuntimeError(err::OutOfMemory));
  }
  if (!c.forcedError.isEmpty()) c.log.kind = LogKind::DataHistory;
  return c;
}

std::shared_ptr<const std::vector<ClockSeconds>> Scan::alarmTimes(const QString& path) {
  {
    std::lock_guard lock(alarmMutex_);
    if (auto it = alarmCache_.constFind(path); it != alarmCache_.constEnd()) return *it;
  }
  std::shared_ptr<const std::vector<ClockSeconds>> times;
  try {
    times = std::make_shared<const std::vector<ClockSeconds>>(
        readLogTimes(path, LogKind::AlarmHistory, true).times);
  } catch (const RuntimeError&) {
    return nullptr;
  }
  std::lock_guard lock(alarmMutex_);
  alarmCache_.insert(path, times);
  return times;
}

ScannedBatch Scan::batchOf(const WalkedFile& f, const Classified& c, VxLog& sigLog) {
  const auto storedIt = storedBatches_.constFind(f.path);
  const BatchRecord* stored = storedIt == storedBatches_.constEnd() ? nullptr : &*storedIt;
  ScannedBatch out;
  BatchRecord& r = out.record;
  if (stored) r = *stored;
  r.path = f.path;
  r.size = f.size;
  r.mtimeMs = f.mtimeMs;
  r.missing = false;
  r.scannedAt = now_;
  const bool reread = options_.rehash || !stored || stored->size != f.size ||
                      stored->mtimeMs != f.mtimeMs || !stored->error.isEmpty() ||
                      !c.forcedError.isEmpty();
  if (reread) {
    const QString before = stored ? stored->sha256 : QString();
    r.sha256.clear();
    r.sigDigest.clear();
    r.rows = r.untimedRows = 0;
    r.first = r.last = std::nullopt;
    r.channels.clear();
    r.error = c.forcedError;
    if (r.error.isEmpty()) {
      try {
        DataFacts facts = readDataFacts(f.path);
        r.sha256 = facts.sha256;
        r.sigDigest = facts.sigDigest;
        r.rows = facts.rows;
        r.first = facts.first;
        r.last = facts.last;
        r.untimedRows = facts.untimedRows;
        r.channels = facts.channels;
        if (!r.first && r.rows > 0) r.error = QStringLiteral("no row has a readable date and time");
      } catch (const RuntimeError& e) {
        r.error = reasonOf(e);
      } catch (const std::bad_alloc&) {
        r.error = reasonOf(RuntimeError(err::OutOfMemory));
      }
    }
    out.contentChanged = options_.rehash && stored && !before.isEmpty() && !r.sha256.isEmpty() &&
                         before != r.sha256 && stored->size == f.size &&
                         stored->mtimeMs == f.mtimeMs;
  }

  // Companions: the ".sig" and ".evt" beside it, the audit trail and alarm
  // history by name and time.
  auto beside = [&](CompanionKind kind) {
    const QString p = companionFileName(f.path, kind);
    return walked_.contains(p) ? p : QString();
  };
  r.sigPath = beside(CompanionKind::DataSignatures);
  r.evtPath = beside(CompanionKind::OperatorEvents);
  const QString folder = folderOf(f.path);
  static const std::vector<SpanFile> none;
  const auto audits = audits_.constFind(folder);
  const auto alarms = alarms_.constFind(folder);
  r.auditPath =
      matchCompanion(f.path, r.first, r.last, audits == audits_.constEnd() ? none : *audits);
  const QString alarmPath =
      matchCompanion(f.path, r.first, r.last, alarms == alarms_.constEnd() ? none : *alarms);

  const WalkedFile* sig = r.sigPath.isEmpty() ? nullptr : walked_.value(r.sigPath);
  const qint64 sigSize = sig ? sig->size : -1;
  const qint64 sigMtime = sig ? sig->mtimeMs : -1;
  if (reread || !stored || stored->sigPath != r.sigPath || stored->sigSize != sigSize ||
      stored->sigMtimeMs != sigMtime) {
    const SignatureCount s = verifySignatureFile(r.sigPath, r.sigDigest, sigLog);
    r.verdict = s.verdict;
    r.sigRecords = s.records;
    r.sigConfirmed = s.confirmed;
    r.sigFailed = s.failed;
    r.sigProblem = s.problem;
    r.sigSize = sigSize;
    r.sigMtimeMs = sigMtime;
  }

  if (alarmPath.isEmpty() || !r.first || !r.last) {
    r.alarms = std::nullopt;
  } else if (reread || !stored || !stored->alarms || stored->alarmPath != alarmPath ||
             alarmsRead_.contains(alarmPath)) {
    const auto times = alarmTimes(alarmPath);
    r.alarms = times ? std::optional<int>(alarmsWithin(*times, *r.first, *r.last)) : std::nullopt;
  }
  r.alarmPath = r.alarms ? alarmPath : QString();

  r.review = ReviewState::None;
  r.reviewBy.clear();
  r.reviewById.clear();
  r.reviewAt.clear();
  r.reviewNote.clear();
  if (options_.reviewOf) {
    const ReviewStatus s = options_.reviewOf(f.path, QByteArray::fromHex(r.sha256.toLatin1()));
    r.review = s.state;
    r.reviewBy = s.signerName;
    r.reviewById = s.signerId;
    if (s.signedAt.isValid()) r.reviewAt = s.signedAt.toUTC().toString(Qt::ISODate);
    r.reviewNote =
        s.state == ReviewState::Failed && !s.problems.isEmpty() ? s.problems.join(u'\n') : s.reason;
  }
  return out;
}

ScanSummary Scan::run() {
  now_ = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
  const QString walking = QStringLiteral("Looking through the folders");
  if (!report(0, 0, walking)) {
    summary_.cancelled = true;
    return summary_;
  }
  bool walkGoing = true;
  walk_ = walkTrees(options_.roots, [&] { return walkGoing = report(0, 0, walking); });
  summary_.roots = walk_.roots;
  if (!walkGoing) {
    summary_.cancelled = true;
    return summary_;
  }
  for (const QString& s : walk_.skipped) tell(QStringLiteral("skipped ") + s);
  for (const QString& s : walk_.unreadableReasons) tell(QStringLiteral("cannot list ") + s);
  summary_.skipped = walk_.skipped;
  summary_.unreadableFolders = walk_.unreadableReasons;
  for (const WalkedFile& f : walk_.files) walked_.insert(f.path, &f);
  storedBatches_ = reg_.batchesUnder(walk_.roots);
  storedLogs_ = reg_.logFilesUnder(walk_.roots);

  // First pass: what each file is. A file seen before with the same size
  // and time keeps its kind; the others are looked at (and audit trails and
  // alarm histories read for their times).
  std::vector<const WalkedFile*> toExamine;
  for (const WalkedFile& f : walk_.files) {
    if (isCompanionName(f.path)) continue;
    const auto known = storedLogs_.constFind(f.path);
    const auto batch = storedBatches_.constFind(f.path);
    const bool same = known != storedLogs_.constEnd() && known->size == f.size &&
                      known->mtimeMs == f.mtimeMs && known->error.isEmpty() &&
                      (known->kind != LogKind::DataHistory ||
                       (batch != storedBatches_.constEnd() && batch->error.isEmpty()));
    if (same && !options_.rehash) {
      Classified c;
      c.log = *known;
      classified_.insert(f.path, c);
    } else {
      toExamine.push_back(&f);
    }
  }
  const QString examining = QStringLiteral("Looking at new and changed files");
  std::vector<LogFileRecord> logRows;
  const bool firstDone = Workers<Classified>::run(
      int(toExamine.size()), options_.jobs,
      [&] { return [&](int i) { return classify(*toExamine[std::size_t(i)]); }; },
      [&](std::vector<Classified>&& got) {
        for (Classified& c : got) {
          logRows.push_back(c.log);
          classified_.insert(c.log.path, std::move(c));
        }
      },
      [&](int done) { return report(done, int(toExamine.size()), examining); });
  // Known files that came back from missing are written as present again.
  for (Classified& c : classified_)
    if (!c.read && c.log.missing) {
      c.log.missing = false;
      c.log.scannedAt = now_;
      logRows.push_back(c.log);
    }
  reg_.write({}, std::move(logRows));
  if (!firstDone) {
    summary_.cancelled = true;
    return summary_;
  }

  std::vector<const WalkedFile*> batches;
  for (const WalkedFile& f : walk_.files) {
    const auto it = classified_.find(f.path);
    if (it == classified_.end()) continue;
    Classified& c = *it;
    if (c.log.kind == LogKind::DataHistory) batches.push_back(&f);
    if (c.log.kind != LogKind::AuditTrail && c.log.kind != LogKind::AlarmHistory) continue;
    ++summary_.otherLogs;
    SpanFile span{f.path, c.log.first, c.log.last};
    if (c.log.kind == LogKind::AuditTrail) {
      audits_[folderOf(f.path)].push_back(span);
    } else {
      alarms_[folderOf(f.path)].push_back(span);
      if (c.read) {
        alarmsRead_.insert(f.path);
        if (c.alarmTimes) alarmCache_.insert(f.path, c.alarmTimes);
      }
    }
  }
  summary_.batches = int(batches.size());

  // Second pass: every batch of the trees.
  const QString reading = QStringLiteral("Reading batches");
  const bool secondDone = Workers<ScannedBatch>::run(
      int(batches.size()), options_.jobs,
      [&] {
        auto sigLog = std::make_shared<VxLog>();
        return [this, &batches, sigLog](int i) {
          const WalkedFile& f = *batches[std::size_t(i)];
          return batchOf(f, classified_.value(f.path), *sigLog);
        };
      },
      [&](std::vector<ScannedBatch>&& got) {
        std::vector<BatchRecord> rows;
        for (ScannedBatch& b : got) {
          const BatchRecord& r = b.record;
          const BatchRecord* stored = nullptr;
          if (auto it = storedBatches_.constFind(r.path); it != storedBatches_.constEnd())
            stored = &*it;
          if (!stored)
            ++summary_.added;
          else if (options_.rehash || stored->size != r.size || stored->mtimeMs != r.mtimeMs)
            ++summary_.reread;
          if (b.contentChanged) {
            ++summary_.changed;
            tell(QStringLiteral("changed though its size and time did not: ") + r.path);
          }
          if (!r.error.isEmpty()) {
            ++summary_.unreadable;
            summary_.problems << r.path + QStringLiteral(": ") + r.error;
            tell(QStringLiteral("cannot read ") + r.path + QStringLiteral(": ") + r.error);
          }
          rows.push_back(std::move(b.record));
        }
        reg_.write(std::move(rows), {});
      },
      [&](int done) { return report(done, int(batches.size()), reading); });
  if (!secondDone) {
    summary_.cancelled = true;
    return summary_;
  }

  // Gone: rows of these trees whose file was not met, unless their folder
  // could not be listed (then they may only be out of reach).
  QStringList gone;
  auto unlisted = [&](const QString& path) {
    for (const QString& folder : walk_.unreadableFolders)
      if (path.startsWith(folder + u'/')) return true;
    return false;
  };
  auto check = [&](const QString& path, bool missing) {
    if (!missing && !walked_.contains(path) && !unlisted(path) && !QFileInfo::exists(path))
      gone << path;
  };
  for (const BatchRecord& r : std::as_const(storedBatches_)) check(r.path, r.missing);
  for (const LogFileRecord& r : std::as_const(storedLogs_))
    if (!storedBatches_.contains(r.path)) check(r.path, r.missing);
  reg_.markMissing(gone, now_);
  for (const QString& p : gone)
    if (storedBatches_.contains(p)) ++summary_.missing;
  report(summary_.batches, summary_.batches, reading);
  return summary_;
}

}  // namespace

ScanSummary scanTrees(Register& reg, const ScanOptions& options,
                      const std::function<bool(const ScanProgress&)>& progress,
                      const std::function<void(const QString&)>& note) {
  Scan scan(reg, options, progress, note);
  return scan.run();
}

}  // namespace tarvex
