#include "preview/PointerTools.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "preview/CanvasImage.h"

namespace pictavo {

namespace {

bool leftOnly(Qt::MouseButtons buttons) {
    return buttons == Qt::MouseButtons(Qt::LeftButton);
}

}  // namespace

void DrawRectangle(CanvasImage& canvas, qint16 x1, qint16 x2, qint16 y1, qint16 y2, qint32 colour) {
    const QColor c = colourFromValue(colour);
    canvas.drawLine(x1, y1, x2, y1, c);
    canvas.drawLine(x1, y1, x1, y2, c);
    canvas.drawLine(x2, y1, x2, y2, c);
    canvas.drawLine(x1, y2, x2, y2, c);
}

void DrawCircle(CanvasImage& canvas, qint16 x1, qint16 x2, qint16 y1, qint16 y2, qint32 colour) {
    // Sums and differences in 32 bits: two 16-bit coordinates may add up beyond 16 bits.
    const int sx = int{x1} + int{x2};
    const int sy = int{y1} + int{y2};
    const double hx = (int{x1} - int{x2}) / 2.0;
    const double hy = (int{y1} - int{y2}) / 2.0;
    canvas.drawCircle(sx / 2.0, sy / 2.0, std::sqrt(hx * hx + hy * hy), colourFromValue(colour));
}

qint16 pointerCoordinate(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    // std::nearbyint rounds in the current mode, which is to nearest with ties to even.
    const double r = std::nearbyint(value);
    return static_cast<qint16>(std::clamp(r, double{std::numeric_limits<qint16>::min()},
                                          double{std::numeric_limits<qint16>::max()}));
}

PointerTools::PointerTools(CanvasImage& canvas, const DrawingState& state,
                           std::function<QString()> text, std::function<QFont()> font)
    : canvas_(canvas), state_(state), text_(std::move(text)), font_(std::move(font)) {}

void PointerTools::drawOrderedLine(qint16 x, qint16 y) {
    const QColor c = colourFromValue(state_.Colour);
    if (x < lineX_) {
        canvas_.drawLine(x, y, lineX_, lineY_, c);
    } else {
        canvas_.drawLine(lineX_, lineY_, x, y, c);
    }
}

void PointerTools::drawOrderedRectangle(qint16 x, qint16 y) {
    if (x < rectX_) {
        DrawRectangle(canvas_, x, rectX_, y, rectY_, state_.Colour);
    } else {
        DrawRectangle(canvas_, rectX_, x, rectY_, y, state_.Colour);
    }
}

void PointerTools::placeText(qint16 x, qint16 y) {
    canvas_.drawText(x, y, text_ ? text_() : QString(), font_ ? font_() : QFont(),
                     colourFromValue(state_.Colour));
}

void PointerTools::press(Qt::MouseButtons buttons, QPointF position) {
    const qint16 x = pointerCoordinate(position.x());
    const qint16 y = pointerCoordinate(position.y());
    if (!leftOnly(buttons)) {
        return;
    }
    switch (state_.Tool) {
        case DrawingState::Line:
            lineX_ = x;
            lineY_ = y;
            break;
        case DrawingState::Rectangle:
            rectX_ = x;
            rectY_ = y;
            rectangleUnderWay_ = true;
            break;
        case DrawingState::Circle:
            circleX_ = circleCurX_ = x;
            circleY_ = circleCurY_ = y;
            circleUnderWay_ = true;
            break;
        case DrawingState::Text:
            // The text floating under the pointer is taken away first: anti-aliased text drawn
            // twice over itself would come out bolder than the text that was shown.
            canvas_.restore();
            placeText(x, y);
            canvas_.commit();
            break;
        default:
            break;
    }
}

void PointerTools::move(Qt::MouseButtons buttons, QPointF position) {
    const qint16 x = pointerCoordinate(position.x());
    const qint16 y = pointerCoordinate(position.y());
    const bool left = leftOnly(buttons);
    switch (state_.Tool) {
        case DrawingState::Line:
            if (left) {
                canvas_.restore();
                drawOrderedLine(x, y);
            }
            break;
        case DrawingState::Freehand:
            if (left) {
                canvas_.drawLine(lastX_, lastY_, x, y, colourFromValue(state_.Colour));
                canvas_.commit();
            }
            lastX_ = x;
            lastY_ = y;
            break;
        case DrawingState::Rectangle:
            if (left) {
                canvas_.restore();
                DrawRectangle(canvas_, std::min(x, rectX_), std::max(x, rectX_),
                              std::min(y, rectY_), std::max(y, rectY_), state_.Colour);
            }
            break;
        case DrawingState::Circle:
            if (left) {
                canvas_.restore();
                circleCurX_ = x;
                circleCurY_ = y;
                DrawCircle(canvas_, circleX_, circleCurX_, circleY_, circleCurY_, state_.Colour);
            }
            break;
        case DrawingState::Text:
            canvas_.restore();
            placeText(x, y);
            break;
        default:
            break;
    }
}

void PointerTools::release(Qt::MouseButtons buttons, QPointF position) {
    const qint16 x = pointerCoordinate(position.x());
    const qint16 y = pointerCoordinate(position.y());
    if (!leftOnly(buttons)) {
        return;
    }
    switch (state_.Tool) {
        case DrawingState::Line:
            // The rubber band of the last move goes first: a release away from the last move
            // position would otherwise commit both lines.
            canvas_.restore();
            drawOrderedLine(x, y);
            canvas_.commit();
            break;
        case DrawingState::Rectangle:
            if (rectangleUnderWay_) {
                canvas_.restore();
                drawOrderedRectangle(x, y);
                canvas_.commit();
            }
            rectangleUnderWay_ = false;
            break;
        case DrawingState::Circle:
            if (circleUnderWay_) {
                canvas_.commit();
            }
            circleUnderWay_ = false;
            break;
        default:
            break;
    }
}

void PointerTools::leave() {
    if (state_.Tool == DrawingState::Text) {
        canvas_.restore();
    }
}

}  // namespace pictavo
