// tarvex: the viewer's readers, verification and exports without windows,
// for batch work and scripts.
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>

#include "cli/batches_command.h"
#include "cli/compare_command.h"
#include "cli/plot_command.h"
#include "cli/review_command.h"
#include "cli/sample.h"
#include "cli/tables.h"
#include "logfiles/companions.h"
#include "logfiles/logtable.h"
#include "review/report/batch_report.h"
#include "review/review_texts.h"
#include "review/row_filter.h"
#include "review/text_match.h"
#include "review/time_bound.h"
#include "shell/runtime_error.h"
#include "shell/runtime_folder.h"
#include "signatures/verify.h"
#include "signatures/vxlog.h"

namespace tarvex {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // verify: a signature did not verify
constexpr int kExitError = 2;   // usage or file error

const char kUsage[] =
    "Usage:\n"
    "  tarvex show FILE [--kind data|audit|alarm|sig|evt] [--all-columns] [FILTER]\n"
    "      Print the table the viewer shows for FILE as CSV (row 0 with the titles and\n"
    "      column 0 included; hidden columns only with --all-columns).\n"
    "  tarvex verify FILE [--row N]\n"
    "      Verify the signatures of FILE (a data history or audit trail) recorded in its\n"
    "      .sig companion: one line per record, tab-separated: row, date, time, user,\n"
    "      comment, confirmed or failed. Exit 0 when every checked record is confirmed,\n"
    "      1 when one failed or there is none, 2 on a usage or file error.\n"
    "  tarvex decrypt FILE\n"
    "      Print the deciphered lines of a .sig or .evt file.\n"
    "  tarvex export FILE [--kind data|audit|alarm|evt] -o OUT [FILTER]\n"
    "      Write the table of FILE to OUT as the viewer's export does.\n"
    "  tarvex sample DIR [--rows N]\n"
    "      Write a sample set of log files into DIR (default 720 data rows).\n"
    "  tarvex plot FILE --columns N[,N...] [--rows A:B] -o OUT [--size WxH] [--no-legend]\n"
    "              [--reference REF [--align start|end|time] [--offset +-H:MM:SS]\n"
    "              [--differences]]\n"
    "      Draw the trend of the data file's columns (numbers as `show` prints them,\n"
    "      channels from 2 on, or column titles) over data rows A to B (1-based,\n"
    "      inclusive; default all) as the viewer does, and write it to OUT: .png, .jpg,\n"
    "      .pdf or .svg by the extension (default size 1600x900). A legend under the\n"
    "      plot names each channel in its colour; --no-legend leaves it out. No display\n"
    "      needed.\n"
    "      --reference REF overlays the batch REF (channels matched by title, dashed),\n"
    "      laid by --align and --offset as for compare; --differences adds current -\n"
    "      reference per channel.\n"
    "  tarvex compare CURRENT REFERENCE --columns N[,N...] [--align start|end|time]\n"
    "                 [--offset +-H:MM:SS] [--band X] [--from DATETIME] [--to DATETIME]\n"
    "                 [--date-order mdy|dmy|ymd]\n"
    "      Compare the channels of CURRENT (numbers or titles, as for plot) with the\n"
    "      channels of the same titles in REFERENCE, interpolated at CURRENT's times\n"
    "      after aligning the first rows (start, the default), the last rows (end) or\n"
    "      the clock (time), plus the offset (positive = reference later). One line per\n"
    "      channel, tab-separated: title, points compared, max |d|, its time, mean d,\n"
    "      RMS d and, with --band, the percentage of points with |d| > X (d = current -\n"
    "      reference). --from/--to (as for show, in CURRENT's date order) limit\n"
    "      CURRENT's points.\n"
    "  tarvex report DATAFILE -o OUT.pdf [--audit FILE] [--alarms FILE] [--from T] [--to T]\n"
    "                [--columns N[,N...]] [--limit COL:LOW:HIGH]... [--reviewer NAME]\n"
    "                [--reviewers FILE] [--review-dir DIR] [--date-order mdy|dmy|ymd]\n"
    "      Write the batch review report: the files used with their SHA-256, the\n"
    "      signatures of the data file and the audit trail with their results, the\n"
    "      trend and statistics of the channels (numbers or titles as for plot;\n"
    "      default every channel) over the window, limit excursions (either bound\n"
    "      may be empty), and the alarms, operator events and audit trail entries of\n"
    "      the window, and the batch's review record (found and verified as the\n"
    "      review commands do, --reviewers and --review-dir as there): its notes,\n"
    "      every sign-off on the cover and in its own section. The data file's .sig\n"
    "      and .evt are taken from beside it, the audit trail's .sig from beside it.\n"
    "      Exit 0 when every signature record is confirmed and the review record (if\n"
    "      any) holds, 1 when a signature or the record failed or the data file or\n"
    "      the given audit trail is unsigned, 2 on a usage or file error.\n"
    "The kind is taken from the extension when --kind is omitted: .csv data, .aud audit,\n"
    ".sig sig, .evt evt.\n"
    "FILTER keeps the rows the viewer's review window and search field keep (row 0 always):\n"
    "  --from DATETIME --to DATETIME   rows whose date and time lie in [from, to]; either\n"
    "      may be left out. DATETIME is a date in the file's date order or YYYY-MM-DD,\n"
    "      with an optional time (h:mm[:ss], 24-hour or AM/PM): \"3/14/2007 6:00\",\n"
    "      \"2007-03-14 06:00:00\". A date alone is 00:00:00 for --from, 23:59:59 for --to.\n"
    "      Rows whose date or time does not read are kept; their count goes to stderr.\n"
    "  --grep TEXT   rows holding TEXT in a shown column, letter case aside, cells as shown.\n"
    "--date-order mdy|dmy|ymd (show, export, plot) reads the dates in that order instead\n"
    "of the order the file's own dates decide.\n";

// The usage text, the register's commands last.
QString usageText() {
  return QString::fromLatin1(kUsage) + QString::fromLatin1(kReviewUsage) +
         QStringLiteral("The batch register:\n") + QString::fromLatin1(kBatchesUsage);
}

class UsageError {
 public:
  explicit UsageError(QString message) : message(std::move(message)) {}
  QString message;
};

// Input the command cannot use (a bound that is no date, From after To):
// a plain message, no usage text.
class InputError {
 public:
  explicit InputError(QString message) : message(std::move(message)) {}
  QString message;
};

void out(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
}

void err(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
}

// Command-line arguments after the command: positional ones and --options.
struct Args {
  QStringList positional;
  QString kind;
  QString output;
  std::optional<int> row;
  QString rows;  // --rows: a count (sample) or A:B (plot)
  QString columns;
  QString size;
  bool allColumns = false;
  QString reference;  // plot --reference
  QString align;
  QString offset;
  QString band;
  bool differences = false;
  std::optional<QString> from;
  std::optional<QString> to;
  QString grep;
  std::optional<DateOrder> dateOrder;
  bool noLegend = false;
  QString audit;  // report
  QString alarms;
  QStringList limits;
  std::optional<QString> reviewer;
  QString reviewersFile;  // report: the review record's reviewers file
  QString reviewDir;      // report: where the record is kept
};

int toCount(const QString& option, const QString& text) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < 0) throw UsageError(option + QStringLiteral(" needs a number, not ") + text);
  return value;
}

