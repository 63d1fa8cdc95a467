#pragma once

#include <QRect>

class QScreen;
class QWidget;

namespace pictavo {

// Window geometry is kept in twips (1440 per inch); Qt lays widgets out in logical pixels.
// These functions are the only place where one becomes the other.
//
// Rounding: twips -> pixels rounds to the nearest pixel, halves away from zero, so a
// coordinate and its negation map symmetrically; pixels -> twips is exact for whole pixels
// and rounds fractional pixels (mouse positions) the same way. Results saturate at the
// limits of a 32-bit int instead of wrapping.

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kDefaultTwipsPerPixel = 15;  // 96 logical dots per inch

// Twips per pixel for a logical resolution: 1440 / dpi rounded to the nearest whole twip,
// at least 1. A resolution that is not positive gives the 96-dpi value.
int twipsPerPixelForDpi(double logicalDpi);

// Twips per pixel of the screen a widget is on (its logical DPI), or of the primary screen
// for a null widget; 15 when there is no screen at all.
int twipsPerPixelX(const QWidget* widget);
int twipsPerPixelY(const QWidget* widget);
int twipsPerPixelX(const QScreen* screen);
int twipsPerPixelY(const QScreen* screen);

int toPixels(int twips, int twipsPerPixel);
int toTwips(int pixels, int twipsPerPixel);
int toTwips(double pixels, int twipsPerPixel);

// A rectangle given in twips as left, top, width and height, in pixels. Its edges are
// rounded (not its extent), so rectangles that touch in twips touch in pixels.
QRect toPixelRect(int left, int top, int width, int height, int twipsPerPixelX, int twipsPerPixelY);

}  // namespace pictavo
