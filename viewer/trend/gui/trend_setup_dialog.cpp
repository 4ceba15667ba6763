#include "trend/gui/trend_setup_dialog.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvex {

namespace {

QDoubleSpinBox* number(QWidget* parent, const QString& name, double min, double max, int decimals,
                       double value) {
  auto* box = new QDoubleSpinBox(parent);
  box->setObjectName(name);
  box->setRange(min, max);
  box->setDecimals(decimals);
  box->setValue(value);
  box->setMinimumWidth(80);
  return box;
}

QFrame* swatch(QWidget* parent, const QString& name) {
  auto* frame = new QFrame(parent);
  frame->setObjectName(name);
  frame->setFrameShape(QFrame::Box);
  frame->setMinimumSize(40, 20);
  frame->setAutoFillBackground(true);
  return frame;
}

void paintSwatch(QFrame* frame, const QColor& color) {
  QPalette p = frame->palette();
  p.setColor(QPalette::Window, color);
  frame->setPalette(p);
}

QColor swatchColor(const QFrame* frame) { return frame->palette().color(QPalette::Window); }

QPushButton* dots(QWidget* parent, const QString& name) {
  auto* button = new QPushButton(QStringLiteral("..."), parent);
  button->setObjectName(name);
  button->setFixedWidth(30);
  return button;
}

}  // namespace

TrendSetup::TrendSetup(TrendSetupSession& session, QWidget* owner)
    : QDialog(owner), session_(session) {
  setObjectName(QStringLiteral("TrendSetup"));
  setWindowTitle(QStringLiteral("Trend Scaling Setup"));
  setModal(true);
  const TrendSetupFields& f = session_.fields;

  // X Axis Setup. The days, hours and minutes are shown but never read.
  auto* xFrame = new QGroupBox(QStringLiteral("X Axis Setup"), this);
  auto* xGrid = new QGridLayout(xFrame);
  TrendDaysAnalog = number(xFrame, QStringLiteral("TrendDaysAnalog"), 0, 7, 0, 0);
  TrendHoursAnalog = number(xFrame, QStringLiteral("TrendHoursAnalog"), 0, 23, 0, 0);
  TrendMinutesAnalog = number(xFrame, QStringLiteral("TrendMinutesAnalog"), 1, 59, 0, 1);
  XminorTicks = number(xFrame, QStringLiteral("XminorTicks"), 1, 30, 0, f.xMinorTicks);
  XscaleFormat = new QComboBox(xFrame);
  XscaleFormat->setObjectName(QStringLiteral("XscaleFormat"));
  XscaleFormat->setEditable(true);
  XscaleFormat->addItems(xScaleFormats());
  XscaleFormat->setEditText(f.xScaleFormat);
  XscaleFormat->setMinimumContentsLength(22);
  XcolorLabel = swatch(xFrame, QStringLiteral("XcolorLabel"));
  YscaleColor = dots(xFrame, QStringLiteral("YscaleColor"));
  auto* xColorRow = new QHBoxLayout;
  xColorRow->addWidget(XcolorLabel);
  xColorRow->addWidget(YscaleColor);
  xColorRow->addStretch();
  int row = 0;
  for (auto [label, field] : {std::pair<const char*, QWidget*>{"Trend Days", TrendDaysAnalog},
                              {"Trend Hours", TrendHoursAnalog},
                              {"Trend Minutes", TrendMinutesAnalog},
                              {"Minor Ticks", XminorTicks},
                              {"Scale Format", XscaleFormat}}) {
    xGrid->addWidget(new QLabel(QString::fromLatin1(label), xFrame), row, 0);
    xGrid->addWidget(field, row++, 1);
  }
  xGrid->addWidget(new QLabel(QStringLiteral("Scale Color"), xFrame), row, 0);
  xGrid->addLayout(xColorRow, row, 1);
  TrendDaysAnalog->setEnabled(false);
  TrendHoursAnalog->setEnabled(false);
  TrendMinutesAnalog->setEnabled(false);

  // Y Axis Setup.
  auto* yFrame = new QGroupBox(QStringLiteral("Y Axis Setup"), this);
  auto* yGrid = new QGridLayout(yFrame);
  TrendZeroAnalog =
      number(yFrame, QStringLiteral("TrendZeroAnalog"), -10000, 10000, 2, f.trendZero);
  TrendSpanAnalog =
      number(yFrame, QStringLiteral("TrendSpanAnalog"), -1000000, 1000000, 2, f.trendSpan);
  YminorTicks = number(yFrame, QStringLiteral("YminorTicks"), 1, 30, 0, f.yMinorTicks);
  YcolorLabel = swatch(yFrame, QStringLiteral("YcolorLabel"));
  Xscalecolor = dots(yFrame, QStringLiteral("Xscalecolor"));
  auto* yColorRow = new QHBoxLayout;
  yColorRow->addWidget(YcolorLabel);
  yColorRow->addWidget(Xscalecolor);
  yColorRow->addStretch();
  row = 0;
  for (auto [label, field] : {std::pair<const char*, QWidget*>{"Trend Zero", TrendZeroAnalog},
                              {"Trend Span", TrendSpanAnalog},
                              {"Minor Ticks", YminorTicks}}) {
    yGrid->addWidget(new QLabel(QString::fromLatin1(label), yFrame), row, 0);
    yGrid->addWidget(field, row++, 1);
  }
  yGrid->addWidget(new QLabel(QStringLiteral("Scale Color"), yFrame), row, 0);
  yGrid->addLayout(yColorRow, row, 1);
  yGrid->setRowStretch(row + 1, 1);

  // The background.
  BgColorLabel = swatch(this, QStringLiteral("BgColorLabel"));
  trendBgColor = dots(this, QStringLiteral("trendBgColor"));
  auto* bgRow = new QHBoxLayout;
  bgRow->addWidget(new QLabel(QStringLiteral("Trend Background Color:"), this));
  bgRow->addWidget(BgColorLabel);
  bgRow->addWidget(trendBgColor);
  bgRow->addStretch();

  // Trend Pen Setup: pens 0 to 5 on the left, 6 to 11 on the right.
  auto* penFrame = new QGroupBox(QStringLiteral("Trend Pen Setup"), this);
  auto* penGrid = new QGridLayout(penFrame);
  for (int side = 0; side < 2; ++side) {
    const int col = side * 5;
    penGrid->addWidget(new QLabel(QStringLiteral("Pen Assignment:"), penFrame), 0, col + 1);
    penGrid->addWidget(new QLabel(QStringLiteral("Color:"), penFrame), 0, col + 2);
    penGrid->addWidget(new QLabel(QStringLiteral("Width:"), penFrame), 0, col + 4);
  }
  for (int i = 0; i < kTrendSetupPens; ++i) {
    const int col = (i / 6) * 5;
    const int r = i % 6 + 1;
    const TrendSetupPen& pen = f.pens[i];
    penGrid->addWidget(new QLabel(QStringLiteral("%1)").arg(i + 1), penFrame), r, col);
    PenAssign[i] = new QComboBox(penFrame);
    PenAssign[i]->setObjectName(QStringLiteral("PenAssign%1").arg(i));
    PenAssign[i]->setEditable(true);
    PenAssign[i]->setEditText(QStringLiteral("Select Controller"));
    PenAssign[i]->setMinimumContentsLength(16);
    PenAssign[i]->lineEdit()->setCursorPosition(0);
    PenAssign[i]->setEnabled(false);
    PenClr[i] = swatch(penFrame, QStringLiteral("PenClr%1").arg(i));
    PenClrBtn[i] = dots(penFrame, QStringLiteral("PenClrBtn%1").arg(i));
    PWidth[i] = number(penFrame, QStringLiteral("PWidth%1").arg(i), 1, 5, 0, pen.width);
    PWidth[i]->setMinimumWidth(50);
    PWidth[i]->setEnabled(pen.enabled);
    PenClrBtn[i]->setEnabled(pen.enabled);
    paintSwatch(PenClr[i], pen.color);
    penGrid->addWidget(PenAssign[i], r, col + 1);
    penGrid->addWidget(PenClr[i], r, col + 2);
    penGrid->addWidget(PenClrBtn[i], r, col + 3);
    penGrid->addWidget(PWidth[i], r, col + 4);
    QColor& field = session_.fields.pens[i].color;
    QFrame* s = PenClr[i];
    connect(PenClrBtn[i], &QPushButton::clicked, this, [this, &field, s] { pick(field, s); });
  }
  penGrid->setColumnMinimumWidth(5, 16);

  paintSwatch(XcolorLabel, f.xColor);
  paintSwatch(YcolorLabel, f.yColor);
  paintSwatch(BgColorLabel, f.bgColor);
  TrendSetupFields& fields = session_.fields;
  connect(YscaleColor, &QPushButton::clicked, this,
          [this, &fields] { pick(fields.xColor, XcolorLabel); });
  connect(Xscalecolor, &QPushButton::clicked, this,
          [this, &fields] { pick(fields.yColor, YcolorLabel); });
  connect(trendBgColor, &QPushButton::clicked, this,
          [this, &fields] { pick(fields.bgColor, BgColorLabel); });

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  connect(OKButton, &QPushButton::clicked, this, &TrendSetup::okClicked);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);

  auto* axes = new QHBoxLayout;
  axes->addWidget(xFrame);
  axes->addWidget(yFrame);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(axes);
  layout->addLayout(bgRow);
  layout->addWidget(penFrame);
  layout->addLayout(buttons);
}

