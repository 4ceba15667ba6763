#include "batches/batches_commands.h"

#include <QFileInfo>

#include "review/review_texts.h"
#include "shell/runtime_error.h"
#include "shell/userinterface.h"

namespace tarvex {
namespace {

const QString kScanTitle = QStringLiteral("Scan Folder");

QString listed(const QString& heading, const QStringList& items) {
  if (items.isEmpty()) return {};
  QString t = QStringLiteral("\n\n") + heading;
  for (qsizetype i = 0; i < items.size() && i < 10; ++i) t += QStringLiteral("\n  ") + items[i];
  if (items.size() > 10)
    t += QStringLiteral("\n  and %1 more").arg(groupedNumber(items.size() - 10));
  return t;
}

}  // namespace

QString showingText(qint64 shown, qint64 total) {
  return QStringLiteral("Showing %1 of %2 %3")
      .arg(groupedNumber(shown), groupedNumber(total),
           total == 1 ? QStringLiteral("batch") : QStringLiteral("batches"));
}

QString scanSummaryText(const ScanSummary& s) {
  QString t = s.cancelled ? QStringLiteral(
                                "Scan cancelled. The batches read so far are kept; "
                                "nothing was marked missing.\n\n")
                          : QString();
  t += QStringLiteral("%1: %2 %3, %4 added, %5 read again, %6 unreadable, %7 marked missing.")
           .arg(s.roots.join(QStringLiteral(", ")), groupedNumber(s.batches),
                s.batches == 1 ? QStringLiteral("batch") : QStringLiteral("batches"),
                groupedNumber(s.added), groupedNumber(s.reread), groupedNumber(s.unreadable),
                groupedNumber(s.missing));
  t += listed(QStringLiteral("Skipped (not regular files):"), s.skipped);
  t += listed(QStringLiteral("Folders that could not be read:"), s.unreadableFolders);
  t += listed(QStringLiteral("Files that could not be read:"), s.problems);
  return t;
}

BatchesCommands::BatchesCommands(UserInterface& ui, Hooks hooks)
    : ui_(ui), hooks_(std::move(hooks)) {
  lastFolder_ = hooks_.startDir;
}

BatchesCommands::~BatchesCommands() = default;

bool BatchesCommands::openFromSetting() {
  setting_ = hooks_.loadSetting ? hooks_.loadSetting() : QString();
  try {
    reg_ = std::make_unique<Register>(registerPlaceOf(setting_));
    return true;
  } catch (const RuntimeError& e) {
    reg_.reset();
    ui_.msgBoxPos(e.description(), mb::Critical);
    return false;
  }
}

bool BatchesCommands::openRegister(const QString& given) {
  try {
    auto opened = std::make_unique<Register>(registerPlaceOf(given));
    reg_ = std::move(opened);
  } catch (const RuntimeError& e) {
    ui_.msgBoxPos(e.description(), mb::Critical);
    return false;
  }
  setting_ = given.trimmed();
  if (hooks_.saveSetting) hooks_.saveSetting(setting_);
  return true;
}

bool BatchesCommands::setFilter(const FilterTexts& texts) {
  try {
    filter_ = batchFilterOf(texts);
    return true;
  } catch (const RuntimeError& e) {
    ui_.msgBoxPos(e.description(), mb::Question);
    return false;
  }
}

bool BatchesCommands::scanFolder() {
  if (!reg_) {
    ui_.msgBoxPos(QStringLiteral("No batch register is open: name one in the Register field."),
                  mb::Question);
    return false;
  }
  QString folder;
  try {
    folder = ui_.chooseFolder(kScanTitle, lastFolder_);
  } catch (const RuntimeError&) {
    return false;  // cancelled
  }
  lastFolder_ = folder;
  ScanOptions options;
  options.roots = {folder};
  options.reviewOf = hooks_.reviewOf;
  ui_.showProgress(kScanTitle, QStringLiteral("Looking through ") + folder, 100);
  ScanSummary summary;
  try {
    summary = scanTrees(*reg_, options, [&](const ScanProgress& p) {
      const int percent = p.total > 0 ? int(qint64(p.done) * 100 / p.total) : 0;
      ui_.setProgress(percent, p.total > 0
                                   ? QStringLiteral("%1: %2 of %3")
                                         .arg(p.step, groupedNumber(p.done), groupedNumber(p.total))
                                   : p.step);
      ui_.doEvents();
      return !ui_.progressCancelled();
    });
  } catch (const RuntimeError& e) {
    ui_.hideProgress();
    ui_.msgBoxPos(e.description(), mb::Critical);
    return true;
  }
  ui_.hideProgress();
  ui_.msgBoxPos(scanSummaryText(summary), mb::Information);
  return true;
}

void BatchesCommands::showError(const QString& description) {
  ui_.msgBoxPos(description, mb::Critical);
}

void BatchesCommands::openBatch(const BatchRecord& record) {
  if (record.missing) {
    ui_.msgBoxPos(QStringLiteral("%1 was missing at the last scan of its folder (%2).")
                      .arg(record.path, record.scannedAt),
                  mb::Information);
    return;
  }
  if (!QFileInfo::exists(record.path)) {
    ui_.msgBoxPos(QStringLiteral("%1 is no longer there (last scanned %2): scan its folder again.")
                      .arg(record.path, record.scannedAt),
                  mb::Information);
    return;
  }
  if (hooks_.openBatch) hooks_.openBatch(record);
}

}  // namespace tarvex
