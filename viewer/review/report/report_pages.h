// The inside of the batch review report (batch_report.h): what it gathers
// about the batch, the trend builds, and the pages drawn from it.
#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "logfiles/companions.h"
#include "logfiles/date_order.h"
#include "review/channel_stats.h"
#include "review/report/batch_report.h"
#include "review/time_window.h"
#include "signatures/verify.h"

namespace tarvex {

class LogTable;
class QcpTrendPlot;
class VxLog;

// A file the report uses, as the cover lists it.
struct FileFacts {
  QString role;  // "Data file", "Data signatures", ...
  QString path;
  QString name;
  bool present = false;  // read whole: size, time and SHA-256 hold
  QString state;         // otherwise: "not given", "not present" or the reason
  qint64 size = 0;
  QDateTime modified;
  QString sha256;
  QString problem;  // what reading it for its section found wrong ("" when nothing)
};

// One signature file and its records checked.
struct SignatureCheck {
  SignedFile kind = SignedFile::DataFile;
  QString logFile;
  QString sigFile;
  QString state;          // why the signature file was not read ("" when it was)
  bool readable = false;  // it was read (its records are in table)
  std::unique_ptr<LogTable> table;
  std::vector<DamagedLine> damaged;
  std::vector<RecordCheck> checks;  // the records, in line order
  QString digestProblem;            // why the signed file's digest could not be computed
};

// The tables of sections 5 to 7.
enum class ReportTableKind { Alarm, Events, Audit };

// Fills table from path as the viewer's reader of kind does; companion
// dates that decide no order follow `logReading`.
void loadReportTable(LogTable& table, ReportTableKind kind, const QString& path, VxLog& sigLog,
                     std::optional<DateOrder> order,
                     std::optional<DateReading> logReading = std::nullopt);

struct EventSection {
  QString title;
  FileFacts facts;
  std::unique_ptr<LogTable> table;
  bool loaded = false;
  QString problem;        // why it could not be read
  std::vector<int> rows;  // the table rows of the window
  int unreadable = 0;     // of them, rows whose time does not read
};

// One page of the trend: its channels' plot, holding only their pixel
// columns.
struct TrendPage {
  std::vector<int> channels;  // indexes into ReportData::channels
  std::unique_ptr<QcpTrendPlot> plot;
  QString note;  // what went wrong while it was built ("" when nothing)
};

struct ReportData {
  const ReportRequest* request = nullptr;
  const ReportOutcome* outcome = nullptr;
  QDateTime madeAt;
  QString madeBy;
  QString reportId;
  std::unique_ptr<LogTable> vaGrid;
  DateOrder order = DateOrder::MonthDayYear;
  std::vector<int> channels;          // data columns
  std::vector<ChannelLimits> limits;  // one per channel
  TimeWindow window;
  int dataRowsTotal = 0;
  int dataRowsShown = 0;
  int unreadableDataRows = 0;
  int firstRow = 0;  // the first and last data row of the window; 0: none
  int lastRow = 0;
  std::vector<FileFacts> files;  // data, .sig, .evt, audit, audit .sig, alarms
  std::vector<SignatureCheck> signatures;
  std::vector<TrendPage> trends;
  std::vector<ChannelStats> stats;  // one per channel
  EventSection alarms, events, auditTrail;
};

// Runs the viewer's plot builder over the window's rows for every page of
// channels, keeping each page's plot and every channel's statistics.
// progress(done, total) false cancels (RuntimeError(err::Cancel)).
void buildTrends(ReportData& data, const std::function<bool(int, int)>& progress);

// Draws every page into out as one PDF, through data.request->writer;
// returns the page count.
// progress(done, total) false cancels (RuntimeError(err::Cancel)).
int drawReport(const ReportData& data, QIODevice& out,
               const std::function<bool(int, int)>& progress);

}  // namespace tarvex
