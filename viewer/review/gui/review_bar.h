// The review bar above the history window's tabs: the window of time for
// every grid (From and To, Apply, "Whole File", "From Trend"), the search
// field of the tab shown, and what that tab's grid shows ("Showing N of M
// rows", the rows kept without a readable time, a search under way). The
// bar only shows and forwards: what its fields and buttons ask goes out as
// signals, and the texts it shows are set from outside.
#pragma once

#include <QString>
#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace tarvex {

class ReviewBar : public QWidget {
  Q_OBJECT

 public:
  // The tabs with a search field: Data, Operator Events, Audit Trail,
  // Alarm History (tab indexes 0..3). The Trend Data tab has none.
  static constexpr int kSearchTabs = 4;
  enum Field { From, To };

  explicit ReviewBar(QWidget* parent = nullptr);

  QLineEdit* field(Field which) const { return which == From ? from_ : to_; }
  QPushButton* applyButton() const { return apply_; }
  QPushButton* wholeFileButton() const { return wholeFile_; }
  QPushButton* fromTrendButton() const { return fromTrend_; }
  // The search field of tab `tab`; null for a tab without one.
  QLineEdit* searchField(int tab) const;
  QLabel* countLabel() const { return count_; }

  // Shows the search field of tab `tab` (none on the Trend Data tab).
  void setCurrentTab(int tab);
  int currentTab() const { return tab_; }
  // Ctrl+F: focuses the shown search field with its text selected; false
  // when the tab has none.
  bool focusSearch();

  // The window's ends as the fields show them ("" for an open end); the
  // fields lose their marks.
  void setWindowFields(const QString& from, const QString& to);
  // Marks a field whose text does not read: a red frame and `why` as its
  // tool tip. "" takes the mark away.
  void markField(Field which, const QString& why);
  bool isMarked(Field which) const;
  // The form the fields expect, shown in them while they are empty.
  void setFieldHint(const QString& hint);
  // The line about the shown tab's grid.
  void setCountText(const QString& text);

 signals:
  // Enter in From or To, or Apply: the two texts as typed.
  void applyRequested(const QString& from, const QString& to);
  void wholeFileRequested();
  void fromTrendRequested();
  // Every change of a search field's text (Esc clears it).
  void searchTextChanged(int tab, const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* from_ = nullptr;
  QLineEdit* to_ = nullptr;
  QPushButton* apply_ = nullptr;
  QPushButton* wholeFile_ = nullptr;
  QPushButton* fromTrend_ = nullptr;
  QLabel* findLabel_ = nullptr;
  QStackedWidget* searches_ = nullptr;
  std::array<QLineEdit*, kSearchTabs> search_{};
  QLabel* count_ = nullptr;
  int tab_ = 0;
};

}  // namespace tarvex
