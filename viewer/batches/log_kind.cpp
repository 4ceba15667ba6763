#include "batches/log_kind.h"

#include <QFile>
#include <QLocale>
#include <QStringList>

#include "logfiles/timeconv.h"
#include "shell/codepage.h"
#include "shell/readfiles.h"
#include "shell/runtime_error.h"

namespace tarvex {
namespace {

constexpr qint64 kHeadBytes = 64 * 1024;

// The fields of one line: split at ",", a field's surrounding quotes and
// blanks taken off (enough to read the first fields of a log line).
QStringList fieldsOf(QByteArrayView line) {
  const QString text =
      QByteArrayView(line).isValidUtf8() ? QString::fromUtf8(line) : decodeCp1252(line);
  QStringList fields = text.split(u',');
  for (QString& f : fields) {
    f = f.trimmed();
    if (f.size() >= 2 && f.front() == u'"' && f.back() == u'"') f = f.mid(1, f.size() - 2);
  }
  return fields;
}

// A date, with or without a time: reads as a date-time from day 1 on and is
// no plain number.
bool isDate(const QString& text) {
  const QLocale c = QLocale::c();
  if (text.isEmpty() || parseNumber(text, c)) return false;
  const std::optional<double> v = parseDateTime(text, c);
  return v && *v >= 1.0;
}

bool isTime(const QString& text) {
  return text.contains(u':') && timeOfDaySeconds(text, QLocale::c()).has_value();
}

// The first two lines of head (a byte-order mark and empty lines skipped).
QList<QByteArrayView> firstLines(QByteArrayView head) {
  if (head.startsWith("\xEF\xBB\xBF")) head = head.sliced(3);
  QList<QByteArrayView> lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i <= head.size() && lines.size() < 2; ++i) {
    if (i == head.size() || head[i] == '\n' || head[i] == '\r') {
      // A last line cut off by the head's end is still a line when it holds
      // a few fields; an empty one is none.
      if (i > start) lines << head.sliced(start, i - start);
      start = i + 1;
    }
  }
  return lines;
}

}  // namespace

QString logKindName(LogKind kind) {
  switch (kind) {
    case LogKind::DataHistory:
      return QStringLiteral("data");
    case LogKind::AuditTrail:
      return QStringLiteral("audit");
    case LogKind::AlarmHistory:
      return QStringLiteral("alarm");
    case LogKind::Other:
      break;
  }
  return QStringLiteral("other");
}

LogKind logKindFromName(const QString& name) {
  for (LogKind k : {LogKind::DataHistory, LogKind::AuditTrail, LogKind::AlarmHistory})
    if (name == logKindName(k)) return k;
  return LogKind::Other;
}

LogKind logKindOfHead(QByteArrayView head) {
  if (head.contains('\0')) return LogKind::Other;
  const QList<QByteArrayView> lines = firstLines(head);
  if (lines.isEmpty()) return LogKind::Other;
  const QStringList first = fieldsOf(lines[0]);
  if (first.size() < 3) return LogKind::Other;
  if (isDate(first[0])) {
    return isTime(first[1]) ? LogKind::AuditTrail : LogKind::Other;
  }
  if (isDate(first[1]) && isTime(first[2])) return LogKind::AlarmHistory;
  if (lines.size() < 2)
    return first[0].compare(u"Date", Qt::CaseInsensitive) == 0 &&
                   first[1].compare(u"Time", Qt::CaseInsensitive) == 0
               ? LogKind::DataHistory
               : LogKind::Other;
  const QStringList second = fieldsOf(lines[1]);
  return second.size() >= 2 && isDate(second[0]) && isTime(second[1]) ? LogKind::DataHistory
                                                                      : LogKind::Other;
}

LogKind sniffLogKind(const QString& path) {
  QFile file;
  openRegularFile(file, path);
  const QByteArray head = file.read(kHeadBytes);
  if (file.error() != QFileDevice::NoError) throw RuntimeError(err::PathFileAccess);
  return logKindOfHead(head);
}

}  // namespace tarvex
