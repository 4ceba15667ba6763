#include "history/toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace tarvex {

namespace {

void sheet(QPainter& p, const QRectF& r) {
  p.setPen(QPen(QColor(90, 90, 90), 1));
  p.setBrush(Qt::white);
  p.drawRect(r);
}

void printer(QPainter& p, bool trend) {
  sheet(p, QRectF(4.5, 1.5, 7, 6));
  if (trend) {
    p.setPen(QPen(QColor(200, 40, 40), 1));
    p.drawPolyline(QPolygonF({{5.5, 6.5}, {7.5, 3.5}, {9, 5}, {10.5, 2.5}}));
  } else {
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.drawLine(QPointF(6, 3.5), QPointF(10, 3.5));
    p.drawLine(QPointF(6, 5.5), QPointF(10, 5.5));
  }
  p.setPen(QPen(QColor(60, 60, 60), 1));
  p.setBrush(QColor(170, 170, 180));
  p.drawRoundedRect(QRectF(1.5, 7.5, 13, 5), 1, 1);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(4.5, 10.5, 7, 4));
  p.setPen(QPen(QColor(40, 200, 40), 1));
  p.drawPoint(QPointF(12.5, 9));
}

}  // namespace

QIcon toolIcon(ToolIcon kind) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  switch (kind) {
    case ToolIcon::OpenFile: {
      p.setPen(QPen(QColor(150, 110, 20), 1));
      p.setBrush(QColor(240, 200, 80));
      p.drawPolygon(
          QPolygonF({{1.5, 3.5}, {6, 3.5}, {7.5, 5}, {13.5, 5}, {13.5, 13.5}, {1.5, 13.5}}));
      p.setBrush(QColor(255, 225, 120));
      p.drawPolygon(QPolygonF({{3.5, 7.5}, {15.5, 7.5}, {13.5, 13.5}, {1.5, 13.5}}));
      break;
    }
    case ToolIcon::Plot: {
      p.setPen(QPen(Qt::black, 1));
      p.drawLine(QPointF(2.5, 1.5), QPointF(2.5, 13.5));
      p.drawLine(QPointF(2.5, 13.5), QPointF(14.5, 13.5));
      p.setPen(QPen(QColor(0, 90, 220), 1.6));
      p.drawPolyline(QPolygonF({{3.5, 11}, {6, 7}, {8.5, 9}, {11, 4}, {14, 5.5}}));
      p.setPen(QPen(QColor(220, 60, 30), 1.2));
      p.drawPolyline(QPolygonF({{3.5, 8}, {6.5, 10}, {9.5, 6.5}, {14, 9}}));
      break;
    }
    case ToolIcon::Compare: {
      p.setPen(QPen(Qt::black, 1));
      p.drawLine(QPointF(2.5, 1.5), QPointF(2.5, 13.5));
      p.drawLine(QPointF(2.5, 13.5), QPointF(14.5, 13.5));
      p.setPen(QPen(QColor(0, 90, 220), 1.6));
      p.drawPolyline(QPolygonF({{3.5, 10}, {6, 6}, {8.5, 8}, {11, 3.5}, {14, 5}}));
      QPen dashed(QColor(0, 90, 220), 1.2, Qt::CustomDashLine);
      dashed.setDashPattern({2, 1.5});
      p.setPen(dashed);
      p.drawPolyline(QPolygonF({{3.5, 12}, {6, 9}, {8.5, 10.5}, {11, 7}, {14, 8.5}}));
      break;
    }
    case ToolIcon::Print:
      printer(p, false);
      break;
    case ToolIcon::PrintPlot:
      printer(p, true);
      break;
    case ToolIcon::Cancel: {
      QPolygonF octagon;
      for (int i = 0; i < 8; ++i) {
        const double a = (22.5 + 45.0 * i) * 3.14159265358979 / 180.0;
        octagon << QPointF(8 + 6.8 * std::cos(a), 8 + 6.8 * std::sin(a));
      }
      p.setPen(QPen(QColor(120, 0, 0), 1));
      p.setBrush(QColor(210, 30, 30));
      p.drawPolygon(octagon);
      p.setPen(QPen(Qt::white, 2));
      p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
      p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
      break;
    }
    case ToolIcon::Export: {
      sheet(p, QRectF(1.5, 1.5, 9, 12));
      p.setPen(QPen(QColor(120, 120, 120), 1));
      for (double y : {4.5, 6.5, 8.5}) p.drawLine(QPointF(3, y), QPointF(8.5, y));
      p.setPen(QPen(QColor(0, 140, 60), 2));
      p.drawLine(QPointF(6.5, 11), QPointF(13.5, 11));
      p.setBrush(QColor(0, 140, 60));
      p.setPen(Qt::NoPen);
      p.drawPolygon(QPolygonF({{12, 7.5}, {15.8, 11}, {12, 14.5}}));
      break;
    }
    case ToolIcon::Verify: {
      p.setPen(QPen(QColor(140, 100, 0), 1));
      p.setBrush(QColor(250, 200, 40));
      QPolygonF seal;
      for (int i = 0; i < 16; ++i) {
        const double a = 2 * 3.14159265358979 * i / 16;
        const double r = (i % 2) ? 6.0 : 7.3;
        seal << QPointF(8 + r * std::cos(a), 8 + r * std::sin(a));
      }
      p.drawPolygon(seal);
      p.setPen(QPen(QColor(0, 120, 0), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawPolyline(QPolygonF({{4.8, 8.2}, {7.2, 10.6}, {11.4, 5.4}}));
      break;
    }
    case ToolIcon::Setup: {
      p.setPen(QPen(Qt::black, 1));
      p.drawLine(QPointF(2.5, 1.5), QPointF(2.5, 14.5));
      p.drawLine(QPointF(1.5, 13.5), QPointF(14.5, 13.5));
      for (double y : {4.5, 8.5}) p.drawLine(QPointF(1.5, y), QPointF(3.5, y));
      p.setPen(QPen(QColor(80, 80, 80), 1));
      p.drawLine(QPointF(6, 4.5), QPointF(14, 4.5));
      p.drawLine(QPointF(6, 9.5), QPointF(14, 9.5));
      p.setBrush(QColor(0, 100, 200));
      p.drawRect(QRectF(8.5, 2.5, 3, 4));
      p.setBrush(QColor(220, 90, 0));
      p.drawRect(QRectF(6.5, 7.5, 3, 4));
      break;
    }
    case ToolIcon::Cursor: {
      p.setPen(QPen(QColor(0, 0, 0), 1));
      p.drawLine(QPointF(8, 0.5), QPointF(8, 15.5));
      p.drawLine(QPointF(0.5, 8), QPointF(15.5, 8));
      p.setPen(QPen(QColor(200, 0, 0), 1.4));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QPointF(8, 8), 4.5, 4.5);
      break;
    }
    case ToolIcon::SaveJpeg: {
      p.setPen(QPen(QColor(70, 70, 70), 1));
      p.setBrush(QColor(150, 200, 255));
      p.drawRect(QRectF(1.5, 2.5, 13, 11));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(255, 220, 0));
      p.drawEllipse(QPointF(11, 5.5), 1.7, 1.7);
      p.setBrush(QColor(40, 150, 60));
      p.drawPolygon(QPolygonF({{2, 13}, {6, 7}, {9, 11}, {11, 9}, {14, 13}}));
      break;
    }
  }
  p.end();
  return QIcon(pm);
}

}  // namespace tarvex
