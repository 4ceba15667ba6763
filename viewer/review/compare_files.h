// Two data history files compared from their paths: what `tarvex compare`
// does, and the reading of a reference batch that the viewer's overlay
// shares with it.
#pragma once

#include <QString>
#include <QStringList>

#include "review/compare.h"

namespace tarvex {

// Reads the reference file at `path` for the channels titled `titles` (the
// current batch's, named `currentName`): the reference's columns whose
// titles match, in the order of `titles`; titles it lacks are left out.
// Throws RuntimeError 9 with noCommonChannelText() when it has none of
// them, and the reader's errors (a missing file, a pipe or device, a row
// whose time does not read).
// Dates are read in the order the file's own dates decide, or `dateOrder`.
Batch readReference(const QString& path, const QString& currentName, const QStringList& titles,
                    std::optional<DateOrder> dateOrder = std::nullopt);

struct BatchPair {
  Batch current;
  Batch reference;
  DateOrder currentOrder = DateOrder::MonthDayYear;  // how the current file's dates read
};

// Reads the channels `columns` of the data history file `currentPath`
// (numbers as `tarvex show` prints them, or titles) and the channels of the
// same titles in `referencePath`, each file's dates in its own order (or
// `dateOrder`). The reference is read while the current batch is. Throws
// RuntimeError: 9 for a column that is not a channel or a reference
// without any of the titles, the readers' errors.
BatchPair readBatches(const QString& currentPath, const QString& referencePath,
                      const QStringList& columns,
                      std::optional<DateOrder> dateOrder = std::nullopt);

}  // namespace tarvex
