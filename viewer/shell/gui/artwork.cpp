#include "shell/gui/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace tarvex {

namespace {

void drawTrace(QPainter& p, const QRectF& area, const QColor& colour, double phase, double amp,
               double level) {
  QPainterPath path;
  const int steps = 60;
  for (int i = 0; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps;
    const double y =
        level + amp * (std::sin(t * 9.0 + phase) * 0.6 + std::sin(t * 23.0 + phase) * 0.25);
    const QPointF pt(area.left() + t * area.width(), area.top() + (1.0 - y) * area.height());
    if (i == 0)
      path.moveTo(pt);
    else
      path.lineTo(pt);
  }
  p.setPen(QPen(colour, std::max(1.5, area.height() / 90.0)));
  p.drawPath(path);
}

}  // namespace

QPixmap trendPicture(int width, int height, bool withTitle) {
  QPixmap pm(width, height);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient bg(0, 0, 0, height);
  bg.setColorAt(0, QColor(18, 38, 72));
  bg.setColorAt(1, QColor(6, 14, 30));
  p.fillRect(pm.rect(), bg);

  const QRectF area(width * 0.08, height * (withTitle ? 0.34 : 0.12), width * 0.84,
                    height * (withTitle ? 0.46 : 0.76));
  p.setPen(QPen(QColor(60, 90, 130), 1));
  for (int i = 0; i <= 8; ++i) {
    const double x = area.left() + area.width() * i / 8.0;
    p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
  }
  for (int i = 0; i <= 4; ++i) {
    const double y = area.top() + area.height() * i / 4.0;
    p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
  }
  drawTrace(p, area, QColor(255, 196, 0), 0.0, 0.18, 0.72);
  drawTrace(p, area, QColor(60, 220, 120), 1.7, 0.14, 0.48);
  drawTrace(p, area, QColor(90, 170, 255), 3.1, 0.12, 0.24);

  if (withTitle) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(height / 9);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, height * 0.05, width, height * 0.16), Qt::AlignCenter,
               QStringLiteral("Tarvex Data Viewer"));
    f.setPixelSize(height / 22);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(170, 190, 220));
    p.drawText(QRectF(0, height * 0.20, width, height * 0.08), Qt::AlignCenter,
               QStringLiteral("Data history \u2022 Audit trail \u2022 Alarms \u2022 Signatures"));
  }
  return pm;
}

QIcon applicationIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(size * 0.06, size * 0.06, size * 0.88, size * 0.88);
    p.setPen(QPen(QColor(10, 30, 60), std::max(1.0, size / 32.0)));
    p.setBrush(QColor(24, 52, 96));
    p.drawRoundedRect(r, size * 0.14, size * 0.14);
    QPainterPath path;
    const double pts[][2] = {{0.16, 0.70}, {0.34, 0.46}, {0.50, 0.60}, {0.66, 0.28}, {0.84, 0.40}};
    path.moveTo(pts[0][0] * size, pts[0][1] * size);
    for (int i = 1; i < 5; ++i) path.lineTo(pts[i][0] * size, pts[i][1] * size);
    p.setPen(QPen(QColor(255, 196, 0), std::max(1.5, size / 12.0), Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(QPen(QColor(120, 160, 210), std::max(1.0, size / 24.0)));
    p.drawLine(QPointF(size * 0.16, size * 0.82), QPointF(size * 0.84, size * 0.82));
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace tarvex
