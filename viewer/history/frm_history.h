// frmHistory: the viewer's working window. A tab control with six tabs
// (Data, Operator Events, Audit Trail, Alarm History, Trend Data and Review,
// whose page the review record fills: history_record.h), each but the last with
// a tool bar of icon buttons, the six log grids, their frames and labels,
// the plot progress and the trend plot with its sliders; above the tabs the
// review bar (review/gui/review_bar.h). Controls sit at
// their design geometry in twips converted at the screen's DPI and follow
// the Resize rules. Clicks are handed on by array and index; the window
// does no work of its own.
#pragma once

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>
#include <array>
#include <functional>
#include <vector>

#include "history/history_commands.h"
#include "history/history_layout.h"
#include "history/log_grid.h"
#include "trend/trend_plot.h"

class QCustomPlot;

namespace tarvex {

class LedBar;
class ReviewBar;

// The tool-bar button arrays.
enum class ToolBar { DataBarBtn, opBarBtn, auditBarBtn, almBarBtn, histBarBtn };

// The tab control: one row of tabs over pages that hold their controls at
// positions measured from the tab control's top-left corner.
class TabControl : public QWidget {
  Q_OBJECT

 public:
  TabControl(const QStringList& captions, QWidget* parent);
  QTabBar* tabBar() const { return bar_; }
  QFrame* page(int index) const { return pages_.at(index); }
  int tabCount() const { return static_cast<int>(pages_.size()); }
  int currentIndex() const { return bar_->currentIndex(); }
  void setCurrentIndex(int index) { bar_->setCurrentIndex(index); }
  // The per-tab switch: a switched-off tab is greyed and cannot be chosen.
  void setTabEnabled(int index, bool on) { bar_->setTabEnabled(index, on); }
  bool isTabEnabled(int index) const { return bar_->isTabEnabled(index); }
  // The height of the tab row: a page's controls are moved up by it.
  int pageOffset() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void showPage(int index);
  QTabBar* bar_;
  std::vector<QFrame*> pages_;
};

class FrmHistory : public QWidget, public HistoryWindowState, public TrendWindow {
  Q_OBJECT

 public:
  explicit FrmHistory(QWidget* parent = nullptr);
  ~FrmHistory() override;

  // Who handles a click: array and index (an index outside the array does
  // nothing and never reaches it).
  void setClickHandler(std::function<void(ToolBar, int)> handler) {
    clickHandler_ = std::move(handler);
  }

  // Who handles "Verify All" of the signature grids' context menu.
  void setVerifyAllHandler(std::function<void(SignedFile)> handler) {
    verifyAllHandler_ = std::move(handler);
  }
  // The context menu action of digiSigGrid / auditSigGrid.
  QAction* verifyAllAction(SignedFile kind) const;

  // The buttons of one array, in index order.
  const std::vector<QToolButton*>& buttons(ToolBar bar) const;
  // Clicks button `index` of `bar` as the mouse does (focus move on mouse-up,
  // then the click). Does nothing for an index outside the array.
  void click(ToolBar bar, int index);

  // Ctrl+Tab (step 1) and Ctrl+Shift+Tab (-1): the next tab that is
  // switched on, round the end.
  void stepTab(int step);
  // Ctrl+O: the open button of the tab shown (Data, Audit Trail, Alarm
  // History); nothing on the other tabs.
  void openOnCurrentTab();

  // The current geometry in twips (design values until the first resize).
  const HistoryGeometry& geometryTwips() const { return geometry_; }
  double dpiX() const;
  double dpiY() const;

  // Lays the controls out for the window's present outer size: the review
  // bar across the top, below it the tab control and everything on it as
  // in a window that much lower.
  void relayout();
  // The pixels the review bar takes above the tab control.
  int reviewBarOffset() const;

  // HistoryWindowState: the six log tables shown by the grids.
  LogTable& vaGrid() override { return tables_[0]; }
  LogTable& digiSigGrid() override { return tables_[1]; }
  LogTable& opEvGrid() override { return tables_[2]; }
  LogTable& auditGrid() override { return tables_[3]; }
  LogTable& auditSigGrid() override { return tables_[4]; }
  LogTable& alarmGrid() override { return tables_[5]; }
  TableSelection selection(const LogTable& table) const override;
  void setTabEnabled(int index, bool on) override { DataTab->setTabEnabled(index, on); }
  void setAuditNameCaption(const QString& text) override { auditNameLab->setText(text); }
  void setAlmNameCaption(const QString& text) override { almNameLab->setText(text); }
  // HistoryWindowState and TrendWindow: DcryLabel and ProgBar together.
  void setPlotProgressVisible(bool visible) override;
  void showRow(const LogTable& table, int row) override;

  // TrendWindow.
  void setPlotProgress(int percent) override;
  int dateSliderPosition() const override;
  void setDateSliderPosition(int position) override;
  int ySliderPosition() const override;
  void setYSliderPosition(int position) override;
  void selectTab(int index) override { DataTab->setCurrentIndex(index); }
  QString caption() const override { return windowTitle(); }

  // Who handles the position changes of DateSlider and YSlider (moved by
  // the user or set by the program).
  void setSliderHandlers(std::function<void(int)> dateSlider, std::function<void(int)> ySlider) {
    dateSliderHandler_ = std::move(dateSlider);
    ySliderHandler_ = std::move(ySlider);
  }

  ReviewBar* reviewBar = nullptr;
  TabControl* DataTab = nullptr;
  QLabel* DcryLabel = nullptr;
  LedBar* ProgBar = nullptr;
  QGroupBox* dataFrame = nullptr;
  LogGrid* vaGridView = nullptr;
  QGroupBox* sigFrame = nullptr;
  LogGrid* digiSigGridView = nullptr;
  LogGrid* opEvGridView = nullptr;
  QLabel* auditNameLab = nullptr;
  QGroupBox* auditDataFrame = nullptr;
  LogGrid* auditGridView = nullptr;
  QGroupBox* auditSigFrame = nullptr;
  LogGrid* auditSigGridView = nullptr;
  QLabel* almNameLab = nullptr;
  LogGrid* alarmGridView = nullptr;
  QCustomPlot* iPlotX = nullptr;
  QSlider* YSlider = nullptr;
  QSlider* DateSlider = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildToolBar(ToolBar bar, int tab, const std::vector<std::pair<int, QString>>& buttons);
  void place(QWidget* w, const TwipRect& r, bool onTab);
  QWidget* outerWindow() const;

  std::array<LogTable, 6> tables_;
  HistoryGeometry geometry_;
  std::array<std::vector<QToolButton*>, 5> buttons_;
  std::function<void(ToolBar, int)> clickHandler_;
  std::function<void(int)> dateSliderHandler_;
  std::function<void(int)> ySliderHandler_;
  std::function<void(SignedFile)> verifyAllHandler_;
  std::array<QAction*, 2> verifyAll_{};
};

}  // namespace tarvex
