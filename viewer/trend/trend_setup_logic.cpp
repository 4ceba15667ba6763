#include "trend/trend_setup_logic.h"

#include <cmath>
#include <new>

namespace tarvex {

namespace {

// Runs one step; a fault is reported with `label` and the caller goes on.
template <typename Step>
void runStep(UserInterface& ui, const QString& label, Step&& step) {
  try {
    step();
  } catch (const RuntimeError& e) {
    reportError(ui, e, label);
  } catch (const std::bad_alloc&) {
    reportError(ui, RuntimeError(err::OutOfMemory), label);
  }
}

}  // namespace

QStringList xScaleFormats() {
  return {QStringLiteral("hh:nn:ss"),
          QStringLiteral("hh:nn:ss.zzz"),
          QStringLiteral("m/d hh:nn:ss"),
          QStringLiteral("d mmm h:nn:ss am/pm"),
          QStringLiteral("m/d/yy h:nn:ss am/pm"),
          QStringLiteral("m/d/yyyy h:nn:ss am/pm")};
}

int roundHalfEven(double value) {
  const double r = std::nearbyint(value);  // the default rounding mode: halves to even
  if (!(r > -2147483648.0 && r < 2147483647.0)) throw RuntimeError(err::Overflow);
  return static_cast<int>(r);
}

TrendSetupSession::TrendSetupSession(UserInterface& ui, TrendPlot& plot) : ui_(ui), plot_(plot) {
  const QString label = QStringLiteral("FrmHistoryTrendSetup");
  TrendSetupFields& f = fields;
  runStep(ui_, label, [&] {
    const TrendAxisSettings y = plot_.axis(TrendAxis::Y);
    f.trendZero = y.min;
    f.trendSpan = y.min + y.span;
  });
  runStep(ui_, label, [&] {
    const TrendAxisSettings x = plot_.axis(TrendAxis::X);
    f.xColor = x.scaleColor;
    f.xMinorTicks = x.minorCount;
    f.xScaleFormat = x.dateTimeFormat;
  });
  runStep(ui_, label, [&] {
    const TrendAxisSettings y = plot_.axis(TrendAxis::Y);
    f.yColor = y.scaleColor;
    f.yMinorTicks = y.minorCount;
  });
  runStep(ui_, label, [&] { f.bgColor = plot_.backGroundColor(); });
  runStep(ui_, label, [&] {
    const int count = plot_.channelCount();
    for (int i = 0; i < kTrendSetupPens; ++i) {
      TrendSetupPen& pen = f.pens[i];
      pen.enabled = i < count;
      if (pen.enabled) {
        const TrendChannelStyle style = plot_.channelStyle(i);
        pen.width = style.traceLineWidth;
        pen.color = style.color;
      }
    }
  });
}

bool TrendSetupSession::OKButton() {
  const TrendSetupFields& f = fields;
  if (!(f.trendZero < f.trendSpan)) {
    ui_.msgBoxPos(QStringLiteral("Trend Zero must be less than trend span time!"), mb::Information);
    return false;
  }
  const QString label = QStringLiteral("TrendSetupHisotryOkBtn");
  runStep(ui_, label, [&] {
    TrendAxisSettings y = plot_.axis(TrendAxis::Y);
    y.min = f.trendZero;
    y.span = f.trendSpan - f.trendZero;
    plot_.setAxis(TrendAxis::Y, y);
  });
  runStep(ui_, label, [&] {
    TrendAxisSettings x = plot_.axis(TrendAxis::X);
    x.scaleColor = f.xColor;
    x.minorCount = roundHalfEven(f.xMinorTicks);
    x.dateTimeFormat = f.xScaleFormat;
    plot_.setAxis(TrendAxis::X, x);
  });
  runStep(ui_, label, [&] {
    TrendAxisSettings y = plot_.axis(TrendAxis::Y);
    y.scaleColor = f.yColor;
    y.minorCount = roundHalfEven(f.yMinorTicks);
    plot_.setAxis(TrendAxis::Y, y);
  });
  runStep(ui_, label, [&] { plot_.setBackGroundColor(f.bgColor); });
  runStep(ui_, label, [&] {
    TrendAxisSettings x = plot_.axis(TrendAxis::X);
    x.labelsFormatStyle = 3;  // date/time labels
    x.scrollMode = 3;
    plot_.setAxis(TrendAxis::X, x);
  });
  runStep(ui_, label, [&] {
    const int count = plot_.channelCount();
    for (int i = 0; i < count; ++i) {
      TrendChannelStyle style = plot_.channelStyle(i);
      if (i >= kTrendSetupPens) {
        style.traceLineWidth = 1;
      } else {
        style.traceLineWidth = roundHalfEven(f.pens[i].width);
        style.color = f.pens[i].color;
      }
      plot_.setChannelStyle(i, style);
    }
  });
  return true;
}

void TrendSetupSession::chooseColor(QColor& swatch) {
  try {
    swatch = ui_.showColor(swatch);
  } catch (const RuntimeError&) {
    // Cancelled or failed: the swatch keeps its colour.
  }
}

}  // namespace tarvex
