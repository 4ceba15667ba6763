#include "cli/tables.h"

#include <QFileInfo>

#include "logfiles/companions.h"
#include "logfiles/logtable.h"
#include "logfiles/readers.h"

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

void loadTable(LogTable& table, TableKind kind, const QString& path, VxLog& sigLog) {
  switch (kind) {
    case TableKind::Data:
      loadHistData(table, path);
      return;
    case TableKind::Audit:
      loadAuditData(table, path);
      return;
    case TableKind::Alarm:
      loadAlarmData(table, path);
      return;
    case TableKind::Signatures:
    case TableKind::Events: {
      const CompanionKind ck =
          kind == TableKind::Events ? CompanionKind::OperatorEvents : CompanionKind::DataSignatures;
      setCompanionLayout(table, ck);
      readCompanionRows(table, path, sigLog);
      return;
    }
  }
}

}  // namespace tarvex
