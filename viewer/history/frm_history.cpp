#include "history/frm_history.h"

#include <qcustomplot.h>

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>

#include "history/led_bar.h"
#include "history/toolbar_icons.h"
#include "review/gui/review_bar.h"
#include "shell/twips.h"

namespace tarvex {

// ---- TabControl -------------------------------------------------------------

TabControl::TabControl(const QStringList& captions, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("DataTab"));
  setFocusPolicy(Qt::StrongFocus);
  bar_ = new QTabBar(this);
  bar_->setExpanding(false);
  bar_->setDrawBase(false);
  bar_->setFocusPolicy(Qt::NoFocus);
  for (const QString& caption : captions) {
    bar_->addTab(caption);
    auto* page = new QFrame(this);
    page->setFrameShape(QFrame::StyledPanel);
    page->setAutoFillBackground(true);
    page->hide();
    pages_.push_back(page);
  }
  connect(bar_, &QTabBar::currentChanged, this, [this](int index) { showPage(index); });
  showPage(0);
}

void TabControl::keyPressEvent(QKeyEvent* event) {
  // With the focus on the tab control, the arrow keys choose the tab.
  int step = 0;
  if (event->key() == Qt::Key_Left) step = -1;
  if (event->key() == Qt::Key_Right) step = 1;
  if (step == 0) {
    QWidget::keyPressEvent(event);
    return;
  }
  for (int i = currentIndex() + step; i >= 0 && i < tabCount(); i += step) {
    if (isTabEnabled(i)) {
      setCurrentIndex(i);
      break;
    }
  }
}

int TabControl::pageOffset() const { return bar_->sizeHint().height() - 1; }

void TabControl::resizeEvent(QResizeEvent*) {
  bar_->setGeometry(0, 0, width(), bar_->sizeHint().height());
  const int offset = pageOffset();
  for (QFrame* page : pages_) page->setGeometry(0, offset, width(), std::max(0, height() - offset));
  bar_->raise();
}

void TabControl::showPage(int index) {
  for (int i = 0; i < tabCount(); ++i) pages_[i]->setVisible(i == index);
  bar_->raise();
}

// ---- FrmHistory ---------------------------------------------------------------

namespace {

// A grid showing `table`. Load: every cell locked and the table protected,
// so that the user cannot edit any cell; the table's selection shapes.
LogGrid* makeGrid(const char* name, QWidget* parent, LogTable& table, bool wholeRows,
                  int frozenColumns) {
  auto* grid = new LogGrid(parent);
  grid->setObjectName(QLatin1String(name));
  table.setObjectName(QLatin1String(name));
  table.setReadOnly(true);
  table.setSelectionUnit(wholeRows ? SelectionUnit::Rows : SelectionUnit::ColumnsAndBlocks);
  table.setMultipleBlocks(true);
  grid->setTable(&table);
  grid->setFrozenColumns(frozenColumns);
  return grid;
}

QGroupBox* makeFrame(const char* name, const QString& caption, QWidget* parent) {
  auto* frame = new QGroupBox(caption, parent);
  frame->setObjectName(QLatin1String(name));
  return frame;
}

}  // namespace

