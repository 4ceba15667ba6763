// Which audit trail and alarm history belong to a batch. The ".sig" and
// ".evt" sit beside the data history under its own base name (as the
// viewer opens them); the audit trail and the alarm history are matched by
// name prefix and time:
//  - the batch's prefix is its base name up to the last "_"
//    (Reactor2_History -> Reactor2), or the whole base name without one;
//  - a candidate lies in the same folder, and its base name is the prefix
//    or begins with the prefix and "_" (letter case aside):
//    Reactor2_Audit, Reactor2_Alarms_0314, not Reactor20_Audit;
//  - its rows' span of time overlaps the batch's (first to last, both
//    inclusive);
//  - of several, the one whose span overlaps the batch's longest wins, then
//    the first by name.
#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "batches/batch_record.h"

namespace tarvex {

// An audit trail or alarm history a batch may be matched with.
struct SpanFile {
  QString path;
  std::optional<ClockSeconds> first;
  std::optional<ClockSeconds> last;
};

// The batch prefix of a data history's path (see above).
QString batchPrefix(const QString& dataPath);

// The path of the candidate that belongs to the batch at dataPath with the
// span first..last, or "" when none does (also when the batch has no span).
// `candidates` may hold files of any folder; only those beside the batch
// count.
QString matchCompanion(const QString& dataPath, std::optional<ClockSeconds> first,
                       std::optional<ClockSeconds> last, const std::vector<SpanFile>& candidates);

}  // namespace tarvex
