// The review record through the real viewer and its real dialogs: a
// reviewer opens the sample batch, adds a note from the data grid and one
// from the trend, signs it as reviewed; an approver unlocks after Lock and
// approves; tampering with the record turns the status bar red, naming the
// entry. With TARVEX_SHOTS set, every window and dialog is saved there as a
// picture.
#include <qcustomplot.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>
#include <functional>

#include "history/frm_history.h"
#include "history/history_commands.h"
#include "history/history_record.h"
#include "history/viewer_app.h"
#include "logfiles/row_time.h"
#include "record/gui/record_dialogs.h"
#include "record/gui/review_pane.h"
#include "record/note_anchor.h"
#include "record/reviewer_key.h"
#include "record/reviewers.h"
#include "review/review_model.h"
#include "shell/gui/frm_main.h"
#include "shell/gui/report_dialog.h"
#include "trend/gui/qcp_trend_plot.h"

using namespace tarvex;

namespace {

void shot(QWidget* w, const char* name) {
  const QString dir = qEnvironmentVariable("TARVEX_SHOTS");
  if (dir.isEmpty() || !w) return;
  w->grab().save(QDir(dir).filePath(QLatin1String(name) + QStringLiteral(".png")));
}

// Answers the next modal dialog of type D: polls every 10 ms, follows that
// dialog alone, runs `answer` on it once, and closes it after a timeout.
template <typename D>
class ModalAnswer {
 public:
  explicit ModalAnswer(std::function<void(D*)> answer) : answer_(std::move(answer)) {
    poll_.setInterval(10);
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      if (!dialog_) {
        auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible()) return;
        dialog_ = d;
        seen_ = true;
        QTimer::singleShot(20000, d, [d] { d->reject(); });
        answer_(d);
      }
    });
    poll_.start();
  }
  bool seen() const { return seen_; }

 private:
  std::function<void(D*)> answer_;
  QTimer poll_;
  QPointer<D> dialog_;
  bool seen_ = false;
};

QAction* fileAction(FrmMain* main, const char* name) {
  return main->findChild<QAction*>(QLatin1String(name));
}

// "Review Report..." of the File menu to `pdf`, its message answered;
// returns the first page as pdftotext reads it, blanks run together.
QString writeReport(FrmMain* main, const QString& pdf) {
  ModalAnswer<ReportDialog> dialog([pdf](ReportDialog* d) {
    d->outputField()->setText(pdf);
    d->accept();
  });
  ModalAnswer<QMessageBox> saved([](QMessageBox* box) { box->accept(); });
  fileAction(main, "mnuFileReviewReport")->trigger();
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {"-l", "1", pdf, "-"});
  text.waitForFinished(60000);
  return QString::fromUtf8(text.readAllStandardOutput()).simplified();
}

}  // namespace

class RecordWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void reviewerThenApproverThenTampering() {
    QTemporaryDir runtime, config, dir;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("TZ", "UTC");
    QProcess sample;
    sample.start(QStringLiteral(TARVEX_EXE), {"sample", dir.path(), "--rows", "600"});
    QVERIFY(sample.waitForFinished(60000));
    QCOMPARE(sample.exitCode(), 0);
    const QString reviewers = config.filePath(QStringLiteral("tarvex/reviewers"));
    for (const auto& [id, name, roles] : {std::tuple{"jmiller", "Jane Miller", "reviewer"},
                                          std::tuple{"kpapas", "Kostas Papas", "approver"}}) {
      Reviewer r;
      r.id = QString::fromLatin1(id);
      r.name = QString::fromUtf8(name);
      QVERIFY(parseRoles(QString::fromLatin1(roles), r));
      r.publicKey = createReviewerKey(r.id, QByteArray("pw-") + id, {}, KdfCost::cheapForTests());
      addReviewerLine(reviewers, r);
    }
    const QString dataFile = QDir(dir.path()).filePath(QStringLiteral("Reactor2_History.csv"));
    const QString recordPath = QDir(dir.path()).filePath(QStringLiteral("Reactor2_History.review"));

    ViewerApp::Options options;
    options.openFile = dataFile;
    ViewerApp app(options);
    QVERIFY(app.start());
    QTRY_VERIFY_WITH_TIMEOUT(app.historyRecord() != nullptr, 20000);
    HistoryRecord* record = app.historyRecord();
    FrmMain* main = app.mainWindow();
    FrmHistory* w = app.historyWindow();
    main->resize(1280, 860);
    QTRY_COMPARE_WITH_TIMEOUT(record->commands().batch().dataFile, dataFile, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!record->commands().record().pending, 20000);
    QCOMPARE(main->reviewStatusText(), QString("No review record"));
    QVERIFY(!main->reviewStatusFailed());

