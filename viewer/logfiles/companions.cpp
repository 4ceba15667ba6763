#include "logfiles/companions.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <limits>
#include <new>
#include <optional>

#include "logfiles/logtable.h"
#include "shell/filenames.h"
#include "shell/runtime_error.h"
#include "shell/userinterface.h"
#include "signatures/textinput.h"
#include "signatures/vxlog.h"

namespace tarvex {
namespace {

const QString kPassword = QString::fromUtf16(kSigPassword);

// Window events run at most this often while a file is deciphered: often
// enough for a responsive window, rarely enough not to slow a long file.
constexpr qint64 kPumpIntervalMs = 20;

// The error with the place it happened added to its description.
RuntimeError atLine(const RuntimeError& e, qint64 line, const QString& path) {
  return RuntimeError(e.number(), e.description() + QStringLiteral(" (line ") +
                                      QString::number(line) + QStringLiteral(" of ") +
                                      QFileInfo(path).fileName() + u')');
}

struct Texts {
  QString procName;
  QString loading;
  QString decrypting;
};

Texts textsOf(CompanionKind kind) {
  switch (kind) {
    case CompanionKind::DataSignatures:
      return {QStringLiteral("loadSigFile"),
              QStringLiteral("Loading signature file, please wait..."),
              QStringLiteral("Decrypting signature file, please wait...")};
    case CompanionKind::AuditSignatures:
      return {QStringLiteral("loadAuditSigFile"),
              QStringLiteral("Loading signature file, please wait..."),
              QStringLiteral("Decrypting signature file, please wait...")};
    case CompanionKind::OperatorEvents:
      break;
  }
  return {QStringLiteral("loadOpEventsFile"),
          QStringLiteral("Loading operator event file, please wait..."),
          QStringLiteral("Decrypting operator event file, please wait...")};
}

// Keeps the table from signalling each cell while it fills; one reset at
// the end.
class UpdateBatch {
 public:
  explicit UpdateBatch(LogTable& table) : table_(table) { table_.beginUpdate(); }
  ~UpdateBatch() { table_.endUpdate(); }