Args parseArgs(const QStringList& list) {
  Args args;
  for (qsizetype i = 0; i < list.size(); ++i) {
    const QString& a = list[i];
    auto value = [&]() -> QString {
      if (i + 1 >= list.size()) throw UsageError(a + QStringLiteral(" needs a value"));
      return list[++i];
    };
    if (a == u"--kind")
      args.kind = value();
    else if (a == u"-o" || a == u"--output")
      args.output = value();
    else if (a == u"--row")
      args.row = toCount(a, value());
    else if (a == u"--rows")
      args.rows = value();
    else if (a == u"--columns")
      args.columns = value();
    else if (a == u"--size")
      args.size = value();
    else if (a == u"--all-columns")
      args.allColumns = true;
    else if (a == u"--reference")
      args.reference = value();
    else if (a == u"--align")
      args.align = value();
    else if (a == u"--offset")
      args.offset = value();
    else if (a == u"--band")
      args.band = value();
    else if (a == u"--from")
      args.from = value();
    else if (a == u"--to")
      args.to = value();
    else if (a == u"--differences")
      args.differences = true;
    else if (a == u"--grep")
      args.grep = value();
    else if (a == u"--date-order") {
      const QString name = value();
      args.dateOrder = dateOrderFromName(name);
      if (!args.dateOrder)
        throw UsageError(QStringLiteral("--date-order needs mdy, dmy or ymd, not ") + name);
    } else if (a == u"--audit")
      args.audit = value();
    else if (a == u"--alarms")
      args.alarms = value();
    else if (a == u"--limit")
      args.limits << value();
    else if (a == u"--reviewer")
      args.reviewer = value();
    else if (a == u"--reviewers")
      args.reviewersFile = value();
    else if (a == u"--review-dir")
      args.reviewDir = value();
    else if (a == u"--no-legend")
      args.noLegend = true;
    else if (a.startsWith(u'-') && a.size() > 1)
      throw UsageError(QStringLiteral("unknown option ") + a);
    else
      args.positional << a;
  }
  return args;
}

