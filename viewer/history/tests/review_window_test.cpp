// The reviewer's time window in the real history window on the sample set,
// under the offscreen platform, wired as the viewer wires it: the bar's
// fields and buttons, the search fields' keys, grids that show the file's
// rows under their own headers and report table rows (a verification and a
// plot of a filtered selection), the jump from an alarm to the data row,
// "Show on Trend", the trend's "Show in Data" and the Alt+drag. With
// TARVEX_SHOTS set to a folder, pictures of the window are saved there.
#include <qcustomplot.h>

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "history/frm_history.h"
#include "history/history_commands.h"
#include "history/history_review.h"
#include "history/verify_results.h"
#include "review/gui/review_bar.h"
#include "review/review_model.h"
#include "review/time_bound.h"
#include "scripted_ui.h"
#include "signatures/vxlog.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/trend_commands.h"

using namespace tarvex;

namespace {

void shot(QWidget& w, const char* name) {
  const QString dir = qEnvironmentVariable("TARVEX_SHOTS");
  if (dir.isEmpty()) return;
  QApplication::processEvents();
  w.grab().save(QDir(dir).filePath(QLatin1String(name) + QStringLiteral(".png")));
}

double mdy(const char* text) {
  return parseTimeBound(QString::fromLatin1(text), DateOrder::MonthDayYear, false);
}

// The sample data file's row at a time of day: one row every 10 s from
// 6:00:00 on.
int dataRowAt(int hour, int minute, int second) {
  return ((hour - 6) * 3600 + minute * 60 + second) / 10 + 1;
}

// The history window with its commands, trend and review, wired as the
// viewer wires them, on the sample set with every file open.
struct Viewer {
  Viewer() {
    sample.start(QStringLiteral(TARVEX_EXE), {QStringLiteral("sample"), dir.path()});
    sample.waitForFinished(60000);
    plot.setUserInterface(&ui, w.caption());
    w.setSliderHandlers([this](int p) { trend.dateSliderChanged(p); },
                        [this](int p) { trend.ySliderChanged(p); });
    cmds.setReview(&review);
    link.commands().setBusy([this] { return cmds.busy(); });
    link.setDateOrderSink([this](const QString& text) { dateOrder = text; });
    w.setClickHandler([this](ToolBar bar, int index) {
      if (bar == ToolBar::DataBarBtn) cmds.DataBarBtn_Click(index);
      if (bar == ToolBar::auditBarBtn) cmds.auditBarBtn_Click(index);
      if (bar == ToolBar::almBarBtn) cmds.almBarBtn_Click(index);
      if (bar == ToolBar::histBarBtn) cmds.histBarBtn_Click(index);
    });
    w.resize(1200, 800);
    w.show();
    ui.openAnswers = {file("Reactor2_History.csv"), file("Reactor2_Audit.aud"),
                      file("Reactor2_Alarms.csv")};
    w.click(ToolBar::DataBarBtn, 0);
    w.click(ToolBar::auditBarBtn, 0);
    w.click(ToolBar::almBarBtn, 0);
    link.dataFileChanged();
  }
  QString file(const char* name) const { return QDir(dir.path()).filePath(QLatin1String(name)); }
  bool loaded() {
    return ui.messages.empty() && w.vaGrid().lastRow() == 720 && w.alarmGrid().lastRow() == 7 &&
           w.digiSigGrid().lastRow() == 3 && w.auditGrid().lastRow() == 11;
  }
  ReviewBar& bar() { return *w.reviewBar; }
  // Types `text` into a field as the user does, replacing what it holds.
  static void type(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
  }
  void setWindow(const char* from, const char* to) {
    type(bar().field(ReviewBar::From), QString::fromLatin1(from));
    type(bar().field(ReviewBar::To), QString::fromLatin1(to));
    QTest::keyClick(bar().field(ReviewBar::To), Qt::Key_Return);
  }
  // Plots data columns 2..3 of the rows the data grid shows.
  void plotTwoColumns() {
    QAbstractItemModel* va = w.vaGridView->model();
    w.vaGridView->selectionModel()->select(
        QItemSelection(va->index(0, 1), va->index(va->rowCount() - 1, 2)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Columns);
    w.click(ToolBar::DataBarBtn, 1);
  }

  QTemporaryDir dir;
  QProcess sample;
  test::ScriptedUi ui;
  VxLog sigLog;
  ViewerGlobals g;
  FrmHistory w;
  QcpTrendPlot plot{w.iPlotX};
  TrendCommands trend{ui, w, plot, w.vaGrid(), g.f_Plotting};
  HistoryCommands cmds{ui, w, g, &sigLog, trend};
  ReviewModel review{{&w.vaGrid(), &w.digiSigGrid(), &w.opEvGrid(), &w.auditGrid(),
                      &w.auditSigGrid(), &w.alarmGrid()}};
  HistoryReview link{w, review, plot, ui};
  QString dateOrder;  // what the status bar's date-order panel shows
};

// The table rows a grid shows, top to bottom, as its row headers' source.
QList<int> shownRows(const LogGrid& grid) {
  QList<int> rows;
  for (int i = 0; i < grid.model()->rowCount(); ++i) rows << grid.gridModel()->tableRow(i);
  return rows;
}

}  // namespace

class ReviewWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // From and To typed and entered, the counts and marks, bad input marked
  // and told with nothing changed, "Whole File"; and the bar keeps the
  // window looking as it did without a filter.
  void theBarSetsTheWindowOfEveryGrid() {
    Viewer v;
    QVERIFY(v.loaded());
    QVERIFY(QTest::qWaitForWindowExposed(&v.w));
    QCOMPARE(v.bar().field(ReviewBar::From)->placeholderText(), QString("m/d/yyyy h:mm:ss AM"));
    QCOMPARE(v.dateOrder, QString("Dates read month/day/year (from the file)"));
    QCOMPARE(v.bar().countLabel()->text(), QString());
    QCOMPARE(v.w.DataTab->tabBar()->tabText(0), QString("Data"));
    QCOMPARE(v.w.sigFrame->title(), QString("Digital Signatures:"));
    QCOMPARE(v.w.vaGridView->model()->rowCount(), 720);

    v.setWindow("3/14/2007 6:15", "2007-03-14 06:44:59");
    QVERIFY(v.ui.messages.empty());
    QCOMPARE(v.bar().field(ReviewBar::From)->text(), QString("3/14/2007 6:15:00 AM"));
    QCOMPARE(v.bar().field(ReviewBar::To)->text(), QString("3/14/2007 6:44:59 AM"));
    QCOMPARE(v.w.vaGridView->model()->rowCount(), 180);
    QCOMPARE(v.bar().countLabel()->text(), QString("Showing 180 of 720 rows"));
    for (int tab = 0; tab < 4; ++tab)
      QVERIFY(v.w.DataTab->tabBar()->tabText(tab).endsWith(" (filtered)"));
    QCOMPARE(v.w.DataTab->tabBar()->tabText(4), QString("Trend Data"));
    QCOMPARE(v.w.sigFrame->title(), QString("Digital Signatures: Showing 0 of 3 rows"));
    QCOMPARE(shownRows(*v.w.alarmGridView), (QList<int>{2, 3, 4, 5}));
    v.w.DataTab->setCurrentIndex(3);
    QCOMPARE(v.bar().countLabel()->text(), QString("Showing 4 of 7 rows"));
    v.w.DataTab->setCurrentIndex(0);
    shot(v.w, "review-window");

    // A date that does not read: the field marked, the reason told, the
    // window as it was.
    v.type(v.bar().field(ReviewBar::From), QStringLiteral("3/40/2007"));
    QTest::keyClick(v.bar().field(ReviewBar::From), Qt::Key_Return);
    QCOMPARE(int(v.ui.messages.size()), 1);
    QVERIFY(v.ui.messages[0].prompt.startsWith("From: \"3/40/2007\" is not a date"));
    QVERIFY(v.bar().isMarked(ReviewBar::From));
    QVERIFY(!v.bar().isMarked(ReviewBar::To));
    QCOMPARE(v.bar().field(ReviewBar::From)->toolTip(), v.ui.messages[0].prompt);
    QCOMPARE(v.w.vaGridView->model()->rowCount(), 180);
    shot(v.w, "review-bad-date");
    // From after To: told, nothing marked, nothing changed.
    v.setWindow("3/14/2007 7:00", "3/14/2007 6:00");
    QCOMPARE(v.ui.messages.back().prompt,
             QString("From (3/14/2007 7:00:00 AM) lies after To (3/14/2007 6:00:00 AM)."));
    QVERIFY(!v.bar().isMarked(ReviewBar::From));
    QCOMPARE(v.w.vaGridView->model()->rowCount(), 180);

    // "Whole File": everything back as it was before any filter.
    v.bar().wholeFileButton()->click();
    QCOMPARE(v.w.vaGridView->model()->rowCount(), 720);
    QCOMPARE(v.bar().field(ReviewBar::From)->text(), QString());
    QCOMPARE(v.bar().countLabel()->text(), QString());
    QCOMPARE(v.w.DataTab->tabBar()->tabText(0), QString("Data"));
    QCOMPARE(v.w.sigFrame->title(), QString("Digital Signatures:"));
    QCOMPARE(v.w.vaGridView->model()->headerData(0, Qt::Vertical).toString(),
             v.w.vaGrid().getCell(0, 1));
  }

