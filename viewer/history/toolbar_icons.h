// The 16 x 16 icons of the history window's tool bars, drawn in code to
// match each button's tool tip.
#pragma once

#include <QIcon>

namespace tarvex {

enum class ToolIcon {
  OpenFile,   // an opening folder
  Plot,       // a trend line over axes
  Print,      // a printer with a sheet
  Cancel,     // a red stop sign
  Export,     // a sheet with an arrow leaving it
  Verify,     // a seal with a tick
  Setup,      // axes with scale sliders
  Cursor,     // a cross-hair
  SaveJpeg,   // a framed picture
  PrintPlot,  // a printer with a trend on its sheet
  Compare,    // a trend and its dashed reference
};

QIcon toolIcon(ToolIcon kind);

}  // namespace tarvex
