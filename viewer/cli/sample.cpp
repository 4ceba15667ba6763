#include "cli/sample.h"

#include <QDateTime>
#include <QDir>
#include <algorithm>
#include <cmath>
#include <vector>

#include "shell/codepage.h"
#include "shell/runtime_error.h"
#include "shell/writefiles.h"
#include "signatures/vxlog.h"

namespace tarvex {
namespace {

const QString kPw = QString::fromUtf16(kSigPassword);

// A small fixed-seed generator, so a sample depends only on its size.
class Noise {
 public:
  // Uniform in [-1, 1).
  double next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state_ >> 11) / 4503599627370496.0 - 1.0;
  }

 private:
  quint64 state_ = 0x5EED2007ULL;
};

QString dateText(const QDateTime& t) { return QLocale::c().toString(t.date(), u"M/d/yyyy"); }
QString timeText(const QDateTime& t) { return QLocale::c().toString(t.time(), u"H:mm:ss"); }
QString num(double v, int decimals) { return QString::number(v, 'f', decimals); }

void writeWhole(const QString& path, const QByteArray& bytes) { writeWholeFile(path, bytes); }

// Plain lines in code page 1252, CR LF after each.
QByteArray plainLines(const QStringList& lines) {
  QByteArray out;
  for (const QString& line : lines) out += encodeCp1252(line) + "\r\n";
  return out;
}

// Each record enciphered as the controller does: the code page 1252 bytes
// of the record, the hex text of their ciphertext, CR LF.
QByteArray cipheredLines(const QStringList& records, VxLog& sigLog) {
  QByteArray out;
  for (const QString& record : records)
    out += sigLog.EncryptToHex(bytesAsLowByteText(encodeCp1252(record)), kPw).toLatin1() + "\r\n";
  return out;
}

QString record(const QDateTime& t, const QString& user, const QString& text) {
  return dateText(t) + u',' + timeText(t) + u',' + user + u',' + text;
}

const QString kJane = QStringLiteral("Jane Miller");
const QString kRobert = QStringLiteral("Robert Chen");
const QString kJose = QStringLiteral("Jos\u00E9 \u00C1lvarez");

}  // namespace

