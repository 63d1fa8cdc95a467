#include "preview/PreviewLayout.h"

#include <algorithm>
#include <cmath>

namespace pictavo {

namespace {

int roundTwips(double value) {
    return static_cast<int>(std::lround(value));
}

// A reduced dimension: `extent / ratio` rounded down. The ratio comes from one of the two
// dimensions, and for that one the quotient is the area's size exactly in real arithmetic;
// the tolerance keeps a floating-point result such as 1371.9999999 from losing a pixel.
int reducedExtent(int extent, double ratio) {
    return static_cast<int>(std::floor(extent / ratio + 1e-9));
}

}  // namespace

TwipsRect previewWindowRect(int screenWidth, int screenHeight, int twipsPerPixelY,
                            int taskbarPixels) {
    const double t = twipsPerPixelY > 0 ? twipsPerPixelY : 1;
    const double W = screenWidth;
    // The height above the bottom panel, in pixels.
    const double usable = screenHeight / t - taskbarPixels;
    TwipsRect r;
    r.height = roundTwips(usable / 10.0 * 8.5 * t);
    r.width = roundTwips(W / 10.0 * 8.5);
    r.left = roundTwips(W / 10.0 * 0.75);
    r.top = roundTwips(usable / 10.0 * 0.75 * t);
    return r;
}

PreviewControlsLayout previewControlsLayout(int windowWidth, int windowHeight, QSize bigOverlaySize,
                                            QSize cancelSize, QSize sendSize) {
    PreviewControlsLayout l;
    l.logo = {kLogoLeft, kLogoTop, kLogoWidth, kLogoHeight};
    l.bigOverlay = {l.logo.left + l.logo.width - bigOverlaySize.width(),
                    l.logo.top + l.logo.height - bigOverlaySize.height(), bigOverlaySize.width(),
                    bigOverlaySize.height()};
    l.cancel = {roundTwips(windowWidth / 2.0 - cancelSize.width() / 2.0),
                windowHeight - (cancelSize.height() + 100), cancelSize.width(),
                cancelSize.height()};
    l.send = {roundTwips(windowWidth / 2.0 - sendSize.width() / 2.0),
              l.cancel.top - (sendSize.height() + 40), sendSize.width(), sendSize.height()};
    return l;
}

TwipsRect previewAreaRect(int windowWidth, int windowHeight, const PreviewControlsLayout& c,
                          int paletteBottom) {
    const int below = std::max(0, paletteBottom - (c.logo.top + c.logo.height));
    return {130, c.logo.top + c.logo.height + 65 + below, windowWidth - 260,
            windowHeight - (c.cancel.height + c.send.height + c.logo.top + c.logo.height + 260) -
                below};
}

QPoint paletteTopLeft(int windowWidth, int paletteWidth) {
    return {windowWidth - (paletteWidth + kPaletteRightGap), kPaletteTop};
}

PalettePlacement placePalette(int windowWidth, int oneRowWidth, int twoRowWidth) {
    const int logoRight = kLogoLeft + kLogoWidth + kPaletteRightGap;
    const QPoint oneRow = paletteTopLeft(windowWidth, oneRowWidth);
    if (oneRow.x() >= logoRight) {
        return {oneRow, false};
    }
    QPoint twoRows = paletteTopLeft(windowWidth, twoRowWidth);
    if (twoRows.x() < logoRight) {
        twoRows.setY(kLogoTop + kLogoHeight + 65);
    }
    return {twoRows, true};
}

CanvasPlacement placeCapture(QSize capture, QSize area) {
    CanvasPlacement p;
    const int cw = capture.width();
    const int ch = capture.height();
    const int pw = area.width();
    const int ph = area.height();
    const bool wider = cw > pw;
    const bool taller = ch > ph;
    p.reduced = wider || taller;
    if (p.reduced) {
        // An area with no room at all shows nothing rather than dividing by zero.
        if (pw <= 0 || ph <= 0) {
            p.size = QSize(0, 0);
        } else {
            const double rw = static_cast<double>(cw) / pw;
            const double rh = static_cast<double>(ch) / ph;
            const double r = wider && taller ? std::max(rw, rh) : (wider ? rw : rh);
            p.size = QSize(reducedExtent(cw, r), reducedExtent(ch, r));
        }
    } else {
        p.size = capture;
    }
    p.topLeft = QPoint((pw - p.size.width()) / 2, (ph - p.size.height()) / 2);
    return p;
}

}  // namespace pictavo
