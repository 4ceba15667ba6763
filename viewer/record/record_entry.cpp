#include "record/record_entry.h"

#include <nettle/sha2.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTimeZone>

namespace tarvex {

namespace {

constexpr char kSigField[] = ",\"sig\":\"";
constexpr int kSigHex = 128;

void appendJsonString(QByteArray& out, const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  out += '"';
  for (const char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (u < 0x20) {
      out += "\\u00";
      out += QByteArray::number(u, 16).rightJustified(2, '0');
    } else {
      out += c;
    }
  }
  out += '"';
}

void field(QByteArray& out, const char* key, const QString& value) {
  out += ",\"";
  out += key;
  out += "\":";
  appendJsonString(out, value);
}

QString utcText(const QDateTime& t) {
  return t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

QString offsetText(int seconds) {
  const int a = seconds < 0 ? -seconds : seconds;
  return QStringLiteral("%1%2:%3")
      .arg(QChar(seconds < 0 ? u'-' : u'+'))
      .arg(a / 3600, 2, 10, QLatin1Char('0'))
      .arg(a / 60 % 60, 2, 10, QLatin1Char('0'));
}

std::optional<int> parseOffset(const QString& text) {
  static const QRegularExpression re(QStringLiteral("^([+-])(\\d\\d):(\\d\\d)$"));
  const auto m = re.match(text);
  if (!m.hasMatch()) return std::nullopt;
  const int v = m.captured(2).toInt() * 3600 + m.captured(3).toInt() * 60;
  if (v > 18 * 3600) return std::nullopt;
  return m.captured(1) == u"-" ? -v : v;
}

bool isHex(const QByteArray& text, int length) {
  if (text.size() != length) return false;
  for (const char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

class Reader {
 public:
  explicit Reader(const QJsonObject& o) : o_(o) {}
  QString text(const char* key) {
    const QJsonValue v = o_.value(QLatin1String(key));
    if (!v.isString()) fail(key, "text");
    return v.toString();
  }
  QByteArray hex(const char* key, int length) {
    const QByteArray v = text(key).toLatin1();
    if (!isHex(v, length)) fail(key, "lower-case hex digits");
    return v;
  }
  qint64 whole(const char* key) {
    const QJsonValue v = o_.value(QLatin1String(key));
    const double d = v.toDouble(-1);
    if (!v.isDouble() || d < 1 || d > 9.0e15 || d != double(qint64(d))) fail(key, "whole number");
    return qint64(d);
  }
  QJsonArray array(const char* key) {
    const QJsonValue v = o_.value(QLatin1String(key));
    if (!v.isArray()) fail(key, "list");
    return v.toArray();
  }
  bool has(const char* key) const { return o_.contains(QLatin1String(key)); }
  [[noreturn]] static void fail(const char* key, const char* what) {
    throw QStringLiteral("field \"%1\" is no %2").arg(QLatin1String(key), QLatin1String(what));
  }

 private:
  const QJsonObject& o_;
};

}  // namespace

bool isNoteTable(const QString& name) {
  for (const char* t : {"data", "audit", "alarm", "evt", "sig", "audit-sig"})
    if (name == QLatin1String(t)) return true;
  return false;
}

QString meaningName(Meaning meaning) {
  switch (meaning) {
    case Meaning::Reviewed:
      return QStringLiteral("reviewed");
    case Meaning::Approved:
      return QStringLiteral("approved");
    case Meaning::Rejected:
      return QStringLiteral("rejected");
  }
  return {};
}

std::optional<Meaning> parseMeaning(const QString& name) {
  for (const Meaning m : {Meaning::Reviewed, Meaning::Approved, Meaning::Rejected})
    if (name == meaningName(m)) return m;
  return std::nullopt;
}

QByteArray entryLineBody(const RecordEntry& e) {
  QByteArray out;
  out.reserve(512);
  out += "{\"seq\":";
  out += QByteArray::number(e.seq);
  field(out, "prev", QString::fromLatin1(e.prev));
  field(out, "data", e.data);
  field(out, "dataSha256", e.dataSha256);
  field(out, "written", utcText(e.written));
  field(out, "offset", offsetText(e.offsetSeconds));
  field(out, "author", e.author);
  field(out, "name", e.name);
  field(out, "key", e.keyFingerprint);
  if (e.kind == EntryKind::Note) {
    field(out, "kind", QStringLiteral("note"));
    const NoteAnchor& a = e.anchor;
    if (a.kind == NoteAnchor::Kind::Time) {
      field(out, "anchor", QStringLiteral("time"));
    } else {
      field(out, "anchor", QStringLiteral("row"));
      field(out, "table", a.table);
      out += ",\"row\":" + QByteArray::number(a.row);
    }
    field(out, "time", a.time);
    if (a.kind == NoteAnchor::Kind::Row && a.table != u"data") {
      field(out, "file", a.file);
      field(out, "fileSha256", a.fileSha256);
    }
    field(out, "text", e.text);
  } else {
    field(out, "kind", QStringLiteral("signoff"));
    field(out, "meaning", meaningName(e.meaning));
    field(out, "reason", e.reason);
    field(out, "from", e.from);
    field(out, "to", e.to);
    out += ",\"files\":[";
    for (std::size_t i = 0; i < e.files.size(); ++i) {
      out += i ? ",{" : "{";
      QByteArray f;
      field(f, "role", e.files[i].role);
      field(f, "name", e.files[i].name);
      field(f, "sha256", e.files[i].sha256);
      out += f.mid(1);  // without the first ","
      out += '}';
    }
    out += ']';
  }
  return out;
}

QByteArray signedBytes(const QByteArray& lineBody) {
  return QByteArrayLiteral("tarvex review entry\n") + lineBody;
}

QByteArray writeEntryLine(const RecordEntry& entry) {
  return entryLineBody(entry) + kSigField + entry.signature.toHex() + "\"}";
}

std::optional<RecordEntry> parseEntryLine(const QByteArray& line, QString* error,
                                          QByteArray* body) {
  auto refuse = [&](const QString& why) -> std::optional<RecordEntry> {
    if (error) *error = why;
    return std::nullopt;
  };
  const qsizetype tail = qsizetype(sizeof kSigField - 1) + kSigHex + 2;
  if (line.size() <= tail || !line.startsWith("{\"seq\":") || !line.endsWith("\"}"))
    return refuse(QStringLiteral("not an entry line"));
  const qsizetype sigAt = line.size() - tail;
  if (line.mid(sigAt, qsizetype(sizeof kSigField - 1)) != kSigField)
    return refuse(QStringLiteral("no signature at the end of the line"));
  const QByteArray sigHex = line.mid(sigAt + qsizetype(sizeof kSigField - 1), kSigHex);
  if (!isHex(sigHex, kSigHex)) return refuse(QStringLiteral("the signature is no hex"));

  QJsonParseError jsonError{};
  const QJsonDocument doc = QJsonDocument::fromJson(line, &jsonError);
  if (jsonError.error != QJsonParseError::NoError || !doc.isObject())
    return refuse(QStringLiteral("no JSON object (%1 at byte %2)")
                      .arg(jsonError.errorString())
                      .arg(jsonError.offset + 1));
  const QJsonObject o = doc.object();
  RecordEntry e;
  try {
    Reader r(o);
    e.seq = r.whole("seq");
    e.prev = r.hex("prev", 64);
    e.data = r.text("data");
    e.dataSha256 = QString::fromLatin1(r.hex("dataSha256", 64));
    e.written = QDateTime::fromString(r.text("written"), Qt::ISODate);
    if (!e.written.isValid()) Reader::fail("written", "UTC time");
    e.written = e.written.toUTC();
    const auto offset = parseOffset(r.text("offset"));
    if (!offset) Reader::fail("offset", "UTC offset");
    e.offsetSeconds = *offset;
    e.author = r.text("author");
    e.name = r.text("name");
    e.keyFingerprint = QString::fromLatin1(r.hex("key", 64));
    const QString kind = r.text("kind");
    if (kind == u"note") {
      e.kind = EntryKind::Note;
      const QString anchor = r.text("anchor");
      if (anchor == u"row") {
        e.anchor.kind = NoteAnchor::Kind::Row;
        e.anchor.table = r.text("table");
        e.anchor.row = int(qMin<qint64>(r.whole("row"), INT_MAX));
        if (!isNoteTable(e.anchor.table)) Reader::fail("table", "table name");
        if (e.anchor.table != u"data") {
          e.anchor.file = r.text("file");
          e.anchor.fileSha256 = QString::fromLatin1(r.hex("fileSha256", 64));
        }
      } else if (anchor != u"time") {
        Reader::fail("anchor", "anchor kind");
      }
      e.anchor.time = r.text("time");
      e.text = r.text("text");
    } else if (kind == u"signoff") {
      e.kind = EntryKind::SignOff;
      const auto meaning = parseMeaning(r.text("meaning"));
      if (!meaning) Reader::fail("meaning", "meaning");
      e.meaning = *meaning;
      e.reason = r.text("reason");
      e.from = r.text("from");
      e.to = r.text("to");
      for (const QJsonValue& v : r.array("files")) {
        if (!v.isObject()) Reader::fail("files", "list of files");
        const QJsonObject fo = v.toObject();
        Reader fr(fo);
        e.files.push_back(
            {fr.text("role"), fr.text("name"), QString::fromLatin1(fr.hex("sha256", 64))});
      }
    } else {
      Reader::fail("kind", "entry kind");
    }
  } catch (const QString& why) {
    return refuse(why);
  }
  e.signature = QByteArray::fromHex(sigHex);
  // Only the one form the writer gives is an entry: a field added, moved,
  // spelled or escaped otherwise would let two texts carry one meaning.
  const QByteArray canonical = entryLineBody(e);
  if (canonical != QByteArrayView(line).first(sigAt))
    return refuse(QStringLiteral("fields not in the record's order and form"));
  if (body) *body = canonical;
  return e;
}

QByteArray lineHash(const QByteArray& line) {
  sha256_ctx ctx;
  sha256_init(&ctx);
  sha256_update(&ctx, std::size_t(line.size()), reinterpret_cast<const uint8_t*>(line.constData()));
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&ctx, SHA256_DIGEST_SIZE, digest);
  return QByteArray(reinterpret_cast<const char*>(digest), SHA256_DIGEST_SIZE).toHex();
}

QByteArray firstPrev() { return QByteArray(64, '0'); }

QString writtenText(const RecordEntry& entry) {
  const QDateTime local = entry.written.toOffsetFromUtc(entry.offsetSeconds);
  return local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + offsetText(entry.offsetSeconds);
}

}  // namespace tarvex