QString onePositional(const Args& args, const char* what) {
  if (args.positional.size() != 1)
    throw UsageError(QStringLiteral("expected one ") + QString::fromLatin1(what));
  return args.positional.front();
}

TableKind kindOf(const Args& args, const QString& file) {
  if (!args.kind.isEmpty()) {
    if (const auto k = tableKindFromName(args.kind)) return *k;
    throw UsageError(QStringLiteral("unknown kind ") + args.kind);
  }
  if (const auto k = tableKindFromExtension(file)) return *k;
  throw UsageError(QStringLiteral("cannot tell the kind of ") + file +
                   QStringLiteral(" from its extension; give --kind"));
}

// The rows --from, --to and --grep keep, through the viewer's filter;
// empty without them (every row). The count of kept rows whose time does
// not read goes to stderr.
std::optional<std::vector<int>> filteredRows(const QString& command, const Args& args,
                                             const LogTable& table, TableKind kind) {
  if (!args.from && !args.to && args.grep.isEmpty()) return std::nullopt;
  const DateOrder order = table.dateReading() ? table.dateReading()->order : localeDateOrder();
  TimeWindow window;
  auto bound = [&](const char* option, const QString& text, bool upper) {
    try {
      return parseTimeBound(text, order, upper);
    } catch (const RuntimeError& e) {
      throw InputError(QString::fromLatin1(option) + QStringLiteral(": ") + e.description());
    }
  };
  if (args.from) window.from = bound("--from", *args.from, false);
  if (args.to) window.to = bound("--to", *args.to, true);
  try {
    checkTimeWindow(window);
  } catch (const RuntimeError&) {
    throw InputError(QStringLiteral("--from ") + *args.from + QStringLiteral(" lies after --to ") +
                     *args.to);
  }
  RowFilter filter(table, timeColumnsOf(reviewTableOf(kind)));
  filter.setWindow(window);
  if (!args.grep.isEmpty()) filter.setTextMatches(args.grep, matchRows(table, args.grep));
  if (window.isSet()) {
    const int n = filter.unreadableShown();
    err(QStringLiteral("tarvex ") + command + QStringLiteral(": ") + groupedNumber(n) +
        (n == 1 ? QStringLiteral(" row") : QStringLiteral(" rows")) +
        QStringLiteral(" without a readable date or time kept\n"));
  }
  return filter.shownTableRows();
}

