#pragma once

#include <QPoint>
#include <QSize>

namespace pictavo {

// The preview window's geometry as pure functions. Window geometry is in twips; the capture
// and the canvas are in device pixels. Callers convert twips to pixels with config/Twips.h.

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

// Design sizes of the window's fixed controls, twips.
inline constexpr int kLogoLeft = 100;
inline constexpr int kLogoTop = 330;
inline constexpr int kLogoWidth = 2700;
inline constexpr int kLogoHeight = 900;
inline constexpr int kButtonWidth = 2400;
inline constexpr int kButtonHeight = 375;
inline constexpr int kDummyLeft = -250;  // txtDummy sits outside the visible area
inline constexpr int kDummyTop = -250;
inline constexpr int kDummySize = 225;  // small enough to stay wholly outside
inline constexpr int kPaletteTop = 330;
inline constexpr int kPaletteRightGap = 100;

// The window covers 85% of the screen's width and of the height above the bottom panel, inset
// by 7.5% from the left and from the top. `screenWidth` and `screenHeight` are twips,
// `twipsPerPixelY` the vertical scale, `taskbarPixels` the bottom panel's height in pixels.
TwipsRect previewWindowRect(int screenWidth, int screenHeight, int twipsPerPixelY,
                            int taskbarPixels);

// The fixed controls for a window of `windowWidth` x `windowHeight` twips.
struct PreviewControlsLayout {
    TwipsRect logo;
    TwipsRect bigOverlay;  // lblBigOverlay, right and bottom edges on the logo's
    TwipsRect cancel;      // centred, its bottom 100 above the window's bottom edge
    TwipsRect send;        // centred, 40 above cancel
};
PreviewControlsLayout previewControlsLayout(int windowWidth, int windowHeight, QSize bigOverlaySize,
                                            QSize cancelSize, QSize sendSize);

// The preview area picHidden: between the logo band and the two buttons, inset 130 each side.
// A palette reaching below the logo band (`paletteBottom`) pushes the area down.
TwipsRect previewAreaRect(int windowWidth, int windowHeight, const PreviewControlsLayout& controls,
                          int paletteBottom = 0);

// The drawing palette's top-left corner: the window's top-right corner, 100 twips in.
QPoint paletteTopLeft(int windowWidth, int paletteWidth);

// Where the palette stands: at the window's top-right corner in one row of frames when that
// row clears the logo, else in two rows there; when even two rows would reach over the logo,
// they stand below it.
struct PalettePlacement {
    QPoint topLeft;
    bool twoRows = false;
    friend bool operator==(const PalettePlacement&, const PalettePlacement&) = default;
};
PalettePlacement placePalette(int windowWidth, int oneRowWidth, int twoRowWidth);

// How a capture is shown in an area, both in pixels. A capture larger than the area in either
// direction (strictly) is reduced by one ratio for both directions; otherwise it is shown 1:1.
// The canvas is centred in the area either way.
struct CanvasPlacement {
    bool reduced = false;
    QSize size;
    QPoint topLeft;  // in the area
    friend bool operator==(const CanvasPlacement&, const CanvasPlacement&) = default;
};
CanvasPlacement placeCapture(QSize capture, QSize area);

}  // namespace pictavo
