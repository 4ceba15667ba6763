#include "record/note_anchor.h"

#include <QDateTime>
#include <QTimeZone>

#include "logfiles/logtable.h"
#include "shell/runtime_error.h"

namespace tarvex {

namespace {

const QDateTime& epoch() {
  static const QDateTime e(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
  return e;
}

QString shown(const QString& iso) {
  QString s = iso;
  return s.replace(u'T', u' ');
}

}  // namespace

QString isoOfSeconds(qint64 seconds) {
  return epoch().addSecs(seconds).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

std::optional<qint64> secondsOfIso(const QString& iso) {
  QDateTime t = QDateTime::fromString(iso, QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
  if (!t.isValid()) return std::nullopt;
  t.setTimeSpec(Qt::UTC);
  return epoch().secsTo(t);
}

NoteAnchor anchorAtRow(const LogTable& table, const QString& tableName, int row,
                       TimeColumns columns) {
  if (row < 1 || row > table.lastRow())
    throw RuntimeError(err::SubscriptOutOfRange,
                       table.lastRow() < 1
                           ? QStringLiteral("the %1 table has no rows").arg(tableName)
                           : QStringLiteral("row %1 is outside the %2 table (rows 1 to %3)")
                                 .arg(row)
                                 .arg(tableName)
                                 .arg(table.lastRow()));
  NoteAnchor a;
  a.kind = NoteAnchor::Kind::Row;
  a.table = tableName;
  a.row = row;
  if (const auto s = rowSeconds(table, row, columns)) a.time = isoOfSeconds(*s);
  return a;
}

NoteAnchor anchorAtTime(const LogTable& dataTable, qint64 seconds, TimeColumns columns) {
  std::optional<qint64> first, last;
  RowSecondsReader reader(dataTable, columns);
  for (int r = 1; r <= dataTable.lastRow(); ++r) {
    const auto s = reader.seconds(r);
    if (!s) continue;
    if (!first || *s < *first) first = s;
    if (!last || *s > *last) last = s;
  }
  if (!first)
    throw RuntimeError(err::SubscriptOutOfRange,
                       QStringLiteral("the data file has no row with a readable time"));
  if (seconds < *first || seconds > *last)
    throw RuntimeError(err::SubscriptOutOfRange,
                       QStringLiteral("%1 is outside the file, whose rows run from %2 to %3")
                           .arg(shown(isoOfSeconds(seconds)), shown(isoOfSeconds(*first)),
                                shown(isoOfSeconds(*last))));
  NoteAnchor a;
  a.kind = NoteAnchor::Kind::Time;
  a.time = isoOfSeconds(seconds);
  return a;
}

QString anchorText(const NoteAnchor& a) {
  if (a.kind == NoteAnchor::Kind::Time) return shown(a.time);
  QString text = QStringLiteral("%1 row %2").arg(a.table).arg(a.row);
  if (!a.file.isEmpty()) text += QStringLiteral(" of ") + a.file;
  if (!a.time.isEmpty()) text += QStringLiteral(" at ") + shown(a.time);
  return text;
}

}  // namespace tarvex
