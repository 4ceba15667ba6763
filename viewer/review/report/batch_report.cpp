#include "review/report/batch_report.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <future>
#include <memory>
#include <new>

#include "logfiles/companions.h"
#include "logfiles/logtable.h"
#include "logfiles/readers.h"
#include "record/batch_files.h"
#include "record/note_anchor.h"
#include "record/record_file.h"
#include "record/record_verify.h"
#include "review/report/report_pages.h"
#include "review/report/report_trend.h"
#include "review/review_texts.h"
#include "review/row_filter.h"
#include "review/time_bound.h"
#include "shell/filenames.h"
#include "shell/headless_ui.h"
#include "shell/readfiles.h"
#include "shell/runtime_error.h"
#include "shell/writefiles.h"
#include "signatures/verify.h"
#include "signatures/vxlog.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/trend_commands.h"

namespace tarvex {

namespace {

RuntimeError usage(const QString& message) { return RuntimeError(err::InvalidCall, message); }

std::optional<double> boundOf(const QString& text, const QString& whole) {
  if (text.trimmed().isEmpty()) return std::nullopt;
  bool ok = false;
  const double v = QLocale::c().toDouble(text.trimmed(), &ok);
  if (!ok || !std::isfinite(v))
    throw usage(QStringLiteral("--limit %1: %2 is no number").arg(whole, text));
  return v;
}

// The login name of the user running the program.
QString loginName() {
  if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name)
    return QString::fromLocal8Bit(pw->pw_name);
  return qEnvironmentVariable("USER");
}

// The SHA-256 of a regular file, read in parts; throws as openRegularFile.
QString sha256Of(const QString& path, const std::function<bool()>& keepGoing) {
  QFile file;
  openRegularFile(file, path);
  QCryptographicHash hash(QCryptographicHash::Sha256);
  QByteArray part(1 << 20, Qt::Uninitialized);
  for (;;) {
    const qint64 n = file.read(part.data(), part.size());
    if (n < 0) throw RuntimeError(err::PathFileAccess, file.errorString());
    if (n == 0) break;
    hash.addData(QByteArrayView(part.constData(), n));
    if (keepGoing && !keepGoing()) throw RuntimeError(err::Cancel);
  }
  return QString::fromLatin1(hash.result().toHex());
}

// What went wrong with a file, in words: the error's description, else
// its standard text.
QString reasonOf(const RuntimeError& e) {
  QString d = e.description().isEmpty() ? errorDescription(e.number()) : e.description();
  return QStringLiteral("Error %1 = %2").arg(e.number()).arg(d);
}

}  // namespace

ReportLimit parseReportLimit(const QString& text) {
  const qsizetype high = text.lastIndexOf(u':');
  const qsizetype low = high > 0 ? text.lastIndexOf(u':', high - 1) : -1;
  if (low <= 0) throw usage(QStringLiteral("--limit needs COL:LOW:HIGH, not ") + text);
  ReportLimit limit;
  limit.column = text.left(low);
  limit.limits.low = boundOf(text.mid(low + 1, high - low - 1), text);
  limit.limits.high = boundOf(text.mid(high + 1), text);
  if (!limit.limits.isSet()) throw usage(QStringLiteral("--limit %1 gives no bound").arg(text));
  if (limit.limits.low && limit.limits.high && *limit.limits.low > *limit.limits.high)
    throw usage(QStringLiteral("--limit %1: the low bound lies above the high one").arg(text));
  return limit;
}

QString recordVerdictText(const ReportOutcome& outcome) {
  if (!outcome.recordExists) return QStringLiteral("no review record");
  switch (outcome.recordState) {
    case ReviewState::None:
      return QStringLiteral("review record intact, not signed");
    case ReviewState::Reviewed:
      return QStringLiteral("review record intact, reviewed, approval pending");
    case ReviewState::Approved:
      return QStringLiteral("review record intact, approved");
    case ReviewState::Rejected:
      return QStringLiteral("review record intact, rejected");
    case ReviewState::Failed:
      return QStringLiteral("review record FAILED");
  }
  return {};
}

QString proposedReportName(const QString& dataFile) {
  return baseName(dataFile) + QStringLiteral(" Review Report.pdf");
}

