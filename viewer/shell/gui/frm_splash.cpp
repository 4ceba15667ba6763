#include "shell/gui/frm_splash.h"

#include <QPainter>
#include <QScreen>

#include "shell/frame_rules.h"
#include "shell/gui/artwork.h"
#include "shell/twips.h"
#include "shell/userinterface.h"

namespace tarvex {

FrmSplash::FrmSplash(UserInterface& ui, Startup startup, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      ui_(ui),
      startup_(std::move(startup)) {
  setObjectName(QStringLiteral("frmSplash"));
  const double dpi = screen() ? screen()->logicalDotsPerInchX() : 96.0;
  setFixedSize(twipsToPixels(5970, dpi), twipsToPixels(4500, dpi));
  timer1_.setInterval(100);
  connect(&timer1_, &QTimer::timeout, this, [this] { timer1Tick(); });
}

bool FrmSplash::load() {
  if (startup_.createShared) {
    try {
      startup_.createShared();
    } catch (const RuntimeError&) {
      failed_ = true;
      ui_.msgBoxPos(startupErrorText(), mb::Critical);
      return false;
    }
  }
  try {
    ticks_ = 1;
    if (startup_.onlyCopy && !startup_.onlyCopy()) {
      timer1_.stop();
      ui_.msgBoxPos(alreadyRunningText(), mb::Question);
      return false;
    }
    if (startup_.prepare) startup_.prepare();
  } catch (const RuntimeError&) {
    failed_ = true;
    timer1_.stop();
    ui_.msgBoxPos(startupErrorText(), mb::Critical);
    return false;
  }
  timer1_.start();
  return true;
}

void FrmSplash::timer1Tick() {
  if (failed_) return;
  ++ticks_;
  if (ticks_ > 10) {
    timer1_.stop();
    try {
      if (startup_.showHistory) startup_.showHistory();
    } catch (const RuntimeError& e) {
      reportError(ui_, e, QStringLiteral("splashScreenTimer1"));
    }
    close();
    emit finished();
  }
}

void FrmSplash::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(6, 14, 30));
  const QPixmap picture = splashPicture();
  const QPoint origin((width() - picture.width()) / 2, (height() - picture.height()) / 2);
  p.drawPixmap(origin, picture);
  // iLabelX1: white, 11-pixel MS Sans Serif on a transparent background.
  QFont f(QStringLiteral("MS Sans Serif"));
  f.setPixelSize(11);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(origin.x(), origin.y() + picture.height() - 30, picture.width(), 20),
             Qt::AlignCenter, QStringLiteral("Initializing System, Please Wait!"));
}

}  // namespace tarvex
