#include "shell/msgbox_placement.h"

#include <algorithm>
#include <cmath>

namespace tarvex {

PixelRect centreOver(const PixelRect& box, const PixelRect& owner) {
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  PixelRect r;
  r.left = owner.left + (owner.right - owner.left) / 2 - width / 2;
  r.top = owner.top + (owner.bottom - owner.top) / 2 - height / 2;
  r.right = r.left + width;
  r.bottom = r.top + height;
  return r;
}

void keepRectOnScreen(PixelRect& rect, double screenWidthTwips, double screenHeightTwips,
                      double twipsPerPixelX, double twipsPerPixelY) {
  if (rect.left < 0) {
    rect.right -= rect.left;
    rect.left = 0;
  }
  if (rect.top < 0) {
    rect.bottom -= rect.top;
    rect.top = 0;
  }
  const long widthTwips = std::lround(screenWidthTwips);
  const long heightTwips = std::lround(screenHeightTwips);
  const long tppX = std::max(1L, std::lround(twipsPerPixelX));
  const long tppY = std::max(1L, std::lround(twipsPerPixelY));
  const int screenWidth = static_cast<int>(widthTwips / tppX);
  const int screenHeight = static_cast<int>(heightTwips / tppY);
  if (static_cast<double>(rect.right) * twipsPerPixelX > screenWidthTwips) {
    rect.left = screenWidth - (rect.right - rect.left);
    rect.right = screenWidth;
  }
  if (static_cast<double>(rect.bottom) * twipsPerPixelY > screenHeightTwips) {
    rect.top = screenHeight - (rect.bottom - rect.top);
    rect.bottom = screenHeight;
  }
}

}  // namespace tarvex
