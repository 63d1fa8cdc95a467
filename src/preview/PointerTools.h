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

// An arrow from (x1, y1) to its tip (x2, y2): the shaft with the canvas's pen width, and a
// filled head of `headLength` pixels whose sides stand at 30 degrees to the shaft. A head
// longer than the arrow is cut to its length; an arrow of no length draws nothing.
void DrawArrow(CanvasImage& canvas, qint16 x1, qint16 y1, qint16 x2, qint16 y2, double headLength,
               qint32 colour);
// The head's length for a pen width: it grows with the width, and a width of 1 still shows one.
int arrowHeadLength(int width);

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
    // The pixelate item from the press point to `to`, its blocks taken from the picture as
    // it stands; nothing for an empty area.
    std::optional<Annotation> pixelated(QPoint to) const;

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
    QPoint arrow_;  // press point of the arrow tool
    bool arrowUnderWay_ = false;
    QPoint pixelate_;  // press point of the pixelate tool
    bool pixelateUnderWay_ = false;
    QPoint last_;  // last pointer position, for freehand
    std::optional<Annotation> stroke_;
};

}  // namespace pictavo
