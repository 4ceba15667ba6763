// The windows under the offscreen platform: the history window's controls,
// tool bars, layout and focus rules; the splash's ticks; the main window's
// close rules and status bar; the About box; a real message box's placement
// and timeout.
#include <qcustomplot.h>

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "history/frm_history.h"
#include "history/led_bar.h"
#include "history/log_grid.h"
#include "review/gui/review_bar.h"
#include "scripted_ui.h"
#include "shell/frame_rules.h"
#include "shell/gui/frm_about.h"
#include "shell/gui/frm_main.h"
#include "shell/gui/frm_splash.h"
#include "shell/gui/qt_userinterface.h"
#include "shell/gui/report_dialog.h"
#include "shell/twips.h"

using namespace tarvex;

class WindowsTest : public QObject {
  Q_OBJECT

 private slots:
  // The real "Review Report..." dialog shows what it was given and hands
  // back what was typed; the File menu offers it.
  void reviewReportDialog() {
    ReportDialogValues v;
    v.from = "3/14/2007 6:00:00 AM";
    v.timeHint = "m/d/yyyy h:mm:ss AM";
    v.channels = QStringList{"TC1", "TC2"};
    v.chosen = {true, false};
    v.lows = QStringList{"", ""};
    v.highs = QStringList{"", ""};
    v.reviewer = "Jane Miller";
    v.output = "/tmp/r.pdf";
    ReportDialog dialog(v);
    QCOMPARE(dialog.fromField()->text(), v.from);
    QCOMPARE(dialog.toField()->placeholderText(), v.timeHint);
    QCOMPARE(dialog.channelTable()->rowCount(), 2);
    QCOMPARE(dialog.channelTable()->item(1, 1)->text(), QString("TC2"));
    dialog.channelTable()->item(1, 0)->setCheckState(Qt::Checked);
    dialog.channelTable()->item(0, 3)->setText("185");
    dialog.reviewerField()->setText("Ann Smith");
    const ReportDialogValues back = dialog.values();
    QCOMPARE(back.chosen, (QList<bool>{true, true}));
    QCOMPARE(back.highs[0], QString("185"));
    QCOMPARE(back.reviewer, QString("Ann Smith"));
    QCOMPARE(back.output, v.output);
    if (const QByteArray shot = qgetenv("TARVEX_DIALOG_SHOT"); !shot.isEmpty()) {
      dialog.show();
      dialog.grab().save(QString::fromLocal8Bit(shot));
    }

    QtUserInterface ui;
    FrmMain main(ui);
    bool asked = false;
    main.setReviewReportHandler([&] { asked = true; });
    auto* action = main.findChild<QAction*>("mnuFileReviewReport");
    QVERIFY(action);
    QCOMPARE(action->text(), QString("&Review Report..."));
    action->trigger();
    QVERIFY(asked);
  }

