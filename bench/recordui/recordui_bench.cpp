// recordui_bench DIR DATAFILE AUDIT ALARMS [NOTES]
// The review record in the viewer on a realistic batch. Writes a record of
// NOTES entries (default 10,000: notes spread over the data rows, a review
// and an approval binding the batch's files) in DIR/records, then through
// the real history window (offscreen, 1600 x 900):
//  - opens the batch as "Open History File" does, with and without its
//    record (the same batch, the record folder empty for the second), and
//    times the open until the Review pane and the trend markers show, and
//    until the verification (on a worker thread) has come back;
//  - plots the data file's channels and times a full-range replot with the
//    record's markers and without them, median of 7.
// Prints one line a figure.
#include <qcustomplot.h>
#include <time.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

#include "../bench_clock.h"
#include "history/frm_history.h"
#include "history/history_commands.h"
#include "history/history_record.h"
#include "history/history_review.h"
#include "logfiles/readers.h"
#include "logfiles/row_time.h"
#include "record/batch_files.h"
#include "record/gui/review_pane.h"
#include "record/note_anchor.h"
#include "record/record_file.h"
#include "record/record_writer.h"
#include "record/reviewer_key.h"
#include "review/review_model.h"
#include "signatures/vxlog.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/trend_commands.h"

using namespace tarvex;
using tarvex::bench::cpuMs;
using tarvex::bench::median;

namespace {

// Answers the Open dialog with the batch's file; everything else as a
// user who says OK.
class BenchUi : public UserInterface {
 public:
  QString file;
  int msgBoxPos(const QString& p, int, const QString&, int) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(p));
    return mb::ResultOk;
  }
  QString showOpen(const FileDialogSettings&) override { return file; }
  QString showSave(const FileDialogSettings&) override { throw RuntimeError(err::Cancel); }
  QColor showColor(const QColor&) override { throw RuntimeError(err::Cancel); }
  int printerCount() override { return 1; }
  PrinterChoice showPrinter(int) override { throw RuntimeError(err::Cancel); }
  QPrinter* printer() override { return nullptr; }
  void setStatusText(const QString&) override {}
  void setPointer(Pointer) override {}
  void doEvents() override { QApplication::processEvents(); }
};

// Writes the record: notes at rows spread over the file, a review half way
// and an approval at the end, each signed.
void writeRecord(const RecordTarget& target, const ReviewersFile& reviewers, const UnlockedKey& rev,
                 const UnlockedKey& appr, int total) {
  LogTable data;
  loadHistData(data, target.batch.dataFile, QLocale::c());
  const std::vector<BatchFile> files = batchFiles(target.batch, target.dataSha256);
  const QString dataName = QFileInfo(target.batch.dataFile).fileName();
  QByteArray bytes, prev = firstPrev();
  for (int seq = 1; seq <= total; ++seq) {
    const bool review = seq == total / 2, approve = seq == total;
    const UnlockedKey& k = approve ? appr : rev;
    const Reviewer& r = *reviewers.find(k.id());
    RecordEntry e;
    e.seq = seq;
    e.prev = prev;
    e.data = dataName;
    e.dataSha256 = target.dataSha256;
    e.written = QDateTime(QDate(2026, 12, 10), QTime(9, 0), Qt::UTC).addSecs(seq);
    e.author = r.id;
    e.name = r.name;
    e.keyFingerprint = k.fingerprint();
    if (review || approve) {
      e.kind = EntryKind::SignOff;
      e.meaning = approve ? Meaning::Approved : Meaning::Reviewed;
      for (const BatchFile& f : files) e.files.push_back({f.role, f.name, f.sha256});
    } else {
      const int row = int(qint64(seq) * data.lastRow() / (total + 1)) + 1;
      e.anchor = anchorAtRow(data, QStringLiteral("data"), row, {});
      e.text = QStringLiteral("Reading checked against the local gauge (row %1)").arg(row);
    }
    e.signature = k.sign(signedBytes(entryLineBody(e)));
    const QByteArray line = writeEntryLine(e);
    bytes += line + '\n';
    prev = lineHash(line);
  }
  QFile out(recordPathFor(target.batch.dataFile, target.reviewDir));
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
    throw RuntimeError(err::PathFileAccess, QStringLiteral("cannot write the record"));
}

