#include "review/alignment.h"

#include <QRegularExpression>
#include <cmath>

#include "trend/measurements.h"

namespace tarvex {

TimeMs serialToMs(double serial) { return std::llround(serial * kMsPerDay); }

std::optional<AlignMode> parseAlignMode(const QString& word) {
  const QString w = word.trimmed().toLower();
  if (w == u"start") return AlignMode::Start;
  if (w == u"end") return AlignMode::End;
  if (w == u"time" || w == u"clock") return AlignMode::Clock;
  return std::nullopt;
}

QString alignModeCaption(AlignMode mode) {
  switch (mode) {
    case AlignMode::Start:
      return QStringLiteral("Align at start");
    case AlignMode::End:
      return QStringLiteral("Align at end");
    case AlignMode::Clock:
      break;
  }
  return QStringLiteral("Clock time");
}

TimeMs alignmentShift(const Alignment& alignment, TimeMs currentFirst, TimeMs currentLast,
                      TimeMs referenceFirst, TimeMs referenceLast) {
  TimeMs shift = 0;
  switch (alignment.mode) {
    case AlignMode::Start:
      shift = currentFirst - referenceFirst;
      break;
    case AlignMode::End:
      shift = currentLast - referenceLast;
      break;
    case AlignMode::Clock:
      break;
  }
  return shift + alignment.offset;
}

std::optional<TimeMs> parseOffset(const QString& text) {
  static const QRegularExpression form(
      QStringLiteral("^\\s*([+-]?)(\\d{1,6}):(\\d{2}):(\\d{2})\\s*$"));
  // A typed minus may be the typographic one the title shows.
  QString t = text;
  t.replace(QChar(0x2212), QLatin1Char('-'));
  const QRegularExpressionMatch m = form.match(t);
  if (!m.hasMatch()) return std::nullopt;
  const qint64 h = m.captured(2).toLongLong();
  const qint64 min = m.captured(3).toLongLong();
  const qint64 s = m.captured(4).toLongLong();
  if (min > 59 || s > 59) return std::nullopt;
  const TimeMs ms = ((h * 60 + min) * 60 + s) * 1000;
  return m.captured(1) == u"-" ? -ms : ms;
}

QString offsetText(TimeMs offset) {
  const TimeMs a = offset < 0 ? -offset : offset;
  const qint64 seconds = a / 1000;
  QString text = offset < 0 ? QStringLiteral("-") : offset > 0 ? QStringLiteral("+") : QString();
  return text + QStringLiteral("%1:%2:%3")
                    .arg(seconds / 3600)
                    .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                    .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString shiftText(TimeMs shift, bool unicodeMinus) {
  QString text = formatDuration(msToSerial(shift < 0 ? -shift : shift));
  if (shift < 0) text.prepend(unicodeMinus ? QChar(0x2212) : QLatin1Char('-'));
  return text;
}

QString referenceTitleLine(const QString& name, TimeMs shift) {
  return QStringLiteral("Reference: %1, shifted %2").arg(name, shiftText(shift));
}

}  // namespace tarvex
