#include "logfiles/export_commands.h"

#include <new>

#include "logfiles/exportcsv.h"
#include "logfiles/guards.h"

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

void runExport(UserInterface& ui, const LogTable& table, const QString& logFileName,
               const QString& startDir, const ExportCommand& command) {
  if (!command.guard(ui, logFileName)) return;
  try {
    FileDialogSettings dialog;
    dialog.flags = cdl::OverwritePrompt | cdl::ReadOnlyHidden;
    dialog.filter = QString::fromUtf8(command.filterDescription) + QStringLiteral(" (*.csv)|*.csv");
    dialog.title = QString::fromUtf8(command.title);
    dialog.defaultExt = QStringLiteral(".csv");
    dialog.initDir = exportFolder(startDir);
    dialog.fileName = exportFileName(QString::fromUtf8(command.prefix), logFileName);
    const QString path = ui.showSave(dialog);
    table.exportDelimitedText(path);
  } catch (const RuntimeError& e) {
    if (e.number() != err::Cancel) reportError(ui, e, QString::fromUtf8(command.procName));
  } catch (const std::bad_alloc&) {
    reportError(ui, RuntimeError(err::OutOfMemory), QString::fromUtf8(command.procName));
  }
}

}  // namespace

QString exportFolder(const QString& startDir) { return startDir + QStringLiteral("\\Export Data"); }

void exportHistData(UserInterface& ui, const LogTable& vaGrid, const QString& dataFileName,
                    const QString& startDir) {
  runExport(
      ui, vaGrid, dataFileName, startDir,
      {checkHistFileOpen, "Exported Data Files", "Export data file as?", "", "exportHistData"});
}

void exportOpEventData(UserInterface& ui, const LogTable& opEvGrid, const QString& dataFileName,
                       const QString& startDir) {
  runExport(ui, opEvGrid, dataFileName, startDir,
            {checkHistFileOpen, "Exported Op Event Files", "Export Op Event File as?", "Op Event ",
             "exportOpEventData"});
}

void exportAuditTrailData(UserInterface& ui, const LogTable& auditGrid,
                          const QString& auditFileName, const QString& startDir) {
  runExport(ui, auditGrid, auditFileName, startDir,
            {checkAuditFileOpen, "Exported Audit Files", "Export Audit Trail File as?", "Audit ",
             "exportAuditTrailData"});
}

void exportAlmData(UserInterface& ui, const LogTable& alarmGrid, const QString& alarmFileName,
                   const QString& startDir) {
  runExport(ui, alarmGrid, alarmFileName, startDir,
            {checkAlmFileOpen, "Exported Alarm History Files", "Export Alarm History File as?",
             "Alarm ", "exportAlmData"});
}

}  // namespace tarvex
