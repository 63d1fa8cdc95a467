#pragma once

#include <QFont>
#include <QPointF>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

#include "preview/Annotation.h"
#include "preview/DrawingState.h"

namespace pictavo {

class AnnotatedCanvas;
class CanvasImage;

// The two drawing routines of the tools. Corners are given as (x1, x2, y1, y2), in that
// order, with the canvas's pen width.
//
// Four lines: top, left, right, bottom.
void DrawRectangle(CanvasImage& canvas, qint16 x1, qint16 x2, qint16 y1, qint16 y2, qint32 colour);
// The circle on which the two points lie diametrically opposite.
void DrawCircle(CanvasImage& canvas, qint16 x1, qint16 x2, qint16 y1, qint16 y2, qint32 colour);

// A pointer position as a stored coordinate: rounded to the nearest integer, halves to the
// even neighbour, and held within 16 bits.
qint16 pointerCoordinate(double value);

// What the pointer does on the canvas with the tool of the drawing state. Positions come in
// pixels of the canvas, which shows the capture at the scale of `shown`; the annotations are
// kept in capture pixels. The handlers take the buttons that count for the event (see Canvas), and
// "left" means the left button alone.
//
// Shapes that follow the pointer are rubber-banded on the canvas (restore, draw the one item
// in progress); a finished shape goes to `add` as one annotation. A freehand stroke is
// committed to the canvas segment by segment, so no restore takes it away, and becomes one
// annotation when the button is released. What only floats (a rubber band, the text under
// the pointer) is never in the committed picture.
class PointerTools {
public:
    PointerTools(CanvasImage& canvas, const AnnotatedCanvas& shown, const DrawingState& state,
                 std::function<QString()> text, std::function<QFont()> font,
                 std::function<void(Annotation)> add);

    void press(Qt::MouseButtons buttons, QPointF position);
    void move(Qt::MouseButtons buttons, QPointF position);
    void release(Qt::MouseButtons buttons, QPointF position);
    // The pointer went off the canvas: the floating text goes with it.
    void leave();
    // Before the annotations change under a drag (undo, redo): the rubber band goes and the
    // freehand stroke so far becomes an annotation; the drag itself goes on.
    void settle();

private:
    QPoint capturePoint(QPointF position) const;
    Annotation item(qint32 tool, std::vector<QPoint> points) const;
    void float_(const Annotation& shape);
    void finishStroke();

    CanvasImage& canvas_;
    const AnnotatedCanvas& shown_;
    const DrawingState& state_;
    std::function<QString()> text_;
    std::function<QFont()> font_;
    std::function<void(Annotation)> add_;

    QPoint line_;  // press point of the line tool
    QPoint rect_;  // press point of the rectangle tool
    bool rectangleUnderWay_ = false;
    QPoint circle_;     // press point of the circle tool
    QPoint circleCur_;  // its current point
    bool circleUnderWay_ = false;
    QPoint last_;  // last pointer position, for freehand
    std::optional<Annotation> stroke_;
};

}  // namespace pictavo
