#include "cli/tables.h"

#include <QDir>
#include <QFileInfo>

#include "logfiles/companions.h"
#include "logfiles/logtable.h"
#include "logfiles/readers.h"
#include "shell/runtime_error.h"

namespace tarvex {

std::optional<TableKind> tableKindFromName(const QString& name) {
  if (name == u"data") return TableKind::Data;
  if (name == u"audit") return TableKind::Audit;
  if (name == u"alarm") return TableKind::Alarm;
  if (name == u"sig") return TableKind::Signatures;
  if (name == u"evt") return TableKind::Events;
  return std::nullopt;
}

std::optional<TableKind> tableKindFromExtension(const QString& path) {
  const QString ext = QFileInfo(path).suffix().toLower();
  if (ext == u"csv") return TableKind::Data;
  if (ext == u"aud") return TableKind::Audit;
  if (ext == u"sig") return TableKind::Signatures;
  if (ext == u"evt") return TableKind::Events;
  return std::nullopt;
}

namespace {

// The date order of the log a companion at path belongs to: the data
// history or audit trail of the same name beside it; empty when there is
// none or it cannot be read.
std::optional<DateReading> logReadingOf(const QString& path) {
  const QFileInfo info(path);
  for (const char* ext : {".csv", ".aud"}) {
    const QString log = info.dir().filePath(info.baseName() + QString::fromLatin1(ext));
    if (!QFileInfo(log).isFile()) continue;
    try {
      LogTable table;
      if (ext[1] == 'c')
        loadHistData(table, log);
      else
        loadAuditData(table, log);
      return table.dateReading();
    } catch (const RuntimeError&) {
    }
  }
  return std::nullopt;
}

}  // namespace

void loadTable(LogTable& table, TableKind kind, const QString& path, VxLog& sigLog,
               std::optional<DateOrder> dateOrder) {
  switch (kind) {
    case TableKind::Data:
      loadHistData(table, path, QLocale(), dateOrder);
      return;
    case TableKind::Audit:
      loadAuditData(table, path, dateOrder);
      return;
    case TableKind::Alarm:
      loadAlarmData(table, path, QLocale(), dateOrder);
      return;
    case TableKind::Signatures:
    case TableKind::Events: {
      const CompanionKind ck =
          kind == TableKind::Events ? CompanionKind::OperatorEvents : CompanionKind::DataSignatures;
      setCompanionLayout(table, ck);
      readCompanionRows(table, path, sigLog);
      const DateReading own = applyDateOrder(table, 0, dateOrder);
      if (own.source == DateOrderSource::Locale)
        applyDateOrder(table, 0, dateOrder, logReadingOf(path));
      return;
    }
  }
}

ReviewTable reviewTableOf(TableKind kind) {
  switch (kind) {
    case TableKind::Data:
      return ReviewTable::Data;
    case TableKind::Audit:
      return ReviewTable::AuditTrail;
    case TableKind::Alarm:
      return ReviewTable::Alarms;
    case TableKind::Signatures:
      return ReviewTable::DataSignatures;
    case TableKind::Events:
      return ReviewTable::OperatorEvents;
  }
  return ReviewTable::Data;
}

}  // namespace tarvex