    // A note from the data grid's context menu, unlocking as the reviewer.
    w->vaGridView->showTableRow(40);
    {
      ModalAnswer<UnlockDialog> unlock([](UnlockDialog* d) {
        d->reviewerBox()->setCurrentIndex(d->reviewerBox()->findData(QStringLiteral("jmiller")));
        QTest::keyClicks(d->passphraseField(), QStringLiteral("pw-jmiller"));
        shot(d, "record-unlock-dialog");
        d->accept();
      });
      ModalAnswer<NoteDialog> note([](NoteDialog* d) {
        QTest::keyClicks(d->textField(), QStringLiteral("Jacket temperature overshoot"));
        shot(d, "record-note-dialog");
        d->accept();
      });
      w->vaGridView->findChild<QAction*>(QStringLiteral("vaGridAddNote"))->trigger();
      QVERIFY(unlock.seen());
      QVERIFY(note.seen());
    }
    QCOMPARE(record->commands().record().completeEntries, 1);
    QVERIFY(w->vaGridView->gridModel()->noteMarks()->count(40) == 1);
    QCOMPARE(main->reviewStatusText(), QString("Review record: 1 entry, not signed yet"));
    // The marked row's cells carry the note as their tool tip.
    w->vaGridView->showTableRow(45);
    const QModelIndex marked = w->vaGridView->model()->index(39, 2);
    const QString tip = marked.data(Qt::ToolTipRole).toString();
    QVERIFY2(tip.startsWith("Note by Jane Miller (jmiller), ") &&
                 tip.endsWith(":\nJacket temperature overshoot"),
             qPrintable(tip));
    QVERIFY(marked.data(Qt::BackgroundRole).isValid());
    QToolTip::showText(
        w->vaGridView->viewport()->mapToGlobal(w->vaGridView->visualRect(marked).center()), tip,
        w->vaGridView->viewport());
    QTest::qWait(50);
    for (QWidget* top : QApplication::topLevelWidgets())
      if (top->inherits("QTipLabel") && top->isVisible()) shot(top, "record-grid-tooltip");
    shot(main, "record-grid-mark");

