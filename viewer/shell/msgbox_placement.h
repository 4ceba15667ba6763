// Placement of a message box over its owner window: centred over the
// owner's outer rectangle, then shifted back onto the screen.
#pragma once

namespace tarvex {

// A rectangle in screen pixels, right and bottom exclusive as the window
// system reports them.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const PixelRect&) const = default;
};

// The box's rectangle moved so that its centre lies on the owner's centre.
// All arithmetic is signed 32-bit and every halving truncates toward zero.
// An owner that cannot be read is passed as all zeros.
PixelRect centreOver(const PixelRect& box, const PixelRect& owner);

// Shifts `rect` back onto a screen of the given size: first the left and top
// edges to 0, then the right and bottom edges to the screen's edges, so a box
// larger than the screen ends flush with the right and bottom edges. The
// screen size is given in twips with the twips per pixel of each direction,
// as the window system measures them (screen pixels = twips / twips per
// pixel, integer division after rounding both).
void keepRectOnScreen(PixelRect& rect, double screenWidthTwips, double screenHeightTwips,
                      double twipsPerPixelX, double twipsPerPixelY);

}  // namespace tarvex
