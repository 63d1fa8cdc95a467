#include "controls/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>
#include <cstdint>
#include <limits>

namespace pictavo {

namespace {

int saturate(double value) {
    constexpr double lo = std::numeric_limits<int>::min();
    constexpr double hi = std::numeric_limits<int>::max();
    if (std::isnan(value)) {
        return 0;
    }
    if (value <= lo) {
        return std::numeric_limits<int>::min();
    }
    if (value >= hi) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(value);
}

// std::round rounds halves away from zero, which is the rule documented in the header.
int roundToInt(double value) {
    return saturate(std::round(value));
}

int safeDivisor(int twipsPerPixel) {
    return twipsPerPixel > 0 ? twipsPerPixel : 1;
}

const QScreen* screenOf(const QWidget* widget) {
    if (widget != nullptr && widget->screen() != nullptr) {
        return widget->screen();
    }
    return QGuiApplication::primaryScreen();
}

}  // namespace

int twipsPerPixelForDpi(double logicalDpi) {
    if (!(logicalDpi > 0.0)) {
        return kDefaultTwipsPerPixel;
    }
    const int result = roundToInt(kTwipsPerInch / logicalDpi);
    return result < 1 ? 1 : result;
}

int twipsPerPixelX(const QScreen* screen) {
    return screen != nullptr ? twipsPerPixelForDpi(screen->logicalDotsPerInchX())
                             : kDefaultTwipsPerPixel;
}

int twipsPerPixelY(const QScreen* screen) {
    return screen != nullptr ? twipsPerPixelForDpi(screen->logicalDotsPerInchY())
                             : kDefaultTwipsPerPixel;
}

int twipsPerPixelX(const QWidget* widget) {
    return twipsPerPixelX(screenOf(widget));
}

int twipsPerPixelY(const QWidget* widget) {
    return twipsPerPixelY(screenOf(widget));
}

int toPixels(int twips, int twipsPerPixel) {
    return roundToInt(static_cast<double>(twips) / safeDivisor(twipsPerPixel));
}

int toTwips(int pixels, int twipsPerPixel) {
    return saturate(static_cast<double>(pixels) * safeDivisor(twipsPerPixel));
}

int toTwips(double pixels, int twipsPerPixel) {
    return roundToInt(pixels * safeDivisor(twipsPerPixel));
}

QRect toPixelRect(int left, int top, int width, int height, int twipsPerPixelX,
                  int twipsPerPixelY) {
    // Both edges are rounded, not the extent, so neighbouring rectangles that share an edge in
    // twips share it in pixels at any resolution.
    const int x = toPixels(left, twipsPerPixelX);
    const int y = toPixels(top, twipsPerPixelY);
    const int right = roundToInt((static_cast<double>(left) + width) / safeDivisor(twipsPerPixelX));
    const int bottom =
        roundToInt((static_cast<double>(top) + height) / safeDivisor(twipsPerPixelY));
    return QRect(x, y, right - x, bottom - y);
}

}  // namespace pictavo