    // A plot, then a note from the trend's menu at the time clicked: no
    // second unlock.
    QAbstractItemModel* va = w->vaGridView->model();
    w->vaGridView->selectionModel()->select(
        QItemSelection(va->index(0, 1), va->index(va->rowCount() - 1, 2)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Columns);
    w->click(ToolBar::DataBarBtn, 1);
    QCOMPARE(w->DataTab->currentIndex(), 4);
    QCustomPlot* widget = w->iPlotX;
    const QRect area = widget->axisRect()->rect();
    {
      bool unlockAsked = false;
      ModalAnswer<UnlockDialog> unlock([&](UnlockDialog* d) {
        unlockAsked = true;
        d->reject();
      });
      ModalAnswer<NoteDialog> note([](NoteDialog* d) {
        QTest::keyClicks(d->textField(), QStringLiteral("Agitator restarted"));
        d->accept();
      });
      // The right click's menu: its "Add Note..." chosen while it shows.
      bool found = false, enabled = false;
      QTimer::singleShot(50, [&] {
        auto* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!shown) return;
        shot(shown, "record-trend-menu");
        for (QAction* a : shown->actions())
          if (a->text() == QStringLiteral("Add Note...")) {
            found = true;
            enabled = a->isEnabled();
            shown->hide();
            a->trigger();
          }
        shown->close();
      });
      const QPoint at = area.center() + QPoint(area.width() / 4, 0);
      QContextMenuEvent click(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
      QApplication::sendEvent(widget, &click);
      QVERIFY(found);
      QVERIFY(enabled);
      QVERIFY(note.seen());
      QVERIFY(!unlockAsked);
    }
    QCOMPARE(record->commands().record().completeEntries, 2);
    // At the time clicked (the cursor hidden), to the second.
    const double clicked = widget->xAxis->pixelToCoord(area.center().x() + area.width() / 4);
    QCOMPARE(record->commands().record().entries[1].entry->anchor.time,
             isoOfSeconds(qRound64(clicked * 86400)));
    QTest::qWait(50);
    shot(main, "record-trend-markers");

    // Sign as reviewed: Approve is not offered to a reviewer.
    {
      ModalAnswer<SignDialog> sign([](SignDialog* d) {
        QVERIFY(!d->meaningButton(1)->isEnabled());
        d->meaningButton(0)->setChecked(true);
        QTest::keyClicks(d->reasonField(), QStringLiteral("Within limits"));
        shot(d, "record-sign-dialog-reviewer");
        d->accept();
      });
      fileAction(main, "mnuFileSignReview")->trigger();
      QVERIFY(sign.seen());
    }
    QVERIFY(main->reviewStatusText().startsWith("Reviewed by Jane Miller "));
    QVERIFY(main->reviewStatusText().endsWith("; approval pending"));
    shot(main, "record-status-reviewed");

    // Review Settings...: the folder and file in force, changed for the run.
    {
      ModalAnswer<RecordSettingsDialog> settings([&](RecordSettingsDialog* d) {
        QCOMPARE(d->reviewDirField()->text(), QString());
        d->reviewersField()->setText(reviewers);
        shot(d, "record-settings-dialog");
        d->accept();
      });
      fileAction(main, "mnuFileReviewSettings")->trigger();
      QVERIFY(settings.seen());
      QCOMPARE(record->commands().place().reviewersFile, reviewers);
      QTRY_VERIFY_WITH_TIMEOUT(!record->commands().record().pending, 20000);
    }

    // Lock; the approver unlocks and approves.
    fileAction(main, "mnuFileLock")->trigger();
    QVERIFY(!record->commands().isUnlocked());
    {
      ModalAnswer<UnlockDialog> unlock([](UnlockDialog* d) {
        QCOMPARE(d->reviewerBox()->currentData().toString(), QString("jmiller"));
        d->reviewerBox()->setCurrentIndex(d->reviewerBox()->findData(QStringLiteral("kpapas")));
        QTest::keyClicks(d->passphraseField(), QStringLiteral("pw-kpapas"));
        d->accept();
      });
      ModalAnswer<SignDialog> sign([](SignDialog* d) {
        QVERIFY(d->meaningButton(1)->isEnabled());
        d->meaningButton(1)->setChecked(true);
        shot(d, "record-sign-dialog-approver");
        d->accept();
      });
      fileAction(main, "mnuFileSignReview")->trigger();
      QVERIFY(unlock.seen());
      QVERIFY(sign.seen());
    }
    QVERIFY(main->reviewStatusText().startsWith("Approved by Kostas Papas "));
    w->DataTab->setCurrentIndex(5);
    ReviewPane* pane = record->pane();
    QCOMPARE(pane->model()->rowCount(), 4);
    QCOMPARE(pane->countLabel()->text(), QString("4 entries"));
    shot(main, "record-review-pane");
    main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main));
    QTest::keyClick(w, Qt::Key_F, Qt::ControlModifier);  // Ctrl+F: the pane's Find
    QTRY_COMPARE(QApplication::focusWidget(), pane->searchField());
    QTest::keyClicks(pane->searchField(), QStringLiteral("agitator"));
    QCOMPARE(pane->countLabel()->text(), QString("Showing 1 of 4 entries"));
    pane->searchField()->clear();
    // The review window keeps the notes of its time (sign-offs always).
    TimeWindow before;
    before.to = *rowDateTime(w->vaGrid(), 100);
    app.review()->setWindow(before);
    QCOMPARE(pane->countLabel()->text(), QString("Showing 3 of 4 entries"));
    app.review()->setWindow({});

    // The report from the File menu: both electronic signatures on its cover.
    const QString pdf = QDir(dir.path()).filePath(QStringLiteral("report.pdf"));
    const QString cover = writeReport(main, pdf);
    QVERIFY2(cover.contains("Signed electronically by Jane Miller (jmiller) on ") &&
                 cover.contains(": Reviewed (Within limits)") &&
                 cover.contains("Signed electronically by Kostas Papas (kpapas) on ") &&
                 cover.contains(": Approved") && cover.contains("review record intact, approved"),
             qPrintable(cover));

    // A double-click on the first note jumps to its data row.
    emit pane->entryActivated(0);
    QCOMPARE(w->DataTab->currentIndex(), 0);
    QCOMPARE(w->vaGridView->currentTableRow(), 40);

    // Tampering with entry 3 afterwards: red, naming the entry.
    QFile f(recordPath);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    f.close();
    bytes.replace("Within limits", "Within limitz");
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    record->commands().refresh();
    QTRY_VERIFY_WITH_TIMEOUT(!record->commands().record().pending, 20000);
    QVERIFY(main->reviewStatusFailed());
    QVERIFY2(main->reviewStatusText().startsWith(
                 "Review record FAILED: entry 3: altered (its signature does not hold)"),
             qPrintable(main->reviewStatusText()));
    w->DataTab->setCurrentIndex(5);
    shot(main, "record-status-failed");
    const QString failed = writeReport(main, pdf);
    QVERIFY2(failed.contains("review record FAILED") &&
                 failed.contains("entry 3: altered (its signature does not hold)"),
             qPrintable(failed));
  }
};

QTEST_MAIN(RecordWindowTest)
#include "record_window_test.moc"
