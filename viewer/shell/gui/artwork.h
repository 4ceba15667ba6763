// The viewer's own pictures, drawn in code: the splash picture, the About
// box picture and the application icon.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace tarvex {

// A picture of `width` x `height` pixels: a trend of three channels over a
// grid on a dark panel, with the product name.
QPixmap trendPicture(int width, int height, bool withTitle);

// The splash picture, 400 x 287 pixels.
inline QPixmap splashPicture() { return trendPicture(400, 287, true); }
// The About box picture, 250 x 179 pixels.
inline QPixmap aboutPicture() { return trendPicture(250, 179, false); }

// The application icon (window icon and desktop entry).
QIcon applicationIcon();

}  // namespace tarvex
