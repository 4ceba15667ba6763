// frmMain: the main window. Holds the one history window, the File and Help
// menus and the status bar (message, the data file's date order once a file
// is read, live date, live time);
// keeps its minimum size; asks before the program ends.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>

class QMdiArea;
class QMdiSubWindow;

namespace tarvex {

class UserInterface;

class FrmMain : public QMainWindow {
  Q_OBJECT

 public:
  // `ui` shows the main window's messages; it must outlive the window.
  explicit FrmMain(UserInterface& ui, QWidget* parent = nullptr);

  // Puts the history window into the main window (fixed border, caption
  // only) and fits it to the inner area. `busy` tells whether it is busy.
  void setHistoryWindow(QWidget* history, std::function<bool()> busy);
  QWidget* historyWindow() const;

  // What "Batches..." of the File menu does.
  void setBatchesHandler(std::function<void()> handler) { batches_ = std::move(handler); }
  // What "Review Report..." of the File menu does.
  void setReviewReportHandler(std::function<void()> handler) { reviewReport_ = std::move(handler); }

  // Panel 1 of the status bar, into which every status text goes.
  void setStatusText(const QString& text);
  QString statusText() const;
  QString dateText() const { return datePanel_->text(); }
  // The panel that tells the order the data file's dates are read in
  // (logfiles/date_order.h, dateOrderText); hidden while "".
  void setDateOrderText(const QString& text);
  QString dateOrderText() const { return orderPanel_->text(); }
  QString timeText() const { return timePanel_->text(); }

  // The screen's DPI used for twips.
  double dpiX() const;
  double dpiY() const;

 signals:
  // The user confirmed the end of the program.
  void exitConfirmed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void mnuFileExit_Click();
  void mnuHelpAbout_Click();
  void updateClock();
  void fitHistory();

  UserInterface& ui_;
  QMdiArea* mdi_ = nullptr;
  QPointer<QMdiSubWindow> historySub_;
  std::function<bool()> busy_;
  std::function<void()> reviewReport_;
  std::function<void()> batches_;
  QLabel* statusPanel_ = nullptr;
  QLabel* orderPanel_ = nullptr;
  QLabel* datePanel_ = nullptr;
  QLabel* timePanel_ = nullptr;
  QTimer clock_;
  bool fitting_ = false;
  bool ending_ = false;  // the user confirmed the end
};

}  // namespace tarvex
