#include "record/gui/record_dialogs.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tarvex {

namespace {

QLabel* wrapped(const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setWordWrap(true);
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return l;
}

// A line edit beside a "..." button that picks a folder or a file.
QWidget* pathRow(QLineEdit*& field, const QString& text, bool folder, QWidget* parent) {
  auto* row = new QWidget(parent);
  auto* h = new QHBoxLayout(row);
  h->setContentsMargins(0, 0, 0, 0);
  field = new QLineEdit(text, row);
  field->setMinimumWidth(360);
  auto* browse = new QPushButton(QStringLiteral("..."), row);
  browse->setFixedWidth(32);
  QLineEdit* f = field;
  QObject::connect(browse, &QPushButton::clicked, row, [f, folder, row] {
    const QString chosen =
        folder ? QFileDialog::getExistingDirectory(row, QStringLiteral("Review Record Folder"),
                                                   f->text(), QFileDialog::DontUseNativeDialog)
               : QFileDialog::getOpenFileName(row, QStringLiteral("Reviewers File"), f->text(),
                                              QString(), nullptr, QFileDialog::DontUseNativeDialog);
    if (!chosen.isEmpty()) f->setText(chosen);
  });
  h->addWidget(field, 1);
  h->addWidget(browse);
  return row;
}

}  // namespace

// ---- Unlock -------------------------------------------------------------------

UnlockDialog::UnlockDialog(const UnlockValues& values, QWidget* parent)
    : QDialog(parent), initial_(values) {
  setObjectName(QStringLiteral("UnlockDialog"));
  setWindowTitle(QStringLiteral("Unlock Reviewer Key"));
  auto* v = new QVBoxLayout(this);
  v->addWidget(wrapped(
      QStringLiteral("%1 writes to the review record under your key. Choose who you are and type "
                     "your passphrase: the key then stays unlocked until File > Lock or the end "
                     "of the program.")
          .arg(values.purpose.isEmpty() ? QStringLiteral("This") : values.purpose),
      this));
  auto* form = new QFormLayout;
  reviewer_ = new QComboBox(this);
  reviewer_->setObjectName(QStringLiteral("unlockReviewer"));
  for (qsizetype i = 0; i < values.ids.size(); ++i)
    reviewer_->addItem(QStringLiteral("%1 (%2)").arg(values.names.value(i), values.ids[i]),
                       values.ids[i]);
  reviewer_->setCurrentIndex(std::max(0, int(values.ids.indexOf(values.id))));
  passphrase_ = new QLineEdit(this);
  passphrase_->setObjectName(QStringLiteral("unlockPassphrase"));
  passphrase_->setEchoMode(QLineEdit::Password);
  passphrase_->setMinimumWidth(280);
  form->addRow(QStringLiteral("&Reviewer:"), reviewer_);
  form->addRow(QStringLiteral("&Passphrase:"), passphrase_);
  v->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Unlock"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  v->addWidget(buttons);
  passphrase_->setFocus();
  setMinimumWidth(460);
}

UnlockValues UnlockDialog::takeValues() {
  UnlockValues v = initial_;
  v.id = reviewer_->currentData().toString();
  v.passphrase = passphrase_->text().toUtf8();
  // The field's own copy goes with the dialog's text; it is emptied now.
  passphrase_->clear();
  return v;
}

// ---- Note --------------------------------------------------------------------

NoteDialog::NoteDialog(const NoteValues& values, QWidget* parent)
    : QDialog(parent), initial_(values) {
  setObjectName(QStringLiteral("NoteDialog"));
  setWindowTitle(QStringLiteral("Add Note"));
  auto* v = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("At:"), wrapped(values.anchor, this));
  form->addRow(QStringLiteral("By:"), wrapped(values.author, this));
  v->addLayout(form);
  text_ = new QPlainTextEdit(values.text, this);
  text_->setObjectName(QStringLiteral("noteText"));
  text_->setTabChangesFocus(true);
  text_->setMinimumSize(420, 120);
  auto* label = new QLabel(QStringLiteral("&Note:"), this);
  label->setBuddy(text_);
  v->addWidget(label);
  v->addWidget(text_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Save Note"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  v->addWidget(buttons);
  text_->setFocus();
}

NoteValues NoteDialog::values() const {
  NoteValues v = initial_;
  v.text = text_->toPlainText();
  return v;
}

// ---- Sign --------------------------------------------------------------------