  // Ctrl+F, typing, Esc, and the field that follows the tab shown.
  void theSearchFieldsKeys() {
    Viewer v;
    QVERIFY(v.loaded());
    QVERIFY(QTest::qWaitForWindowActive(&v.w));
    v.w.vaGridView->setFocus();
    QTest::keyClick(&v.w, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), v.bar().searchField(0));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ovr"));
    // TC3 reads "OVR" every 16 min 10 s from 6:16:00 on.
    QCOMPARE(shownRows(*v.w.vaGridView), (QList<int>{97, 194, 291, 388, 485, 582, 679}));
    QCOMPARE(v.bar().countLabel()->text(), QString("Showing 7 of 720 rows"));
    QCOMPARE(v.w.DataTab->tabBar()->tabText(0), QString("Data (filtered)"));
    QCOMPARE(v.w.DataTab->tabBar()->tabText(2), QString("Audit Trail"));
    shot(v.w, "review-search");

    // Another tab: its own field, its own text.
    v.w.DataTab->setCurrentIndex(2);
    QTest::keyClick(&v.w, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), v.bar().searchField(2));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("robert"));
    QCOMPARE(v.w.auditGridView->model()->rowCount(), 3);
    QCOMPARE(v.w.vaGridView->model()->rowCount(), 7);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(v.bar().searchField(2)->text(), QString());
    QCOMPARE(v.w.auditGridView->model()->rowCount(), 11);
    QCOMPARE(v.w.DataTab->tabBar()->tabText(2), QString("Audit Trail"));

    // The Trend Data tab has no search field: Ctrl+F leaves the focus.
    v.w.DataTab->setCurrentIndex(4);
    v.w.iPlotX->setFocus();
    QTest::keyClick(&v.w, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(v.w.iPlotX));
    v.w.DataTab->setCurrentIndex(0);
    v.bar().searchField(0)->setFocus();
    QTest::keyClick(v.bar().searchField(0), Qt::Key_Escape);
    QCOMPARE(v.w.vaGridView->model()->rowCount(), 720);
  }

  // The rows keep their numbers: headers from their own table row, the
  // selection reported in table rows and kept across a change of the
  // filter, and the frozen strip beside the same rows as the grid.
  void gridsShowFileRowsAndReportTableRows() {
    Viewer v;
    QVERIFY(v.loaded());
    QVERIFY(QTest::qWaitForWindowExposed(&v.w));
    v.setWindow("3/14/2007 6:30", "3/14/2007 7:10");
    // The alarm numbers are the file's: 5 and 6, not 1 and 2.
    LogGrid& alarms = *v.w.alarmGridView;
    QCOMPARE(alarms.model()->rowCount(), 2);
    QCOMPARE(alarms.model()->headerData(0, Qt::Vertical).toString(), QString("5"));
    QCOMPARE(alarms.model()->headerData(1, Qt::Vertical).toString(), QString("6"));
    QCOMPARE(alarms.model()->index(1, 0).data().toString(), QString("High Pressure PT1"));

    // A block of the filtered data grid, reported in table rows.
    LogGrid& va = *v.w.vaGridView;
    const int first = dataRowAt(6, 30, 0);
    QCOMPARE(va.gridModel()->tableRow(0), first);
    va.selectionModel()->select(QItemSelection(va.model()->index(3, 1), va.model()->index(9, 2)),
                                QItemSelectionModel::ClearAndSelect);
    va.selectionModel()->setCurrentIndex(va.model()->index(9, 1), QItemSelectionModel::NoUpdate);
    TableSelection s = v.w.selection(v.w.vaGrid());
    QCOMPARE(int(s.blocks.size()), 1);
    QCOMPARE(s.blocks[0], (SelectionBlock{2, first + 3, 3, first + 9}));
    QCOMPARE(s.currentFirstRow, first + 3);

    // A text filter keeps of the block the rows it shows; the window given
    // back keeps the block whole, with the current cell on its row.
    v.type(v.bar().searchField(0), QStringLiteral("06:30:"));  // 6:30:00 .. 6:30:50
    QCOMPARE(va.model()->rowCount(), 6);
    s = v.w.selection(v.w.vaGrid());
    QCOMPARE(int(s.blocks.size()), 1);
    QCOMPARE(s.blocks[0], (SelectionBlock{2, first + 3, 3, first + 5}));
    QCOMPARE(va.currentTableRow(), first + 5);  // its row hidden: the nearest before
    v.bar().searchField(0)->clear();
    s = v.w.selection(v.w.vaGrid());
    QCOMPARE(s.blocks[0], (SelectionBlock{2, first + 3, 3, first + 5}));
    QCOMPARE(va.currentTableRow(), first + 5);

    // A filter change that scrolls: the strip beside the same rows (each
    // step painted, as the user sees it).
    v.bar().wholeFileButton()->click();
    v.setWindow("3/14/2007 6:10", "3/14/2007 6:20");
    QTest::qWait(50);
    QTest::mouseClick(va.viewport(), Qt::LeftButton, {},
                      QPoint(va.columnViewportPosition(2) + 4, va.viewport()->height() / 2));
    v.type(v.bar().searchField(0), QStringLiteral("ovr"));
    QTest::qWait(50);
    QTest::keyClick(v.bar().searchField(0), Qt::Key_Escape);
    QTest::qWait(50);
    v.bar().wholeFileButton()->click();
    QTest::qWait(50);
    const QTableView* strip = va.frozenView();
    QVERIFY(strip && strip->isVisible());
    for (const int y : {2, va.viewport()->height() / 2, va.viewport()->height() - 3}) {
      const int row = va.rowAt(y);
      QVERIFY(row > 0);
      QCOMPARE(strip->rowAt(y), row);
      QCOMPARE(strip->indexAt(QPoint(2, y)).data().toString(),
               v.w.vaGrid().getCell(1, va.gridModel()->tableRow(row)));
    }
  }

  // What the commands take from a filtered grid are table rows: the
  // signature checked is the one selected, and a plot of the selected
  // rows plots those rows.
  void aVerificationAndAPlotOfAFilteredSelection() {
    Viewer v;
    QVERIFY(v.loaded());
    v.setWindow("3/14/2007 7:00", "3/14/2007 9:00");
    LogGrid& sig = *v.w.digiSigGridView;
    QCOMPARE(sig.model()->rowCount(), 2);
    // View row 0 is record 2 (record 1, the one that fails, is hidden).
    sig.selectionModel()->select(sig.model()->index(0, 0),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    v.ui.messages.clear();
    v.w.click(ToolBar::DataBarBtn, 5);
    QCOMPARE(int(v.ui.messages.size()), 1);
    QCOMPARE(v.ui.messages[0].prompt, QString("Digital signature of file confirmed!"));
    const int result = resultColumn(v.w.digiSigGrid());
    QVERIFY(v.w.digiSigGrid().getCell(result, 2).startsWith("Confirmed"));
    QCOMPARE(v.w.digiSigGrid().getCell(result, 1), QString());
    QCOMPARE(sig.currentTableRow(), 2);

    // The data rows from 7:00:00 on, columns 2 and 3, plotted.
    v.plotTwoColumns();
    QVERIFY2(v.ui.messages.size() == 1, qPrintable(v.ui.log.join('|')));
    QCOMPARE(v.plot.channelCount(), 2);
    QCOMPARE(v.plot.pointCount(0), std::size_t(720 - dataRowAt(7, 0, 0) + 1));
    QVERIFY(qAbs(v.plot.point(0, 0).x - mdy("3/14/2007 7:00:00")) < 1e-9);
    QCOMPARE(v.plot.point(0, 0).y, v.w.vaGrid().getCell(2, dataRowAt(7, 0, 0)).toDouble());
  }

  // A double-click on an alarm and Enter on an event: the data row at or
  // before its time, in the middle of the data grid.
  void aJumpFromAnAlarmToTheDataRow() {
    Viewer v;
    QVERIFY(v.loaded());
    QVERIFY(QTest::qWaitForWindowActive(&v.w));
    v.w.DataTab->setCurrentIndex(3);
    LogGrid& alarms = *v.w.alarmGridView;
    const QRect cell = alarms.visualRect(alarms.model()->index(4, 1));  // Flow Fault FT1, 6:40
    QTest::mouseClick(alarms.viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(alarms.viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(v.w.DataTab->currentIndex(), 0);
    LogGrid& va = *v.w.vaGridView;
    QCOMPARE(va.currentTableRow(), dataRowAt(6, 40, 0));
    QCOMPARE(v.w.selection(v.w.vaGrid()).currentFirstRow, dataRowAt(6, 40, 0));
    const QRect row = va.visualRect(va.currentIndex());
    QVERIFY2(qAbs(row.center().y() - va.viewport()->height() / 2) <= row.height(),
             qPrintable(QString::number(row.center().y())));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(&va));
    shot(v.w, "review-jump");

    // Enter on an event; the data row hidden by the search: the nearest
    // shown before it.
    v.type(v.bar().searchField(0), QStringLiteral("ovr"));  // rows 97, 194, 291, ...
    v.w.setTabEnabled(1, true);
    v.w.DataTab->setCurrentIndex(1);
    LogGrid& events = *v.w.opEvGridView;
    QVERIFY(events.model()->rowCount() > 2);
    events.setFocus();
    events.selectionModel()->setCurrentIndex(
        events.model()->index(2, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const int eventRow = events.currentTableRow();
    const std::optional<double> when = v.review.rowTime(ReviewTable::OperatorEvents, eventRow);
    QVERIFY(when && *when > mdy("3/14/2007 6:32:10"));
    QTest::keyClick(&events, Qt::Key_Return);
    QCOMPARE(v.w.DataTab->currentIndex(), 0);
    QCOMPARE(va.currentTableRow(), 194);
  }

  // "Show on Trend" of an alarm centres the plot on it with cursor 1 there;
  // the trend's "Show in Data" and an Alt+drag across it come back.
  void showOnTrendShowInDataAndAltDrag() {
    Viewer v;
    QVERIFY(v.loaded());
    QVERIFY(QTest::qWaitForWindowExposed(&v.w));
    LogGrid& alarms = *v.w.alarmGridView;
    QAction* onTrend = v.link.showOnTrendAction(ReviewTable::Alarms);
    QVERIFY(onTrend && alarms.actions().contains(onTrend));
    QCOMPARE(alarms.contextMenuPolicy(), Qt::ActionsContextMenu);
    QVERIFY(v.w.digiSigGridView->actions().contains(
        v.link.showOnTrendAction(ReviewTable::DataSignatures)));
    QVERIFY(v.w.digiSigGridView->actions().contains(v.w.verifyAllAction(SignedFile::DataFile)));
    alarms.showTableRow(6);  // High Pressure PT1, 7:00
    onTrend->trigger();      // the plot's empty "Channel 1" is no trend
    QCOMPARE(int(v.ui.messages.size()), 1);
    QCOMPARE(v.ui.messages.back().prompt, noTrendText());

    v.plotTwoColumns();
    v.w.DateSlider->setValue(90);  // a tenth of the span in view
    const double span = v.plot.axis(TrendAxis::X).span;
    QVERIFY(v.trend.historyXspan && qAbs(span - *v.trend.historyXspan / 10) < 1e-9);
    v.w.DataTab->setCurrentIndex(3);
    onTrend->trigger();
    QCOMPARE(v.w.DataTab->currentIndex(), 4);
    const TrendAxisSettings x = v.plot.axis(TrendAxis::X);
    QVERIFY(qAbs(x.span - span) < 1e-9);
    QVERIFY(qAbs(x.min + x.span / 2 - mdy("3/14/2007 7:00")) < 1e-9);
    QVERIFY(v.plot.cursorVisible());
    QVERIFY(qAbs(v.plot.cursorX(0) - mdy("3/14/2007 7:00")) < 1e-9);
    shot(v.w, "review-show-on-trend");

    // The trend's menu: "Show in Data", the data row at cursor 1.
    std::unique_ptr<QMenu> menu(v.plot.contextMenu(QPointF(100, 100)));
    QAction* inData = nullptr;
    for (QAction* a : menu->actions())
      if (a->text() == "Show in Data") inData = a;
    QVERIFY(inData && inData->isEnabled());
    inData->trigger();
    QCOMPARE(v.w.DataTab->currentIndex(), 0);
    QCOMPARE(v.w.vaGridView->currentTableRow(), dataRowAt(7, 0, 0));

    // Alt+drag across the data area from a quarter to three quarters.
    v.w.DataTab->setCurrentIndex(4);
    QApplication::processEvents();
    const QRect area = v.w.iPlotX->axisRect()->rect();
    const QPoint a(area.left() + area.width() / 4, area.center().y());
    const QPoint b(area.left() + area.width() * 3 / 4, area.center().y());
    const double xa = v.w.iPlotX->xAxis->pixelToCoord(a.x());
    const double xb = v.w.iPlotX->xAxis->pixelToCoord(b.x());
    QTest::mousePress(v.w.iPlotX, Qt::LeftButton, Qt::AltModifier, a);
    QMouseEvent move(QEvent::MouseMove, QPointF(b), v.w.iPlotX->mapToGlobal(QPointF(b)),
                     Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
    QApplication::sendEvent(v.w.iPlotX, &move);
    QTest::mouseRelease(v.w.iPlotX, Qt::LeftButton, Qt::AltModifier, b);
    const TimeWindow w = v.review.window();
    QVERIFY(w.from && w.to);
    QVERIFY(*w.from >= xa && *w.from - xa < 1.0 / 86400);
    QVERIFY(*w.to <= xb && xb - *w.to < 1.0 / 86400);
    QCOMPARE(v.bar().field(ReviewBar::From)->text(),
             formatTimeBound(*w.from, DateOrder::MonthDayYear));
    QVERIFY(v.review.isFiltered(ReviewTable::Data));
    // The plot did not pan.
    QVERIFY(qAbs(v.plot.axis(TrendAxis::X).min - x.min) < 1e-9);
  }
};

QTEST_MAIN(ReviewWindowTest)
#include "review_window_test.moc"
