#include "batches/batch_listing.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "logfiles/date_order.h"
#include "review/time_bound.h"
#include "review/time_window.h"
#include "shell/runtime_error.h"

namespace tarvex {
namespace {

// Clock seconds of a typed bound (serials count days since 1899-12-30, as
// the register's seconds do).
ClockSeconds boundOf(const QString& option, const QString& text, bool upper) {
  try {
    const double serial = parseTimeBound(text, DateOrder::YearMonthDay, upper);
    return upper ? lastSecondAtOrBefore(serial) : firstSecondAtOrAfter(serial);
  } catch (const RuntimeError& e) {
    throw RuntimeError(err::InvalidCall, option + QStringLiteral(": ") + e.description());
  }
}

QStringList fieldsOf(const BatchRecord& r) {
  return {r.path,
          r.first ? isoOfClock(*r.first) : QString(),
          r.last ? isoOfClock(*r.last) : QString(),
          QString::number(r.rows),
          verdictName(r.verdict),
          QStringLiteral("%1/%2").arg(r.sigConfirmed).arg(r.sigRecords),
          r.alarms ? QString::number(*r.alarms) : QString(),
          reviewName(r.review),
          r.reviewBy,
          r.reviewAt,
          r.missing ? QStringLiteral("missing") : QString(),
          r.error};
}

const QStringList kTitles{"path",   "first",  "last",        "rows",        "verdict", "signatures",
                          "alarms", "review", "reviewed_by", "reviewed_at", "missing", "error"};

QString csvField(const QString& f) {
  if (!f.contains(u',') && !f.contains(u'"') && !f.contains(u'\n') && !f.contains(u'\r')) return f;
  QString q = f;
  q.replace(u'"', QStringLiteral("\"\""));
  return u'"' + q + u'"';
}

// A TSV field: tabs and line breaks would break the line, so they read as
// blanks.
QString tsvField(QString f) {
  for (QChar& c : f)
    if (c == u'\t' || c == u'\n' || c == u'\r') c = u' ';
  return f;
}

QJsonValue orNull(const QString& s) { return s.isEmpty() ? QJsonValue() : QJsonValue(s); }

QJsonObject jsonOf(const BatchRecord& r) {
  QJsonObject o;
  o[u"path"] = r.path;
  o[u"first"] = r.first ? QJsonValue(isoOfClock(*r.first)) : QJsonValue();
  o[u"last"] = r.last ? QJsonValue(isoOfClock(*r.last)) : QJsonValue();
  o[u"rows"] = r.rows;
  o[u"verdict"] = verdictName(r.verdict);
  o[u"signatures"] = QJsonObject{{QStringLiteral("records"), r.sigRecords},
                                 {QStringLiteral("confirmed"), r.sigConfirmed},
                                 {QStringLiteral("failed"), r.sigFailed},
                                 {QStringLiteral("problem"), orNull(r.sigProblem)}};
  o[u"alarms"] = r.alarms ? QJsonValue(*r.alarms) : QJsonValue();
  o[u"review"] = reviewName(r.review);
  o[u"reviewed_by"] = orNull(r.reviewBy);
  o[u"reviewed_by_id"] = orNull(r.reviewById);
  o[u"reviewed_at"] = orNull(r.reviewAt);
  o[u"review_note"] = orNull(r.reviewNote);
  o[u"missing"] = r.missing;
  o[u"error"] = orNull(r.error);
  o[u"size"] = r.size;
  o[u"modified"] = QDateTime::fromMSecsSinceEpoch(r.mtimeMs, Qt::UTC).toString(Qt::ISODateWithMs);
  o[u"sha256"] = orNull(r.sha256);
  o[u"channels"] = QJsonArray::fromStringList(r.channels);
  o[u"companions"] = QJsonObject{{QStringLiteral("sig"), orNull(r.sigPath)},
                                 {QStringLiteral("evt"), orNull(r.evtPath)},
                                 {QStringLiteral("audit"), orNull(r.auditPath)},
                                 {QStringLiteral("alarms"), orNull(r.alarmPath)}};
  o[u"untimed_rows"] = r.untimedRows;
  o[u"scanned"] = r.scannedAt;
  return o;
}

}  // namespace

BatchFilter batchFilterOf(const FilterTexts& t) {
  BatchFilter f;
  if (!t.status.trimmed().isEmpty()) {
    f.review = reviewStateFromName(t.status.trimmed());
    if (!f.review)
      throw RuntimeError(err::InvalidCall,
                         QStringLiteral("--status needs none, reviewed, approved, rejected or "
                                        "failed, not ") +
                             t.status);
  }
  if (!t.verdict.trimmed().isEmpty()) {
    f.verdict = verdictFromName(t.verdict.trimmed());
    if (!f.verdict)
      throw RuntimeError(
          err::InvalidCall,
          QStringLiteral("--verdict needs confirmed, failed or unsigned, not ") + t.verdict);
  }
  if (!t.from.trimmed().isEmpty()) f.from = boundOf(QStringLiteral("From"), t.from, false);
  if (!t.to.trimmed().isEmpty()) f.to = boundOf(QStringLiteral("To"), t.to, true);
  if (f.from && f.to && *f.from > *f.to)
    throw RuntimeError(
        err::InvalidCall,
        QStringLiteral("From %1 lies after To %2").arg(t.from.trimmed(), t.to.trimmed()));
  f.text = t.text.trimmed();
  return f;
}

std::optional<ListFormat> listFormatFromName(const QString& name) {
  const QString n = name.trimmed().toLower();
  if (n == u"tsv") return ListFormat::Tsv;
  if (n == u"csv") return ListFormat::Csv;
  if (n == u"json") return ListFormat::Json;
  return std::nullopt;
}

ListWriter::ListWriter(ListFormat format, std::function<void(const QByteArray&)> out)
    : format_(format), out_(std::move(out)) {
  if (format_ == ListFormat::Json)
    out_("[");
  else
    out_((format_ == ListFormat::Csv ? kTitles.join(u',') : kTitles.join(u'\t')).toUtf8() + '\n');
}

void ListWriter::row(const BatchRecord& r) {
  if (format_ == ListFormat::Json) {
    out_((first_ ? "\n" : ",\n") + QJsonDocument(jsonOf(r)).toJson(QJsonDocument::Compact));
  } else {
    QStringList fields = fieldsOf(r);
    for (QString& f : fields) f = format_ == ListFormat::Csv ? csvField(f) : tsvField(f);
    out_(fields.join(format_ == ListFormat::Csv ? u',' : u'\t').toUtf8() + '\n');
  }
  first_ = false;
}

void ListWriter::finish() {
  if (format_ == ListFormat::Json) out_(first_ ? "]\n" : "\n]\n");
}

QString signaturesText(const BatchRecord& r) {
  if (!r.sigProblem.isEmpty()) return QStringLiteral(".sig unreadable");
  switch (r.verdict) {
    case SignatureVerdict::Confirmed:
      return QStringLiteral("%1 of %2 confirmed").arg(r.sigConfirmed).arg(r.sigRecords);
    case SignatureVerdict::Failed:
      return QStringLiteral("%1 of %2 FAILED").arg(r.sigFailed).arg(r.sigRecords);
    case SignatureVerdict::Unsigned:
      break;
  }
  return QStringLiteral("unsigned");
}

QString reviewText(const BatchRecord& r) {
  QString t = reviewName(r.review);
  if (r.review == ReviewState::Failed) {
    const QString first = r.reviewNote.section(u'\n', 0, 0);
    return first.isEmpty() ? t : t + QStringLiteral(": ") + first;
  }
  if (!r.reviewBy.isEmpty()) t += QStringLiteral(" by ") + r.reviewBy;
  const QDateTime at = QDateTime::fromString(r.reviewAt, Qt::ISODate);
  if (at.isValid())
    t += QStringLiteral(" on ") + at.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm")) +
         QStringLiteral(" UTC");
  return t;
}

}  // namespace tarvex
