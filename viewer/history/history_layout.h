// The history window's geometry in twips (1440 per inch): the design
// positions of its controls and the Resize rules that fit them to the main
// window. Pure functions of the sizes, so the layout is checked without a
// screen; the window converts twips to pixels at the screen's real DPI.
#pragma once

namespace tarvex {

// Left, Top, Width, Height in twips, relative to the control's container
// (the tab control for controls on a tab, the frame for a grid in a frame).
struct TwipRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const TwipRect&) const = default;
};

struct HistoryGeometry {
  int formWidth = 0;  // the history window's outer size
  int formHeight = 0;
  TwipRect DataTab;
  TwipRect DcryLabel;
  TwipRect ProgBar;
  TwipRect dataFrame;
  TwipRect vaGrid;
  TwipRect sigFrame;
  TwipRect digiSigGrid;
  TwipRect opEvGrid;
  TwipRect auditNameLab;
  TwipRect auditDataFrame;
  TwipRect auditGrid;
  TwipRect auditSigFrame;
  TwipRect auditSigGrid;
  TwipRect almNameLab;
  TwipRect alarmGrid;
  TwipRect iPlotX;
  TwipRect YSlider;
  TwipRect DateSlider;
};

// The design client area of the window.
inline constexpr int kHistoryDesignWidth = 8850;
inline constexpr int kHistoryDesignHeight = 6390;

// Every control at its design position and size.
HistoryGeometry historyDesignGeometry();

// Tool-bar button `index` of any of the five arrays (all share one row).
TwipRect toolButtonGeometry(int index);

// The Resize handler: the form takes the main window's inner size, then the
// controls follow the rules in order, each reading what earlier rules set.
// A rule that would give a negative width or height is refused and skipped,
// the way a control refuses such a size, and the next rule runs. Nothing
// changes while the window is minimized.
void applyHistoryResize(HistoryGeometry& g, int mainInnerWidth, int mainInnerHeight,
                        bool minimized = false);

}  // namespace tarvex
