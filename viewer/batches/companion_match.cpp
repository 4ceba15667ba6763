#include "batches/companion_match.h"

#include <QFileInfo>
#include <algorithm>

#include "shell/filenames.h"

namespace tarvex {

QString batchPrefix(const QString& dataPath) {
  const QString base = baseName(dataPath);
  const qsizetype cut = base.lastIndexOf(u'_');
  return cut > 0 ? base.left(cut) : base;
}

QString matchCompanion(const QString& dataPath, std::optional<ClockSeconds> first,
                       std::optional<ClockSeconds> last, const std::vector<SpanFile>& candidates) {
  if (!first || !last) return {};
  const QString folder = QFileInfo(dataPath).absolutePath();
  const QString prefix = batchPrefix(dataPath);
  const SpanFile* best = nullptr;
  ClockSeconds bestOverlap = -1;
  for (const SpanFile& c : candidates) {
    if (!c.first || !c.last || c.path == dataPath) continue;
    const QString base = baseName(c.path);
    const bool named =
        base.compare(prefix, Qt::CaseInsensitive) == 0 ||
        (base.size() > prefix.size() && base.startsWith(prefix, Qt::CaseInsensitive) &&
         base[prefix.size()] == u'_');
    if (!named || QFileInfo(c.path).absolutePath() != folder) continue;
    const ClockSeconds overlap = std::min(*last, *c.last) - std::max(*first, *c.first);
    if (overlap < 0) continue;
    if (overlap > bestOverlap || (overlap == bestOverlap && c.path < best->path)) {
      best = &c;
      bestOverlap = overlap;
    }
  }
  return best ? best->path : QString();
}

}  // namespace tarvex
