// The register as `tarvex batches list` prints it and the Batches window
// shows it: the filters read from their texts, the rows in TSV, CSV or JSON,
// and the short texts of a row's signatures and review.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

#include "batches/batch_record.h"
#include "batches/batch_register.h"

namespace tarvex {

// The filters as typed; "" leaves one unset.
struct FilterTexts {
  QString status;   // none, reviewed, approved, rejected, failed
  QString verdict;  // confirmed, failed, unsigned
  QString from;     // YYYY-MM-DD [HH:MM[:SS]] (ISO also with "T")
  QString to;
  QString text;  // in the path or a channel title
};

// The filter the texts mean. A date alone means 00:00:00 for From and
// 23:59:59 for To. Throws RuntimeError(err::InvalidCall) with a plain
// message for a status or verdict not in the lists, a From or To that is no
// date and time, or From after To.
BatchFilter batchFilterOf(const FilterTexts& texts);

enum class ListFormat { Tsv, Csv, Json };
// "tsv", "csv", "json" (any case).
std::optional<ListFormat> listFormatFromName(const QString& name);

// Writes rows one by one in a format, each piece of UTF-8 handed to `out`:
// TSV and CSV a title row, then a line a batch (path, first, last, rows,
// verdict, signatures confirmed and records, alarms, review, reviewed by,
// reviewed at, missing, error); JSON an array of objects (path, first,
// last, rows, verdict, signatures, alarms, review, reviewed_by,
// reviewed_at, review_note, missing, error, size, modified, sha256,
// channels, companions, scanned), null where a value is unknown.
class ListWriter {
 public:
  ListWriter(ListFormat format, std::function<void(const QByteArray&)> out);
  void row(const BatchRecord& r);
  // Ends the list (JSON: closes the array, also for no rows).
  void finish();

 private:
  ListFormat format_;
  std::function<void(const QByteArray&)> out_;
  bool first_ = true;
};

// "3 of 3 confirmed", "1 of 3 failed", "unsigned", ".sig unreadable".
QString signaturesText(const BatchRecord& r);
// "approved by NAME on 2026-03-01 09:30 UTC", "none", "failed: REASON".
QString reviewText(const BatchRecord& r);

}  // namespace tarvex