namespace {

// The window the request asks for, read in the data file's date order.
TimeWindow windowOf(const ReportRequest& request, DateOrder order) {
  TimeWindow window = request.window;
  auto bound = [&](const char* option, const QString& text, bool upper) {
    try {
      return parseTimeBound(text, order, upper);
    } catch (const RuntimeError& e) {
      throw RuntimeError(e.number(),
                         QString::fromLatin1(option) + QStringLiteral(": ") + e.description());
    }
  };
  if (request.fromText) window.from = bound("--from", *request.fromText, false);
  if (request.toText) window.to = bound("--to", *request.toText, true);
  try {
    checkTimeWindow(window);
  } catch (const RuntimeError& e) {
    throw RuntimeError(e.number(), QStringLiteral("From %1 lies after To %2")
                                       .arg(formatTimeBound(*window.from, order),
                                            formatTimeBound(*window.to, order)));
  }
  return window;
}

// The facts of one file the report uses.
FileFacts factsOf(const QString& role, const QString& path, bool given,
                  const std::function<bool()>& keepGoing) {
  FileFacts f;
  f.role = role;
  f.path = path;
  if (!given) {
    f.state = QStringLiteral("not given");
    return f;
  }
  f.name = QFileInfo(path).fileName();
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
    f.state = QStringLiteral("not present");
    return f;
  }
  try {
    f.sha256 = sha256Of(path, keepGoing);
    const QFileInfo info(path);
    f.size = info.size();
    f.modified = info.lastModified();
    f.present = true;
  } catch (const RuntimeError& e) {
    if (e.number() == err::Cancel) throw;
    f.state = reasonOf(e);
  }
  return f;
}

// Whether a file is there to be read: facts without size, time or digest.
FileFacts presenceOf(const QString& path, bool given) {
  FileFacts f;
  f.path = path;
  if (!given) {
    f.state = QStringLiteral("not given");
    return f;
  }
  f.name = QFileInfo(path).fileName();
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0)
    f.state = QStringLiteral("not present");
  else if (!S_ISREG(st.st_mode))
    f.state = reasonOf(notRegularFile(path, st.st_mode));
  else
    f.present = true;
  return f;
}

// The signature file of `logFile` and its records checked against it.
SignatureCheck checkSignatures(SignedFile kind, const QString& logFile, const FileFacts& logFacts,
                               const FileFacts& sigFacts, VxLog& sigLog,
                               const std::function<bool(int)>& progress) {
  SignatureCheck check;
  check.kind = kind;
  check.logFile = logFile;
  check.sigFile = sigFacts.path;
  check.table = std::make_unique<LogTable>();
  setCompanionLayout(*check.table, kind == SignedFile::DataFile ? CompanionKind::DataSignatures
                                                                : CompanionKind::AuditSignatures);
  if (!sigFacts.present) {
    check.state = sigFacts.state;
    return check;
  }
  try {
    readCompanionRows(*check.table, sigFacts.path, sigLog, {}, &check.damaged);
  } catch (const RuntimeError& e) {
    check.state = reasonOf(e);
    check.readable = false;
    return check;
  }
  check.readable = true;
  if (!logFacts.present) {
    check.digestProblem = logFacts.state;
  } else {
    try {
      const VerifyRecordsResult result = verifyRecords(*check.table, logFile, sigLog, progress);
      if (result.cancelled) throw RuntimeError(err::Cancel);
      check.checks = result.checks;
    } catch (const RuntimeError& e) {
      if (e.number() == err::Cancel) throw;
      check.digestProblem = reasonOf(e);
    }
  }
  if (!check.digestProblem.isEmpty()) {
    // No digest: no record can be confirmed.
    for (int r = 1; r <= check.table->lastRow(); ++r) {
      bool blank = true;
      for (int c = 0; c <= check.table->lastCol() && blank; ++c)
        blank = check.table->isCellEmpty(c, r);
      if (!blank) check.checks.push_back({r, false});
    }
  }
  return check;
}

