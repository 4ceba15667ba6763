#include "history/history_commands.h"

#include <algorithm>
#include <new>

#include "history/verify_results.h"
#include "logfiles/companions.h"
#include "logfiles/readers.h"
#include "review/review_model.h"
#include "signatures/verify.h"

namespace tarvex {

namespace {

// Raises the busy flag for the life of a reader command and lowers it on
// every way out (the readers of the companions lower it themselves when
// they end; it is raised again for the next one).
class FileLoading {
 public:
  explicit FileLoading(bool& flag) : flag_(flag) { flag_ = true; }
  ~FileLoading() { flag_ = false; }
  void raise() { flag_ = true; }

 private:
  bool& flag_;
};

// The initial folder of the Open dialogs: the start-up folder and "\".
QString openFolder(const ViewerGlobals& g) { return g.startDir + QStringLiteral("\\"); }

constexpr int kOpenFlags = cdl::FileMustExist | cdl::ReadOnlyHidden;  // 0x1004

QString currentFileText(const QString& fileName) {
  return QStringLiteral("Current File is ") + fileName;
}

// The selection of the data grid as the plot takes it: while the review
// filters the grid, a block of whole columns holds the rows the grid shows
// (from its first shown row to its last), not the whole file.
TableSelection plottedSelection(TableSelection selection, ReviewModel* review) {
  if (!review) return selection;
  const RowFilter& shown = review->filter(ReviewTable::Data);
  if (!shown.active()) return selection;
  for (SelectionBlock& b : selection.blocks) {
    if (!b.isWholeColumns()) continue;
    b.row1 = std::max(0, shown.tableRowAt(0));
    b.row2 = std::max(0, shown.tableRowAt(shown.shownRows() - 1));
  }
  return selection;
}

}  // namespace

bool operatorEventsTabOn(const LogTable& vaGrid, const LogTable& opEvGrid) {
  return vaGrid.isCellEmpty(2, 1) || opEvGrid.dataRowCount() > 0;
}

QString busyText() {
  return QStringLiteral("History viewer is busy with an operation, please wait!");
}

bool checkPlotSelection(UserInterface& ui, const LogTable& vaGrid,
                        const TableSelection& selection) {
  const QString tooFew =
      QStringLiteral("you must select at least 4 cells\r\nfor historical trend!");
  const bool col2Empty = vaGrid.isCellEmpty(2, 1);
  if (selection.blocks.empty()) {
    ui.msgBoxPos(tooFew, mb::Question);
    return false;
  }
  for (const SelectionBlock& b : selection.blocks) {
    const int firstRow = b.row1 == -1 ? 1 : b.row1;
    const int lastRow = b.row2 == -1 ? vaGrid.lastRow() : b.row2;
    if (lastRow - firstRow < 3) {
      ui.msgBoxPos(tooFew, mb::Question);
      return false;
    }
    const bool notData = col2Empty ? (b.col1 >= 0 && b.col1 <= 4) : (b.col1 >= 0 && b.col1 <= 1);
    if (notData) {
      ui.msgBoxPos(QStringLiteral("Only data cells can be used\r\nfor historical trend!"),
                   mb::Question);
      return false;
    }
  }
  return true;
}

HistoryCommands::HistoryCommands(UserInterface& ui, HistoryWindowState& window,
                                 ViewerGlobals& globals, VxLog* sigLog, TrendOperations& trend)
    : ui_(ui), win_(window), g_(globals), sigLog_(sigLog), trend_(trend) {}

bool HistoryCommands::busy() const {
  return win_.f_FileLoading || g_.f_Plotting || trend_.building();
}

bool HistoryCommands::refuseWhenBusy() {
  if (!busy()) return false;
  ui_.msgBoxPos(busyText(), mb::Information);
  return true;
}

void HistoryCommands::DataBarBtn_Click(int index) {
  if (index < 0 || index > 5) return;
  if (index == 3) {
    // Cancel History Plot: a running plot stops at its next check.
    g_.f_Plotting = false;
    return;
  }
  if (refuseWhenBusy()) return;
  switch (index) {
    case 0: {
      FileLoading loading(win_.f_FileLoading);
      getHistFile();
      if (!g_.dataFileName.isEmpty() && sigLog_) {
        auto clear = [this] { clearHistData(); };
        loading.raise();
        // A companion whose dates decide no order reads them as its log does.
        const std::optional<DateReading> logReading = win_.vaGrid().dateReading();
        if (loadSigFile(win_.digiSigGrid(), g_.dataFileName, *sigLog_, ui_, win_.f_FileLoading,
                        clear) != CompanionLoad::Failed)
          applyDateOrder(win_.digiSigGrid(), 0, g_.dateOrder, logReading);
        if (!g_.dataFileName.isEmpty()) {
          loading.raise();
          if (loadOpEventsFile(win_.opEvGrid(), g_.dataFileName, *sigLog_, ui_, win_.f_FileLoading,
                               clear) != CompanionLoad::Failed)
            applyDateOrder(win_.opEvGrid(), 0, g_.dateOrder, logReading);
        }
        // The events just read must be reachable even when the data file
        // holds data.
        if (!g_.dataFileName.isEmpty()) {
          win_.setTabEnabled(1, operatorEventsTabOn(win_.vaGrid(), win_.opEvGrid()));
          addResultColumn(win_.digiSigGrid());
        }
      }
      break;
    }
    case 1: {
      const TableSelection selection = plottedSelection(win_.selection(win_.vaGrid()), review_);
      if (!checkPlotSelection(ui_, win_.vaGrid(), selection)) return;
      ui_.setStatusText(QStringLiteral("Plotting data, please wait!"));
      trend_.plotHistData(selection);
      ui_.setStatusText(currentFileText(g_.dataFileName));
      break;
    }
    case 2:
      PrintDataGrid();
      break;
    case 4:
      exportHistData();
      break;
    case 5:
      verifySelected(SignedFile::DataFile);
      break;
  }
}

void HistoryCommands::verifySelected(SignedFile kind) {
  if (!sigLog_) return;
  const bool audit = kind == SignedFile::AuditTrail;
  LogTable& table = audit ? win_.auditSigGrid() : win_.digiSigGrid();
  const QString& fileName = audit ? g_.auditFileName : g_.dataFileName;
  const int row = win_.selection(table).currentFirstRow;
  const VerifyResult result = verifySignature(kind, table, row, fileName, *sigLog_, ui_);
  // The row checked stays in sight, with its result beside it.
  if (result == VerifyResult::Confirmed || result == VerifyResult::Failed) {
    setResult(table, row, result == VerifyResult::Confirmed, QDateTime::currentDateTime());
    win_.showRow(table, row);
  }
}

void HistoryCommands::verifyAll(SignedFile kind) {
  if (!sigLog_ || refuseWhenBusy()) return;
  const bool audit = kind == SignedFile::AuditTrail;
  verifyAllSignatures(kind, audit ? win_.auditSigGrid() : win_.digiSigGrid(),
                      audit ? g_.auditFileName : g_.dataFileName, *sigLog_, ui_);
}

void HistoryCommands::opBarBtn_Click(int index) {
  if (index < 0 || index > 1 || refuseWhenBusy()) return;
  if (index == 0)
    PrintOpEventGrid();
  else
    exportOpEventData();
}

void HistoryCommands::auditBarBtn_Click(int index) {
  if (index < 0 || index > 3 || refuseWhenBusy()) return;
  switch (index) {
    case 0: {
      FileLoading loading(win_.f_FileLoading);
      getAuditFile();
      if (!g_.auditFileName.isEmpty() && sigLog_) {
        loading.raise();
        if (loadAuditSigFile(win_.auditSigGrid(), g_.auditFileName, *sigLog_, ui_,
                             win_.f_FileLoading) != CompanionLoad::Failed)
          applyDateOrder(win_.auditSigGrid(), 0, g_.dateOrder, win_.auditGrid().dateReading());
        addResultColumn(win_.auditSigGrid());
      }
      break;
    }
    case 1:
      PrintAuditGrid();
      break;
    case 2:
      exportAuditTrailData();
      break;
    case 3:
      verifySelected(SignedFile::AuditTrail);
      break;
  }
}

void HistoryCommands::almBarBtn_Click(int index) {
  if (index < 0 || index > 2 || refuseWhenBusy()) return;
  switch (index) {
    case 0: {
      FileLoading loading(win_.f_FileLoading);
      getAlmFile();
      break;
    }
    case 1:
      PrintAlarmGrid();
      break;
    case 2:
      exportAlmData();
      break;
  }
}

void HistoryCommands::histBarBtn_Click(int index) {
  if (index < 0 || index > 4 || refuseWhenBusy()) return;
  switch (index) {
    case 0:
      trend_.FrmHistoryTrendSetup();
      break;
    case 1:
      trend_.toggleCursor();
      break;
    case 2:
      trend_.saveToJpeg();
      break;
    case 3:
      trend_.printHistoryPlot();
      break;
    case 4:
      if (compare_) compare_();
      break;
  }
}

void HistoryCommands::getHistFile() {
  FileLoading loading(win_.f_FileLoading);
  FileDialogSettings s;
  s.title = QStringLiteral("Open Log File (.csv)");
  s.filter = QStringLiteral("Log Files") + QStringLiteral("(*.csv)|*.csv");
  s.initDir = openFolder(g_);
  s.flags = kOpenFlags;
  try {
    const QString path = ui_.showOpen(s);
    ui_.setPointer(Pointer::Hourglass);
    ui_.setStatusText(QStringLiteral("Loading File, please wait!"));
    ui_.doEvents();
    g_.dataFileName = path;
    const HistDataResult r = loadHistData(win_.vaGrid(), path, QLocale(), g_.dateOrder);
    if (review_) review_->readTimes(ReviewTable::Data);
    win_.setTabEnabled(1, r.operatorEventsEnabled);
    ui_.setPointer(Pointer::Normal);
    ui_.setStatusText(r.statusText);
    trend_.setPlotTitle(r.plotTitle);
  } catch (const RuntimeError& e) {
    if (e.number() == err::Cancel) return;
    reportError(ui_, e, QStringLiteral("getHistFile"));
    clearHistData();
  } catch (const std::bad_alloc&) {
    reportError(ui_, RuntimeError(err::OutOfMemory), QStringLiteral("getHistFile"));
    clearHistData();
  }
}

void HistoryCommands::clearHistData() {
  clearHistTables(win_.vaGrid(), win_.digiSigGrid(), win_.opEvGrid());
  g_.dataFileName.clear();
  ui_.setStatusText(g_.dataFileName);
  ui_.setPointer(Pointer::Normal);
  win_.setPlotProgressVisible(false);
  win_.f_FileLoading = false;
}

void HistoryCommands::getAuditFile() {
  FileLoading loading(win_.f_FileLoading);
  FileDialogSettings s;
  s.title = QStringLiteral("Open Audit Trail File");
  s.filter = QStringLiteral("Audit Files") + QStringLiteral("(*.aud)|*.aud") + QStringLiteral("|") +
             QStringLiteral("Audit Files") + QStringLiteral("(*.csv)|*.csv");
  s.initDir = openFolder(g_);
  s.flags = kOpenFlags;
  try {
    const QString path = ui_.showOpen(s);
    g_.auditFileName = path;
    ui_.setStatusText(QStringLiteral("Loading audit trail file, please wait..."));
    ui_.setPointer(Pointer::Hourglass);
    ui_.doEvents();
    win_.setAuditNameCaption(loadAuditData(win_.auditGrid(), path, g_.dateOrder));
    ui_.setPointer(Pointer::Normal);
  } catch (const RuntimeError& e) {
    if (e.number() == err::Cancel) return;
    reportError(ui_, e, QStringLiteral("getAuditFile"));
    clearTable(win_.auditGrid());
    ui_.setPointer(Pointer::Normal);
  } catch (const std::bad_alloc&) {
    reportError(ui_, RuntimeError(err::OutOfMemory), QStringLiteral("getAuditFile"));
    clearTable(win_.auditGrid());
    ui_.setPointer(Pointer::Normal);
  }
}

void HistoryCommands::getAlmFile() {
  FileLoading loading(win_.f_FileLoading);
  FileDialogSettings s;
  s.title = QStringLiteral("Open Alarm History File (.csv)");
  s.filter = QStringLiteral("Alarm Files") + QStringLiteral("(*.csv)|*.csv");
  s.initDir = openFolder(g_);
  s.flags = kOpenFlags;
  try {
    const QString path = ui_.showOpen(s);
    g_.alarmFileName = path;
    ui_.setStatusText(QStringLiteral("Loading alarm history file, please wait..."));
    ui_.setPointer(Pointer::Hourglass);
    win_.setAlmNameCaption(loadAlarmData(win_.alarmGrid(), path, QLocale(), g_.dateOrder));
    ui_.setPointer(Pointer::Normal);
    // The loading text would otherwise stay until the next action.
    ui_.setStatusText(currentFileText(path));
  } catch (const RuntimeError& e) {
    if (e.number() == err::Cancel) return;
    reportError(ui_, e, QStringLiteral("getAlmFile"));
    clearTable(win_.alarmGrid());
    ui_.setPointer(Pointer::Normal);
  } catch (const std::bad_alloc&) {
    reportError(ui_, RuntimeError(err::OutOfMemory), QStringLiteral("getAlmFile"));
    clearTable(win_.alarmGrid());
    ui_.setPointer(Pointer::Normal);
  }
}

}  // namespace tarvex
