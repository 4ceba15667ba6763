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
  QStringList columns;  // numbers as `tarvex show` prints them, or titles (in current)
  CompareOptions options;
};

// What the command prints: the channel lines for stdout and the notes for
// stderr (channels the reference lacks, no overlap after alignment).
struct CompareReport {
  QStringList lines;
  QStringList notes;
};

// Throws RuntimeError as compareFiles() does.
CompareReport runCompare(const CompareRequest& request);

// A --from or --to bound: ISO "YYYY-MM-DD HH:MM:SS" (or "YYYY-MM-DDTHH:MM:SS"),
// or a date and time as the data files write them; a date alone is 00:00:00
// for a lower bound and 23:59:59 for an upper one. Empty when it does not read.
std::optional<TimeMs> parseTimeBound(const QString& text, bool upper);

}  // namespace tarvex
