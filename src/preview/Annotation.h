#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QtGlobal>
#include <vector>

namespace pictavo {

class CanvasImage;

// One drawing operation on the capture, in capture pixels: what the tools leave behind and
// what undo takes away.
//
// `points` by tool: line, rectangle, circle and arrow two (the press point, then the end point;
// for the circle the two ends of a diameter, for the arrow the tail and the tip), freehand the
// whole stroke in order, text one (the top-left corner of the text), pixelate two (the area's
// top-left corner and the corner just past its bottom-right pixel, within the capture).
//
// A pixelate item carries its blocks, taken once from the full-size picture as it stood under
// the area when the item was made: drawing it only writes them, at any scale, and undoing the
// items after it cannot change them.
struct Annotation {
    qint32 tool = 0;    // a DrawingState tool number
    qint32 colour = 0;  // 0x00BBGGRR
    int width = 1;      // pen width, capture pixels; text ignores it
    std::vector<QPoint> points;
    QString text;
    QFont font;
    QImage blocks;  // pixelate: one pixel per block, see pixelateBlocks
};

// The area of a pixelate item: the capture pixels from the corner `from` up to, not including,
// the corner `to` (either way round), within a capture of `size`.
QRect pixelateArea(QPoint from, QPoint to, QSize size);

// Draws `item` into the working image of `canvas`, which shows the capture at `scale` (1: at
// full size, with the tools' exact primitives; below 1: a reduced preview, where positions,
// pen width and font size shrink alike, the pen to no less than one pixel). The canvas's pen
// width is left as it was.
void drawAnnotation(CanvasImage& canvas, const Annotation& item, double scale);

}  // namespace pictavo
