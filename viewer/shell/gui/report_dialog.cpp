#include "shell/gui/report_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tarvex {

namespace {
enum Column { Report, Channel, Low, High };
}

ReportDialog::ReportDialog(const ReportDialogValues& values, QWidget* parent)
    : QDialog(parent), initial_(values) {
  setWindowTitle(QStringLiteral("Review Report"));
  setObjectName(QStringLiteral("ReportDialog"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  from_ = new QLineEdit(values.from);
  from_->setObjectName(QStringLiteral("reportFrom"));
  from_->setPlaceholderText(values.timeHint);
  to_ = new QLineEdit(values.to);
  to_->setObjectName(QStringLiteral("reportTo"));
  to_->setPlaceholderText(values.timeHint);
  form->addRow(QStringLiteral("From:"), from_);
  form->addRow(QStringLiteral("To:"), to_);
  layout->addLayout(form);
  layout->addWidget(
      new QLabel(QStringLiteral("Empty From or To: from the file's start or to its end.")));

  channels_ = new QTableWidget(int(values.channels.size()), 4);
  channels_->setObjectName(QStringLiteral("reportChannels"));
  channels_->setHorizontalHeaderLabels({QStringLiteral("Report"), QStringLiteral("Channel"),
                                        QStringLiteral("Low limit"), QStringLiteral("High limit")});
  channels_->verticalHeader()->hide();
  for (int r = 0; r < int(values.channels.size()); ++r) {
    auto* check = new QTableWidgetItem;
    check->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    check->setCheckState(values.chosen.value(r) ? Qt::Checked : Qt::Unchecked);
    channels_->setItem(r, Report, check);
    auto* title = new QTableWidgetItem(values.channels[r]);
    title->setFlags(Qt::ItemIsEnabled);
    channels_->setItem(r, Channel, title);
    channels_->setItem(r, Low, new QTableWidgetItem(values.lows.value(r)));
    channels_->setItem(r, High, new QTableWidgetItem(values.highs.value(r)));
  }
  channels_->horizontalHeader()->setSectionResizeMode(Channel, QHeaderView::Stretch);
  channels_->resizeColumnToContents(Report);
  layout->addWidget(new QLabel(QStringLiteral("Channels (a limit may be left empty):")));
  layout->addWidget(channels_);

  auto* more = new QFormLayout;
  reviewer_ = new QLineEdit(values.reviewer);
  reviewer_->setObjectName(QStringLiteral("reportReviewer"));
  more->addRow(QStringLiteral("Reviewed by:"), reviewer_);
  auto* saveRow = new QHBoxLayout;
  output_ = new QLineEdit(values.output);
  output_->setObjectName(QStringLiteral("reportOutput"));
  auto* browse = new QPushButton(QStringLiteral("Browse..."));
  connect(browse, &QPushButton::clicked, this, [this] { this->browse(); });
  saveRow->addWidget(output_);
  saveRow->addWidget(browse);
  more->addRow(QStringLiteral("Save as:"), saveRow);
  layout->addLayout(more);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(560, 520);
}

void ReportDialog::browse() {
  QFileDialog dialog(this, QStringLiteral("Save review report as?"), output_->text(),
                     QStringLiteral("PDF Files (*.pdf)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("pdf"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    output_->setText(dialog.selectedFiles().front());
}

ReportDialogValues ReportDialog::values() const {
  ReportDialogValues v = initial_;
  v.from = from_->text();
  v.to = to_->text();
  for (int r = 0; r < channels_->rowCount(); ++r) {
    v.chosen[r] = channels_->item(r, Report)->checkState() == Qt::Checked;
    v.lows[r] = channels_->item(r, Low)->text();
    v.highs[r] = channels_->item(r, High)->text();
  }
  v.reviewer = reviewer_->text();
  v.output = output_->text();
  return v;
}

}  // namespace tarvex
