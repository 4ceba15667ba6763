#include "review/gui/review_bar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>

namespace tarvex {

namespace {

const char* const kTabNames[ReviewBar::kSearchTabs] = {"Data", "Operator Events", "Audit Trail",
                                                       "Alarm History"};

// A frame that tells a field's text does not read.
const char* const kMarkedStyle = "QLineEdit { border: 2px solid #d00000; }";

// A field wide enough for `sample` beside its clear button.
QLineEdit* makeField(const char* name, const QString& sample, QWidget* parent) {
  auto* f = new QLineEdit(parent);
  f->setObjectName(QLatin1String(name));
  f->setClearButtonEnabled(true);
  f->setMinimumWidth(f->fontMetrics().horizontalAdvance(sample) + 32);
  return f;
}

const QString kTimeSample = QStringLiteral("30/12/2007 12:00:00 PM");

QPushButton* makeButton(const char* name, const QString& text, const QString& tip,
                        QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QLatin1String(name));
  b->setToolTip(tip);
  b->setAutoDefault(false);
  b->setFocusPolicy(Qt::TabFocus);
  return b;
}

}  // namespace

ReviewBar::ReviewBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("reviewBar"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(4);

  auto* fromLabel = new QLabel(QStringLiteral("From:"), this);
  from_ = makeField("reviewFrom", kTimeSample, this);
  fromLabel->setBuddy(from_);
  auto* toLabel = new QLabel(QStringLiteral("To:"), this);
  to_ = makeField("reviewTo", kTimeSample, this);
  toLabel->setBuddy(to_);
  apply_ = makeButton("reviewApply", QStringLiteral("Apply"),
                      QStringLiteral("Show the rows from From to To in every grid"), this);
  wholeFile_ = makeButton("reviewWholeFile", QStringLiteral("Whole File"),
                          QStringLiteral("Show every row of every grid"), this);
  fromTrend_ = makeButton(
      "reviewFromTrend", QStringLiteral("From Trend"),
      QStringLiteral("Take the time between the trend's cursors, or the trend's visible range "
                     "with one cursor (Alt+drag on the trend does the same)"),
      this);
  row->addWidget(fromLabel);
  row->addWidget(from_);
  row->addWidget(toLabel);
  row->addWidget(to_);
  row->addWidget(apply_);
  row->addWidget(wholeFile_);
  row->addWidget(fromTrend_);
  row->addSpacing(12);

  findLabel_ = new QLabel(QStringLiteral("Find:"), this);
  searches_ = new QStackedWidget(this);
  for (int tab = 0; tab < kSearchTabs; ++tab) {
    auto* f = makeField("", QStringLiteral("Find in Operator Events"), searches_);
    f->setObjectName(QStringLiteral("reviewSearch%1").arg(tab));
    f->setPlaceholderText(QStringLiteral("Find in %1 (Ctrl+F)").arg(QLatin1String(kTabNames[tab])));
    f->installEventFilter(this);
    connect(f, &QLineEdit::textChanged, this,
            [this, tab](const QString& text) { emit searchTextChanged(tab, text); });
    searches_->addWidget(f);
    search_[std::size_t(tab)] = f;
  }
  searches_->addWidget(new QWidget(searches_));  // the Trend Data tab: no search
  findLabel_->setBuddy(search_[0]);
  row->addWidget(findLabel_);
  row->addWidget(searches_, 1);
  row->addSpacing(8);

  count_ = new QLabel(this);
  count_->setObjectName(QStringLiteral("reviewCount"));
  // A long line is cut rather than widening the window.
  count_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  row->addWidget(count_, 2);

  auto apply = [this] { emit applyRequested(from_->text(), to_->text()); };
  connect(from_, &QLineEdit::returnPressed, this, apply);
  connect(to_, &QLineEdit::returnPressed, this, apply);
  connect(apply_, &QPushButton::clicked, this, apply);
  connect(wholeFile_, &QPushButton::clicked, this, [this] { emit wholeFileRequested(); });
  connect(fromTrend_, &QPushButton::clicked, this, [this] { emit fromTrendRequested(); });
  setCurrentTab(0);
}

QLineEdit* ReviewBar::searchField(int tab) const {
  return tab >= 0 && tab < kSearchTabs ? search_[std::size_t(tab)] : nullptr;
}

void ReviewBar::setCurrentTab(int tab) {
  tab_ = tab;
  QLineEdit* f = searchField(tab);
  searches_->setCurrentIndex(f ? tab : kSearchTabs);
  findLabel_->setEnabled(f != nullptr);
  if (f) findLabel_->setBuddy(f);
}

bool ReviewBar::focusSearch() {
  QLineEdit* f = searchField(tab_);
  if (!f) return false;
  f->setFocus(Qt::ShortcutFocusReason);
  f->selectAll();
  return true;
}

void ReviewBar::setWindowFields(const QString& from, const QString& to) {
  from_->setText(from);
  to_->setText(to);
  markField(From, {});
  markField(To, {});
}

void ReviewBar::markField(Field which, const QString& why) {
  QLineEdit* f = field(which);
  f->setStyleSheet(why.isEmpty() ? QString() : QString::fromLatin1(kMarkedStyle));
  f->setToolTip(why);
  f->setProperty("marked", !why.isEmpty());
}

bool ReviewBar::isMarked(Field which) const { return field(which)->property("marked").toBool(); }

void ReviewBar::setFieldHint(const QString& hint) {
  from_->setPlaceholderText(hint);
  to_->setPlaceholderText(hint);
}

void ReviewBar::setCountText(const QString& text) {
  count_->setText(text);
  count_->setToolTip(text);
}

bool ReviewBar::eventFilter(QObject* watched, QEvent* event) {
  // Esc in a search field clears it (and so its filter).
  if (event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    if (auto* f = qobject_cast<QLineEdit*>(watched); f && !f->text().isEmpty()) {
      f->clear();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tarvex