  void historyTabsAndControls() {
    FrmHistory w;
    QCOMPARE(w.windowTitle(), QString("Data Viewer"));
    QTabBar* bar = w.DataTab->tabBar();
    QCOMPARE(bar->count(), 6);
    const QStringList captions{"Data",          "Operator Events", "Audit Trail",
                               "Alarm History", "Trend Data",      "Review"};
    for (int i = 0; i < 6; ++i) QCOMPARE(bar->tabText(i), captions[i]);
    QVERIFY(!w.DataTab->isTabEnabled(1));
    QVERIFY(w.DataTab->isTabEnabled(2));
    QVERIFY(w.DcryLabel->isHidden());
    QVERIFY(w.ProgBar->isHidden());
    QCOMPARE(w.ProgBar->positionMax(), 100);
    QCOMPARE(w.DcryLabel->text(), QString("Plotting Please Wait:"));
    QCOMPARE(w.dataFrame->title(), QString("File Data:"));
    QCOMPARE(w.sigFrame->title(), QString("Digital Signatures:"));
    QCOMPARE(w.auditDataFrame->title(), QString("Audit Trail Data"));
    QCOMPARE(w.auditSigFrame->title(), QString("Audit Trail Digital Signatures"));
    QCOMPARE(w.auditNameLab->text(), QString("Audit Trail File:"));
    QCOMPARE(w.almNameLab->text(), QString("Alarm History File:"));
    for (LogGrid* g : {w.vaGridView, w.digiSigGridView, w.opEvGridView, w.auditGridView,
                       w.auditSigGridView, w.alarmGridView}) {
      QVERIFY(g->table() && g->table()->isReadOnly());
      QCOMPARE(g->editTriggers(), QAbstractItemView::NoEditTriggers);
      QCOMPARE(g->selectionMode(), QAbstractItemView::ExtendedSelection);
      QCOMPARE(g->selectionBehavior(),
               g == w.vaGridView ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
    }
  }

  void toolTipsAndIcons() {
    FrmHistory w;
    const std::vector<std::pair<ToolBar, QStringList>> expected{
        {ToolBar::DataBarBtn,
         {"Open History File", "Plot History File", "Print History File", "Cancel History Plot",
          "Export Data File", "Verify Digital Signature"}},
        {ToolBar::opBarBtn, {"Print Operator Events", "Export Operator Events"}},
        {ToolBar::auditBarBtn,
         {"Open Audit Trail", "Print Audit Trail", "Export Audit Trail",
          "Verify Digital Signature"}},
        {ToolBar::almBarBtn, {"Open Alarm History", "Print Alarm History", "Export Alarm History"}},
        {ToolBar::histBarBtn,
         {"Setup Hist Trend", "Show/Hide Cursor", "Save To Jpeg", "Print History Plot",
          "Compare With..."}}};
    for (const auto& [bar, tips] : expected) {
      const auto& buttons = w.buttons(bar);
      QCOMPARE(int(buttons.size()), int(tips.size()));
      for (int i = 0; i < tips.size(); ++i) {
        QCOMPARE(buttons[i]->toolTip(), tips[i]);
        QCOMPARE(buttons[i]->text(), QString());
        QVERIFY(!buttons[i]->icon().pixmap(16, 16).isNull());
        QCOMPARE(buttons[i]->iconSize(), QSize(16, 16));
      }
    }
  }

  void controlsSitAtTheirTwipsGeometry() {
    FrmHistory w;
    const double dpi = w.dpiX();
    w.resize(twipsToPixels(12000, dpi), twipsToPixels(9000, dpi));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const HistoryGeometry& g = w.geometryTwips();
    QCOMPARE(g.DataTab.width, pixelsToTwips(w.width(), dpi) - 190);
    // The review bar sits where the tab control began; the tab control and
    // everything on it follow the rules below it, as in a window lower by
    // the bar.
    const int bar = w.reviewBarOffset();
    QVERIFY(bar > 0);
    QCOMPARE(g.DataTab.height, pixelsToTwips(w.height() - bar, dpi) - 600);
    QCOMPARE(w.DataTab->geometry(),
             QRect(twipsToPixels(45, dpi), twipsToPixels(90, dpi) + bar,
                   twipsToPixels(g.DataTab.width, dpi), twipsToPixels(g.DataTab.height, dpi)));
    QCOMPARE(w.reviewBar->geometry().top(), twipsToPixels(90, dpi));
    QCOMPARE(w.reviewBar->geometry().width(), w.DataTab->width());
    QVERIFY(w.reviewBar->geometry().bottom() < w.DataTab->geometry().top());
    // A grid inside its frame: relative to the frame.
    QCOMPARE(w.vaGridView->geometry(),
             QRect(twipsToPixels(135, dpi), twipsToPixels(210, dpi),
                   twipsToPixels(g.vaGrid.width, dpi), twipsToPixels(g.vaGrid.height, dpi)));
    // A control on a tab: relative to the tab control's top-left corner.
    const QPoint onTab = w.opEvGridView->mapTo(w.DataTab, QPoint(0, 0));
    QCOMPARE(onTab, QPoint(twipsToPixels(135, dpi), twipsToPixels(810, dpi)));
    const QPoint button = w.buttons(ToolBar::almBarBtn)[2]->mapTo(w.DataTab, QPoint(0, 0));
    QCOMPARE(button, QPoint(twipsToPixels(135 + 810, dpi), twipsToPixels(390, dpi)));
  }

  void clickDispatchAndFocusMove() {
    FrmHistory w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    std::vector<std::pair<ToolBar, int>> clicks;
    QWidget* focusAtClick = nullptr;
    w.setClickHandler([&](ToolBar bar, int index) {
      clicks.push_back({bar, index});
      focusAtClick = QApplication::focusWidget();
    });
    w.buttons(ToolBar::DataBarBtn)[4]->setFocus();
    w.click(ToolBar::DataBarBtn, 4);
    QCOMPARE(int(clicks.size()), 1);
    QCOMPARE(clicks[0].second, 4);
    QCOMPARE(focusAtClick, static_cast<QWidget*>(w.DataTab));
    w.click(ToolBar::DataBarBtn, 6);
    w.click(ToolBar::almBarBtn, -1);
    QCOMPARE(int(clicks.size()), 1);
    // A real mouse click on a Trend Data button: the focus goes to the plot.
    w.DataTab->setCurrentIndex(4);
    QTest::mouseClick(w.buttons(ToolBar::histBarBtn)[1], Qt::LeftButton);
    QCOMPARE(int(clicks.size()), 2);
    QCOMPARE(clicks[1].first, ToolBar::histBarBtn);
    QCOMPARE(focusAtClick, static_cast<QWidget*>(w.iPlotX));
    // The arrow keys on the tab control pass over the switched-off tab.
    w.DataTab->setCurrentIndex(0);
    QTest::keyClick(w.DataTab, Qt::Key_Right);
    QCOMPARE(w.DataTab->currentIndex(), 2);
    QTest::keyClick(w.DataTab, Qt::Key_Left);
    QCOMPARE(w.DataTab->currentIndex(), 0);
  }

  void splashOpensTheHistoryOnTheTenthTick() {
    test::ScriptedUi ui;
    int shown = 0;
    FrmSplash::Startup s;
    s.onlyCopy = [] { return true; };
    s.showHistory = [&] { ++shown; };
    FrmSplash splash(ui, s);
    QVERIFY(splash.load());
    QCOMPARE(splash.ticks(), 1);
    for (int i = 0; i < 9; ++i) splash.timer1Tick();
    QCOMPARE(shown, 0);
    QSignalSpy finished(&splash, &FrmSplash::finished);
    splash.timer1Tick();
    QCOMPARE(shown, 1);
    QCOMPARE(finished.count(), 1);
    QVERIFY(ui.messages.empty());
    // The real timer also gets there, in about one second.
    FrmSplash timed(ui, s);
    QSignalSpy done(&timed, &FrmSplash::finished);
    QVERIFY(timed.load());
    QVERIFY(done.wait(5000));
    QCOMPARE(shown, 2);
  }

  void splashRefusesASecondCopyAndReportsStartupErrors() {
    test::ScriptedUi ui;
    int shown = 0;
    FrmSplash::Startup s;
    s.onlyCopy = [] { return false; };
    s.showHistory = [&] { ++shown; };
    FrmSplash second(ui, s);
    QVERIFY(!second.load());
    QCOMPARE(int(ui.messages.size()), 1);
    QCOMPARE(ui.messages[0].prompt, alreadyRunningText());
    QCOMPARE(ui.messages[0].style, 32);

    s.onlyCopy = [] { return true; };
    s.prepare = [] { throw RuntimeError(err::PathNotFound); };
    FrmSplash broken(ui, s);
    QVERIFY(!broken.load());
    QVERIFY(broken.startupFailed());
    QCOMPARE(ui.messages.back().prompt, startupErrorText());
    QCOMPARE(ui.messages.back().style, 16);
    broken.timer1Tick();
    QCOMPARE(shown, 0);
  }

  void mainWindowCloseRulesAndStatusBar() {
    test::ScriptedUi ui;
    FrmMain m(ui);
    bool busy = true;
    auto* history = new FrmHistory;
    m.setHistoryWindow(history, [&] { return busy; });
    m.resize(900, 700);
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    QVERIFY(!m.dateText().isEmpty());
    QVERIFY(!m.timeText().isEmpty());
    QCOMPARE(m.statusText(), QString("Status"));
    m.setStatusText("Loading File, please wait!");
    QCOMPARE(m.statusText(), QString("Loading File, please wait!"));

    // The history window cannot be closed by itself.
    QVERIFY(!history->parentWidget()->close());
    QVERIFY(history->isVisible());

    QSignalSpy exit(&m, &FrmMain::exitConfirmed);
    QVERIFY(!m.close());
    QCOMPARE(ui.messages.back().style, 64);
    QVERIFY(m.isVisible());
    busy = false;
    ui.msgAnswers = {mb::ResultNo};
    QVERIFY(!m.close());
    QCOMPARE(ui.messages.back().prompt, QString("Exit - are you sure?"));
    QVERIFY(m.isVisible());
    QCOMPARE(exit.count(), 0);
    ui.msgAnswers = {mb::ResultYes};
    QVERIFY(m.close());
    QCOMPARE(exit.count(), 1);
  }

  void mainWindowKeepsItsMinimumAndFitsTheHistory() {
    test::ScriptedUi ui;
    FrmMain m(ui);
    auto* history = new FrmHistory;
    m.setHistoryWindow(history, [] { return false; });
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    m.resize(2000, 100);
    QTRY_VERIFY(m.height() >= twipsToPixels(kMainMinHeight, m.dpiY()));
    QVERIFY(m.width() >= twipsToPixels(kMainMinWidth, m.dpiX()));
    m.resize(1000, 800);
    // The history window (with its caption) fills the inner area.
    QTRY_COMPARE(history->parentWidget()->geometry().topLeft(), QPoint(0, 0));
    QCOMPARE(history->parentWidget()->size(),
             m.centralWidget()->size() -
                 (m.centralWidget()->size() - history->parentWidget()->parentWidget()->size()));
  }

  void aboutBox() {
    test::ScriptedUi ui;
    FrmAbout about(ui);
    QCOMPARE(about.windowTitle(), QString("About Marvesk Data Viewer"));
    QCOMPARE(about.titleText(), QString("Tarvex Data Viewer"));
    QVERIFY(about.versionText().startsWith("Version "));
    QCOMPARE(about.versionText().count('.'), 2);
    auto* sysInfo = about.findChild<QAbstractButton*>("cmdSysInfo");
    QVERIFY(sysInfo);
    QCOMPARE(sysInfo->text(), QString("&System Info..."));
    sysInfo->click();
    QCOMPARE(ui.messages.back().prompt, QString("System Information Is Unavailable At This Time"));
    QCOMPARE(ui.messages.back().style, 0);
  }

  void realMessageBoxPlacementAndTimeout() {
    QtUserInterface ui;
    QWidget owner;
    owner.setGeometry(-300, 50, 400, 300);  // mostly left of the screen
    owner.show();
    ui.setOwner(&owner);
    QRect seen;
    QString title;
    QTimer::singleShot(100, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        seen = box->frameGeometry();
        title = box->windowTitle();
      }
    });
    QElapsedTimer clock;
    clock.start();
    const int result = ui.msgBoxPos("Closes by itself", mb::Information, QString(), 400);
    QCOMPARE(result, mb::ResultOk);
    QVERIFY(clock.elapsed() >= 350);
    QCOMPARE(title, QString("Tarvex Data Viewer"));
    QCOMPARE(seen.left(), owner.screen()->geometry().left());

