#include "record/gui/review_pane.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QTableView>
#include <QVBoxLayout>

#include "record/note_anchor.h"

namespace tarvex {

namespace {

QPixmap markPixmap(const QColor& colour) {
  QPixmap p(12, 12);
  p.fill(Qt::transparent);
  QPainter painter(&p);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(colour.darker(130));
  painter.setBrush(colour);
  painter.drawEllipse(QRectF(1, 1, 10, 10));
  return p;
}

const QPixmap& goodMark() {
  static const QPixmap p = markPixmap(QColor(0x20, 0xA0, 0x40));
  return p;
}

const QPixmap& badMark() {
  static const QPixmap p = markPixmap(QColor(0xD0, 0x20, 0x20));
  return p;
}

QString resultText(const VerifiedRecord& r, const EntryResult& e) {
  if (r.pending && e.entry) return QStringLiteral("verifying...");
  if (!e.valid()) return QStringLiteral("FAILED: ") + e.failures.join(QStringLiteral("; "));
  if (e.afterSignOff > 0)
    return QStringLiteral("valid; written after sign-off %1").arg(e.afterSignOff);
  return QStringLiteral("valid");
}

}  // namespace

ReviewPaneModel::ReviewPaneModel(QObject* parent) : QAbstractTableModel(parent) {}

void ReviewPaneModel::setRecord(std::shared_ptr<const VerifiedRecord> record) {
  beginResetModel();
  record_ = std::move(record);
  serials_.clear();
  texts_.clear();
  const int n = totalCount();
  serials_.resize(std::size_t(n));
  texts_.resize(std::size_t(n));
  for (int i = 0; i < n; ++i) {
    const EntryResult& e = record_->entries[std::size_t(i)];
    if (e.entry && e.entry->kind == EntryKind::Note && !e.entry->anchor.time.isEmpty())
      if (const auto s = secondsOfIso(e.entry->anchor.time))
        serials_[std::size_t(i)] = *s / 86400.0;
  }
  refilter();
  endResetModel();
}

void ReviewPaneModel::setWindow(std::optional<double> from, std::optional<double> to) {
  beginResetModel();
  from_ = from;
  to_ = to;
  refilter();
  endResetModel();
}

void ReviewPaneModel::setText(const QString& text) {
  beginResetModel();
  text_ = text.trimmed();
  refilter();
  endResetModel();
}

void ReviewPaneModel::refilter() {
  shown_.clear();
  const int n = totalCount();
  for (int i = 0; i < n; ++i) {
    const std::optional<double>& s = serials_[std::size_t(i)];
    // Whole seconds: a note at the window's last second is inside it.
    if (s && ((from_ && *s < *from_ - 0.5 / 86400) || (to_ && *s > *to_ + 0.5 / 86400))) continue;
    if (!text_.isEmpty()) {
      QString& folded = texts_[std::size_t(i)];
      if (folded.isEmpty()) {
        QStringList cells;
        for (int c = 0; c < ColumnCount; ++c) cells << cellText(i, c);
        folded = cells.join(u'\t').toCaseFolded();
      }
      if (!folded.contains(text_.toCaseFolded())) continue;
    }
    shown_.push_back(i);
  }
}

int ReviewPaneModel::totalCount() const { return record_ ? int(record_->entries.size()) : 0; }

int ReviewPaneModel::entryAt(int row) const {
  return row >= 0 && row < int(shown_.size()) ? shown_[std::size_t(row)] : -1;
}

QString ReviewPaneModel::countText() const {
  const QLocale c = QLocale::c();
  const QString total = c.toString(totalCount());
  const QString noun = totalCount() == 1 ? QStringLiteral("entry") : QStringLiteral("entries");
  if (shownCount() == totalCount()) return QStringLiteral("%1 %2").arg(total, noun);
  return QStringLiteral("Showing %1 of %2 %3").arg(c.toString(shownCount()), total, noun);
}

int ReviewPaneModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(shown_.size());
}

int ReviewPaneModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QString ReviewPaneModel::cellText(int entry, int column) const {
  const EntryResult& e = record_->entries[std::size_t(entry)];
  if (column == Seq) return QString::number(e.line);
  if (column == Result) return resultText(*record_, e);
  if (!e.entry) return column == Text ? QStringLiteral("(a line that does not parse)") : QString();
  const RecordEntry& r = *e.entry;
  const bool note = r.kind == EntryKind::Note;
  switch (column) {
    case Written:
      return writtenText(r);
    case Author:
      return QStringLiteral("%1 (%2)").arg(r.name, r.author);
    case Kind:
      return note ? QStringLiteral("note") : QStringLiteral("sign-off");
    case Anchor:
      if (note) return anchorText(r.anchor);
      if (r.from.isEmpty() && r.to.isEmpty()) return QStringLiteral("the whole file");
      return QStringLiteral("%1 to %2")
          .arg(r.from.isEmpty() ? QStringLiteral("the start") : QString(r.from).replace(u'T', u' '),
               r.to.isEmpty() ? QStringLiteral("the end") : QString(r.to).replace(u'T', u' '));
    case Text:
      return note ? QString(r.text).replace(u'\n', u' ') : QString();
    case Meaning:
      return note ? QString() : meaningName(r.meaning);
    case Reason:
      return note ? QString() : r.reason;
    default:
      return {};
  }
}

QVariant ReviewPaneModel::data(const QModelIndex& index, int role) const {
  const int entry = entryAt(index.row());
  if (entry < 0 || !record_) return {};
  const EntryResult& e = record_->entries[std::size_t(entry)];
  switch (role) {
    case Qt::DisplayRole:
      return cellText(entry, index.column());
    case Qt::ToolTipRole:
      if (index.column() == Text && e.entry) return e.entry->text;
      if (index.column() == Result) return cellText(entry, Result);
      return {};
    case Qt::DecorationRole:
      if (index.column() != Result || (record_->pending && e.entry)) return {};
      return e.valid() ? goodMark() : badMark();
    case Qt::ForegroundRole:
      if (!record_->pending && !e.valid()) return QColor(0xB0, 0, 0);
      return {};
    default:
      return {};
  }
}

QVariant ReviewPaneModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return QString::number(section + 1);
  static const char* const titles[] = {"Entry", "Written", "Author", "Kind",  "Anchor",
                                       "Text",  "Meaning", "Reason", "Result"};
  return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

// ---- The pane ------------------------------------------------------------------

ReviewPane::ReviewPane(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("reviewPane"));
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(6, 6, 6, 6);
  heading_ = new QLabel(this);
  heading_->setObjectName(QStringLiteral("reviewPaneHeading"));
  heading_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  v->addWidget(heading_);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("Find:"), this));
  search_ = new QLineEdit(this);
  search_->setObjectName(QStringLiteral("reviewPaneSearch"));
  search_->setClearButtonEnabled(true);
  search_->setMaximumWidth(280);
  search_->installEventFilter(this);
  row->addWidget(search_);
  count_ = new QLabel(this);
  count_->setObjectName(QStringLiteral("reviewPaneCount"));
  row->addWidget(count_, 1);
  v->addLayout(row);
  model_ = new ReviewPaneModel(this);
  view_ = new QTableView(this);
  view_->setObjectName(QStringLiteral("reviewPaneView"));
  view_->setModel(model_);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setWordWrap(false);
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  view_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  view_->horizontalHeader()->setStretchLastSection(true);
  const int w = fontMetrics().averageCharWidth();
  const int widths[] = {6, 31, 24, 8, 40, 40, 9, 20};
  for (int c = 0; c < 8; ++c) view_->setColumnWidth(c, widths[c] * w + 12);
  view_->installEventFilter(this);
  v->addWidget(view_, 1);
  connect(view_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    const int entry = model_->entryAt(index.row());
    if (entry >= 0) emit entryActivated(entry);
  });
  connect(search_, &QLineEdit::textChanged, this,
          [this](const QString& text) { model_->setText(text); });
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { updateCount(); });
  updateCount();
}

void ReviewPane::setHeading(const QString& text, bool failed) {
  heading_->setText(text);
  heading_->setStyleSheet(failed ? QStringLiteral("color: #c00000; font-weight: bold;")
                                 : QString());
}

void ReviewPane::updateCount() { count_->setText(model_->countText()); }

bool ReviewPane::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == search_ && key->key() == Qt::Key_Escape) {
      search_->clear();
      return true;
    }
    if (watched == view_ && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
      const int entry = model_->entryAt(view_->currentIndex().row());
      if (entry >= 0) emit entryActivated(entry);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tarvex
