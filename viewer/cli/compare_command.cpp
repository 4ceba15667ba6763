#include "cli/compare_command.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <cmath>

#include "logfiles/timeconv.h"
#include "review/compare_files.h"

namespace tarvex {

namespace {

constexpr TimeMs kDayMs = 86400000;

TimeMs dayMs(const QDate& d) { return QDate(1899, 12, 30).daysTo(d) * kDayMs; }

}  // namespace

CompareReport runCompare(const CompareRequest& request) {
  const FileComparison f =
      compareFiles(request.current, request.reference, request.columns, request.options);
  CompareReport report;
  if (!f.result.overlap)
    report.notes << QStringLiteral("no overlap: %1 (shifted %2) does not meet %3")
                        .arg(f.reference.name, shiftText(f.result.shift, false), f.current.name);
  for (const ChannelComparison& c : f.result.channels) {
    if (c.referenceIndex < 0) {
      report.notes
          << QStringLiteral("%1 is not in %2: not compared").arg(c.title, f.reference.name);
      continue;
    }
    report.lines << comparisonLine(c, request.options.band.has_value());
  }
  return report;
}

std::optional<TimeMs> parseTimeBound(const QString& text, bool upper) {
  static const QRegularExpression iso(QStringLiteral(
      "^\\s*(\\d{4})-(\\d{2})-(\\d{2})(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?\\s*$"));
  const QRegularExpressionMatch m = iso.match(text);
  if (m.hasMatch()) {
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid()) return std::nullopt;
    if (m.captured(4).isEmpty()) return dayMs(date) + (upper ? kDayMs - 1000 : 0);
    const int h = m.captured(4).toInt(), min = m.captured(5).toInt(), s = m.captured(6).toInt();
    if (h > 23 || min > 59 || s > 59) return std::nullopt;
    return dayMs(date) + ((h * 60 + min) * 60 + s) * TimeMs{1000};
  }
  // A date (and time) as the files write them, in the reader's conventions.
  const std::optional<double> serial = parseDateTime(text.trimmed());
  if (!serial || !std::isfinite(*serial) || *serial < 1) return std::nullopt;
  const bool dateOnly = !text.contains(QLatin1Char(':'));
  return serialToMs(*serial) + (dateOnly && upper ? kDayMs - 1000 : 0);
}

}  // namespace tarvex