FrmHistory::FrmHistory(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("frmHistory"));
  setWindowTitle(QStringLiteral("Data Viewer"));
  geometry_ = historyDesignGeometry();

  DataTab = new TabControl(
      {QStringLiteral("Data"), QStringLiteral("Operator Events"), QStringLiteral("Audit Trail"),
       QStringLiteral("Alarm History"), QStringLiteral("Trend Data"), QStringLiteral("Review")},
      this);

  // Data tab
  QWidget* dataPage = DataTab->page(0);
  buildToolBar(ToolBar::DataBarBtn, 0,
               {{static_cast<int>(ToolIcon::OpenFile), QStringLiteral("Open History File")},
                {static_cast<int>(ToolIcon::Plot), QStringLiteral("Plot History File")},
                {static_cast<int>(ToolIcon::Print), QStringLiteral("Print History File")},
                {static_cast<int>(ToolIcon::Cancel), QStringLiteral("Cancel History Plot")},
                {static_cast<int>(ToolIcon::Export), QStringLiteral("Export Data File")},
                {static_cast<int>(ToolIcon::Verify), QStringLiteral("Verify Digital Signature")}});
  DcryLabel = new QLabel(QStringLiteral("Plotting Please Wait:"), dataPage);
  DcryLabel->setObjectName(QStringLiteral("DcryLabel"));
  QFont bold(QStringLiteral("MS Sans Serif"));
  bold.setPointSizeF(8.25);
  bold.setBold(true);
  DcryLabel->setFont(bold);
  DcryLabel->hide();
  ProgBar = new LedBar(dataPage);
  ProgBar->setObjectName(QStringLiteral("ProgBar"));
  ProgBar->setPositionMax(100);
  ProgBar->hide();
  dataFrame = makeFrame("dataFrame", QStringLiteral("File Data:"), dataPage);
  vaGridView = makeGrid("vaGrid", dataFrame, tables_[0], false, 1);
  sigFrame = makeFrame("sigFrame", QStringLiteral("Digital Signatures:"), dataPage);
  digiSigGridView = makeGrid("digiSigGrid", sigFrame, tables_[1], true, 2);

  // Operator Events tab
  buildToolBar(ToolBar::opBarBtn, 1,
               {{static_cast<int>(ToolIcon::Print), QStringLiteral("Print Operator Events")},
                {static_cast<int>(ToolIcon::Export), QStringLiteral("Export Operator Events")}});
  opEvGridView = makeGrid("opEvGrid", DataTab->page(1), tables_[2], true, 2);

  // Audit Trail tab
  QWidget* auditPage = DataTab->page(2);
  buildToolBar(ToolBar::auditBarBtn, 2,
               {{static_cast<int>(ToolIcon::OpenFile), QStringLiteral("Open Audit Trail")},
                {static_cast<int>(ToolIcon::Print), QStringLiteral("Print Audit Trail")},
                {static_cast<int>(ToolIcon::Export), QStringLiteral("Export Audit Trail")},
                {static_cast<int>(ToolIcon::Verify), QStringLiteral("Verify Digital Signature")}});
  auditNameLab = new QLabel(QStringLiteral("Audit Trail File:"), auditPage);
  auditNameLab->setObjectName(QStringLiteral("auditNameLab"));
  auditDataFrame = makeFrame("auditDataFrame", QStringLiteral("Audit Trail Data"), auditPage);
  auditGridView = makeGrid("auditGrid", auditDataFrame, tables_[3], true, 2);
  auditSigFrame =
      makeFrame("auditSigFrame", QStringLiteral("Audit Trail Digital Signatures"), auditPage);
  auditSigGridView = makeGrid("auditSigGrid", auditSigFrame, tables_[4], true, 2);

  // Alarm History tab
  QWidget* alarmPage = DataTab->page(3);
  buildToolBar(ToolBar::almBarBtn, 3,
               {{static_cast<int>(ToolIcon::OpenFile), QStringLiteral("Open Alarm History")},
                {static_cast<int>(ToolIcon::Print), QStringLiteral("Print Alarm History")},
                {static_cast<int>(ToolIcon::Export), QStringLiteral("Export Alarm History")}});
  almNameLab = new QLabel(QStringLiteral("Alarm History File:"), alarmPage);
  almNameLab->setObjectName(QStringLiteral("almNameLab"));
  alarmGridView = makeGrid("alarmGrid", alarmPage, tables_[5], true, 0);

  // Trend Data tab
  QWidget* trendPage = DataTab->page(4);
  buildToolBar(ToolBar::histBarBtn, 4,
               {{static_cast<int>(ToolIcon::Setup), QStringLiteral("Setup Hist Trend")},
                {static_cast<int>(ToolIcon::Cursor), QStringLiteral("Show/Hide Cursor")},
                {static_cast<int>(ToolIcon::SaveJpeg), QStringLiteral("Save To Jpeg")},
                {static_cast<int>(ToolIcon::PrintPlot), QStringLiteral("Print History Plot")},
                {static_cast<int>(ToolIcon::Compare), QStringLiteral("Compare With...")}});
  iPlotX = new QCustomPlot(trendPage);
  iPlotX->setObjectName(QStringLiteral("iPlotX"));
  iPlotX->setFocusPolicy(Qt::StrongFocus);
  YSlider = new QSlider(Qt::Vertical, trendPage);
  YSlider->setObjectName(QStringLiteral("YSlider"));
  DateSlider = new QSlider(Qt::Horizontal, trendPage);
  DateSlider->setObjectName(QStringLiteral("DateSlider"));
  // -100..100, 11 major ticks, 1 for an arrow key and 10 for a page key;
  // every position change goes to its handler.
  for (QSlider* slider : {YSlider, DateSlider}) {
    slider->setRange(-100, 100);
    slider->setTickInterval(20);
    slider->setTickPosition(QSlider::TicksBothSides);
    slider->setSingleStep(1);
    slider->setPageStep(10);
    slider->setValue(0);
  }
  connect(DateSlider, &QSlider::valueChanged, this, [this](int position) {
    if (dateSliderHandler_) dateSliderHandler_(position);
  });
  connect(YSlider, &QSlider::valueChanged, this, [this](int position) {
    if (ySliderHandler_) ySliderHandler_(position);
  });

  // "Verify All" in the context menu of the two signature grids.
  for (int i = 0; i < 2; ++i) {
    LogGrid* grid = i == 0 ? digiSigGridView : auditSigGridView;
    const SignedFile kind = i == 0 ? SignedFile::DataFile : SignedFile::AuditTrail;
    auto* action = new QAction(QStringLiteral("Verify All"), grid);
    action->setObjectName(i == 0 ? QStringLiteral("digiSigVerifyAll")
                                 : QStringLiteral("auditSigVerifyAll"));
    connect(action, &QAction::triggered, this, [this, kind] {
      if (verifyAllHandler_) verifyAllHandler_(kind);
    });
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    grid->addAction(action);
    verifyAll_[i] = action;
  }

  // Keyboard: Ctrl+Tab and Ctrl+Shift+Tab step through the tabs that are
  // switched on; Ctrl+O is the open button of the tab shown.
  auto shortcut = [this](const QKeySequence& keys, auto slot) {
    auto* s = new QShortcut(keys, this);
    connect(s, &QShortcut::activated, this, slot);
  };
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), [this] { stepTab(1); });
  shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), [this] { stepTab(-1); });
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Backtab), [this] { stepTab(-1); });
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_O), [this] { openOnCurrentTab(); });
  // The review bar over the tabs; last in the focus chain, so that the
  // window's focus starts where it always did.
  reviewBar = new ReviewBar(this);
  // Ctrl+F: the search field of the tab shown.
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_F), [this] {
    if (reviewBar->focusSearch()) return;
    // A tab with a Find field of its own (Review).
    QFrame* page = DataTab->page(DataTab->currentIndex());
    if (auto* f = page->findChild<QLineEdit*>(QStringLiteral("reviewPaneSearch"))) {
      f->setFocus(Qt::ShortcutFocusReason);
      f->selectAll();
    }
  });
  connect(DataTab->tabBar(), &QTabBar::currentChanged, reviewBar, &ReviewBar::setCurrentTab);

  // Load: the Operator Events tab starts switched off.
  DataTab->setTabEnabled(1, false);
  relayout();
}

