#include "history/review_commands.h"

#include "history/history_commands.h"
#include "review/review_model.h"
#include "review/time_bound.h"
#include "review/trend_link.h"

namespace tarvex {

std::optional<ReviewTable> searchedTable(int tab) {
  switch (tab) {
    case 0:
      return ReviewTable::Data;
    case 1:
      return ReviewTable::OperatorEvents;
    case 2:
      return ReviewTable::AuditTrail;
    case 3:
      return ReviewTable::Alarms;
    default:
      return std::nullopt;
  }
}

int tabOf(ReviewTable table) {
  switch (table) {
    case ReviewTable::Data:
    case ReviewTable::DataSignatures:
      return 0;
    case ReviewTable::OperatorEvents:
      return 1;
    case ReviewTable::AuditTrail:
    case ReviewTable::AuditSignatures:
      return 2;
    case ReviewTable::Alarms:
      return 3;
  }
  return 0;
}

QString windowFieldHint(DateOrder order) {
  switch (order) {
    case DateOrder::MonthDayYear:
      return QStringLiteral("m/d/yyyy h:mm:ss AM");
    case DateOrder::DayMonthYear:
      return QStringLiteral("d/m/yyyy h:mm:ss AM");
    case DateOrder::YearMonthDay:
      return QStringLiteral("yyyy-mm-dd h:mm:ss AM");
  }
  return {};
}

QString fromAfterToText(const QString& from, const QString& to) {
  return QStringLiteral("From (%1) lies after To (%2).").arg(from, to);
}

QString noTrendText() {
  return QStringLiteral("There is no trend plot yet.\r\nUse Plot History File first.");
}

QString noTimeText() { return QStringLiteral("The date or time of this row cannot be read."); }

QString noDataRowText() { return QStringLiteral("No data row is shown for this time."); }

QString noCursorText() {
  return QStringLiteral("Cursor 1 is not shown.\r\nUse Show/Hide Cursor first.");
}

QString noRowText() { return QStringLiteral("No row is selected."); }

ReviewCommands::ReviewCommands(UserInterface& ui, ReviewModel& review, ReviewWindow& window,
                               ReviewTrend& trend)
    : ui_(ui), review_(review), window_(window), trend_(trend) {}

bool ReviewCommands::refuseWhenBusy() {
  if (!busy_ || !busy_()) return false;
  ui_.msgBoxPos(busyText(), mb::Information);
  return true;
}

QString ReviewCommands::fieldText(const std::optional<double>& bound) const {
  return bound ? formatTimeBound(*bound, review_.dateOrder()) : QString();
}

void ReviewCommands::refreshFields() {
  const TimeWindow& w = review_.window();
  if (w.isSet()) window_.setWindowFields(fieldText(w.from), fieldText(w.to));
}

bool ReviewCommands::setWindow(const TimeWindow& window) {
  try {
    review_.setWindow(window);
  } catch (const RuntimeError&) {
    // From lies after To: the model has changed nothing.
    ui_.msgBoxPos(fromAfterToText(fieldText(window.from), fieldText(window.to)), mb::Question);
    return false;
  }
  window_.setWindowFields(fieldText(window.from), fieldText(window.to));
  return true;
}

bool ReviewCommands::applyWindow(const QString& from, const QString& to) {
  if (refuseWhenBusy()) return false;
  const DateOrder order = review_.dateOrder();
  TimeWindow w;
  QString firstFault;
  auto read = [&](const QString& text, ReviewWindow::Field field, std::optional<double>& out) {
    if (text.trimmed().isEmpty()) {
      window_.markField(field, {});
      return;
    }
    try {
      out = parseTimeBound(text, order, field == ReviewWindow::To);
      window_.markField(field, {});
    } catch (const RuntimeError& e) {
      const QString why =
          (field == ReviewWindow::From ? QStringLiteral("From: ") : QStringLiteral("To: ")) +
          e.description();
      window_.markField(field, why);
      if (firstFault.isEmpty()) firstFault = why;
    }
  };
  read(from, ReviewWindow::From, w.from);
  read(to, ReviewWindow::To, w.to);
  if (!firstFault.isEmpty()) {
    ui_.msgBoxPos(firstFault, mb::Question);
    return false;
  }
  return setWindow(w);
}

void ReviewCommands::wholeFile() {
  if (refuseWhenBusy()) return;
  review_.clearWindow();
  window_.setWindowFields({}, {});
}

namespace {

// A window of whole seconds, so that the fields show exactly what it keeps
// (row times are whole seconds).
TimeWindow wholeSeconds(const TimeWindow& w) {
  TimeWindow out;
  if (w.from) out.from = serialOfSeconds(firstSecondAtOrAfter(*w.from));
  if (w.to) out.to = serialOfSeconds(lastSecondAtOrBefore(*w.to));
  return out;
}

}  // namespace

void ReviewCommands::fromTrend() {
  if (refuseWhenBusy()) return;
  if (!trend_.hasTrend()) {
    ui_.msgBoxPos(noTrendText(), mb::Question);
    return;
  }
  setWindow(wholeSeconds(
      windowFromTrend(trend_.cursorX(0), trend_.cursorX(1), trend_.xMin(), trend_.xSpan())));
}

void ReviewCommands::trendDragged(double x1, double x2) {
  if (refuseWhenBusy()) return;
  if (!trend_.hasTrend()) {
    ui_.msgBoxPos(noTrendText(), mb::Question);
    return;
  }
  setWindow(wholeSeconds(windowFromTrend(x1, x2, trend_.xMin(), trend_.xSpan())));
}

void ReviewCommands::setSearchText(int tab, const QString& text) {
  if (const std::optional<ReviewTable> t = searchedTable(tab)) review_.setText(*t, text);
}

void ReviewCommands::showDataRow(int row) {
  if (row < 1) {
    ui_.msgBoxPos(noDataRowText(), mb::Question);
    return;
  }
  window_.showDataRow(row);
}

void ReviewCommands::jumpToData(ReviewTable source, int row) {
  if (refuseWhenBusy()) return;
  if (row < 1) {
    ui_.msgBoxPos(noRowText(), mb::Question);
    return;
  }
  if (!review_.rowTime(source, row)) {
    ui_.msgBoxPos(noTimeText(), mb::Question);
    return;
  }
  showDataRow(review_.jumpToData(source, row));
}

void ReviewCommands::showOnTrend(ReviewTable source, int row) {
  if (refuseWhenBusy()) return;
  if (!trend_.hasTrend()) {
    ui_.msgBoxPos(noTrendText(), mb::Question);
    return;
  }
  if (row < 1) {
    ui_.msgBoxPos(noRowText(), mb::Question);
    return;
  }
  const std::optional<double> x = review_.rowTime(source, row);
  if (!x) {
    ui_.msgBoxPos(noTimeText(), mb::Question);
    return;
  }
  trend_.showAt(centredMinimum(*x, trend_.xSpan()), *x);
  window_.showTrendTab();
}

void ReviewCommands::showInData() {
  if (refuseWhenBusy()) return;
  const std::optional<double> x = trend_.cursorX(0);
  if (!x) {
    ui_.msgBoxPos(noCursorText(), mb::Question);
    return;
  }
  showDataRow(review_.dataRowAt(*x));
}

}  // namespace tarvex