SignDialog::SignDialog(const SignValues& values, QWidget* parent)
    : QDialog(parent), initial_(values) {
  setObjectName(QStringLiteral("SignDialog"));
  setWindowTitle(QStringLiteral("Sign Review"));
  auto* v = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Signer:"), wrapped(values.signer, this));
  form->addRow(QStringLiteral("Window:"), wrapped(values.window, this));
  v->addLayout(form);

  auto* meaningBox = new QGroupBox(QStringLiteral("Meaning"), this);
  auto* mv = new QVBoxLayout(meaningBox);
  group_ = new QButtonGroup(this);
  const char* const names[] = {"&Reviewed", "&Approved", "Re&jected"};
  for (int i = 0; i < 3; ++i) {
    meanings_[i] = new QRadioButton(QString::fromLatin1(names[i]), meaningBox);
    meanings_[i]->setObjectName(QStringLiteral("signMeaning%1").arg(i));
    group_->addButton(meanings_[i], i);
    mv->addWidget(meanings_[i]);
  }
  meanings_[1]->setEnabled(values.approveAllowed);
  if (!values.approveAllowed && !values.approveWhy.isEmpty()) {
    auto* why = wrapped(QStringLiteral("Approve is not available: ") + values.approveWhy + u'.',
                        meaningBox);
    why->setObjectName(QStringLiteral("signApproveWhy"));
    why->setStyleSheet(QStringLiteral("color: #a05000;"));
    mv->addWidget(why);
  }
  const int meaning = values.meaning == 1 && !values.approveAllowed ? 0 : values.meaning;
  meanings_[std::clamp(meaning, 0, 2)]->setChecked(true);
  v->addWidget(meaningBox);

  auto* reasonForm = new QFormLayout;
  reason_ = new QLineEdit(values.reason, this);
  reason_->setObjectName(QStringLiteral("signReason"));
  reason_->setPlaceholderText(QStringLiteral("required for Rejected"));
  reasonForm->addRow(QStringLiteral("Rea&son:"), reason_);
  v->addLayout(reasonForm);

  auto* filesBox = new QGroupBox(QStringLiteral("Files bound by the signature"), this);
  auto* fv = new QVBoxLayout(filesBox);
  QFont mono(QStringLiteral("DejaVu Sans Mono"));
  mono.setStyleHint(QFont::Monospace);
  mono.setPointSizeF(font().pointSizeF() * 0.9);
  for (qsizetype i = 0; i < values.files.size(); ++i) {
    fv->addWidget(new QLabel(values.files[i], filesBox));
    auto* sha = new QLabel(QStringLiteral("    SHA-256 ") + values.sha256.value(i), filesBox);
    sha->setFont(mono);
    sha->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fv->addWidget(sha);
  }
  v->addWidget(filesBox);

  auto* statement = wrapped(values.statement, this);
  statement->setObjectName(QStringLiteral("signStatement"));
  statement->setFrameShape(QFrame::StyledPanel);
  statement->setMargin(6);
  v->addWidget(statement);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  sign_ = buttons->button(QDialogButtonBox::Ok);
  sign_->setText(QStringLiteral("Sign"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  v->addWidget(buttons);
  setMinimumWidth(640);
}

SignValues SignDialog::values() const {
  SignValues v = initial_;
  v.meaning = std::max(0, group_->checkedId());
  v.reason = reason_->text();
  return v;
}

// ---- Settings ------------------------------------------------------------------

RecordSettingsDialog::RecordSettingsDialog(const RecordSettingsValues& values, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("RecordSettingsDialog"));
  setWindowTitle(QStringLiteral("Review Settings"));
  auto* v = new QVBoxLayout(this);
  v->addWidget(wrapped(
      QStringLiteral("Where review records are kept (empty: beside each data file) and which "
                     "reviewers file lists the reviewers trusted (empty: $XDG_CONFIG_HOME/tarvex/"
                     "reviewers, else /etc/tarvex/reviewers)."),
      this));
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Record &folder:"), pathRow(dir_, values.reviewDir, true, this));
  form->addRow(QStringLiteral("Reviewers &file:"),
               pathRow(reviewers_, values.reviewersFile, false, this));
  dir_->setObjectName(QStringLiteral("settingsReviewDir"));
  reviewers_->setObjectName(QStringLiteral("settingsReviewers"));
  v->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  v->addWidget(buttons);
}

RecordSettingsValues RecordSettingsDialog::values() const {
  return {dir_->text(), reviewers_->text()};
}

// ---- Shown modally -----------------------------------------------------------

bool execUnlockDialog(UnlockValues& values, QWidget* parent) {
  UnlockDialog dialog(values, parent);
  const bool ok = dialog.exec() == QDialog::Accepted;
  UnlockValues taken = dialog.takeValues();
  if (ok) {
    values = std::move(taken);
  } else {
    taken.passphrase.fill('\0');
  }
  return ok;
}

bool execNoteDialog(NoteValues& values, QWidget* parent) {
  NoteDialog dialog(values, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  values = dialog.values();
  return true;
}

bool execSignDialog(SignValues& values, QWidget* parent) {
  SignDialog dialog(values, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  values = dialog.values();
  return true;
}

bool execRecordSettingsDialog(RecordSettingsValues& values, QWidget* parent) {
  RecordSettingsDialog dialog(values, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  values = dialog.values();
  return true;
}

}  // namespace tarvex