SampleSet writeSampleSet(const QString& dirPath, int rows, VxLog& sigLog) {
  if (rows < kMinSampleRows)
    throw RuntimeError(err::InvalidCall, QStringLiteral("A sample needs at least ") +
                                             QString::number(kMinSampleRows) +
                                             QStringLiteral(" data rows"));
  QDir dir(dirPath);
  if (!dir.mkpath(QStringLiteral("."))) throw RuntimeError(err::PathNotFound);
  SampleSet set;
  set.dataFile = dir.filePath(QStringLiteral("Reactor2_History.csv"));
  set.sigFile = dir.filePath(QStringLiteral("Reactor2_History.sig"));
  set.evtFile = dir.filePath(QStringLiteral("Reactor2_History.evt"));
  set.auditFile = dir.filePath(QStringLiteral("Reactor2_Audit.aud"));
  set.auditSig = dir.filePath(QStringLiteral("Reactor2_Audit.sig"));
  set.alarmFile = dir.filePath(QStringLiteral("Reactor2_Alarms.csv"));

  const QDateTime start(QDate(2007, 3, 14), QTime(6, 0, 0));
  auto at = [&](qint64 row) { return start.addSecs(10 * row); };  // row 0 = first sample
  const QDateTime end = at(rows - 1);

  // Data history: date, time, eight channels. The pH analyser drops out now
  // and then (empty cells), thermocouple 3 reads OVR at times and the flow
  // meter reports Err for a moment a third of the way in.
  QStringList data{
      QStringLiteral("Date,Time,TC1 Zone 1 (C),TC2 Zone 2 (C),TC3 Zone 3 (C),"
                     "PT1 Pressure (bar),FT1 Flow (l/min),LT1 Level (%),AT1 pH,"
                     "HTR1 Output (%)")};
  Noise noise;
  for (int r = 0; r < rows; ++r) {
    const double t = 10.0 * r;
    const double tc1 = 180 + 6 * std::sin(t / 900) + 0.4 * noise.next();
    const double tc2 = 176 + 5 * std::sin(t / 900 - 0.4) + 0.4 * noise.next();
    const double tc3 = 171 + 4 * std::sin(t / 900 - 0.8) + 0.4 * noise.next();
    const double pt1 = 2.45 + 0.08 * std::sin(t / 300) + 0.01 * noise.next();
    const double ft1 = 12.3 + 0.6 * std::cos(t / 450) + 0.05 * noise.next();
    const double lt1 = 40 + 30 * std::fmod(t / 7200.0, 1.0) + 0.2 * noise.next();
    const double ph = 7.02 + 0.04 * std::sin(t / 1200) + 0.01 * noise.next();
    const double htr = std::clamp(55 - 4 * (tc1 - 180) + 2 * noise.next(), 0.0, 100.0);
    const QString tc3Text = r % 97 == 96 ? QStringLiteral("OVR") : num(tc3, 1);
    const QString ftText =
        (r >= rows / 3 && r < rows / 3 + 3) ? QStringLiteral("Err") : num(ft1, 2);
    const QString phText = r % 47 == 46 ? QString() : num(ph, 2);
    const QDateTime when = at(r);
    data << dateText(when) + u',' + timeText(when) + u',' + num(tc1, 1) + u',' + num(tc2, 1) +
                u',' + tc3Text + u',' + num(pt1, 2) + u',' + ftText + u',' + num(lt1, 1) + u',' +
                phText + u',' + num(htr, 1);
  }

  // The first signature was made when half of the samples were written: the
  // file has grown since, so it no longer verifies. The later two sign the
  // finished file.
  const int half = rows / 2;
  writeWhole(set.dataFile, plainLines(data.mid(0, 1 + half)));
  const QString halfHash = sigLog.CalculateFileHash(set.dataFile, kPw);
  writeWhole(set.dataFile, plainLines(data));
  const QString fullHash = sigLog.CalculateFileHash(set.dataFile, kPw);
  writeWhole(set.sigFile,
             cipheredLines({record(at(half - 1).addSecs(4), kJane,
                                   QStringLiteral("Start-up checked") + u',' + halfHash),
                            record(end.addSecs(312), kJane,
                                   QStringLiteral("Batch record reviewed") + u',' + fullHash),
                            record(end.addSecs(1475), kJose,
                                   QStringLiteral("QA release B-2047") + u',' + fullHash)},
                           sigLog));

  const QStringList events{
      record(start, kJane, QStringLiteral("Batch B-2047 started")),
      record(at(rows / 10).addSecs(3), kJane,
             QStringLiteral("TC1 setpoint changed from 178 to 180")),
      record(at(rows / 3).addSecs(7), kRobert, QStringLiteral("Flow meter FT1 fault acknowledged")),
      record(at(rows / 2).addSecs(1), kRobert, QStringLiteral("Sample drawn for lab analysis")),
      record(at(3 * rows / 4).addSecs(5), kJane, QStringLiteral("Agitator speed set to 120 rpm")),
      record(end, kJane, QStringLiteral("Batch B-2047 ended")),
  };
  writeWhole(set.evtFile, cipheredLines(events, sigLog));

  // Audit trail: date, time, user, action; some entries carry the
  // workstation in a fifth field.
  auto audit = [&](const QDateTime& t, const QString& user, const QString& action,
                   const QString& station = QString()) {
    QString line = record(t, user, action);
    if (!station.isEmpty()) line += u',' + station;
    return line;
  };
  const QStringList auditLines{
      audit(start.addSecs(-320), kJane, QStringLiteral("Log in"), QStringLiteral("HMI-1")),
      audit(start.addSecs(-200), kJane, QStringLiteral("Recipe B-2047 loaded")),
      audit(start, kJane, QStringLiteral("Batch started")),
      audit(at(rows / 10), kJane, QStringLiteral("TC1 setpoint changed from 178 to 180")),
      audit(at(rows / 3).addSecs(-40), kRobert, QStringLiteral("Log in"), QStringLiteral("HMI-2")),
      audit(at(rows / 3).addSecs(7), kRobert, QStringLiteral("Alarm FT1 fault acknowledged")),
      audit(at(rows / 2), kRobert, QStringLiteral("Log out"), QStringLiteral("HMI-2")),
      audit(end, kJane, QStringLiteral("Batch ended")),
      audit(end.addSecs(312), kJane, QStringLiteral("Batch record signed")),
      audit(end.addSecs(1400), kJose, QStringLiteral("Log in"), QStringLiteral("QA-1")),
      audit(end.addSecs(1475), kJose, QStringLiteral("Batch record released")),
  };
  writeWhole(set.auditFile, plainLines(auditLines));
  const QString auditHash = sigLog.CalculateFileHash(set.auditFile, kPw);
  writeWhole(set.auditSig,
             cipheredLines({record(end.addSecs(1490), kJose,
                                   QStringLiteral("Audit trail reviewed") + u',' + auditHash)},
                           sigLog));

  // Alarm history: description, date, time, in the order they came.
  std::vector<std::pair<int, QString>> alarms{
      {rows / 8, QStringLiteral("High Temp TC1")},
      {rows / 6, QStringLiteral("Low Level LT1")},
      {rows / 3, QStringLiteral("Flow Fault FT1")},
      {rows / 2, QStringLiteral("High Pressure PT1")},
      {std::min(96, rows - 1), QStringLiteral("TC3 Over Range")},
      {4 * rows / 5, QStringLiteral("High Temp TC1")},
      {std::min(46, rows - 1), QStringLiteral("pH Analyser Offline AT1")}};
  std::stable_sort(alarms.begin(), alarms.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  QStringList alarmLines;
  for (const auto& [row, text] : alarms) {
    const QDateTime t = at(row).addSecs(3);
    alarmLines << text + u',' + dateText(t) + u',' + timeText(t);
  }
  writeWhole(set.alarmFile, plainLines(alarmLines));
  return set;
}

}  // namespace tarvex
