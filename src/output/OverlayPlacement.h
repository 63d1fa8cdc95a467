#pragma once

#include <QPoint>
#include <QString>
#include <QtGlobal>

namespace pictavo {

// Where the overlay box goes on a capture. Only the first character of a position text
// counts: "1" to "9" number the places row by row from the top-left ("12" is "1"); any other
// text is no position.
//
// All lengths are twips. The box's corner is held in 32-bit integers: a 16-bit corner cannot
// reach the right column of a capture wider than about 2184 pixels (every 4K screen).

// The box's top-left corner on the capture, twips.
struct OverlayCorner {
    qint32 left = 0;
    qint32 top = 0;
    friend bool operator==(const OverlayCorner&, const OverlayCorner&) = default;
};

// The position number 1..9 of a position text, or 0 when it names no position.
int overlayPositionNumber(const QString& position);

// The text with its margin: two spaces in front for the left column (1, 4, 7), two spaces
// after it for the right column (3, 6, 9), unchanged otherwise. The spaces keep the text
// two space-widths from the capture's edge, on the box colour.
QString padOverlayText(const QString& text, const QString& position);

// The corner for a capture of `captureWidth` x `captureHeight` and a box of `boxWidth` x
// `boxHeight` (lengths within the 32-bit range). Columns: 0, (SW - BW) / 2, SW - BW; rows: 0,
// (SH - BH) / 2, SH - 1.2 * BH (the bottom row stands a fifth of the box's height above the
// bottom edge). Each value is rounded to the nearest whole twip, halves to even, and
// saturates at the 32-bit limits. A text that names no position gives `previous`: the box
// goes where the last stamp put it.
OverlayCorner placeOverlay(const QString& position, qint64 captureWidth, qint64 captureHeight,
                           qint64 boxWidth, qint64 boxHeight, OverlayCorner previous);

// numerator / denominator rounded to the nearest integer, halves to the even neighbour,
// saturated to 32 bits; exact for every 64-bit numerator. `denominator` must be positive.
qint32 roundHalfToEven(qint64 numerator, qint64 denominator);

// The corner in pixels of the capture, at the given twips per pixel.
QPoint overlayCornerPixels(OverlayCorner corner, int twipsPerPixelX, int twipsPerPixelY);

}  // namespace pictavo
