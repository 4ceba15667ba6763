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
  // Read by hand: the viewer reads one for every note of a record, and
  // QDateTime::fromString costs tens of microseconds each.
  if (iso.size() != 19 || iso[4] != u'-' || iso[7] != u'-' || iso[10] != u'T' || iso[13] != u':' ||
      iso[16] != u':')
    return std::nullopt;
  auto field = [&](int from, int n) {
    int v = 0;
    for (int i = from; i < from + n; ++i) {
      const char16_t c = iso[i].unicode();
      if (c < u'0' || c > u'9') return -1;
      v = v * 10 + (c - u'0');
    }
    return v;
  };
  const int y = field(0, 4), mo = field(5, 2), d = field(8, 2);
  const int h = field(11, 2), mi = field(14, 2), sec = field(17, 2);
  const QDate date(y, mo, d);
  if (!date.isValid() || h < 0 || h > 23 || mi < 0 || mi > 59 || sec < 0 || sec > 59)
    return std::nullopt;
  static const qint64 epochDay = QDate(1899, 12, 30).toJulianDay();
  return (date.toJulianDay() - epochDay) * 86400 + h * 3600 + mi * 60 + sec;
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