FrmHistory::~FrmHistory() {
  // The grids go before the tables they show.
  for (LogGrid* g :
       {vaGridView, digiSigGridView, opEvGridView, auditGridView, auditSigGridView, alarmGridView})
    g->setTable(nullptr);
}

TableSelection FrmHistory::selection(const LogTable& table) const {
  for (LogGrid* g :
       {vaGridView, digiSigGridView, opEvGridView, auditGridView, auditSigGridView, alarmGridView})
    if (g->table() == &table) return g->tableSelection();
  return {};
}

void FrmHistory::stepTab(int step) {
  const int count = DataTab->tabCount();
  for (int i = 1; i < count; ++i) {
    const int index = ((DataTab->currentIndex() + step * i) % count + count) % count;
    if (DataTab->isTabEnabled(index)) {
      DataTab->setCurrentIndex(index);
      return;
    }
  }
}

void FrmHistory::openOnCurrentTab() {
  switch (DataTab->currentIndex()) {
    case 0:
      click(ToolBar::DataBarBtn, 0);
      break;
    case 2:
      click(ToolBar::auditBarBtn, 0);
      break;
    case 3:
      click(ToolBar::almBarBtn, 0);
      break;
    default:  // the events and the trend have no file of their own
      break;
  }
}

QAction* FrmHistory::verifyAllAction(SignedFile kind) const {
  return verifyAll_[kind == SignedFile::DataFile ? 0 : 1];
}

void FrmHistory::showRow(const LogTable& table, int row) {
  for (LogGrid* g :
       {vaGridView, digiSigGridView, opEvGridView, auditGridView, auditSigGridView, alarmGridView})
    if (g->table() == &table) g->showTableRow(row);
}

void FrmHistory::setPlotProgressVisible(bool visible) {
  DcryLabel->setVisible(visible);
  ProgBar->setVisible(visible);
}

void FrmHistory::setPlotProgress(int percent) { ProgBar->setPosition(percent); }

int FrmHistory::dateSliderPosition() const { return DateSlider->value(); }

void FrmHistory::setDateSliderPosition(int position) { DateSlider->setValue(position); }

int FrmHistory::ySliderPosition() const { return YSlider->value(); }

void FrmHistory::setYSliderPosition(int position) { YSlider->setValue(position); }

