// The tickers of the trend's axes: a fixed number of minor ticks between
// major ticks (MinorCount), and on the X axis labels drawn from date-time
// serials through the axis's DateTimeFormat with major steps that fall on
// whole seconds, minutes, hours or days.
#pragma once

#include <qcustomplot.h>

#include <QString>

namespace tarvex {

class TrendTicker : public QCPAxisTicker {
 public:
  // dateTime: labels and steps of date-time serials (LabelsFormatStyle 3);
  // otherwise plain numbers.
  explicit TrendTicker(bool dateTime) : dateTime_(dateTime) {}

  void setMinorCount(int count) { minorCount_ = count < 0 ? 0 : count; }
  int minorCount() const { return minorCount_; }
  void setDateTimeFormat(const QString& pattern) { pattern_ = pattern; }
  const QString& dateTimeFormat() const { return pattern_; }
  void setDateTime(bool on) { dateTime_ = on; }
  bool dateTime() const { return dateTime_; }

 protected:
  double getTickStep(const QCPRange& range) override;
  int getSubTickCount(double tickStep) override;
  QString getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                       int precision) override;

 private:
  bool dateTime_;
  int minorCount_ = 1;
  QString pattern_;
};

}  // namespace tarvex
