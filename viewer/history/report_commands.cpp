#include "history/report_commands.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <new>

#include "history/history_commands.h"
#include "history/review_commands.h"
#include "logfiles/guards.h"
#include "logfiles/readers.h"
#include "review/review_model.h"
#include "review/time_bound.h"
#include "shell/progress_pump.h"

namespace tarvex {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

std::optional<double> boundOf(const QString& text, bool& ok) {
  ok = true;
  if (text.trimmed().isEmpty()) return std::nullopt;
  double v = QLocale().toDouble(text.trimmed(), &ok);
  if (!ok) v = QLocale::c().toDouble(text.trimmed(), &ok);
  ok = ok && std::isfinite(v);
  return v;
}

}  // namespace

QString reportNoChannelText() {
  return QStringLiteral("Choose at least one channel for the report.");
}

QString reportNoFileText() { return QStringLiteral("Give the file the report is saved as."); }

ReportCommands::ReportCommands(UserInterface& ui, const ViewerGlobals& globals,
                               const LogTable& vaGrid, ReviewModel* review, VxLog& sigLog,
                               ReviewerMemory memory)
    : ui_(ui),
      globals_(globals),
      vaGrid_(vaGrid),
      review_(review),
      sigLog_(sigLog),
      memory_(std::move(memory)) {}

bool ReportCommands::readValues(const ReportDialogValues& v, const std::vector<int>& channels,
                                ReportRequest& request) {
  const DateOrder order = review_                 ? review_->dateOrder()
                          : vaGrid_.dateReading() ? vaGrid_.dateReading()->order
                                                  : localeDateOrder();
  TimeWindow window;
  try {
    if (!v.from.trimmed().isEmpty()) window.from = parseTimeBound(v.from, order, false);
    if (!v.to.trimmed().isEmpty()) window.to = parseTimeBound(v.to, order, true);
  } catch (const RuntimeError& e) {
    ui_.msgBoxPos(e.description(), mb::Question);
    return false;
  }
  if (window.from && window.to && *window.from > *window.to) {
    ui_.msgBoxPos(fromAfterToText(v.from, v.to), mb::Question);
    return false;
  }
  request.window = window;
  request.columns.clear();
  request.limits.clear();
  for (std::size_t i = 0; i < channels.size(); ++i) {
    if (!v.chosen.value(qsizetype(i))) continue;
    const QString column = QString::number(channels[i]);
    request.columns << column;
    bool okLow = true, okHigh = true;
    ReportLimit limit;
    limit.column = column;
    limit.limits.low = boundOf(v.lows.value(qsizetype(i)), okLow);
    limit.limits.high = boundOf(v.highs.value(qsizetype(i)), okHigh);
    const QString title = v.channels.value(qsizetype(i));
    if (!okLow || !okHigh) {
      ui_.msgBoxPos(QStringLiteral("The limits of %1 are no numbers.").arg(title), mb::Question);
      return false;
    }
    if (limit.limits.low && limit.limits.high && *limit.limits.low > *limit.limits.high) {
      ui_.msgBoxPos(QStringLiteral("The low limit of %1 lies above its high limit.").arg(title),
                    mb::Question);
      return false;
    }
    if (limit.limits.isSet()) request.limits.push_back(limit);
  }
  if (request.columns.isEmpty()) {
    ui_.msgBoxPos(reportNoChannelText(), mb::Question);
    return false;
  }
  if (v.output.trimmed().isEmpty()) {
    ui_.msgBoxPos(reportNoFileText(), mb::Question);
    return false;
  }
  request.output = v.output.trimmed();
  request.reviewer = v.reviewer.trimmed();
  return true;
}

std::optional<ReportOutcome> ReportCommands::reviewReport(const TableSelection& selection) {
  if (!checkHistFileOpen(ui_, globals_.dataFileName)) return std::nullopt;

  // The channels and which of them the grid's selection holds.
  std::vector<int> channels;
  ReportDialogValues v;
  for (int c = firstDataColumn(vaGrid_); c <= vaGrid_.lastCol(); ++c) {
    channels.push_back(c);
    v.channels << vaGrid_.getCell(c, 0);
    bool selected = false;
    for (const SelectionBlock& b : selection.blocks)
      selected = selected || (!b.isWholeRows() && c >= std::min(b.col1, b.col2) &&
                              c <= std::max(b.col1, b.col2));
    v.chosen << selected;
    v.lows << QString();
    v.highs << QString();
  }
  if (!v.chosen.contains(true)) v.chosen.fill(true);
  const DateOrder order = review_                 ? review_->dateOrder()
                          : vaGrid_.dateReading() ? vaGrid_.dateReading()->order
                                                  : localeDateOrder();
  if (review_) {
    const TimeWindow& w = review_->window();
    if (w.from) v.from = formatTimeBound(*w.from, order);
    if (w.to) v.to = formatTimeBound(*w.to, order);
  }
  v.timeHint = windowFieldHint(order);
  v.reviewer = memory_.load ? memory_.load() : QString();
  v.output = QDir(globals_.startDir).filePath(proposedReportName(globals_.dataFileName));

  ReportRequest request;
  for (;;) {
    if (!ui_.reviewReportDialog(v)) return std::nullopt;
    if (readValues(v, channels, request)) break;
  }
  if (memory_.save) memory_.save(request.reviewer);
  request.dataFile = globals_.dataFileName;
  request.auditFile = globals_.auditFileName;
  request.alarmFile = globals_.alarmFileName;
  request.dateOrder = globals_.dateOrder;
  if (recordPlace_) request.record = recordPlace_();

  ProgressPump pump(ui_, clock_);
  pump.open(QStringLiteral("Review Report"), QStringLiteral("Writing the review report..."), 100);
  ui_.setPointer(Pointer::Hourglass);
  QString step = QStringLiteral("Writing the review report...");
  std::optional<ReportOutcome> outcome;
  try {
    outcome = writeBatchReport(request, sigLog_, [&](int percent, const QString& text) {
      if (!text.isEmpty()) step = text + QStringLiteral("...");
      return pump.step(std::clamp(percent, 0, 100), [&] { return step; });
    });
  } catch (const RuntimeError& e) {
    pump.close();
    ui_.setPointer(Pointer::Normal);
    if (e.number() == err::Cancel) {
      ui_.setStatusText(QStringLiteral("Review report cancelled; nothing was written."));
      return std::nullopt;
    }
    reportError(ui_, e, QStringLiteral("reviewReport"));
    return std::nullopt;
  } catch (const std::bad_alloc&) {
    pump.close();
    ui_.setPointer(Pointer::Normal);
    reportError(ui_, RuntimeError(err::OutOfMemory), QStringLiteral("reviewReport"));
    return std::nullopt;
  }
  pump.close();
  ui_.setPointer(Pointer::Normal);
  QString text =
      QStringLiteral("Review report saved to ") + request.output + kCrLf + kCrLf + outcome->verdict;
  for (const QString& p : outcome->problems) text += kCrLf + p;
  for (const QString& p : outcome->recordProblems) text += kCrLf + p;
  ui_.msgBoxPos(text, outcome->confirmed() ? mb::Information : mb::Critical);
  ui_.setStatusText(QStringLiteral("Review report saved to ") + request.output);
  return outcome;
}

}  // namespace tarvex