// A companion or log table of sections 5-7: read, and the rows of the window.
void loadSection(EventSection& s, ReportTableKind kind, const FileFacts& facts, VxLog& sigLog,
                 std::optional<DateOrder> order, std::optional<DateReading> logReading,
                 const TimeWindow& window) {
  s.table = std::make_unique<LogTable>();
  s.facts = facts;
  if (!facts.present) return;
  try {
    loadReportTable(*s.table, kind, facts.path, sigLog, order, logReading);
  } catch (const RuntimeError& e) {
    s.problem = reasonOf(e);
    return;
  }
  s.loaded = true;
  RowFilter filter(*s.table,
                   timeColumnsOf(kind == ReportTableKind::Alarm   ? ReviewTable::Alarms
                                 : kind == ReportTableKind::Audit ? ReviewTable::AuditTrail
                                                                  : ReviewTable::OperatorEvents));
  filter.setWindow(window);
  s.rows = filter.shownTableRows();
  s.unreadable = filter.unreadableShown();
}

}  // namespace

void loadReportTable(LogTable& table, ReportTableKind kind, const QString& path, VxLog& sigLog,
                     std::optional<DateOrder> order, std::optional<DateReading> logReading) {
  switch (kind) {
    case ReportTableKind::Audit:
      loadAuditData(table, path, order);
      return;
    case ReportTableKind::Alarm:
      loadAlarmData(table, path, QLocale(), order);
      return;
    case ReportTableKind::Events:
      setCompanionLayout(table, CompanionKind::OperatorEvents);
      readCompanionRows(table, path, sigLog);
      applyDateOrder(table, 0, order, logReading);
      return;
  }
}

