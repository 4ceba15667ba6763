#include "batches/batch_listing.h"

#include <QDateTime>
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

// One JSON object a batch, its keys in a fixed order (path first), written
// straight as UTF-8: a document object per row would cost several times the
// query.
class JsonLine {
 public:
  explicit JsonLine(QByteArray& out) : out_(out) { out_ += '{'; }
  JsonLine& text(const char* key, const QString& value, bool nullWhenEmpty = true) {
    name(key);
    if (nullWhenEmpty && value.isEmpty())
      out_ += "null";
    else
      quoted(value);
    return *this;
  }
  JsonLine& number(const char* key, qint64 value) {
    name(key);
    out_ += QByteArray::number(value);
    return *this;
  }
  JsonLine& optional(const char* key, const std::optional<qint64>& value) {
    if (value) return number(key, *value);
    name(key);
    out_ += "null";
    return *this;
  }
  JsonLine& flag(const char* key, bool value) {
    name(key);
    out_ += value ? "true" : "false";
    return *this;
  }
  JsonLine& list(const char* key, const QStringList& values) {
    name(key);
    out_ += '[';
    for (qsizetype i = 0; i < values.size(); ++i) {
      if (i) out_ += ',';
      quoted(values[i]);
    }
    out_ += ']';
    return *this;
  }
  // A nested object: its keys follow until end().
  JsonLine& object(const char* key) {
    name(key);
    out_ += '{';
    first_ = true;
    return *this;
  }
  JsonLine& end() {
    out_ += '}';
    first_ = false;
    return *this;
  }

 private:
  void name(const char* key) {
    if (!first_) out_ += ',';
    first_ = false;
    out_ += '"';
    out_ += key;
    out_ += "\":";
  }
  void quoted(const QString& value) {
    out_ += '"';
    const QByteArray utf8 = value.toUtf8();
    for (const char c : utf8) {
      const auto u = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        out_ += '\\';
        out_ += c;
      } else if (u < 0x20) {
        static const char hex[] = "0123456789abcdef";
        const char esc[] = {'\\', 'u', '0', '0', hex[u >> 4], hex[u & 15]};
        out_.append(esc, 6);
      } else {
        out_ += c;
      }
    }
    out_ += '"';
  }
  QByteArray& out_;
  bool first_ = true;
};

// The object after `before` (the separator from the one before).
QByteArray jsonOf(const BatchRecord& r, const char* before) {
  QByteArray out;
  out.reserve(1024);
  out += before;
  const auto clock = [](const std::optional<ClockSeconds>& t) {
    return t ? isoOfClock(*t) : QString();
  };
  JsonLine(out)
      .text("path", r.path)
      .text("first", clock(r.first))
      .text("last", clock(r.last))
      .number("rows", r.rows)
      .text("verdict", verdictName(r.verdict))
      .object("signatures")
      .number("records", r.sigRecords)
      .number("confirmed", r.sigConfirmed)
      .number("failed", r.sigFailed)
      .text("problem", r.sigProblem)
      .end()
      .optional("alarms", r.alarms)
      .text("review", reviewName(r.review))
      .text("reviewed_by", r.reviewBy)
      .text("reviewed_by_id", r.reviewById)
      .text("reviewed_at", r.reviewAt)
      .text("review_note", r.reviewNote)
      .flag("missing", r.missing)
      .text("error", r.error)
      .number("size", r.size)
      .text("modified",
            QDateTime::fromMSecsSinceEpoch(r.mtimeMs, Qt::UTC).toString(Qt::ISODateWithMs))
      .text("sha256", r.sha256)
      .list("channels", r.channels)
      .object("companions")
      .text("sig", r.sigPath)
      .text("evt", r.evtPath)
      .text("audit", r.auditPath)
      .text("alarms", r.alarmPath)
      .end()
      .number("untimed_rows", r.untimedRows)
      .text("scanned", r.scannedAt, false)
      .end();
  return out;
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
    out_(jsonOf(r, first_ ? "\n" : ",\n"));
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