int cmdShow(const Args& args) {
  const QString file = onePositional(args, "FILE");
  VxLog sigLog;
  LogTable table;
  const TableKind kind = kindOf(args, file);
  loadTable(table, kind, file, sigLog, args.dateOrder);
  const std::optional<std::vector<int>> rows =
      filteredRows(QStringLiteral("show"), args, table, kind);
  // The export's one pass over each row, as UTF-8 with LF line ends,
  // written a megabyte at a time.
  std::fflush(stdout);
  QFile console;
  if (!console.open(stdout, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
    throw RuntimeError(err::PathFileAccess);
  LogTable::WriteOptions options;
  options.lineEnd = "\n";
  options.utf8 = true;
  options.hiddenColumns = args.allColumns;
  if (rows) options.rows = &*rows;
  table.writeDelimitedText(console, options);
  console.flush();
  return kExitOk;
}

int cmdVerify(const Args& args) {
  const QString file = onePositional(args, "FILE");
  // Anything that exists goes on to the digest, which refuses what is no
  // regular file with its own report.
  if (!QFileInfo::exists(file))
    throw RuntimeError(err::FileNotFound, QStringLiteral("File not found: ") + file);
  const QString sigPath = companionFileName(file, CompanionKind::DataSignatures);
  if (!fileExists(sigPath))
    throw RuntimeError(err::FileNotFound, QStringLiteral("File not found: ") + sigPath +
                                              QStringLiteral(" (no signatures)"));
  VxLog sigLog;
  LogTable table;
  setCompanionLayout(table, CompanionKind::DataSignatures);
  readCompanionRows(table, sigPath, sigLog);
  if (args.row && (*args.row < 1 || *args.row > table.lastRow()))
    throw UsageError(QStringLiteral("no signature record in row ") + QString::number(*args.row));
  VerifyRecordsOptions options;
  if (args.row) {
    options.firstRow = options.lastRow = *args.row;
    options.skipBlankRows = false;
  }
  const VerifyRecordsResult result = verifyRecords(table, file, sigLog, {}, options);
  bool allConfirmed = true;
  const qsizetype checked = qsizetype(result.checks.size());
  QString text;
  for (const RecordCheck& check : result.checks) {
    allConfirmed = allConfirmed && check.confirmed;
    text += QString::number(check.row);
    for (int c = 0; c < kHashColumn; ++c) text += u'\t' + table.getCell(c, check.row);
    text += check.confirmed ? QStringLiteral("\tconfirmed\n") : QStringLiteral("\tfailed\n");
  }
  out(text);
  if (checked == 0) {
    err(QStringLiteral("tarvex verify: no signature records in ") + sigPath + u'\n');
    return kExitFailed;
  }
  return allConfirmed ? kExitOk : kExitFailed;
}

int cmdDecrypt(const Args& args) {
  const QString file = onePositional(args, "FILE");
  VxLog sigLog;
  forEachCompanionRecord(file, sigLog, [](qint64, const QString& plain) { out(plain + u'\n'); });
  return kExitOk;
}

int cmdExport(const Args& args) {
  const QString file = onePositional(args, "FILE");
  if (args.output.isEmpty()) throw UsageError(QStringLiteral("export needs -o OUT"));
  const TableKind kind = kindOf(args, file);
  if (kind == TableKind::Signatures)
    throw UsageError(QStringLiteral("signature tables are not exported"));
  VxLog sigLog;
  LogTable table;
  loadTable(table, kind, file, sigLog, args.dateOrder);
  const std::optional<std::vector<int>> rows =
      filteredRows(QStringLiteral("export"), args, table, kind);
  table.exportDelimitedText(args.output, rows ? &*rows : nullptr);
  return kExitOk;
}

int cmdSample(const Args& args) {
  const QString dir = onePositional(args, "DIR");
  VxLog sigLog;
  const int rows = args.rows.isEmpty() ? 720 : toCount(QStringLiteral("--rows"), args.rows);
  const SampleSet set = writeSampleSet(dir, rows, sigLog);
  for (const QString& f : set.files()) out(f + u'\n');
  return kExitOk;
}

Alignment alignmentOf(const Args& args) {
  Alignment a;
  if (!args.align.isEmpty()) {
    const auto mode = parseAlignMode(args.align);
    if (!mode || args.align.trimmed().toLower() == u"clock")
      throw UsageError(QStringLiteral("--align needs start, end or time, not ") + args.align);
    a.mode = *mode;
  }
  if (!args.offset.isEmpty()) {
    const auto offset = parseOffset(args.offset);
    if (!offset) throw UsageError(QStringLiteral("--offset needs +-H:MM:SS, not ") + args.offset);
    a.offset = *offset;
  }
  return a;
}

int cmdPlot(const Args& args) {
  PlotRequest request;
  request.file = onePositional(args, "FILE");
  if (args.columns.isEmpty()) throw UsageError(QStringLiteral("plot needs --columns N[,N...]"));
  if (args.output.isEmpty()) throw UsageError(QStringLiteral("plot needs -o OUT"));
  request.columns = args.columns.split(u',');
  request.output = args.output;
  request.dateOrder = args.dateOrder;
  request.legend = !args.noLegend;
  if (!args.rows.isEmpty()) {
    request.rows = parseRowRange(args.rows);
    if (!request.rows) throw UsageError(QStringLiteral("--rows needs A:B, not ") + args.rows);
  }
  if (!args.size.isEmpty()) {
    const auto size = parseSize(args.size);
    if (!size) throw UsageError(QStringLiteral("--size needs WxH, not ") + args.size);
    request.width = size->first;
    request.height = size->second;
  }
  QStringList notes;
  if (!args.reference.isEmpty()) {
    request.reference = args.reference;
    request.alignment = alignmentOf(args);
    request.differences = args.differences;
    request.notes = &notes;
  } else if (args.differences || !args.align.isEmpty() || !args.offset.isEmpty()) {
    throw UsageError(QStringLiteral("--align, --offset and --differences need --reference"));
  }
  plotToPicture(request);
  for (const QString& note : notes) err(QStringLiteral("tarvex plot: ") + note + u'\n');
  return kExitOk;
}

int cmdCompare(const Args& args) {
  if (args.positional.size() != 2)
    throw UsageError(QStringLiteral("expected CURRENT and REFERENCE"));
  if (args.columns.isEmpty()) throw UsageError(QStringLiteral("compare needs --columns N[,N...]"));
  CompareRequest request;
  request.current = args.positional[0];
  request.reference = args.positional[1];
  request.columns = args.columns.split(u',');
  request.options.alignment = alignmentOf(args);
  if (!args.band.isEmpty()) {
    bool ok = false;
    const double band = args.band.toDouble(&ok);
    if (!ok || !(band >= 0))
      throw UsageError(QStringLiteral("--band needs a number >= 0, not ") + args.band);
    request.options.band = band;
  }
  request.from = args.from;
  request.to = args.to;
  request.dateOrder = args.dateOrder;
  const CompareReport report = runCompare(request);
  QString text;
  for (const QString& line : report.lines) text += line + u'\n';
  out(text);
  for (const QString& note : report.notes) err(QStringLiteral("tarvex compare: ") + note + u'\n');
  return kExitOk;
}

int cmdReport(const Args& args) {
  ReportRequest request;
  request.dataFile = onePositional(args, "DATAFILE");
  if (args.output.isEmpty()) throw UsageError(QStringLiteral("report needs -o OUT.pdf"));
  request.output = args.output;
  request.auditFile = args.audit;
  request.alarmFile = args.alarms;
  request.fromText = args.from;
  request.toText = args.to;
  if (!args.columns.isEmpty()) request.columns = args.columns.split(u',');
  try {
    for (const QString& l : args.limits) request.limits.push_back(parseReportLimit(l));
  } catch (const RuntimeError& e) {
    throw InputError(e.description());
  }
  request.reviewer = args.reviewer.value_or(QString());
  request.dateOrder = args.dateOrder;
  request.record.reviewDir = args.reviewDir;
  request.record.reviewersFile = args.reviewersFile;
  VxLog sigLog;
  ReportOutcome outcome;
  try {
    outcome = writeBatchReport(request, sigLog);
  } catch (const RuntimeError& e) {
    // Faults of the request read as messages, not as error numbers.
    if (e.number() == err::InvalidCall || e.number() == err::SubscriptOutOfRange ||
        e.number() == err::TypeMismatch)
      throw InputError(e.description());
    throw;
  }
  QString text = outcome.verdict + u'\n';
  for (const QString& p : outcome.problems) text += p + u'\n';
  for (const QString& p : outcome.recordProblems) text += p + u'\n';
  text += QStringLiteral("%1 pages written to %2 (Report ID %3)\n")
              .arg(outcome.pages)
              .arg(request.output, outcome.reportId);
  out(text);
  return outcome.confirmed() ? kExitOk : kExitFailed;
}

int run(const QStringList& argv) {
  if (argv.size() < 2 || argv[1] == u"--help" || argv[1] == u"-h" || argv[1] == u"help") {
    (argv.size() < 2 ? err : out)(usageText());
    return argv.size() < 2 ? kExitError : kExitOk;
  }
  const QString command = argv[1];
  if (command == u"review") return runReviewCommand(argv.mid(2));
  if (command == u"reviewer") return runReviewerCommand(argv.mid(2));
  if (command == u"batches") return runBatchesCommand(argv.mid(2));
  try {
    const Args args = parseArgs(argv.mid(2));
    if (command == u"show") return cmdShow(args);
    if (command == u"verify") return cmdVerify(args);
    if (command == u"decrypt") return cmdDecrypt(args);
    if (command == u"export") return cmdExport(args);
    if (command == u"sample") return cmdSample(args);
    if (command == u"plot") return cmdPlot(args);
    if (command == u"compare") return cmdCompare(args);
    if (command == u"report") return cmdReport(args);
    throw UsageError(QStringLiteral("unknown command ") + command);
  } catch (const InputError& e) {
    err(QStringLiteral("tarvex ") + command + QStringLiteral(": ") + e.message + u'\n');
  } catch (const UsageError& e) {
    err(QStringLiteral("tarvex: ") + e.message + QStringLiteral("\n") + usageText());
  } catch (const RuntimeError& e) {
    err(QStringLiteral("tarvex ") + command + QStringLiteral(": Error ") +
        QString::number(e.number()) + QStringLiteral(" = ") + e.description() + u'\n');
  } catch (const std::bad_alloc&) {
    err(QStringLiteral("tarvex ") + command + QStringLiteral(": Error 7 = Out of memory\n"));
  }
  return kExitError;
}

// `code` once standard output is flushed: a command whose output could not
// be written whole (a full disk) has failed, whatever it found.
int flushedOutput(int code) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return code;
  err(QStringLiteral("tarvex: the output cannot be written: %1\n")
          .arg(QString::fromLocal8Bit(std::strerror(errno))));
  return code == kExitOk ? kExitError : code;
}

}  // namespace

// The command of argv run, its output flushed (see flushedOutput).
int runFlushed(const QStringList& argv) { return flushedOutput(run(argv)); }

}  // namespace tarvex

int main(int argc, char** argv) {
  // Without a session's runtime folder, a private one of our own: Qt then
  // has nothing to say about it on the terminal.
  tarvex::provideRuntimeFolder();
  // The trend is drawn by the viewer's plot widget, on the offscreen
  // platform: no display is needed.
  if (argc > 1 && (qstrcmp(argv[1], "plot") == 0 || qstrcmp(argv[1], "report") == 0)) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return tarvex::runFlushed(QCoreApplication::arguments());
  }
  QCoreApplication app(argc, argv);
  return tarvex::runFlushed(QCoreApplication::arguments());
}
