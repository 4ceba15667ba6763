#include "batches/gui/batches_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "batches/batches_commands.h"
#include "batches/gui/batch_table_model.h"
#include "batches/register_place.h"
#include "shell/runtime_error.h"

namespace tarvex {
namespace {

QPushButton* button(const QString& text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QLatin1String(name));
  b->setAutoDefault(false);
  return b;
}

QLineEdit* field(const QString& placeholder, const char* name, int width, QWidget* parent) {
  auto* f = new QLineEdit(parent);
  f->setObjectName(QLatin1String(name));
  f->setPlaceholderText(placeholder);
  if (width > 0) f->setMinimumWidth(width);
  return f;
}

}  // namespace

BatchesWindow::BatchesWindow(BatchesCommands& commands, QWidget* parent)
    : QWidget(parent, Qt::Window), commands_(commands), model_(new BatchTableModel(this)) {
  setObjectName(QStringLiteral("frmBatches"));
  setWindowTitle(QStringLiteral("Batches"));
  resize(1280, 640);

  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("Register:"), this));
  registerField_ = field(defaultRegisterPath(), "registerField", 420, this);
  registerField_->setToolTip(
      QStringLiteral("An SQLite file, or postgresql://USER@HOST:PORT/DATABASE for a shared "
                     "register (the password from ~/.pgpass). Empty: the default file."));
  top->addWidget(registerField_, 1);
  QPushButton* open = button(QStringLiteral("Open"), "openRegisterButton", this);
  top->addWidget(open);
  layout->addLayout(top);

  auto* filters = new QHBoxLayout;
  filters->addWidget(new QLabel(QStringLiteral("Review:"), this));
  status_ = new QComboBox(this);
  status_->setObjectName(QStringLiteral("statusFilter"));
  status_->addItems({QStringLiteral("all"), QStringLiteral("none"), QStringLiteral("reviewed"),
                     QStringLiteral("approved"), QStringLiteral("rejected"),
                     QStringLiteral("failed")});
  filters->addWidget(status_);
  filters->addWidget(new QLabel(QStringLiteral("Signatures:"), this));
  verdict_ = new QComboBox(this);
  verdict_->setObjectName(QStringLiteral("verdictFilter"));
  verdict_->addItems({QStringLiteral("all"), QStringLiteral("confirmed"), QStringLiteral("failed"),
                      QStringLiteral("unsigned")});
  filters->addWidget(verdict_);
  filters->addWidget(new QLabel(QStringLiteral("From:"), this));
  from_ = field(QStringLiteral("YYYY-MM-DD hh:mm"), "fromField", 130, this);
  filters->addWidget(from_);
  filters->addWidget(new QLabel(QStringLiteral("To:"), this));
  to_ = field(QStringLiteral("YYYY-MM-DD hh:mm"), "toField", 130, this);
  filters->addWidget(to_);
  filters->addWidget(new QLabel(QStringLiteral("Text:"), this));
  text_ = field(QStringLiteral("in path or channel"), "textField", 160, this);
  filters->addWidget(text_, 1);
  QPushButton* apply = button(QStringLiteral("Apply"), "applyButton", this);
  filters->addWidget(apply);
  layout->addLayout(filters);

  table_ = new QTableView(this);
  table_->setObjectName(QStringLiteral("batchTable"));
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setTextElideMode(Qt::ElideMiddle);  // a path's folder and name both show
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->horizontalHeader()->setStretchLastSection(true);
  const int widths[] = {340, 150, 150, 60, 120, 50};
  for (int c = 0; c < int(std::size(widths)); ++c) table_->setColumnWidth(c, widths[c]);
  layout->addWidget(table_, 1);

  auto* bottom = new QHBoxLayout;
  count_ = new QLabel(this);
  count_->setObjectName(QStringLiteral("countLabel"));
  bottom->addWidget(count_, 1);
  QPushButton* scan = button(QStringLiteral("Scan Folder..."), "scanButton", this);
  QPushButton* again = button(QStringLiteral("Refresh"), "refreshButton", this);
  bottom->addWidget(scan);
  bottom->addWidget(again);
  layout->addLayout(bottom);

  connect(open, &QPushButton::clicked, this, [this] { openRegister(); });
  connect(registerField_, &QLineEdit::returnPressed, this, [this] { openRegister(); });
  connect(apply, &QPushButton::clicked, this, [this] { applyFilter(); });
  for (QLineEdit* f : {from_, to_, text_})
    connect(f, &QLineEdit::returnPressed, this, [this] { applyFilter(); });
  for (QComboBox* c : {status_, verdict_})
    connect(c, &QComboBox::activated, this, [this] { applyFilter(); });
  connect(scan, &QPushButton::clicked, this, [this] { scanFolder(); });
  connect(again, &QPushButton::clicked, this, [this] { refresh(); });
  connect(table_, &QTableView::activated, this, [this](const QModelIndex& i) { activated(i); });
}

void BatchesWindow::start() {
  commands_.openFromSetting();
  registerField_->setText(commands_.setting());
  refresh();
}

void BatchesWindow::refresh() {
  try {
    model_->reload(commands_.reg(), commands_.filter());
  } catch (const RuntimeError& e) {
    commands_.showError(e.description());
  }
  count_->setText(commands_.reg() ? showingText(model_->shown(), model_->total())
                                  : QStringLiteral("No batch register open"));
}

QString BatchesWindow::countText() const { return count_->text(); }

void BatchesWindow::applyFilter() {
  FilterTexts t;
  if (status_->currentIndex() > 0) t.status = status_->currentText();
  if (verdict_->currentIndex() > 0) t.verdict = verdict_->currentText();
  t.from = from_->text();
  t.to = to_->text();
  t.text = text_->text();
  if (commands_.setFilter(t)) refresh();
}

void BatchesWindow::openRegister() {
  if (commands_.openRegister(registerField_->text())) refresh();
  registerField_->setText(commands_.setting());
}

void BatchesWindow::scanFolder() {
  if (commands_.scanFolder()) refresh();
}

void BatchesWindow::activated(const QModelIndex& index) {
  if (const BatchRecord* r = model_->recordAt(index.row())) commands_.openBatch(*r);
}

}  // namespace tarvex
