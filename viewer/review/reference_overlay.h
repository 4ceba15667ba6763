// A reference batch laid over the trend's channels (the current batch):
// the channels matched by title, the shift of the alignment, the
// differences at every plotted point, the traces to draw and what the
// cursor readout shows of it.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "review/compare.h"
#include "review/reference_signature.h"
#include "trend/measurements.h"
#include "trend/trend_plot.h"

namespace tarvex {

// Whether differences of span `differenceSpan` go on a second Y axis beside
// values of span `valueSpan`: when one is more than ten times the other.
bool differencesNeedOwnAxis(double differenceSpan, double valueSpan);

class ReferenceOverlay : public ReferenceReadings {
 public:
  // `plot` holds the current batch; it must outlive this object and keep
  // its channels while it is used. `reference` holds the reference's
  // channels of the plot's titles (readReference()). Keeps the difference
  // at every point of the compared channels (8 bytes a point).
  ReferenceOverlay(const TrendPlot& plot, Batch reference, ReferenceSignature signature);

  // Lays the reference by `alignment` over the channels' whole time range
  // and computes the differences at every point of the channels.
  void setAlignment(const Alignment& alignment);
  const Alignment& alignment() const { return alignment_; }

  const Batch& reference() const { return reference_; }
  const ReferenceSignature& signature() const { return signature_; }
  TimeMs shift() const { return shift_; }
  // Whether the laid reference meets the channels' time range.
  bool overlap() const { return overlap_; }
  // The plot channels' titles the reference lacks.
  QStringList missingTitles() const;

  // What to draw: per compared channel its reference trace (its colour,
  // dashed, "TITLE (reference)") and, with `differences`, its difference
  // trace ("TITLE (difference)", dotted; on a second axis when their scale
  // is far from the values'), the title line, and this object as the
  // readout's readings.
  TrendOverlay overlay(bool differences) const;

  // ReferenceReadings
  QStringList referenceNotes() const override;
  bool compared(int channel) const override;
  double referenceAt(int channel, double x) const override;
  DifferenceSummary differences(int channel, double from, double to) const override;

 private:
  const TrendPlot& plot_;
  Batch reference_;
  ReferenceSignature signature_;
  Alignment alignment_;
  TimeMs shift_ = 0;
  bool overlap_ = false;
  std::vector<int> match_;  // per plot channel: reference index, -1 none
  // Per compared plot channel: the difference at each of its points (NaN:
  // none).
  std::vector<std::vector<double>> diff_;
  bool haveTimes_ = false;
  TimeMs first_ = 0, last_ = 0;   // the channels' first and last time
  double refLo_ = 0, refHi_ = 0;  // the compared reference values' range
  bool haveRefValues_ = false;
};

}  // namespace tarvex
