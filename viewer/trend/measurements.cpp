#include "trend/measurements.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "trend/datetime_format.h"

namespace tarvex {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

QString timeText(const QString& pattern, double x) { return formatDateTime(pattern, x); }

}  // namespace

QStringList cursorStyleCaptions() {
  return {QStringLiteral("Value X-Y"), QStringLiteral("Value X"),   QStringLiteral("Value Y"),
          QStringLiteral("Period"),    QStringLiteral("Peak-Peak"), QStringLiteral("Frequency")};
}

std::ptrdiff_t nearestPointIndex(const TrendPlot& plot, int channel, double x) {
  const std::size_t n = plot.pointCount(channel);
  if (n == 0) return -1;
  // The first point with X >= x.
  std::size_t lo = 0, hi = n;
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (plot.point(channel, mid).x < x)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo == n) return static_cast<std::ptrdiff_t>(n - 1);
  if (lo == 0) return 0;
  const double after = plot.point(channel, lo).x - x;
  const double before = x - plot.point(channel, lo - 1).x;
  return static_cast<std::ptrdiff_t>(before <= after ? lo - 1 : lo);
}

std::optional<TrendPoint> readingAt(const TrendPlot& plot, int channel, double x) {
  const std::ptrdiff_t i = nearestPointIndex(plot, channel, x);
  if (i < 0) return std::nullopt;
  return plot.point(channel, static_cast<std::size_t>(i));
}

int nearestChannel(const TrendPlot& plot, double x, double y) {
  int best = -1;
  double bestDistance = std::numeric_limits<double>::infinity();
  for (int c = 0; c < plot.channelCount(); ++c) {
    const auto r = readingAt(plot, c, x);
    if (!r || std::isnan(r->y)) continue;
    const double d = std::abs(r->y - y);
    if (d < bestDistance) {
      bestDistance = d;
      best = c;
    }
  }
  return best;
}

QString formatDuration(double days) {
  if (!std::isfinite(days)) return QString();
  const bool negative = days < 0;
  const long long totalMs = std::llround(std::abs(days) * 86400000.0);
  const long long d = totalMs / 86400000;
  const long long h = totalMs / 3600000 % 24;
  const long long m = totalMs / 60000 % 60;
  const long long s = totalMs / 1000 % 60;
  const long long ms = totalMs % 1000;
  QString text = negative && totalMs != 0 ? QStringLiteral("-") : QString();
  if (d > 0)
    text += QStringLiteral("%1 d %2").arg(d).arg(h, 2, 10, QLatin1Char('0'));
  else
    text += QString::number(h);
  text += QStringLiteral(":%1:%2").arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
  if (ms != 0) {
    QString frac = QStringLiteral("%1").arg(ms, 3, 10, QLatin1Char('0'));
    while (frac.endsWith(QLatin1Char('0'))) frac.chop(1);
    text += QLatin1Char('.') + frac;
  }
  return text;
}

QString formatReading(double value) {
  if (std::isnan(value)) return QString();
  return QString::number(value, 'g', 7);
}

Measurement measure(const TrendPlot& plot, double x1, std::optional<double> x2, double visibleMin,
                    double visibleMax, const ReferenceReadings* reference) {
  Measurement m;
  if (reference) {
    m.withReference = true;
    m.referenceNotes = reference->referenceNotes();
  }
  m.x1 = x1;
  m.x2 = x2;
  if (x2) {
    m.from = std::min(x1, *x2);
    m.to = std::max(x1, *x2);
  } else {
    m.from = std::min(visibleMin, visibleMax);
    m.to = std::max(visibleMin, visibleMax);
  }
  for (int c = 0; c < plot.channelCount(); ++c) {
    ChannelMeasurement cm;
    cm.title = plot.channelStyle(c).titleText;
    const auto r1 = readingAt(plot, c, x1);
    cm.y1 = r1 ? r1->y : kNaN;
    cm.y2 = kNaN;
    std::optional<TrendPoint> r2;
    if (x2) {
      r2 = readingAt(plot, c, *x2);
      cm.y2 = r2 ? r2->y : kNaN;
    }
    cm.dy = cm.y2 - cm.y1;  // NaN when either is
    cm.stats = plot.stats(c, m.from, m.to);
    cm.ref1 = cm.ref2 = cm.d1 = cm.d2 = kNaN;
    if (reference && reference->compared(c)) {
      // The reference where the readings are: at the reading point's time.
      cm.compared = true;
      if (r1) cm.ref1 = reference->referenceAt(c, r1->x);
      if (r2) cm.ref2 = reference->referenceAt(c, r2->x);
      cm.d1 = cm.y1 - cm.ref1;
      cm.d2 = cm.y2 - cm.ref2;
      cm.diff = reference->differences(c, m.from, m.to);
    }
    m.channels.push_back(cm);
  }
  return m;
}