 private:
  LogTable& table_;
};

CompanionLoad runReader(LogTable& table, CompanionKind kind, const QString& logFileName,
                        VxLog& sigLog, UserInterface& ui, bool& f_FileLoading,
                        const std::function<void()>& onFailure) {
  const Texts texts = textsOf(kind);
  try {
    UpdateBatch batch(table);
    setCompanionLayout(table, kind);
    ui.setStatusText(texts.loading);
    ui.setPointer(Pointer::Hourglass);
    const QString path = companionFileName(logFileName, kind);
    if (!fileExists(path)) {
      ui.setPointer(Pointer::Normal);
      f_FileLoading = false;
      return CompanionLoad::Absent;
    }
    ui.setStatusText(texts.decrypting);
    ui.doEvents();
    QElapsedTimer sincePump;
    sincePump.start();
    readCompanionRows(table, path, sigLog, [&] {
      if (sincePump.elapsed() >= kPumpIntervalMs) {
        ui.doEvents();
        sincePump.start();
      }
    });
    ui.setPointer(Pointer::Normal);
    f_FileLoading = false;
    return CompanionLoad::Loaded;
  } catch (const RuntimeError& e) {
    reportError(ui, e, texts.procName);
  } catch (const std::bad_alloc&) {
    reportError(ui, RuntimeError(err::OutOfMemory), texts.procName);
  }
  ui.setPointer(Pointer::Normal);
  f_FileLoading = false;
  if (onFailure) onFailure();
  return CompanionLoad::Failed;
}

}  // namespace

QString companionExtension(CompanionKind kind) {
  return kind == CompanionKind::OperatorEvents ? QStringLiteral(".evt") : QStringLiteral(".sig");
}

QString companionFileName(const QString& logFileName, CompanionKind kind) {
  return pathNoExt(logFileName) + companionExtension(kind);
}

bool fileExists(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  return info.exists() && !info.isDir();
}

void setCompanionLayout(LogTable& table, CompanionKind kind) {
  table.clearCells(0, 0, table.lastCol(), table.lastRow());
  table.setLastRow(0);
  const bool signatures = kind != CompanionKind::OperatorEvents;
  table.setLastCol(signatures ? 4 : 3);
  table.setCell(0, 0, u"Date");
  table.setCell(1, 0, u"Time");
  table.setCell(2, 0, u"User Full Name");
  table.setCell(3, 0, signatures ? u"Comment" : u"Event Message");
  table.setColumnWidth(0, 12);
  table.setColumnWidth(1, 12);
  table.setColumnWidth(2, 25);
  table.setColumnWidth(3, 100);
  table.setColumnHidden(4, signatures);
  table.setReadOnly(true);
  table.setSelectionUnit(SelectionUnit::Rows);
  table.setMultipleBlocks(false);
}

namespace {

// Lines deciphered together: enough to keep both threads busy, few enough
// that window events still run every few milliseconds.
constexpr std::size_t kBatchLines = 2048;
// No record's hex text comes near this; a longer line is no record (and a
// file without line ends is not read whole into memory).
constexpr qsizetype kMaxLineBytes = 1 << 20;

// Reads the companion file at path in batches of lines, deciphers each
// batch on two threads and hands every line's number (from 1) and plain
// text to fn, in order. beforeBatch (may be empty) runs before each batch.
// A line that does not decipher ends the reading with its error, or, when
// onDamaged is given, is handed to it and then to fn as an empty text.
void decipherLines(const QString& path, VxLog& sigLog, const std::function<void()>& beforeBatch,
                   const std::function<void(qint64 line, const QString& plain)>& fn,
                   const std::function<void(qint64 line, const RuntimeError& e)>& onDamaged = {}) {
  TextInputFile in(path);
  // Up to kBatchLines lines of the file; the first line's number. A line
  // that cannot be read ends the reading; its error is thrown once the
  // lines before it were handed out.
  std::optional<RuntimeError> readError;
  auto readBatch = [&](std::vector<QByteArray>& batch) {
    batch.clear();
    batch.reserve(kBatchLines);
    const qint64 firstLine = in.lineNumber() + 1;
    while (!readError && batch.size() < kBatchLines && !in.atEnd()) {
      try {
        batch.push_back(in.readLineBytes(kMaxLineBytes));
        // A byte-order mark is no part of the hex text; an editor may have
        // put one before the first record.
        if (in.lineNumber() == 1 && batch.back().startsWith("\xEF\xBB\xBF"))
          batch.back().remove(0, 3);
      } catch (const RuntimeError& e) {
        readError = atLine(e, in.lineNumber(), path);
      }
    }
    return firstLine;
  };
  // While a batch is deciphered the next one is read; while that one is
  // deciphered on the second thread the rows of the first are handed out.
  std::vector<QByteArray> batch;
  qint64 firstLine = readBatch(batch);
  if (batch.empty()) {
    if (readError) throw *readError;
    return;
  }
  if (beforeBatch) beforeBatch();
  std::unique_ptr<VxLog::HexLinesJob> job =
      sigLog.startDecryptHexLines(std::move(batch), kPassword);
  while (job) {
    std::vector<QByteArray> nextBatch;
    const qint64 nextFirstLine = readBatch(nextBatch);
    const VxLog::HexLines plain = job->finish();
    job.reset();
    if (!nextBatch.empty()) {
      if (beforeBatch) beforeBatch();
      job = sigLog.startDecryptHexLines(std::move(nextBatch), kPassword);
    }
    for (std::size_t i = 0; i < plain.plain.size(); ++i) {
      if (plain.errors[i]) {
        if (!onDamaged) throw atLine(*plain.errors[i], firstLine + qint64(i), path);
        onDamaged(firstLine + qint64(i), *plain.errors[i]);
        fn(firstLine + qint64(i), QString());
        continue;
      }
      fn(firstLine + qint64(i), plain.plain[i]);
    }
    firstLine = nextFirstLine;
  }
  if (readError) throw *readError;
}

}  // namespace

void forEachCompanionRecord(const QString& path, VxLog& sigLog,
                            const std::function<void(qint64 line, const QString& plain)>& fn) {
  decipherLines(path, sigLog, {}, fn);
}

qint64 readCompanionRows(LogTable& table, const QString& path, VxLog& sigLog,
                         const std::function<void()>& beforeLine,
                         std::vector<DamagedLine>* damaged) {
  qint64 rows = 0;
  std::function<void(qint64, const RuntimeError&)> onDamaged;
  if (damaged)
    onDamaged = [&](qint64 line, const RuntimeError& e) {
      damaged->push_back({line, e.number(), e.description()});
    };
  decipherLines(
      path, sigLog, beforeLine,
      [&](qint64, const QString& plain) {
        if (rows >= std::numeric_limits<int>::max()) throw RuntimeError(err::Overflow);
        const int row = static_cast<int>(rows) + 1;
        if (!plain.isEmpty()) {
          // Splitting an empty text gives no fields; any other text at least one,
          // and the row counts even when its fields are empty.
          if (table.lastRow() < row) table.setLastRow(row);
          int col = 0;
          for (const QStringView field : QStringView(plain).tokenize(u',')) {
            table.setCell(col++, row, field);
          }
        }
        ++rows;
      },
      onDamaged);
  return rows;
}

CompanionLoad loadSigFile(LogTable& digiSigGrid, const QString& dataFileName, VxLog& sigLog,
                          UserInterface& ui, bool& f_FileLoading,
                          const std::function<void()>& clearHistData) {
  return runReader(digiSigGrid, CompanionKind::DataSignatures, dataFileName, sigLog, ui,
                   f_FileLoading, clearHistData);
}

CompanionLoad loadOpEventsFile(LogTable& opEvGrid, const QString& dataFileName, VxLog& sigLog,
                               UserInterface& ui, bool& f_FileLoading,
                               const std::function<void()>& clearHistData) {
  const CompanionLoad result = runReader(opEvGrid, CompanionKind::OperatorEvents, dataFileName,
                                         sigLog, ui, f_FileLoading, clearHistData);
  if (result != CompanionLoad::Failed)
    ui.setStatusText(QStringLiteral("Current File is ") + dataFileName);
  return result;
}

CompanionLoad loadAuditSigFile(LogTable& auditSigGrid, const QString& auditFileName, VxLog& sigLog,
                               UserInterface& ui, bool& f_FileLoading) {
  const CompanionLoad result = runReader(
      auditSigGrid, CompanionKind::AuditSignatures, auditFileName, sigLog, ui, f_FileLoading,
      [&] { setCompanionLayout(auditSigGrid, CompanionKind::AuditSignatures); });
  ui.setStatusText(QStringLiteral("Current File is ") + auditFileName);
  return result;
}

}  // namespace tarvex
