// "Review Report..." of the File menu, without widgets: the dialog filled
// from the review window and the data grid's selected columns, what the
// user chose checked, then the batch review report written through the same
// code as `tarvex report` (review/report/batch_report.h) with a progress
// window whose Cancel leaves no file. Everything with the user goes through
// UserInterface, so tests run it headless with a scripted fake.
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "logfiles/logtable.h"
#include "review/report/batch_report.h"
#include "shell/userinterface.h"

namespace tarvex {

class ReviewModel;
class VxLog;
struct ViewerGlobals;

class ReportCommands {
 public:
  // The reviewer's name as the viewer remembers it between runs.
  struct ReviewerMemory {
    std::function<QString()> load;
    std::function<void(const QString&)> save;
  };
  // References must outlive the commands; `review` may be null (no window).
  ReportCommands(UserInterface& ui, const ViewerGlobals& globals, const LogTable& vaGrid,
                 ReviewModel* review, VxLog& sigLog, ReviewerMemory memory);

  // Without a data file: the data file guard's message. Otherwise the
  // dialog: From and To of the review window (in the data file's date
  // order), the channels with those among `selection`'s columns chosen
  // (every channel when none is), no limits, the remembered reviewer and
  // "<base name> Review Report.pdf" in the start-up folder. What does not
  // read (a time, a bound, From after To, a low bound above the high one,
  // no channel, no file name) is said in a message and the dialog shows
  // again with the user's values. Then the report is written with a
  // progress window; Cancel there ends it and leaves no file. At the end a
  // message says where the report went and its verdict (style 64 when
  // every signature was confirmed, 16 otherwise); an error is reported
  // naming "reviewReport".
  // Returns the outcome when a report was written.
  std::optional<ReportOutcome> reviewReport(const TableSelection& selection);

  // Where the batch's review record is kept and the reviewers trusted, as
  // the viewer's settings say at the time of the report.
  void setRecordPlace(std::function<RecordPlace()> place) { recordPlace_ = std::move(place); }

  // The clock of the progress window (ProgressPump::Clock); steady when empty.
  void setProgressClock(std::function<qint64()> clock) { clock_ = std::move(clock); }

 private:
  bool readValues(const ReportDialogValues& v, const std::vector<int>& channels,
                  ReportRequest& request);

  UserInterface& ui_;
  const ViewerGlobals& globals_;
  const LogTable& vaGrid_;
  ReviewModel* review_;
  VxLog& sigLog_;
  ReviewerMemory memory_;
  std::function<qint64()> clock_;
  std::function<RecordPlace()> recordPlace_;
};

// The messages of the dialog's checks (style 32).
QString reportNoChannelText();
QString reportNoFileText();

}  // namespace tarvex
