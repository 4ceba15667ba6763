// tarvex compare: a data history file against a reference batch, one line
// of difference statistics per channel.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "review/compare.h"

namespace tarvex {

struct CompareRequest {
  QString current;
  QString reference;
  QStringList columns;              // numbers as `tarvex show` prints them, or titles (in current)
  CompareOptions options;           // from/to are taken from the texts below
  std::optional<QString> from, to;  // --from / --to, in the current file's date order
  std::optional<DateOrder> dateOrder;
};

// What the command prints: the channel lines for stdout and the notes for
// stderr (channels the reference lacks, no overlap after alignment).
struct CompareReport {
  QStringList lines;
  QStringList notes;
};

// Throws RuntimeError as readBatches() does, and 13 for a --from or --to
// that is no date and time or a --from after --to.
CompareReport runCompare(const CompareRequest& request);

}  // namespace tarvex