std::vector<QStringList> measurementRows(const Measurement& m, const QString& dateTimeFormat) {
  std::vector<QStringList> rows;
  rows.push_back({QStringLiteral("Cursor 1"), timeText(dateTimeFormat, m.x1)});
  if (m.twoCursors()) {
    rows.push_back({QStringLiteral("Cursor 2"), timeText(dateTimeFormat, *m.x2)});
    rows.push_back({QStringLiteral("dX"), formatDuration(m.dx())});
  } else {
    rows.push_back({QStringLiteral("Visible range"), timeText(dateTimeFormat, m.from),
                    timeText(dateTimeFormat, m.to)});
  }
  for (const QString& note : m.referenceNotes) rows.push_back({note});
  const QString delta = QStringLiteral("\u0394");
  QStringList head{QStringLiteral("Channel"), QStringLiteral("Y1")};
  if (m.withReference) head << QStringLiteral("Ref1") << delta + QLatin1Char('1');
  if (m.twoCursors()) {
    head << QStringLiteral("Y2");
    if (m.withReference) head << QStringLiteral("Ref2") << delta + QLatin1Char('2');
    head << QStringLiteral("dY");
  }
  head << QStringLiteral("Min") << QStringLiteral("Max") << QStringLiteral("Mean")
       << QStringLiteral("Points");
  if (m.withReference)
    head << QStringLiteral("Max |%1|").arg(delta) << QStringLiteral("Mean %1").arg(delta)
         << QStringLiteral("RMS %1").arg(delta);
  rows.push_back(head);
  for (const ChannelMeasurement& c : m.channels) {
    QStringList line{c.title, formatReading(c.y1)};
    const bool refCells = m.withReference && c.compared;
    if (m.withReference) {
      if (refCells)
        line << formatReading(c.ref1) << formatReading(c.d1);
      else
        line << QStringLiteral("not in reference") << QString();
    }
    if (m.twoCursors()) {
      line << formatReading(c.y2);
      if (m.withReference)
        line << (refCells ? formatReading(c.ref2) : QString())
             << (refCells ? formatReading(c.d2) : QString());
      line << formatReading(c.dy);
    }
    const bool any = c.stats.count > 0;
    line << (any ? formatReading(c.stats.min) : QString())
         << (any ? formatReading(c.stats.max) : QString())
         << (any ? formatReading(c.stats.mean) : QString())
         << QString::number(static_cast<qulonglong>(c.stats.count));
    if (m.withReference) {
      const bool diffs = refCells && c.diff.count > 0;
      line << (diffs ? formatReading(c.diff.maxAbs) : QString())
           << (diffs ? formatReading(c.diff.mean) : QString())
           << (diffs ? formatReading(c.diff.rms) : QString());
    }
    rows.push_back(line);
  }
  return rows;
}

QString measurementText(const Measurement& m, const QString& dateTimeFormat) {
  QStringList lines;
  for (const QStringList& row : measurementRows(m, dateTimeFormat))
    lines << row.join(QLatin1Char('\t'));
  return lines.join(QLatin1Char('\n'));
}

QString measurementTable(const Measurement& m, const QString& dateTimeFormat) {
  const std::vector<QStringList> rows = measurementRows(m, dateTimeFormat);
  // The header lines (cursor times) are written as they are; the channel
  // table from the "Channel" line on has its columns padded.
  std::size_t first = 0;
  while (first < rows.size() && rows[first].value(0) != QLatin1String("Channel")) ++first;
  std::vector<int> widths;
  for (std::size_t r = first; r < rows.size(); ++r)
    for (int c = 0; c < rows[r].size(); ++c) {
      if (static_cast<int>(widths.size()) <= c) widths.push_back(0);
      widths[c] = std::max(widths[c], static_cast<int>(rows[r][c].size()));
    }
  QStringList lines;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (r < first) {
      lines << rows[r].join(QLatin1String("  "));
      continue;
    }
    QString line;
    for (int c = 0; c < rows[r].size(); ++c) {
      if (c > 0) line += QLatin1String("  ");
      // Titles left, numbers right.
      line += c == 0 ? rows[r][c].leftJustified(widths[c]) : rows[r][c].rightJustified(widths[c]);
    }
    lines << line;
  }
  return lines.join(QLatin1Char('\n'));
}

QString cursorHintText(CursorStyle style, const QString& title, const TrendPoint& reading,
                       const std::optional<TrendPoint>& other, const QString& dateTimeFormat) {
  const QString x = timeText(dateTimeFormat, reading.x);
  const QString y = std::isnan(reading.y) ? QStringLiteral("(no value)") : formatReading(reading.y);
  QString body;
  switch (style) {
    case CursorStyle::ValueXY:
      body = QStringLiteral("X: %1\nY: %2").arg(x, y);
      break;
    case CursorStyle::ValueX:
      body = QStringLiteral("X: %1").arg(x);
      break;
    case CursorStyle::ValueY:
      body = QStringLiteral("Y: %1").arg(y);
      break;
    case CursorStyle::Period:
      body = other
                 ? QStringLiteral("Period: %1").arg(formatDuration(std::abs(other->x - reading.x)))
                 : QStringLiteral("Period: (needs Cursor 2)");
      break;
    case CursorStyle::PeakPeak: {
      const double pp = other ? std::abs(other->y - reading.y) : kNaN;
      body = !other           ? QStringLiteral("Peak-Peak: (needs Cursor 2)")
             : std::isnan(pp) ? QStringLiteral("Peak-Peak: (no value)")
                              : QStringLiteral("Peak-Peak: %1").arg(formatReading(pp));
      break;
    }
    case CursorStyle::Frequency: {
      const double seconds = other ? std::abs(other->x - reading.x) * 86400.0 : 0.0;
      body = !other         ? QStringLiteral("Frequency: (needs Cursor 2)")
             : seconds <= 0 ? QStringLiteral("Frequency: (no period)")
                            : QStringLiteral("Frequency: %1 Hz").arg(formatReading(1.0 / seconds));
      break;
    }
  }
  return title.isEmpty() ? body : title + QLatin1Char('\n') + body;
}

}  // namespace tarvex
