// The review wired into the history window: each grid shows the rows the
// review's filters keep (under their own row headers), the review bar sets
// the window and the search fields, the counts, the tab marks and the
// signature frames' captions follow every change, and Enter, a double-click
// and the context menus jump between the grids and the trend. The work is
// done by ReviewCommands (review_commands.h) and the review model; this
// class connects the widgets to them and carries out what they ask of the
// window and the plot.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "history/review_commands.h"
#include "review/time_window.h"

class QAction;

namespace tarvex {

class FrmHistory;
class LogGrid;
class QcpTrendPlot;
class ReviewModel;
class UserInterface;

class HistoryReview : public QObject, public ReviewWindow, public ReviewTrend {
  Q_OBJECT

 public:
  // The window, the review over its six tables, the window's trend plot
  // and the user interface must outlive this object.
  HistoryReview(FrmHistory& window, ReviewModel& review, QcpTrendPlot& plot, UserInterface& ui);
  ~HistoryReview() override;

  ReviewCommands& commands() { return *commands_; }

  // Where the status bar's date-order text goes (FrmMain::setDateOrderText).
  void setDateOrderSink(std::function<void(const QString&)> sink) {
    dateOrderSink_ = std::move(sink);
  }
  // A data file was read (or the data side cleared): the date order it set
  // reaches the status bar, the fields' hint and the window's ends.
  void dataFileChanged();

  // The grid showing a table.
  LogGrid* grid(ReviewTable t) const;
  // "Show in Data" and "Show on Trend" of a grid's context menu (null for
  // the data grid, which has neither).
  QAction* showInDataAction(ReviewTable t) const;
  QAction* showOnTrendAction(ReviewTable t) const;

  // ReviewWindow
  void setWindowFields(const QString& from, const QString& to) override;
  void markField(Field field, const QString& why) override;
  void showDataRow(int row) override;
  void showTrendTab() override;

  // ReviewTrend
  bool hasTrend() const override;
  std::optional<double> cursorX(int cursor) const override;
  double xMin() const override;
  double xSpan() const override;
  void showAt(double xMin, double x) override;

 private:
  void wireGrid(ReviewTable t);
  // The count line of the tab shown, the tabs' marks and the signature
  // frames' captions, from the review's present state.
  void updateTexts();

  QPointer<FrmHistory> window_;
  ReviewModel& review_;
  QPointer<QcpTrendPlot> plot_;
  std::unique_ptr<ReviewCommands> commands_;
  std::function<void(const QString&)> dateOrderSink_;
  std::array<QAction*, kReviewTableCount> showInData_{};
  std::array<QAction*, kReviewTableCount> showOnTrend_{};
};

}  // namespace tarvex
