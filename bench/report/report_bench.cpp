// The batch review report's benchmark input: a data history of ROWS rows x
// 8 channels (the sample set's), a .sig of SIG_LINES records, and an audit
// trail (with its .sig) and an alarm history of EVENT_ROWS rows each.
// Usage: report_bench DIR [ROWS] [SIG_LINES] [EVENT_ROWS]
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <cstdio>

#include "cli/sample.h"
#include "shell/codepage.h"
#include "shell/writefiles.h"
#include "signatures/vxlog.h"

using namespace tarvex;

namespace {

const QString kPw = QString::fromUtf16(kSigPassword);

QString stamp(const QDateTime& t) {
  return QLocale::c().toString(t.date(), u"M/d/yyyy") + u',' +
         QLocale::c().toString(t.time(), u"H:mm:ss");
}

QByteArray cipher(const QString& record, VxLog& sigLog) {
  return sigLog.EncryptToHex(bytesAsLowByteText(encodeCp1252(record)), kPw).toLatin1() + "\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: report_bench DIR [ROWS] [SIG_LINES] [EVENT_ROWS]\n");
    return 2;
  }
  const QString dir = args[1];
  const int rows = args.size() > 2 ? args[2].toInt() : 1000000;
  const int sigLines = args.size() > 3 ? args[3].toInt() : 100000;
  const int eventRows = args.size() > 4 ? args[4].toInt() : 10000;
  try {
    VxLog sigLog;
    const SampleSet set = writeSampleSet(dir, rows, sigLog);
    const QDateTime start(QDate(2007, 3, 14), QTime(6, 0, 0));
    const qint64 span = 10LL * rows;  // seconds the data covers

    // Signatures: every record signs the finished file.
    const QString hash = sigLog.CalculateFileHash(set.dataFile, kPw);
    QByteArray sig;
    for (int i = 0; i < sigLines; ++i)
      sig += cipher(stamp(start.addSecs(span + i)) + QStringLiteral(",Jane Miller,Review pass ") +
                        QString::number(i + 1) + u',' + hash,
                    sigLog);
    writeWholeFile(set.sigFile, sig);

    // Audit trail and alarms spread over the data's time.
    QByteArray audit, alarms;
    for (int i = 0; i < eventRows; ++i) {
      const QDateTime t = start.addSecs(span * i / std::max(1, eventRows));
      audit += encodeCp1252(stamp(t) + QStringLiteral(",Robert Chen,Setpoint TC") +
                            QString::number(i % 3 + 1) + QStringLiteral(" changed to ") +
                            QString::number(170 + i % 20)) +
               "\r\n";
      alarms += encodeCp1252(QStringLiteral("High Temp TC") + QString::number(i % 3 + 1) + u',' +
                             stamp(t.addSecs(3))) +
                "\r\n";
    }
    writeWholeFile(set.auditFile, audit);
    writeWholeFile(set.auditSig, cipher(stamp(start.addSecs(span + 60)) +
                                            QStringLiteral(",Jose Alvarez,Audit trail reviewed,") +
                                            sigLog.CalculateFileHash(set.auditFile, kPw),
                                        sigLog));
    writeWholeFile(set.alarmFile, alarms);
    for (const QString& f : set.files()) std::printf("%s\n", qPrintable(f));
  } catch (const RuntimeError& e) {
    std::fprintf(stderr, "report_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