struct Window {
  BenchUi ui;
  ViewerGlobals globals;
  VxLog sigLog;
  FrmHistory w;
  QcpTrendPlot plot{w.iPlotX};
  TrendCommands trend{ui, w, plot, w.vaGrid(), globals.f_Plotting};
  HistoryCommands cmds{ui, w, globals, &sigLog, trend};
  ReviewModel review{ReviewModel::Tables{&w.vaGrid(), &w.digiSigGrid(), &w.opEvGrid(),
                                         &w.auditGrid(), &w.auditSigGrid(), &w.alarmGrid()}};
  HistoryReview historyReview{w, review, plot, ui};
  HistoryRecord record{w, review, historyReview, plot, ui};

  Window(const QString& reviewers, const QString& reviewDir) {
    cmds.setReview(&review);
    record.commands().setPlace({reviewDir, reviewers});
    record.commands().setRunner(
        [](std::function<VerifiedRecord()> work, std::function<void(VerifiedRecord)> done) {
          std::thread([work = std::move(work), done = std::move(done)]() mutable {
            auto result = std::make_shared<VerifiedRecord>(work());
            QMetaObject::invokeMethod(
                qApp, [done = std::move(done), result] { done(std::move(*result)); },
                Qt::QueuedConnection);
          }).detach();
        });
    w.resize(1600, 900);
    w.show();
    QApplication::processEvents();
  }

