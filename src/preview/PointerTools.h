#pragma once

#include <QFont>
#include <QPointF>
#include <QString>
#include <QtGlobal>
#include <functional>

#include "preview/DrawingState.h"

namespace pictavo {

class CanvasImage;

// The two drawing routines of the tools. Corners are given as (x1, x2, y1, y2), in that
// order, with the canvas's pen width.
//
// Four lines: top, left, right, bottom.
void DrawRectangle(CanvasImage& canvas, qint16 x1, qint16 x2, qint16 y1, qint16 y2, qint32 colour);
// The circle on which the two points lie diametrically opposite.
void DrawCircle(CanvasImage& canvas, qint16 x1, qint16 x2, qint16 y1, qint16 y2, qint32 colour);

// A pointer position on the canvas as a stored coordinate: rounded to the nearest integer,
// halves to the even neighbour, and held within 16 bits.
qint16 pointerCoordinate(double value);

// What the pointer does on the canvas with the tool of the drawing state. The handlers take
// the buttons that count for the event (see Canvas); "left" means the left button alone.
//
// Shapes that follow the pointer are rubber-banded (restore, draw); a finished shape is
// committed, as is every freehand segment, so no later restore can take them away. What is
// only floating (a rubber band, the text under the pointer) is never in the committed picture.
class PointerTools {
public:
    PointerTools(CanvasImage& canvas, const DrawingState& state, std::function<QString()> text,
                 std::function<QFont()> font);

    void press(Qt::MouseButtons buttons, QPointF position);
    void move(Qt::MouseButtons buttons, QPointF position);
    void release(Qt::MouseButtons buttons, QPointF position);
    // The pointer went off the canvas: the floating text goes with it.
    void leave();

private:
    void drawOrderedLine(qint16 x, qint16 y);
    void drawOrderedRectangle(qint16 x, qint16 y);
    void placeText(qint16 x, qint16 y);

    CanvasImage& canvas_;
    const DrawingState& state_;
    std::function<QString()> text_;
    std::function<QFont()> font_;

    qint16 lineX_ = 0;  // press point of the line tool
    qint16 lineY_ = 0;
    qint16 rectX_ = 0;  // press point of the rectangle tool
    qint16 rectY_ = 0;
    bool rectangleUnderWay_ = false;
    qint16 circleX_ = 0;  // press point of the circle tool
    qint16 circleY_ = 0;
    qint16 circleCurX_ = 0;  // its current point
    qint16 circleCurY_ = 0;
    bool circleUnderWay_ = false;
    qint16 lastX_ = 0;  // last pointer position, for freehand
    qint16 lastY_ = 0;
};

}  // namespace pictavo
