#include "logfiles/export_commands.h"

#include <QDir>
#include <QFileInfo>
#include <new>

#include "logfiles/exportcsv.h"
#include "logfiles/guards.h"
#include "shell/readfiles.h"

namespace tarvex {

namespace {

// What tells the four export commands apart.
struct ExportCommand {
  bool (*guard)(UserInterface&, const QString&);
  const char* filterDescription;
  const char* title;
  const char* prefix;
  const char* procName;
};

const QString kCrLf = QStringLiteral("\r\n");

// A folder of the dialog settings ("\" or "/" separated) as a local path.
QString localPath(const QString& folder) {
  QString f = folder;
  f.replace(u'\\', u'/');
  return QDir::cleanPath(f);
}

// True when path names a file read in this run, or the log file itself.
bool isLogFile(const QString& path, const QString& logFileName) {
  return !readFileAt(path).isEmpty() || sameFile(path, logFileName);
}

void runExport(UserInterface& ui, const LogTable& table, const QString& logFileName,
               const QString& startDir, const ExportCommand& command,
               const std::vector<int>* rows) {
  if (!command.guard(ui, logFileName)) return;
  try {
    FileDialogSettings dialog;
    dialog.flags = cdl::OverwritePrompt | cdl::ReadOnlyHidden;
    dialog.filter = QString::fromUtf8(command.filterDescription) + QStringLiteral(" (*.csv)|*.csv");
    dialog.title = QString::fromUtf8(command.title);
    dialog.defaultExt = QStringLiteral(".csv");
    dialog.initDir = exportFolder(startDir);
    dialog.fileName = proposedExportName(QString::fromUtf8(command.prefix), logFileName, startDir);
    const QString path = ui.showSave(dialog);
    // A log file is never replaced by an export: said plainly, nothing written.
    if (isLogFile(path, logFileName)) {
      QString shown = readFileAt(path);
      if (shown.isEmpty()) shown = logFileName;
      ui.msgBoxPos(QStringLiteral("The file ") + QDir::toNativeSeparators(shown) +
                       QStringLiteral(" is a log file open in the viewer and is not replaced "
                                      "by an export.") +
                       kCrLf + QStringLiteral("Choose another file name for the export."),
                   mb::Critical);
      return;
    }
    table.exportDelimitedText(path, rows);
  } catch (const RuntimeError& e) {
    if (e.number() != err::Cancel) reportError(ui, e, QString::fromUtf8(command.procName));
  } catch (const std::bad_alloc&) {
    reportError(ui, RuntimeError(err::OutOfMemory), QString::fromUtf8(command.procName));
  }
}

}  // namespace

QString exportFolder(const QString& startDir) { return startDir + QStringLiteral("\\Export Data"); }

QString proposedExportName(const QString& prefix, const QString& logFileName,
                           const QString& startDir) {
  QString name = exportFileName(prefix, logFileName);
  // The dialog opens in the export folder, or in the start-up folder when
  // that folder is missing.
  const QString folder = QFileInfo(localPath(exportFolder(startDir))).isDir()
                             ? localPath(exportFolder(startDir))
                             : localPath(startDir);
  for (int i = 0; i < 8 && isLogFile(folder + u'/' + name, logFileName); ++i)
    name.insert(name.size() - 4, QStringLiteral(" export"));
  return name;
}

void exportHistData(UserInterface& ui, const LogTable& vaGrid, const QString& dataFileName,
                    const QString& startDir, const std::vector<int>* rows) {
  runExport(
      ui, vaGrid, dataFileName, startDir,
      {checkHistFileOpen, "Exported Data Files", "Export data file as?", "", "exportHistData"},
      rows);
}

void exportOpEventData(UserInterface& ui, const LogTable& opEvGrid, const QString& dataFileName,
                       const QString& startDir, const std::vector<int>* rows) {
  runExport(ui, opEvGrid, dataFileName, startDir,
            {checkHistFileOpen, "Exported Op Event Files", "Export Op Event File as?", "Op Event ",
             "exportOpEventData"},
            rows);
}

void exportAuditTrailData(UserInterface& ui, const LogTable& auditGrid,
                          const QString& auditFileName, const QString& startDir,
                          const std::vector<int>* rows) {
  runExport(ui, auditGrid, auditFileName, startDir,
            {checkAuditFileOpen, "Exported Audit Files", "Export Audit Trail File as?", "Audit ",
             "exportAuditTrailData"},
            rows);
}

void exportAlmData(UserInterface& ui, const LogTable& alarmGrid, const QString& alarmFileName,
                   const QString& startDir, const std::vector<int>* rows) {
  runExport(ui, alarmGrid, alarmFileName, startDir,
            {checkAlmFileOpen, "Exported Alarm History Files", "Export Alarm History File as?",
             "Alarm ", "exportAlmData"},
            rows);
}

}  // namespace tarvex