  // Opens the batch; returns the ms until the pane and markers show and
  // until the verification is back; `cpu` gets the CPU ms of all threads.
  std::pair<double, double> open(const BatchPaths& batch, double& cpu) {
    ui.file = batch.dataFile;
    const double cpu0 = cpuMs();
    QElapsedTimer t;
    t.start();
    cmds.DataBarBtn_Click(0);
    historyReview.dataFileChanged();
    record.batchChanged(batch);
    const double shown = double(t.nsecsElapsed()) / 1e6;
    while (record.commands().record().pending)
      QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    QApplication::processEvents();
    cpu = cpuMs() - cpu0;
    return {shown, double(t.nsecsElapsed()) / 1e6};
  }
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 5) {
    std::fprintf(stderr, "usage: recordui_bench DIR DATAFILE AUDIT ALARMS [NOTES]\n");
    return 2;
  }
  try {
    const QString dir = QString::fromLocal8Bit(argv[1]);
    BatchPaths batch{QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                     QString::fromLocal8Bit(argv[4])};
    const int total = argc > 5 ? std::atoi(argv[5]) : 10000;
    const QString keys = dir + QStringLiteral("/keys");
    const QString reviewersPath = dir + QStringLiteral("/reviewers");
    const QString records = dir + QStringLiteral("/records");
    const QString empty = dir + QStringLiteral("/no-records");
    QDir().mkpath(records);
    QDir().mkpath(empty);
    QFile::remove(reviewersPath);
    QDir(keys).removeRecursively();
    Reviewer rev{QStringLiteral("rev"), QStringLiteral("Jane Miller"), true, false, {}};
    Reviewer appr{QStringLiteral("appr"), QStringLiteral("Omar Haddad"), false, true, {}};
    rev.publicKey = createReviewerKey(rev.id, "r", keys, KdfCost::cheapForTests());
    appr.publicKey = createReviewerKey(appr.id, "a", keys, KdfCost::cheapForTests());
    addReviewerLine(reviewersPath, rev);
    addReviewerLine(reviewersPath, appr);
    RecordTarget target;
    target.batch = batch;
    target.reviewDir = records;
    target.dataSha256 = sha256OfFile(batch.dataFile);
    writeRecord(target, readReviewersFile(reviewersPath),
                *UnlockedKey::unlock(rev.id, "r", keys, 0),
                *UnlockedKey::unlock(appr.id, "a", keys, 0), total);
    std::printf("record: %d entries, %.1f MB\n", total,
                double(QFileInfo(recordPathFor(batch.dataFile, records)).size()) / 1e6);

    // Opening, alternately without and with the record, 3 times each.
    std::vector<double> shownWith, doneWith, shownWithout, doneWithout, cpuWith, cpuWithout;
    std::vector<double> fullWith, fullWithout;
    int drawnLines = 0;
    for (int round = 0; round < 3; ++round) {
      {
        Window without(reviewersPath, empty);
        double cpu = 0;
        const auto [s, d] = without.open(batch, cpu);
        cpuWithout.push_back(cpu);
        shownWithout.push_back(s);
        doneWithout.push_back(d);
      }
      Window with(reviewersPath, records);
      double cpu = 0;
      const auto [s, d] = with.open(batch, cpu);
      cpuWith.push_back(cpu);
      shownWith.push_back(s);
      doneWith.push_back(d);
      if (with.record.pane()->model()->rowCount() != total ||
          with.plot.markerCount() != std::size_t(total - 2) ||
          with.record.commands().record().state() != ReviewState::Approved) {
        std::fprintf(stderr, "the record did not show whole: %d rows, %zu markers\n",
                     with.record.pane()->model()->rowCount(), with.plot.markerCount());
        return 1;
      }
      if (round > 0) continue;
      // The data file's channels plotted, then full-range replots with the
      // markers and without.
      QAbstractItemModel* va = with.w.vaGridView->model();
      with.w.vaGridView->selectionModel()->select(
          QItemSelection(va->index(0, 1), va->index(va->rowCount() - 1, va->columnCount() - 1)),
          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Columns);
      with.cmds.DataBarBtn_Click(1);
      QApplication::processEvents();
      std::vector<TrendMarker> markers;
      for (const EntryResult& e : with.record.commands().record().entries)
        if (e.entry && e.entry->kind == EntryKind::Note)
          markers.push_back({double(*secondsOfIso(e.entry->anchor.time)) / 86400.0, e.entry->text});
      for (int i = 0; i < 7; ++i) {
        with.plot.setMarkers(markers);
        with.plot.replot();
        fullWith.push_back(with.plot.lastReplotMs());
        drawnLines = with.plot.drawnMarkerLines();
        with.plot.setMarkers({});
        with.plot.replot();
        fullWithout.push_back(with.plot.lastReplotMs());
      }
      std::printf("trend: %d channels x %zu points, %zu markers drawn as %d lines\n",
                  with.plot.channelCount(), with.plot.pointCount(0), markers.size(), drawnLines);
    }
    std::printf(
        "open without a record: pane shown %.0f ms, verification back %.0f ms (median of 3)\n",
        median(shownWithout), median(doneWithout));
    std::printf(
        "open with %d entries:  pane shown %.0f ms, verification back %.0f ms (median of 3)\n",
        total, median(shownWith), median(doneWith));
    std::printf("over the same batch without a record: %.0f ms shown, %.0f ms verified\n",
                median(shownWith) - median(shownWithout), median(doneWith) - median(doneWithout));
    std::printf("CPU of the whole open (all threads): %.0f ms with the record, %.0f ms without\n",
                median(cpuWith), median(cpuWithout));
    std::printf("full-range replot: %.1f ms with %d markers, %.1f ms without (median of 7)\n",
                median(fullWith), total - 2, median(fullWithout));
  } catch (const RuntimeError& e) {
    std::fprintf(stderr, "recordui_bench: %s\n", qPrintable(e.description()));
    return 2;
  }
  return 0;
}
