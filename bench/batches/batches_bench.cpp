// The batch register's benchmark helper (bench/batches/run.sh):
//   batches_bench generate DIR COUNT ROWS   a plant's tree of COUNT batches of
//       ROWS rows x 8 channels at 10 s steps, each with its .sig (two records
//       of the whole file), an audit trail and an alarm history, 40 batches a
//       folder under Line1..Line4
//   batches_bench fill PLACE COUNT           COUNT made-up batches in the register
//   batches_bench list PLACE                 filtered lists timed in the program
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "batches/batch_listing.h"
#include "batches/batch_register.h"
#include "batches/register_place.h"
#include "shell/codepage.h"
#include "shell/writefiles.h"
#include "signatures/vxlog.h"

using namespace tarvex;

namespace {

const QDateTime kStart(QDate(2007, 1, 1), QTime(6, 0, 0));

QByteArray dateTime(const QDateTime& t) {
  return QLocale::c().toString(t, QStringLiteral("M/d/yyyy,H:mm:ss")).toLatin1();
}

void number(QByteArray& out, double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
  out.append(buf, r.ptr - buf);
}

QByteArray record(VxLog& sigLog, const QDateTime& t, const char* who, const char* what,
                  const QString& hash) {
  const QString plain = QString::fromLatin1(dateTime(t)) + u',' + QLatin1String(who) + u',' +
                        QLatin1String(what) + u',' + hash;
  return sigLog.EncryptToHex(plain, QString::fromUtf16(kSigPassword)).toLatin1() + "\r\n";
}

void writeBatch(const QString& dir, int n, int rows, VxLog& sigLog) {
  const QString name = QStringLiteral("%1/B%2_").arg(dir).arg(n, 5, 10, QChar(u'0'));
  // Sixteen batches a month, each starting on the 13th or later, so that its
  // dates (month/day/year) decide their order.
  const QDateTime start(kStart.date().addMonths(n / 16).addDays(12 + n % 16), kStart.time());
  QByteArray data =
      "Date,Time,TC1 Zone 1 (C),TC2 Zone 2 (C),TC3 Zone 3 (C),PT1 Pressure (bar),"
      "FT1 Flow (l/min),LT1 Level (%),AT1 pH,HTR1 Output (%)\r\n";
  data.reserve(rows * 80);
  QDateTime t = start;
  for (int r = 0; r < rows; ++r, t = t.addSecs(10)) {
    data += dateTime(t);
    for (int c = 0; c < 8; ++c) {
      data += ',';
      number(data, 100 + 20 * c + 5 * std::sin(r / 300.0 + c) + 0.01 * ((r * 7919 + c) % 97));
    }
    data += "\r\n";
  }
  writeWholeFile(name + QStringLiteral("History.csv"), data);
  const QString hash = fileHashOfBytes(data);
  const QDateTime end = t.addSecs(-10);
  writeWholeFile(name + QStringLiteral("History.sig"),
                 record(sigLog, end.addSecs(300), "Jane Miller", "Batch record reviewed", hash) +
                     record(sigLog, end.addSecs(900), "Robert Chen", "QA release", hash));
  QByteArray audit;
  for (int k = 0; k < 4; ++k)
    audit += dateTime(start.addSecs(qint64(k) * rows * 3)) + ",Jane Miller,Step " +
             QByteArray::number(k) + "\r\n";
  writeWholeFile(name + QStringLiteral("Audit.aud"), audit);
  QByteArray alarms;
  for (int k = 0; k < 5; ++k)
    alarms += "High Temp TC" + QByteArray::number(k + 1) + ',' +
              dateTime(start.addSecs(qint64(k + 1) * rows * 10 / 6)) + "\r\n";
  writeWholeFile(name + QStringLiteral("Alarms.csv"), alarms);
}

int generate(const QString& root, int count, int rows) {
  std::atomic<int> next{0};
  auto work = [&] {
    VxLog sigLog;
    for (int n; (n = next.fetch_add(1)) < count;) {
      const QString dir = QStringLiteral("%1/Line%2/Folder%3").arg(root).arg(n % 4 + 1).arg(n / 40);
      QDir().mkpath(dir);
      writeBatch(dir, n, rows, sigLog);
    }
  };
  std::thread helper(work);
  work();
  helper.join();
  return 0;
}

// Made-up batches spread over about three years: reviews and verdicts in the
// shares a plant might see.
int fill(const QString& place, int count) {
  Register reg(registerPlaceOf(place));
  std::vector<BatchRecord> rows;
  const QString scanned = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
  for (int n = 0; n < count; ++n) {
    BatchRecord r;
    r.path = QStringLiteral("/plant/Reactor%1/%2/Run%3_History.csv")
                 .arg(n % 12 + 1)
                 .arg(kStart.addSecs(qint64(n) * 900).date().toString(Qt::ISODate))
                 .arg(n);
    r.size = 750000;
    r.mtimeMs = 1170000000000LL + qint64(n) * 900000;
    r.sha256 = QString(64, u'a');
    r.rows = 10000;
    r.first = qint64(39083) * 86400 + qint64(n) * 900;
    r.last = *r.first + 99990;
    r.channels = {"TC1 Zone 1 (C)", "TC2 Zone 2 (C)", "PT1 Pressure (bar)",
                  QStringLiteral("AT%1 pH").arg(n % 50)};
    r.verdict = n % 50 == 3    ? SignatureVerdict::Failed
                : n % 100 == 3 ? SignatureVerdict::Unsigned
                               : SignatureVerdict::Confirmed;
    r.sigRecords = 2;
    r.sigConfirmed = r.verdict == SignatureVerdict::Confirmed ? 2 : 0;
    r.alarms = n % 9;
    const int k = n % 100;
    r.review = k < 5    ? ReviewState::None
               : k < 8  ? ReviewState::Reviewed
               : k < 9  ? ReviewState::Rejected
               : k < 10 ? ReviewState::Failed
                        : ReviewState::Approved;
    r.scannedAt = scanned;
    rows.push_back(std::move(r));
    if (rows.size() == 5000) reg.write(std::exchange(rows, {}), {});
  }
  reg.write(std::move(rows), {});
  std::printf("%lld batches in %s\n", reg.total(), qPrintable(place));
  return 0;
}

int list(const QString& place) {
  Register reg(registerPlaceOf(place));
  struct Case {
    const char* what;
    FilterTexts texts;
  };
  const Case cases[] = {
      {"--status none", {"none", "", "", "", ""}},
      {"--verdict failed", {"", "failed", "", "", ""}},
      {"--status none --verdict failed", {"none", "failed", "", "", ""}},
      {"--from 2008-03-01 --to 2008-03-07", {"", "", "2008-03-01", "2008-03-07", ""}},
      {"--grep \"at17 ph\"", {"", "", "", "", "at17 ph"}},
      {"--grep reactor7/ --status reviewed", {"reviewed", "", "", "", "reactor7/"}},
  };
  std::printf("register of %lld batches (%s)\n", reg.total(), qPrintable(reg.place().display));
  for (const Case& c : cases) {
    const BatchFilter filter = batchFilterOf(c.texts);
    std::vector<double> ms;
    qint64 rows = 0, bytes = 0;
    for (int run = 0; run < 9; ++run) {
      QElapsedTimer clock;
      clock.start();
      QByteArray out;
      ListWriter writer(ListFormat::Json, [&](const QByteArray& b) { out += b; });
      rows = 0;
      reg.forEach(filter, [&](const BatchRecord& r) {
        writer.row(r);
        ++rows;
      });
      writer.finish();
      bytes = out.size();
      ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("  %-40s %6lld rows  %8lld bytes of JSON  median %7.1f ms (min %.1f)\n", c.what,
                rows, bytes, ms[ms.size() / 2], ms.front());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList a = app.arguments();
  if (a.size() == 5 && a[1] == u"generate") return generate(a[2], a[3].toInt(), a[4].toInt());
  if (a.size() == 4 && a[1] == u"fill") return fill(a[2], a[3].toInt());
  if (a.size() == 3 && a[1] == u"list") return list(a[2]);
  std::fprintf(stderr,
               "usage: batches_bench generate DIR COUNT ROWS | fill PLACE COUNT | list PLACE\n");
  return 2;
}