void FrmHistory::buildToolBar(ToolBar bar, int tab,
                              const std::vector<std::pair<int, QString>>& specs) {
  auto& row = buttons_[static_cast<int>(bar)];
  for (size_t i = 0; i < specs.size(); ++i) {
    auto* b = new QToolButton(DataTab->page(tab));
    b->setIcon(toolIcon(static_cast<ToolIcon>(specs[i].first)));
    b->setIconSize(QSize(16, 16));
    b->setToolTip(specs[i].second);
    b->setAutoRaise(false);
    b->installEventFilter(this);
    const int index = static_cast<int>(i);
    connect(b, &QToolButton::clicked, this, [this, bar, index] {
      if (clickHandler_) clickHandler_(bar, index);
    });
    row.push_back(b);
  }
}

const std::vector<QToolButton*>& FrmHistory::buttons(ToolBar bar) const {
  return buttons_[static_cast<int>(bar)];
}

void FrmHistory::click(ToolBar bar, int index) {
  const auto& row = buttons(bar);
  if (index < 0 || index >= static_cast<int>(row.size())) return;
  // The mouse-up handler first, then the click, as a mouse click runs them.
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  eventFilter(row[index], &release);
  if (clickHandler_) clickHandler_(bar, index);
}

bool FrmHistory::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    // Mouse-up on a tool-bar button: the focus leaves the button, to the
    // plot for the Trend Data buttons, to the tab control for the others.
    const auto& trend = buttons(ToolBar::histBarBtn);
    const bool isTrend = std::find(trend.begin(), trend.end(), watched) != trend.end();
    if (isTrend)
      iPlotX->setFocus(Qt::MouseFocusReason);
    else if (qobject_cast<QToolButton*>(watched))
      DataTab->setFocus(Qt::MouseFocusReason);
  }
  return QWidget::eventFilter(watched, event);
}

double FrmHistory::dpiX() const {
  const QScreen* s = screen();
  return s ? s->logicalDotsPerInchX() : 96.0;
}

double FrmHistory::dpiY() const {
  const QScreen* s = screen();
  return s ? s->logicalDotsPerInchY() : 96.0;
}

QWidget* FrmHistory::outerWindow() const {
  // Inside the main window the history window is the content of a child
  // window whose frame and caption make up its outer size.
  QWidget* p = parentWidget();
  if (p && p->inherits("QMdiSubWindow")) return p;
  return const_cast<FrmHistory*>(this);
}

void FrmHistory::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  relayout();
}

void FrmHistory::place(QWidget* w, const TwipRect& r, bool onTab) {
  const int offset = onTab ? DataTab->pageOffset() : 0;
  w->setGeometry(twipsToPixels(r.left, dpiX()), twipsToPixels(r.top, dpiY()) - offset,
                 twipsToPixels(r.width, dpiX()), twipsToPixels(r.height, dpiY()));
}

namespace {

// Pixels between the review bar and the tab control.
constexpr int kReviewBarGap = 4;

}  // namespace

int FrmHistory::reviewBarOffset() const { return reviewBar->sizeHint().height() + kReviewBarGap; }

void FrmHistory::relayout() {
  QWidget* outer = outerWindow();
  const bool minimized = outer->isMinimized() || window()->isMinimized();
  // The controls take the room below the review bar by the Resize rules,
  // as they would in a window lower by the bar.
  const int barOffset = reviewBarOffset();
  applyHistoryResize(geometry_, pixelsToTwips(outer->width(), dpiX()),
                     pixelsToTwips(outer->height() - barOffset, dpiY()), minimized);
  if (minimized) return;
  const HistoryGeometry& g = geometry_;
  place(DataTab, g.DataTab, false);
  reviewBar->setGeometry(DataTab->x(), DataTab->y(), DataTab->width(), barOffset - kReviewBarGap);
  DataTab->move(DataTab->x(), DataTab->y() + barOffset);
  for (const auto& row : buttons_)
    for (size_t i = 0; i < row.size(); ++i)
      place(row[i], toolButtonGeometry(static_cast<int>(i)), true);
  place(DcryLabel, g.DcryLabel, true);
  place(ProgBar, g.ProgBar, true);
  place(dataFrame, g.dataFrame, true);
  place(vaGridView, g.vaGrid, false);
  place(sigFrame, g.sigFrame, true);
  place(digiSigGridView, g.digiSigGrid, false);
  place(opEvGridView, g.opEvGrid, true);
  place(auditNameLab, g.auditNameLab, true);
  place(auditDataFrame, g.auditDataFrame, true);
  place(auditGridView, g.auditGrid, false);
  place(auditSigFrame, g.auditSigFrame, true);
  place(auditSigGridView, g.auditSigGrid, false);
  place(almNameLab, g.almNameLab, true);
  place(alarmGridView, g.alarmGrid, true);
  place(iPlotX, g.iPlotX, true);
  place(YSlider, g.YSlider, true);
  place(DateSlider, g.DateSlider, true);
}

}  // namespace tarvex
