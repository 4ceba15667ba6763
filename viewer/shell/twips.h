// Screen lengths in twips: 1440 per inch, 15 per pixel at 96 dots per inch.
#pragma once

#include <cmath>

namespace tarvex {

// Twips to pixels at `dpi` dots per inch, rounded to the nearest pixel.
inline int twipsToPixels(int twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

// Pixels to twips at `dpi` dots per inch, rounded to the nearest twip.
inline int pixelsToTwips(int pixels, double dpi) {
  return static_cast<int>(std::lround(pixels * 1440.0 / dpi));
}

}  // namespace tarvex
