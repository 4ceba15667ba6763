// The batch review report: one PDF holding what a reviewer signs for a
// batch. In order, every page footed with "Report ID" (the first 12 hex
// digits of the data file's SHA-256) and "Page N of M":
//  1. the cover: the files used with their sizes, times and SHA-256, the
//     window, who made the report when, the verdict over every signature
//     record of the data file and the audit trail, and a sign-off block;
//  2. the signature records of both with their results (the file's digest
//     computed once, as `tarvex verify` does) and the damaged lines;
//  3. the trend of the chosen channels over the window (at most 8 a page),
//     drawn by the viewer's plot builder through the pixel aggregation;
//  4. each channel's statistics over the window, and its limit excursions;
//  5.-7. the alarms, operator events and audit trail entries of the window,
//     printed as the grid printouts print them, each with its count.
// `tarvex report` and the viewer's "Review Report..." both write it here.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "logfiles/date_order.h"
#include "review/channel_stats.h"
#include "review/time_window.h"

namespace tarvex {

class VxLog;

// A limit as given: the column (number or title, as the columns) and its
// bounds, either open.
struct ReportLimit {
  QString column;
  ChannelLimits limits;
};

// "COL:LOW:HIGH" (either bound may be empty; the column is what lies before
// the last two ":"). Throws RuntimeError(err::InvalidCall) with a plain
// message when the text has no such form, a bound is no number, both are
// empty or the low one lies above the high one.
ReportLimit parseReportLimit(const QString& text);

struct ReportRequest {
  QString dataFile;   // its ".sig" and ".evt" are taken from beside it
  QString auditFile;  // "" when not given; its ".sig" beside it
  QString alarmFile;  // "" when not given
  QString output;     // the PDF
  // The window: either as typed (--from/--to, read in the data file's date
  // order or ISO) or as a window already set (the viewer's review bar).
  std::optional<QString> fromText;
  std::optional<QString> toText;
  TimeWindow window;
  // Channels by number (as `tarvex plot` numbers them) or title; empty:
  // every channel.
  QStringList columns;
  std::vector<ReportLimit> limits;
  QString reviewer;
  std::optional<DateOrder> dateOrder;  // none: each file's dates decide
  // When and by whom; empty: now and the login name.
  QDateTime madeAt;
  QString madeBy;
  // The PDF writer: the viewer's compact one, or Qt's QPdfWriter (what the
  // report benchmark measures it against).
  enum class Writer { Compact, Qt } writer = Writer::Compact;
};

// What the report found.
struct ReportOutcome {
  int signatures = 0;  // signature records of the data file and the audit trail
  int failed = 0;      // of them, those not confirmed (damaged lines included)
  // Signature files missing or not readable ("Data file ... is unsigned").
  QStringList problems;
  QString verdict;  // the verdict box's first line
  int pages = 0;
  QString reportId;
  // Every record confirmed and nothing unsigned: exit 0; else 1.
  bool confirmed() const { return failed == 0 && problems.isEmpty() && signatures > 0; }
};

// Told how far the work is (0..100) and what it does; false cancels.
using ReportProgress = std::function<bool(int percent, const QString& step)>;

// Writes the report for `request` to request.output, whole or not at all.
// Throws RuntimeError: a usage fault of the request (a column that is no
// channel, a limit on a column not reported, From after To, a bound that is
// no date) with its message; the data file missing, unreadable, or a pipe,
// socket, device or folder (refused before anything is read); the output
// naming one of the files read (err::PermissionDenied), or not writable;
// err::Cancel when `progress` answered false (nothing is written). Trouble
// with a companion file (missing, damaged, not a regular file) is no error:
// the report names it.
ReportOutcome writeBatchReport(const ReportRequest& request, VxLog& sigLog,
                               const ReportProgress& progress = {});

// The report's file name proposed for a data file: its base name with
// " Review Report.pdf".
QString proposedReportName(const QString& dataFile);

}  // namespace tarvex