TrendSetupFields TrendSetup::shownFields() const {
  TrendSetupFields f = session_.fields;
  f.xMinorTicks = XminorTicks->value();
  f.xScaleFormat = XscaleFormat->currentText();
  f.xColor = swatchColor(XcolorLabel);
  f.trendZero = TrendZeroAnalog->value();
  f.trendSpan = TrendSpanAnalog->value();
  f.yMinorTicks = YminorTicks->value();
  f.yColor = swatchColor(YcolorLabel);
  f.bgColor = swatchColor(BgColorLabel);
  for (int i = 0; i < kTrendSetupPens; ++i) {
    f.pens[i].color = swatchColor(PenClr[i]);
    f.pens[i].width = PWidth[i]->value();
  }
  return f;
}

void TrendSetup::pick(QColor& field, QFrame* swatchFrame) {
  field = swatchColor(swatchFrame);
  session_.chooseColor(field);
  paintSwatch(swatchFrame, field);
}

void TrendSetup::okClicked() {
  session_.fields = shownFields();
  if (session_.OKButton()) accept();
}

TrendSetupOpener trendSetupOpener(QWidget* owner) {
  QPointer<QWidget> guard(owner);
  return [guard](TrendSetupSession& session) {
    TrendSetup dialog(session, guard.data());
    dialog.exec();
  };
}

}  // namespace tarvex