    // A Yes/No box ignores the timeout's close request, as it ignores its
    // close box; the user's answer ends it.
    bool stillOpen = false;
    QTimer::singleShot(500, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      stillOpen = box && box->isVisible();
      if (box) box->button(QMessageBox::No)->click();
    });
    QCOMPARE(ui.msgBoxPos("Question?", mb::YesNoQuestion, "Own title", 100), mb::ResultNo);
    QVERIFY(stillOpen);
  }

  void gridShowsTitlesAndHeaderColumn() {
    LogTable table;
    table.setCell(0, 0, u"Date");
    table.setCell(1, 0, u"Time");
    table.setCell(2, 0, u"TC1");
    table.setCell(3, 0, u"Hash");
    for (int r = 1; r <= 5; ++r) {
      table.setCell(0, r, QString("1/%1/2007").arg(r));
      table.setCell(1, r, QString("0%1:00:00 PM").arg(r));
      table.setCell(2, r, QString::number(20 + r));
      table.setCell(3, r, u"AB");
    }
    table.setColumnHidden(3);
    table.setColumnWidth(-1, 14);
    table.setReadOnly(true);
    table.setSelectionUnit(SelectionUnit::ColumnsAndBlocks);
    table.setMultipleBlocks(true);
    LogGrid grid;
    grid.setTable(&table);
    grid.resize(500, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QAbstractItemModel* m = grid.model();
    QCOMPARE(m->rowCount(), 5);
    QCOMPARE(m->columnCount(), 3);
    QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QString("Time"));
    QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QString("TC1"));
    QCOMPARE(m->headerData(0, Qt::Vertical).toString(), QString("1/1/2007"));
    QCOMPARE(m->index(0, 1).data().toString(), QString("21"));
    QVERIFY(grid.isColumnHidden(2));
    QVERIFY(!grid.isColumnHidden(1));
    QCOMPARE(grid.columnWidth(0), grid.charsToPixels(14));
    QCOMPARE(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!(m->flags(m->index(0, 0)) & Qt::ItemIsEditable));

    // A later write shows at once; a new title too.
    table.setCell(2, 3, u"99.5");
    QCOMPARE(m->index(2, 1).data().toString(), QString("99.5"));
    table.setCell(2, 0, u"TC 1");
    QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QString("TC 1"));

    // Nothing selected: no blocks, first row 0.
    TableSelection sel = grid.tableSelection();
    QVERIFY(sel.blocks.empty());
    QCOMPARE(sel.currentFirstRow, 0);
    // A whole column (its header clicked) and then a block, several at once.
    grid.selectColumn(1);
    grid.selectionModel()->select(QItemSelection(m->index(1, 0), m->index(4, 0)),
                                  QItemSelectionModel::Select);
    sel = grid.tableSelection();
    QCOMPARE(int(sel.blocks.size()), 2);
    QCOMPARE(sel.blocks[0], (SelectionBlock{2, -1, 2, -1}));
    QCOMPARE(sel.blocks[1], (SelectionBlock{1, 2, 1, 5}));
    QCOMPARE(sel.currentFirstRow, 2);
  }

  void rowGridsReportWholeRows() {
    LogTable table;
    table.setCell(4, 3, u"x");
    table.setSelectionUnit(SelectionUnit::Rows);
    LogGrid grid;
    grid.setTable(&table);
    QCOMPARE(grid.selectionBehavior(), QAbstractItemView::SelectRows);
    grid.selectRow(1);
    TableSelection sel = grid.tableSelection();
    QCOMPARE(int(sel.blocks.size()), 1);
    QCOMPARE(sel.blocks[0], (SelectionBlock{-1, 2, -1, 2}));
    QCOMPARE(sel.currentFirstRow, 2);
    grid.setTable(nullptr);
  }

  // The real file dialog once: its settings, Cancel as the cancel error,
  // and the chosen file.
  void realOpenDialog() {
    QTemporaryDir dir;
    QFile f(dir.filePath("run.csv"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QtUserInterface ui;
    FileDialogSettings s;
    s.title = "Open Log File (.csv)";
    s.filter = "Log Files(*.csv)|*.csv";
    s.initDir = dir.path() + "\\";
    s.flags = cdl::FileMustExist | cdl::ReadOnlyHidden;
    QString title, folder;
    QStringList filters;
    bool accept = false;
    QTimer poll;
    poll.setInterval(10);
    // The dialog is looked for among the visible top-level windows: on a
    // busy machine the modal stack may still hold a box of an earlier test.
    connect(&poll, &QTimer::timeout, [&] {
      QFileDialog* d = nullptr;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* fd = qobject_cast<QFileDialog*>(w); fd && fd->isVisible()) d = fd;
      if (!d) return;
      title = d->windowTitle();
      folder = d->directory().absolutePath();
      filters = d->nameFilters();
      QCOMPARE(d->fileMode(), QFileDialog::ExistingFile);
      if (accept) {
        d->selectFile(dir.filePath("run.csv"));
        static_cast<QDialog*>(d)->accept();
      } else {
        d->reject();
      }
    });
    poll.start();
    bool cancelled = false;
    try {
      ui.showOpen(s);
    } catch (const RuntimeError& e) {
      cancelled = e.number() == err::Cancel;
    }
    QVERIFY(cancelled);
    QCOMPARE(title, QString("Open Log File (.csv)"));
    QCOMPARE(folder, QDir(dir.path()).absolutePath());
    QCOMPARE(filters, QStringList{"Log Files(*.csv)"});
    accept = true;
    QCOMPARE(ui.showOpen(s), dir.filePath("run.csv"));
  }

  // In the program the boxes are centred over the history window, a child
  // window of the main window.
  void messageBoxCentredOverTheHistoryWindow() {
    QtUserInterface ui;
    FrmMain m(ui);
    auto* history = new FrmHistory;
    m.setHistoryWindow(history, [] { return false; });
    m.setGeometry(40, 30, 700, 520);
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    QWidget* owner = history->parentWidget();
    ui.setOwner(owner);
    QRect seen;
    QTimer::singleShot(100, [&] {
      if (QWidget* box = QApplication::activeModalWidget()) seen = box->frameGeometry();
    });
    ui.msgBoxPos("Exit - are you sure?", mb::OkOnly, QString(), 300);
    const QRect ownerRect(owner->mapToGlobal(QPoint(0, 0)), owner->size());
    QVERIFY(seen.isValid());
    QVERIFY(qAbs(seen.center().x() - ownerRect.center().x()) <= 1);
    QVERIFY(qAbs(seen.center().y() - ownerRect.center().y()) <= 1);
  }

  void fileFilters() {
    QCOMPARE(qtNameFilters("Log Files(*.csv)|*.csv"), QStringList{"Log Files(*.csv)"});
    QCOMPARE(qtNameFilters("Audit Files(*.aud)|*.aud|Audit Files(*.csv)|*.csv"),
             (QStringList{"Audit Files(*.aud)", "Audit Files(*.csv)"}));
    QCOMPARE(qtNameFilters("Exported Data Files (*.csv)|*.csv"),
             QStringList{"Exported Data Files (*.csv)"});
    QCOMPARE(qtNameFilters("Pictures|*.jpg"), QStringList{"Pictures (*.jpg)"});
    QCOMPARE(localFolder("/home/op/logs\\"), QString("/home/op/logs"));
    QCOMPARE(localFolder("/home/op/logs\\Export Data"), QString("/home/op/logs/Export Data"));
  }
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
