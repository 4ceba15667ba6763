#include "cli/compare_command.h"

#include "review/compare_files.h"
#include "review/time_bound.h"
#include "shell/runtime_error.h"

namespace tarvex {

CompareReport runCompare(const CompareRequest& request) {
  const BatchPair f =
      readBatches(request.current, request.reference, request.columns, request.dateOrder);
  CompareOptions options = request.options;
  auto bound = [&](const char* option, const QString& text, bool upper) {
    try {
      return serialToMs(parseTimeBound(text, f.currentOrder, upper));
    } catch (const RuntimeError& e) {
      throw RuntimeError(e.number(),
                         QString::fromLatin1(option) + QStringLiteral(": ") + e.description());
    }
  };
  if (request.from) options.from = bound("--from", *request.from, false);
  if (request.to) options.to = bound("--to", *request.to, true);
  if (options.from && options.to && *options.from > *options.to)
    throw RuntimeError(
        err::TypeMismatch,
        QStringLiteral("--from %1 lies after --to %2").arg(*request.from, *request.to));
  const BatchComparison result = compareBatches(f.current, f.reference, options);
  CompareReport report;
  if (!result.overlap)
    report.notes << QStringLiteral("no overlap: %1 (shifted %2) does not meet %3")
                        .arg(f.reference.name, shiftText(result.shift, false), f.current.name);
  for (const ChannelComparison& c : result.channels) {
    if (c.referenceIndex < 0) {
      report.notes
          << QStringLiteral("%1 is not in %2: not compared").arg(c.title, f.reference.name);
      continue;
    }
    report.lines << comparisonLine(c, options.band.has_value());
  }
  return report;
}

}  // namespace tarvex