ReportOutcome writeBatchReport(const ReportRequest& request, VxLog& sigLog,
                               const ReportProgress& progress) {
  auto step = [&](int percent, const QString& text) {
    if (progress && !progress(percent, text)) throw RuntimeError(err::Cancel);
  };

  // The data file first: a pipe or a device is refused before anything is
  // read or written.
  if (request.dataFile.isEmpty()) throw RuntimeError(err::BadFileNameOrNumber);
  {
    QFile probe;
    openRegularFile(probe, request.dataFile);
  }
  if (request.output.isEmpty()) throw usage(QStringLiteral("No output file given"));
  const QString dataSig = companionFileName(request.dataFile, CompanionKind::DataSignatures);
  const QString dataEvt = companionFileName(request.dataFile, CompanionKind::OperatorEvents);
  const QString auditSig =
      request.auditFile.isEmpty()
          ? QString()
          : companionFileName(request.auditFile, CompanionKind::AuditSignatures);
  const QStringList inputs{request.dataFile,  dataSig,  dataEvt,
                           request.auditFile, auditSig, request.alarmFile};
  for (const QString& in : inputs)
    if (!in.isEmpty() &&
        (sameFile(request.output, in) ||
         QFileInfo(request.output).absoluteFilePath() == QFileInfo(in).absoluteFilePath()))
      throw RuntimeError(err::PermissionDenied,
                         QStringLiteral("The report would replace %1, which it reads").arg(in));
  checkOutputTarget(request.output);
  // Who may sign the review record: a reviewers file named but missing is
  // refused before the work.
  const ReviewersFile reviewers = readReviewersFile(request.record.reviewersFile);
  if (!QFileInfo(request.output).absoluteDir().exists())
    throw RuntimeError(err::PathNotFound, QStringLiteral("No folder for %1").arg(request.output));

  // The files' sizes, times and SHA-256, on a thread of their own while
  // the data file is read and its signatures checked. Leaving early stops
  // it (the stop is set before the future waits).
  const bool audit = !request.auditFile.isEmpty();
  std::atomic<bool> stopHashing{false};
  std::future<std::vector<FileFacts>> hashing =
      std::async(std::launch::async, [&, dataSig, dataEvt, auditSig] {
        auto keepGoing = [&] { return !stopHashing.load(); };
        std::vector<FileFacts> f;
        f.push_back(factsOf(QStringLiteral("Data file"), request.dataFile, true, keepGoing));
        f.push_back(factsOf(QStringLiteral("Data signatures"), dataSig, true, keepGoing));
        f.push_back(factsOf(QStringLiteral("Operator events"), dataEvt, true, keepGoing));
        f.push_back(factsOf(QStringLiteral("Audit trail"), request.auditFile, audit, keepGoing));
        f.push_back(factsOf(QStringLiteral("Audit signatures"), auditSig, audit, keepGoing));
        f.push_back(factsOf(QStringLiteral("Alarm history"), request.alarmFile,
                            !request.alarmFile.isEmpty(), keepGoing));
        return f;
      });
  struct Stop {
    std::atomic<bool>& flag;
    ~Stop() { flag = true; }
  } stop{stopHashing};

  ReportData data;
  data.request = &request;
  data.madeAt = request.madeAt.isValid() ? request.madeAt : QDateTime::currentDateTime();
  data.madeBy = request.madeBy.isEmpty() ? loginName() : request.madeBy;

  // The data table, the channels, the limits and the window: every fault of
  // the request shows before the long work.
  step(0, QStringLiteral("Reading the data file"));
  data.vaGrid = std::make_unique<LogTable>();
  loadHistData(*data.vaGrid, request.dataFile, QLocale(), request.dateOrder);
  const LogTable& vaGrid = *data.vaGrid;
  data.order = vaGrid.dateReading() ? vaGrid.dateReading()->order : localeDateOrder();
  if (request.columns.isEmpty()) {
    for (int c = firstDataColumn(vaGrid); c <= vaGrid.lastCol(); ++c) data.channels.push_back(c);
  } else {
    for (const QString& c : request.columns) {
      const int col = channelColumnOf(vaGrid, c);
      if (std::find(data.channels.begin(), data.channels.end(), col) == data.channels.end())
        data.channels.push_back(col);
    }
  }
  if (data.channels.empty())
    throw RuntimeError(err::SubscriptOutOfRange, QStringLiteral("The data file has no channels"));
  data.limits.assign(data.channels.size(), ChannelLimits{});
  for (const ReportLimit& limit : request.limits) {
    const int col = channelColumnOf(vaGrid, limit.column);
    const auto at = std::find(data.channels.begin(), data.channels.end(), col);
    if (at == data.channels.end())
      throw usage(QStringLiteral("--limit on column %1, which is not reported").arg(limit.column));
    data.limits[std::size_t(at - data.channels.begin())] = limit.limits;
  }
  data.window = windowOf(request, data.order);

  // The signatures, each file's digest computed once.
  step(5, QStringLiteral("Verifying the signatures"));
  const FileFacts dataFacts = presenceOf(request.dataFile, true);
  const FileFacts auditFacts = presenceOf(request.auditFile, audit);
  data.signatures.push_back(
      checkSignatures(SignedFile::DataFile, request.dataFile, dataFacts, presenceOf(dataSig, true),
                      sigLog, [&](int p) { return !progress || progress(15 + p / 7, QString()); }));
  if (audit)
    data.signatures.push_back(checkSignatures(
        SignedFile::AuditTrail, request.auditFile, auditFacts, presenceOf(auditSig, true), sigLog,
        [&](int p) { return !progress || progress(30 + p / 20, QString()); }));

  // The rows of the window.
  step(35, QStringLiteral("Reading the window's rows"));
  {
    RowFilter filter(vaGrid, TimeColumns{});
    filter.setWindow(data.window);
    const std::vector<int> rows = filter.shownTableRows();
    data.dataRowsTotal = vaGrid.lastRow();
    data.dataRowsShown = int(rows.size());
    if (!rows.empty()) {
      data.firstRow = rows.front();
      data.lastRow = rows.back();
    }
    data.unreadableDataRows = filter.unreadableShown();
  }

  // The trend and the statistics: the viewer's builder, one page of
  // channels at a time.
  buildTrends(data, [&](int done, int total) {
    return !progress || progress(40 + 35 * done / std::max(1, total), QString());
  });
  step(73, QStringLiteral("Computing the files' SHA-256"));
  data.files = hashing.get();
  data.reportId = data.files[0].sha256.left(12);
  // What the signature files held that could not be read goes on the cover.
  for (const SignatureCheck& s : data.signatures) {
    FileFacts& f = data.files[s.kind == SignedFile::DataFile ? 1 : 4];
    if (f.present && !s.readable) f.problem = s.state;
    if (!s.damaged.empty())
      f.problem = QStringLiteral("%1 damaged %2 (first: line %3)")
                      .arg(groupedNumber(qint64(s.damaged.size())),
                           s.damaged.size() == 1 ? QStringLiteral("line") : QStringLiteral("lines"))
                      .arg(s.damaged.front().line);
  }
  step(75, QStringLiteral("Reading alarms, events and audit trail"));
  data.alarms.title = QStringLiteral("Alarms");
  data.events.title = QStringLiteral("Operator events");
  data.auditTrail.title = QStringLiteral("Audit trail entries");
  loadSection(data.alarms, ReportTableKind::Alarm, data.files[5], sigLog, request.dateOrder,
              std::nullopt, data.window);
  loadSection(data.events, ReportTableKind::Events, data.files[2], sigLog, request.dateOrder,
              vaGrid.dateReading(), data.window);
  loadSection(data.auditTrail, ReportTableKind::Audit, data.files[3], sigLog, request.dateOrder,
              std::nullopt, data.window);

  data.files[5].problem = data.alarms.problem;
  data.files[2].problem = data.events.problem;
  data.files[3].problem = data.auditTrail.problem;

  // The review record, verified against the files as hashed above; its
  // notes mark the trend pages.
  step(78, QStringLiteral("Verifying the review record"));
  ReportOutcome outcome;
  {
    RecordTarget target;
    target.batch = {request.dataFile, request.auditFile, request.alarmFile};
    target.reviewDir = request.record.reviewDir;
    target.dataSha256 = data.files[0].sha256;
    try {
      data.record = verifyRecord(target, reviewers);
    } catch (const RuntimeError& e) {
      data.record = VerifiedRecord{};
      data.record.exists = true;
      data.record.recordPath = recordPathFor(request.dataFile, request.record.reviewDir);
      data.record.problems << e.description();
    }
    outcome.recordExists = data.record.exists;
    outcome.recordState = data.record.exists ? data.record.state() : ReviewState::None;
    outcome.recordProblems = data.record.problems;
    std::vector<TrendMarker> markers;
    for (const EntryResult& res : data.record.entries)
      if (res.entry && res.entry->kind == EntryKind::Note)
        if (const auto s = secondsOfIso(res.entry->anchor.time))
          markers.push_back({double(*s) / 86400.0, res.entry->text});
    for (TrendPage& page : data.trends)
      if (page.plot) page.plot->setMarkers(markers);
  }

  // The verdict.
  outcome.reportId = data.reportId;
  for (const SignatureCheck& s : data.signatures) {
    outcome.signatures += int(s.checks.size() + s.damaged.size());
    outcome.failed += int(s.damaged.size());
    for (const RecordCheck& c : s.checks) outcome.failed += c.confirmed ? 0 : 1;
    const QString what = s.kind == SignedFile::DataFile ? QStringLiteral("Data file")
                                                        : QStringLiteral("Audit trail");
    const QString name = QFileInfo(s.logFile).fileName();
    if (!s.state.isEmpty() && s.state != QStringLiteral("not present"))
      outcome.problems << QStringLiteral("Signature file %1 cannot be read: %2")
                              .arg(QFileInfo(s.sigFile).fileName(), s.state);
    else if (s.checks.empty() && s.damaged.empty())
      outcome.problems << QStringLiteral("%1 %2 is unsigned").arg(what, name);
  }
  if (outcome.failed > 0)
    outcome.verdict = QStringLiteral("%1 of %2 signatures FAILED")
                          .arg(groupedNumber(outcome.failed), groupedNumber(outcome.signatures));
  else if (outcome.signatures > 0)
    outcome.verdict =
        QStringLiteral("All %1 signatures confirmed").arg(groupedNumber(outcome.signatures));
  else
    outcome.verdict = QStringLiteral("No signatures");
  // A batch without a record keeps the verdict it always had.
  if (outcome.recordExists) outcome.verdict += QStringLiteral("; ") + recordVerdictText(outcome);
  data.outcome = &outcome;

  // The pages, into memory; the file is written whole at the end.
  step(80, QStringLiteral("Writing the pages"));
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  outcome.pages = drawReport(data, buffer, [&](int done, int total) {
    return !progress || progress(80 + 19 * done / std::max(1, total), QString());
  });
  buffer.close();
  step(99, QStringLiteral("Saving the report"));
  writeWholeFile(request.output, buffer.data());
  step(100, QString());
  return outcome;
}

}  // namespace tarvex
