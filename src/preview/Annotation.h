#pragma once

#include <QFont>
#include <QPoint>
#include <QString>
#include <QtGlobal>
#include <vector>

namespace pictavo {

class CanvasImage;

// One drawing operation on the capture, in capture pixels: what the tools leave behind and
// what undo takes away.
//
// `points` by tool: line, rectangle and circle two (the press point, then the end point; for
// the circle the two ends of a diameter), freehand the whole stroke in order, text one (the
// top-left corner of the text).
struct Annotation {
    qint32 tool = 0;    // a DrawingState tool number
    qint32 colour = 0;  // 0x00BBGGRR
    int width = 1;      // pen width, capture pixels; text ignores it
    std::vector<QPoint> points;
    QString text;
    QFont font;
};

// Draws `item` into the working image of `canvas`, which shows the capture at `scale` (1: at
// full size, with the tools' exact primitives; below 1: a reduced preview, where positions,
// pen width and font size shrink alike, the pen to no less than one pixel). The canvas's pen
// width is left as it was.
void drawAnnotation(CanvasImage& canvas, const Annotation& item, double scale);

}  // namespace pictavo
