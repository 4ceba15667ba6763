#include "shell/gui/frm_about.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "shell/frame_rules.h"
#include "shell/gui/artwork.h"
#include "shell/twips.h"
#include "shell/userinterface.h"

#ifndef TARVEX_VERSION_MAJOR
#define TARVEX_VERSION_MAJOR 0
#define TARVEX_VERSION_MINOR 0
#define TARVEX_VERSION_PATCH 0
#endif

namespace tarvex {

FrmAbout::FrmAbout(UserInterface& ui, QWidget* parent) : QDialog(parent), ui_(ui) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About Marvesk Data Viewer"));
  const double dpi = screen() ? screen()->logicalDotsPerInchX() : 96.0;
  auto px = [dpi](int twips) { return twipsToPixels(twips, dpi); };
  auto place = [&px](QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(px(left), px(top), px(width), px(height));
  };
  setFixedSize(px(5865), px(3630));

  auto* image = new QLabel(this);
  image->setObjectName(QStringLiteral("Image1"));
  image->setPixmap(aboutPicture());
  image->setGeometry(px(120), px(120), 250, 179);

  lblTitle_ = new QLabel(this);
  lblTitle_->setObjectName(QStringLiteral("lblTitle"));
  QFont titleFont = lblTitle_->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
  lblTitle_->setFont(titleFont);
  lblTitle_->setWordWrap(true);
  place(lblTitle_, 3900, 60, 1920, 555);

  lblVersion_ = new QLabel(this);
  lblVersion_->setObjectName(QStringLiteral("lblVersion"));
  place(lblVersion_, 4005, 735, 1710, 225);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(0, px(2955), px(5865), 2);

  auto* lblDisclaimer = new QLabel(QString(), this);
  lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
  place(lblDisclaimer, 255, 3045, 5565, 510);

  auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  place(cmdOK, 4125, 1935, 1467, 345);
  connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);  // Esc rejects: same end

  auto* cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
  cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
  place(cmdSysInfo, 4125, 2445, 1452, 345);
  connect(cmdSysInfo, &QPushButton::clicked, this, [this] { cmdSysInfo_Click(); });

  // Load
  lblVersion_->setText(
      versionLabel(TARVEX_VERSION_MAJOR, TARVEX_VERSION_MINOR, TARVEX_VERSION_PATCH));
  lblTitle_->setText(applicationTitle());
}

QString FrmAbout::titleText() const { return lblTitle_->text(); }
QString FrmAbout::versionText() const { return lblVersion_->text(); }

void FrmAbout::cmdSysInfo_Click() { startSysInfo(ui_); }

}  // namespace tarvex
