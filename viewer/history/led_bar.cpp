#include "history/led_bar.h"

#include <QPainter>
#include <algorithm>

namespace tarvex {

LedBar::LedBar(QWidget* parent) : QWidget(parent) {}

void LedBar::setPosition(int position) {
  position = std::clamp(position, 0, max_);
  if (position == position_) return;
  position_ = position;
  update();
}

void LedBar::setPositionMax(int max) {
  max_ = std::max(1, max);
  position_ = std::min(position_, max_);
  update();
}

void LedBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(20, 20, 20));
  const int segmentWidth = 6;
  const int gap = 2;
  const int count = std::max(1, (width() - gap) / (segmentWidth + gap));
  const int lit = static_cast<int>(static_cast<long long>(count) * position_ / max_);
  for (int i = 0; i < count; ++i) {
    const QRect seg(gap + i * (segmentWidth + gap), 2, segmentWidth, height() - 4);
    p.fillRect(seg, i < lit ? QColor(0, 230, 60) : QColor(0, 60, 20));
  }
}

}  // namespace tarvex
