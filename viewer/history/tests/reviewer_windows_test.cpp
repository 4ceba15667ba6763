// What a reviewer works with in the windows, under the offscreen platform:
// grids whose row-identifying columns stay put while scrolling sideways and
// whose columns fit their titles, the keyboard's tab switching and Open, the
// checked signature row brought into view, the history window that cannot
// be dragged inside the main window, the progress window's Cancel, and a
// second copy refused before any splash shows.
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "history/frm_history.h"
#include "history/log_grid.h"
#include "history/viewer_app.h"
#include "logfiles/readers.h"
#include "scripted_ui.h"
#include "shell/frame_rules.h"
#include "shell/gui/frm_main.h"
#include "shell/gui/frm_splash.h"
#include "shell/gui/instance_lock.h"
#include "shell/gui/qt_userinterface.h"
#include "shell/progress_pump.h"

using namespace tarvex;

namespace {

// A data table of `cols` channels with long titles and 200 rows.
void fillWide(LogTable& t, int cols) {
  t.setCell(0, 0, u"Date");
  t.setCell(1, 0, u"Time");
  for (int c = 2; c <= cols + 1; ++c) t.setCell(c, 0, QStringLiteral("Channel %1 Zone (C)").arg(c));
  for (int r = 1; r <= 200; ++r) {
    t.setCell(0, r, u"3/14/2007");
    t.setCell(1, r, QStringLiteral("06:%1:00 AM").arg(r % 60, 2, 10, QChar('0')));
    for (int c = 2; c <= cols + 1; ++c) t.setCell(c, r, QString::number(r * 0.5 + c));
  }
  t.setColumnWidth(-1, 4);  // narrower than any title
}

// A data file of `channels` channels "Ch1".."Ch<n>" and 200 rows, as the
// controller writes it.
void writeWideHistory(const QString& path, int channels) {
  QByteArray text = "Date,Time";
  for (int c = 1; c <= channels; ++c) text += ",Ch" + QByteArray::number(c);
  text += "\r\n";
  for (int r = 0; r < 200; ++r) {
    text +=
        "3/14/2007,6:" + QByteArray::number(10 + r / 50) + ":" + QByteArray::number(10 + r % 50);
    for (int c = 1; c <= channels; ++c) text += "," + QByteArray::number(c + r + 0.5);
    text += "\r\n";
  }
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(text);
}

// What is wrong with a grid's frozen strip, empty when nothing: it must show
// its own columns from its left edge on, under their own titles, beside the
// rows the grid shows.
QString frozenStripFault(const LogGrid& grid) {
  const QTableView* frozen = grid.frozenView();
  if (!frozen || !frozen->isVisible()) return QStringLiteral("no frozen strip");
  const LogTable* table = grid.table();
  const int strip = frozen->viewport()->width();
  int x = 0;
  for (int c = 0; c < grid.frozenColumns() && x < strip; ++c) {
    if (grid.isColumnHidden(c)) continue;
    for (const int px : {x + 2, std::min(x + grid.columnWidth(c), strip) - 3}) {
      const int shown = frozen->columnAt(px);
      const int titled = frozen->horizontalHeader()->logicalIndexAt(px);
      if (shown != c || titled != c)
        return QStringLiteral("x %1 shows column %2 titled \"%3\", not \"%4\"")
            .arg(px)
            .arg(shown)
            .arg(frozen->model()->headerData(titled, Qt::Horizontal).toString(),
                 table->getCell(c + 1, 0));
    }
    x += grid.columnWidth(c);
  }
  for (const int y : {2, frozen->viewport()->height() / 2, frozen->viewport()->height() - 3}) {
    const int row = grid.rowAt(y);
    if (frozen->rowAt(y) != row)
      return QStringLiteral("y %1 shows row %2 beside row %3")
          .arg(y)
          .arg(frozen->rowAt(y))
          .arg(row);
    const QModelIndex cell = frozen->indexAt(QPoint(2, y));
    if (row >= 0 && cell.data().toString() != table->getCell(1, row + 1))
      return QStringLiteral("y %1 shows \"%2\" for \"%3\"")
          .arg(y)
          .arg(cell.data().toString(), table->getCell(1, row + 1));
  }
  return {};
}

void settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

void wheel(QWidget* target, QPoint angle) {
  const QPointF at(target->width() / 2.0, target->height() / 2.0);
  QWheelEvent event(at, target->mapToGlobal(at), QPoint(), angle, Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(target, &event);
}

}  // namespace

class ReviewerWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  // Every grid that freezes columns keeps them in its strip whatever moves
  // the grid: keys, scrolling to a cell, a jump to a row, the wheel, the
  // scroll bars and resizing, on tables too wide to show at once.
  void frozenStripsShowTheirOwnColumnsAfterEveryMove() {
    QTemporaryDir dir;
    const QString dataFile = dir.filePath(QStringLiteral("Wide_History.csv"));
    writeWideHistory(dataFile, 40);
    FrmHistory w;
    w.setTabEnabled(1, true);
    w.resize(1000, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    loadHistData(w.vaGrid(), dataFile, QLocale::c());
    for (LogTable* t : {&w.digiSigGrid(), &w.opEvGrid(), &w.auditGrid(), &w.auditSigGrid()}) {
      LogTableUpdate update(*t);
      fillWide(*t, 40);
    }
    QCOMPARE(w.vaGridView->model()->headerData(40, Qt::Horizontal).toString(), QString("Ch40"));

    int checked = 0;
    for (LogGrid* grid : {w.vaGridView, w.digiSigGridView, w.opEvGridView, w.auditGridView,
                          w.auditSigGridView, w.alarmGridView}) {
      if (grid->frozenColumns() == 0) continue;
      ++checked;
      for (int tab = 0; tab < w.DataTab->tabCount(); ++tab)
        if (w.DataTab->page(tab)->isAncestorOf(grid)) w.DataTab->setCurrentIndex(tab);
      settle();
      QAbstractItemModel* model = grid->model();
      QTableView* frozen = grid->frozenView();
      const int last = model->columnCount() - 1;
      const auto faultAfter = [&](const char* step) {
        settle();
        const QString fault = frozenStripFault(*grid);
        return fault.isEmpty() ? fault
                               : grid->objectName() + QStringLiteral(" after ") +
                                     QLatin1String(step) + QStringLiteral(": ") + fault;
      };

      // Click a cell and press End: the grid shows its last column.
      const QRect cell = grid->visualRect(model->index(3, grid->frozenColumns() + 1));
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
      QCOMPARE(QApplication::focusWidget(), grid);
      QTest::keyClick(grid, Qt::Key_End);
      QString fault = faultAfter("End");
      QVERIFY2(fault.isEmpty(), qPrintable(fault));
      QCOMPARE(grid->currentIndex().column(), last);
      QVERIFY(grid->columnViewportPosition(0) < 0);

      const std::vector<std::pair<const char*, std::function<void()>>> moves{
          {"Home", [&] { QTest::keyClick(grid, Qt::Key_Home); }},
          {"Right",
           [&] {
             for (int i = 0; i < 12; ++i) QTest::keyClick(grid, Qt::Key_Right);
           }},
          {"Ctrl+End", [&] { QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier); }},
          {"PageUp", [&] { QTest::keyClick(grid, Qt::Key_PageUp); }},
          {"Ctrl+Home", [&] { QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier); }},
          {"PageDown", [&] { QTest::keyClick(grid, Qt::Key_PageDown); }},
          {"Tab",
           [&] {
             for (int i = 0; i < 15; ++i) QTest::keyClick(grid, Qt::Key_Tab);
           }},
          {"scrollTo", [&] { grid->scrollTo(model->index(150, last)); }},
          {"a far cell selected", [&] { grid->setCurrentIndex(model->index(20, last - 5)); }},
          {"a jump to a row", [&] { w.showRow(*grid->table(), 180); }},
          {"the wheel", [&] { wheel(grid->viewport(), QPoint(-600, 0)); }},
          {"a move into frozen columns wider than the grid",
           [&] {
             const int n = grid->frozenColumns();
             grid->setColumnWidth(n - 1, grid->viewport()->width() - 40);
             QTest::keyClick(grid, Qt::Key_Home);
             for (int i = 1; i < n; ++i) QTest::keyClick(grid, Qt::Key_Right);
           }},
          {"the wheel sideways on the strip", [&] { wheel(frozen->viewport(), QPoint(-600, 0)); }},
          {"the wheel down on the strip", [&] { wheel(frozen->viewport(), QPoint(0, -240)); }},
          {"the scroll bar",
           [&] { grid->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum); }},
          {"the strip's own scroll bar",
           [&] { frozen->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum); }},
          {"a resize", [&] { w.resize(760, 560); }},
          {"a wider frozen column", [&] { grid->setColumnWidth(0, grid->columnWidth(0) + 30); }},
          {"End again", [&] { QTest::keyClick(grid, Qt::Key_End); }},
      };
      for (const auto& [step, move] : moves) {
        move();
        fault = faultAfter(step);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
      }
      QCOMPARE(QApplication::focusWidget(), grid);
      QCOMPARE(frozen->verticalScrollBar()->value(), grid->verticalScrollBar()->value());
    }
    QCOMPARE(checked, 5);
  }

  void frozenColumnsStayWhileTheGridScrollsSideways() {
    LogTable table;
    fillWide(table, 30);
    LogGrid grid;
    grid.setTable(&table);
    grid.setFrozenColumns(1);
    grid.resize(500, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QTableView* frozen = grid.frozenView();
    QVERIFY(frozen && frozen->isVisible());
    QCOMPARE(frozen->model(), grid.model());
    QCOMPARE(frozen->selectionModel(), grid.selectionModel());
    QVERIFY(!frozen->isColumnHidden(0));
    QVERIFY(frozen->isColumnHidden(1));
    QCOMPARE(frozen->columnWidth(0), grid.columnWidth(0));
    const int left = grid.verticalHeader()->width() + grid.frameWidth();
    QCOMPARE(frozen->geometry().left(), left);
    QCOMPARE(frozen->width(), grid.columnWidth(0));

    // Scrolled to the far right: the main view's first column is out of
    // sight, the frozen one still shows the time at the left edge.
    grid.horizontalScrollBar()->setValue(grid.horizontalScrollBar()->maximum());
    QVERIFY(grid.horizontalScrollBar()->value() > grid.columnWidth(0));
    QVERIFY(grid.columnViewportPosition(0) < 0);
    QCOMPARE(frozen->geometry().left(), left);
    QCOMPARE(frozen->indexAt(QPoint(5, 5)).column(), 0);
    // And it scrolls down with the grid, row for row.
    grid.verticalScrollBar()->setValue(50);
    QCOMPARE(frozen->verticalScrollBar()->value(), 50);
    QCOMPARE(frozen->rowAt(1), grid.rowAt(1));
    // A row selected in it is selected in the grid.
    frozen->selectionModel()->select(grid.model()->index(60, 0), QItemSelectionModel::Select);
    QCOMPARE(grid.tableSelection().blocks.size(), size_t(1));
    // A click on a time in it, a jump to a row and a frozen cell brought into
    // view move the grid to the row, never back to its first column: the
    // columns the reviewer scrolled to stay in sight.
    const int across = grid.horizontalScrollBar()->value();
    const QRect time = frozen->visualRect(grid.model()->index(frozen->rowAt(40), 0));
    QTest::mouseClick(frozen->viewport(), Qt::LeftButton, {}, time.center());
    QCOMPARE(grid.currentIndex().column(), 0);
    QCOMPARE(grid.horizontalScrollBar()->value(), across);
    grid.showTableRow(190);
    QCOMPARE(grid.currentTableRow(), 190);
    QVERIFY(grid.verticalScrollBar()->value() > 50);
    QCOMPARE(grid.horizontalScrollBar()->value(), across);
    grid.scrollTo(grid.model()->index(5, 0));
    QCOMPARE(grid.horizontalScrollBar()->value(), across);
    QCOMPARE(grid.verticalScrollBar()->value(), 5);
    // A column that is not frozen is still brought into view.
    grid.scrollTo(grid.model()->index(5, 1));
    QVERIFY(grid.horizontalScrollBar()->value() < across);
    grid.setTable(nullptr);
  }

  void columnsFitTheirTitlesAndFirstRows() {
    LogTable table;
    fillWide(table, 3);
    table.setCell(3, 5, u"a rather long value in row five");
    LogGrid grid;
    grid.setTable(&table);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    const QFontMetrics titles = grid.horizontalHeader()->fontMetrics();
    for (int c = 0; c < 4; ++c) {
      const QString title = grid.model()->headerData(c, Qt::Horizontal).toString();
      QVERIFY2(grid.columnWidth(c) > titles.horizontalAdvance(title), qPrintable(title));
    }
    QVERIFY(grid.columnWidth(2) > grid.fontMetrics().horizontalAdvance(
                                      QStringLiteral("a rather long value in row five")));
    QVERIFY(grid.verticalHeader()->width() >
            grid.fontMetrics().horizontalAdvance(QStringLiteral("3/14/2007")));
    // The table's own width stays the least: a wide column keeps its width.
    table.setColumnWidth(2, 80);
    QCOMPARE(grid.columnWidth(1), grid.charsToPixels(80));
    grid.setTable(nullptr);
  }

  void keyboardSwitchesTabsAndOpensTheTabsFile() {
    FrmHistory w;
    std::vector<std::pair<ToolBar, int>> clicks;
    w.setClickHandler([&](ToolBar b, int i) { clicks.emplace_back(b, i); });
    w.resize(900, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    // The Operator Events tab is off: Ctrl+Tab passes it.
    QTest::keyClick(&w, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(w.DataTab->currentIndex(), 2);
    QTest::keyClick(&w, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(&w, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(w.DataTab->currentIndex(), 4);
    QTest::keyClick(&w, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(w.DataTab->currentIndex(), 5);                 // Review
    QTest::keyClick(&w, Qt::Key_Tab, Qt::ControlModifier);  // round the end
    QCOMPARE(w.DataTab->currentIndex(), 0);
    QTest::keyClick(&w, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(w.DataTab->currentIndex(), 5);
    w.setTabEnabled(1, true);
    w.DataTab->setCurrentIndex(0);
    QTest::keyClick(&w, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(w.DataTab->currentIndex(), 1);

    // Ctrl+O: the open button of the Data, Audit Trail and Alarm History tabs.
    for (int tab : {0, 1, 2, 3, 4}) {
      w.DataTab->setCurrentIndex(tab);
      QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
    }
    QCOMPARE(int(clicks.size()), 3);
    QCOMPARE(clicks[0], std::make_pair(ToolBar::DataBarBtn, 0));
    QCOMPARE(clicks[1], std::make_pair(ToolBar::auditBarBtn, 0));
    QCOMPARE(clicks[2], std::make_pair(ToolBar::almBarBtn, 0));
  }

  void checkedSignatureRowIsSelectedAndInView() {
    FrmHistory w;
    w.resize(900, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    LogTable& sig = w.digiSigGrid();
    sig.setCell(0, 0, u"Date");
    for (int r = 1; r <= 300; ++r) sig.setCell(2, r, QStringLiteral("user %1").arg(r));
    w.digiSigGridView->selectRow(0);
    w.showRow(sig, 250);
    const TableSelection sel = w.selection(sig);
    QCOMPARE(int(sel.blocks.size()), 1);
    QCOMPARE(sel.currentFirstRow, 250);
    const QRect cell = w.digiSigGridView->visualRect(w.digiSigGridView->model()->index(249, 1));
    QVERIFY(w.digiSigGridView->viewport()->rect().intersects(cell));

    // "Verify All" sits in the context menu of both signature grids.
    std::vector<SignedFile> asked;
    w.setVerifyAllHandler([&](SignedFile k) { asked.push_back(k); });
    QVERIFY(w.digiSigGridView->actions().contains(w.verifyAllAction(SignedFile::DataFile)));
    QVERIFY(w.auditSigGridView->actions().contains(w.verifyAllAction(SignedFile::AuditTrail)));
    QCOMPARE(w.digiSigGridView->contextMenuPolicy(), Qt::ActionsContextMenu);
    QCOMPARE(w.verifyAllAction(SignedFile::AuditTrail)->text(), QString("Verify All"));
    w.verifyAllAction(SignedFile::AuditTrail)->trigger();
    QCOMPARE(int(asked.size()), 1);
    QVERIFY(asked[0] == SignedFile::AuditTrail);
  }

  void historyWindowCannotBeDraggedInsideTheMainWindow() {
    test::ScriptedUi ui;
    FrmMain m(ui);
    auto* history = new FrmHistory;
    m.setHistoryWindow(history, [] { return false; });
    m.resize(900, 700);
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    auto* sub = qobject_cast<QMdiSubWindow*>(history->parentWidget());
    QVERIFY(sub);
    QTRY_COMPARE(sub->pos(), QPoint(0, 0));
    // A drag on its caption does not move it.
    const QPoint caption(sub->width() / 2, 8);
    QTest::mousePress(sub, Qt::LeftButton, Qt::NoModifier, caption);
    for (int i = 1; i <= 5; ++i) {
      QMouseEvent move(QEvent::MouseMove, QPointF(caption + QPoint(20 * i, 15 * i)),
                       sub->mapToGlobal(QPointF(caption + QPoint(20 * i, 15 * i))), Qt::NoButton,
                       Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(sub, &move);
    }
    QTest::mouseRelease(sub, Qt::LeftButton, Qt::NoModifier, caption + QPoint(100, 75));
    QCOMPARE(sub->pos(), QPoint(0, 0));
    // Moved in any other way, it goes back to the corner.
    sub->move(40, 30);
    QTRY_COMPARE(sub->pos(), QPoint(0, 0));
    QCOMPARE(sub->size(), sub->parentWidget()->size());
  }

  void captionsAreTheirTitlesAlone() {
    setApplicationIdentity(QStringLiteral("1.2.3"));
    // A display name would be appended to every caption by the window system.
    QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    QVERIFY(QGuiApplication::applicationDisplayName() != applicationTitle());
    QCOMPARE(QCoreApplication::applicationVersion(), QString("1.2.3"));
  }

  void progressWindowCancelIsSeenByTheWork() {
    QtUserInterface ui;
    ProgressPump pump(ui);
    pump.open("Printing", "Printing page 1 of 9", 9);
    QProgressDialog* dialog = ui.progressDialog();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QString("Printing"));
    QCOMPARE(dialog->labelText(), QString("Printing page 1 of 9"));
    QCOMPARE(dialog->maximum(), 9);
    QVERIFY(dialog->isModal());
    QTest::qWait(ProgressPump::kPumpIntervalMs + 5);
    QVERIFY(pump.step(4, [] { return QStringLiteral("Printing page 5 of 9"); }));
    QCOMPARE(dialog->value(), 4);
    QCOMPARE(dialog->labelText(), QString("Printing page 5 of 9"));
    // The user presses Cancel while events run.
    QTimer::singleShot(0, dialog, [dialog] { dialog->cancel(); });
    QTest::qWait(ProgressPump::kPumpIntervalMs + 5);
    QVERIFY(!pump.step(5, [] { return QString(); }));
    QVERIFY(pump.cancelled());
    pump.close();
    QVERIFY(!ui.progressDialog());
  }

  void secondCopyIsRefusedBeforeAnySplash() {
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    InstanceLock first;
    QVERIFY(first.acquire());
    ViewerApp second({});
    QString said;
    bool splashSeen = false;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      said = box->text();
      for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<FrmSplash*>(w) && w->isVisible()) splashSeen = true;
      box->button(QMessageBox::Ok)->click();
    });
    poll.start();
    QVERIFY(!second.start());
    poll.stop();
    QCOMPARE(said, QString(alreadyRunningText()).replace("\r\n", "\n"));
    QVERIFY(!splashSeen);
  }
};

QTEST_MAIN(ReviewerWindowsTest)
#include "reviewer_windows_test.moc"
