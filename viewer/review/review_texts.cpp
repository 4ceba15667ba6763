#include "review/review_texts.h"

#include <QLocale>

#include "review/time_bound.h"

namespace tarvex {

QString groupedNumber(qint64 n) {
  static const QLocale english(QLocale::English, QLocale::UnitedStates);
  return english.toString(n);
}

QString showingText(int shown, int total) {
  return QStringLiteral("Showing %1 of %2 rows").arg(groupedNumber(shown), groupedNumber(total));
}

QString unreadableText(int count) {
  if (count <= 0) return {};
  if (count == 1) return QStringLiteral("1 row without a readable date or time is shown");
  return QStringLiteral("%1 rows without a readable date or time are shown")
      .arg(groupedNumber(count));
}

QString tabCaption(const QString& caption, bool filtered) {
  return filtered ? caption + QStringLiteral(" (filtered)") : caption;
}

QString filterLine(const TimeWindow& window, const QString& text, DateOrder order) {
  QStringList parts;
  if (window.from && window.to)
    parts << formatTimeBound(*window.from, order) + QStringLiteral(" \u2013 ") +
                 formatTimeBound(*window.to, order);
  else if (window.from)
    parts << QStringLiteral("from ") + formatTimeBound(*window.from, order);
  else if (window.to)
    parts << QStringLiteral("until ") + formatTimeBound(*window.to, order);
  if (!text.isEmpty()) parts << QStringLiteral("text \"") + text + u'"';
  if (parts.isEmpty()) return {};
  return QStringLiteral("Filtered: ") + parts.join(QStringLiteral("; "));
}

}  // namespace tarvex
