#include "logfiles/readers.h"

#include "shell/filenames.h"
#include "shell/runtime_error.h"

namespace tarvex {
namespace {

void setTitles(LogTable& table, std::initializer_list<const char*> titles) {
  int col = 0;
  for (const char* title : titles) table.setCell(col++, 0, QString::fromLatin1(title));
}

void setWidths(LogTable& table, std::initializer_list<double> widths) {
  int col = 0;
  for (const double w : widths) table.setColumnWidth(col++, w);
}

}  // namespace

HistDataResult loadHistData(LogTable& vaGrid, const QString& path, const QLocale& locale,
                            std::optional<DateOrder> dateOrder) {
  LogTableUpdate update(vaGrid);
  vaGrid.loadDelimitedText(path, LoadOptions{});
  vaGrid.setColumnWidth(0, kHistColumnWidth);
  vaGrid.setColumnWidth(-1, kHistColumnWidth);
  vaGrid.setSelectionUnit(SelectionUnit::ColumnsAndBlocks);
  vaGrid.setLastCol(vaGrid.dataColCount());
  applyDateOrder(vaGrid, 0, dateOrder, std::nullopt, locale);
  vaGrid.formatTimeColumn(1, 0, vaGrid.lastRow(), TimeStyle::HourMinuteSecond, locale);
  vaGrid.setReadOnly(true);
  vaGrid.setMultipleBlocks(true);

  HistDataResult result;
  result.operatorEventsEnabled = vaGrid.isCellEmpty(2, 1);
  result.statusText = QStringLiteral("Current File is ") + path;
  result.plotTitle = QStringLiteral("Data File: ") + baseName(path);
  return result;
}

QString loadAuditData(LogTable& auditGrid, const QString& path,
                      std::optional<DateOrder> dateOrder) {
  LogTableUpdate update(auditGrid);
  clearTable(auditGrid);
  auditGrid.setLastRow(0);
  LoadOptions options;
  options.headerRow = false;
  auditGrid.loadDelimitedText(path, options);
  auditGrid.setReadOnly(true);
  auditGrid.setSelectionUnit(SelectionUnit::Rows);
  setTitles(auditGrid, {"Date", "Time", "User Full Name", "User Action"});
  setWidths(auditGrid, {12, 12, 25, 100});
  auditGrid.setColumnHidden(4);
  applyDateOrder(auditGrid, 0, dateOrder);
  return QStringLiteral("Audit Trail File: ") + baseName(path);
}

QString loadAlarmData(LogTable& alarmGrid, const QString& path, const QLocale& locale,
                      std::optional<DateOrder> dateOrder) {
  LogTableUpdate update(alarmGrid);
  clearTable(alarmGrid);
  alarmGrid.setLastRow(0);
  LoadOptions options;
  options.headerRow = false;
  options.headerColumn = LoadOptions::HeaderColumn::RowNumbers;
  alarmGrid.loadDelimitedText(path, options);
  setWidths(alarmGrid, {8, 40, 12, 12});
  setTitles(alarmGrid, {"Alarm#", "Alarm Description", "Date", "Time"});
  applyDateOrder(alarmGrid, 2, dateOrder, std::nullopt, locale);
  alarmGrid.formatTimeColumn(3, 0, alarmGrid.lastRow(), TimeStyle::HourMinute, locale);
  alarmGrid.setReadOnly(true);
  alarmGrid.setSelectionUnit(SelectionUnit::Rows);
  return QStringLiteral("Alarm History File: ") + baseName(path);
}

void clearTable(LogTable& table) {
  table.clearCells(0, 0, table.lastCol(), table.lastRow(), false);
}

void clearHistTables(LogTable& vaGrid, LogTable& digiSigGrid, LogTable& opEvGrid) {
  clearTable(vaGrid);
  clearTable(digiSigGrid);
  clearTable(opEvGrid);
}

int firstDataColumn(const LogTable& vaGrid) { return vaGrid.isCellEmpty(2, 1) ? 5 : 2; }

int channelColumnOf(const LogTable& vaGrid, const QString& given) {
  bool isNumber = false;
  int col = given.toInt(&isNumber);
  if (!isNumber) {
    col = -1;
    for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
      for (int c = 0; c <= vaGrid.lastCol() && col < 0; ++c)
        if (vaGrid.getCell(c, 0).compare(given.trimmed(), cs) == 0) col = c;
      if (col >= 0) break;
    }
    if (col < 0)
      throw RuntimeError(err::SubscriptOutOfRange,
                         QStringLiteral("No column titled \"%1\"").arg(given));
  }
  if (col < firstDataColumn(vaGrid) || col > vaGrid.lastCol())
    throw RuntimeError(err::SubscriptOutOfRange,
                       QStringLiteral("Column %1 is not a channel (channels are columns %2 to %3)")
                           .arg(given)
                           .arg(firstDataColumn(vaGrid))
                           .arg(vaGrid.lastCol()));
  return col;
}

}  // namespace tarvex
