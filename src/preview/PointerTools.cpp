#include "preview/PointerTools.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "preview/AnnotatedCanvas.h"
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

int arrowHeadLength(int width) {
    return 4 * std::max(1, width) + 8;
}

void DrawArrow(CanvasImage& canvas, qint16 x1, qint16 y1, qint16 x2, qint16 y2, double headLength,
               qint32 colour) {
    const double dx = int{x2} - int{x1};
    const double dy = int{y2} - int{y1};
    const double length = std::hypot(dx, dy);
    if (length == 0) {
        return;
    }
    const double head = std::min(headLength, length);
    const double ux = dx / length;
    const double uy = dy / length;
    const double along = head * std::cos(std::numbers::pi / 6);
    const double across = head * std::sin(std::numbers::pi / 6);
    const QPointF tip(x2, y2);
    const QPointF back = tip - QPointF(ux, uy) * along;
    const QColor c = colourFromValue(colour);
    // The shaft ends at the head's base, so that a wide pen's round end stays inside the head
    // instead of rounding off its tip.
    canvas.drawLine(x1, y1, static_cast<int>(std::lround(back.x())),
                    static_cast<int>(std::lround(back.y())), c);
    canvas.fillTriangle(tip, back + QPointF(-uy, ux) * across, back - QPointF(-uy, ux) * across, c);
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

PointerTools::PointerTools(CanvasImage& canvas, const AnnotatedCanvas& shown,
                           const DrawingState& state, std::function<QString()> text,
                           std::function<QFont()> font, std::function<void(Annotation)> add)
    : canvas_(canvas),
      shown_(shown),
      state_(state),
      text_(std::move(text)),
      font_(std::move(font)),
      add_(std::move(add)) {}

QPoint PointerTools::capturePoint(QPointF position) const {
    const double scale = shown_.scale();
    return {pointerCoordinate(position.x() / scale), pointerCoordinate(position.y() / scale)};
}

Annotation PointerTools::item(qint32 tool, std::vector<QPoint> points) const {
    Annotation a;
    a.tool = tool;
    a.colour = state_.Colour;
    a.width = std::max<int>(1, state_.Len);
    a.points = std::move(points);
    if (tool == DrawingState::Text) {
        a.text = text_ ? text_() : QString();
        a.font = font_ ? font_() : QFont();
    }
    return a;
}

void PointerTools::float_(const Annotation& shape) {
    canvas_.restore();
    drawAnnotation(canvas_, shape, shown_.scale());
}

std::optional<Annotation> PointerTools::pixelated(QPoint to) const {
    const QImage& picture = shown_.fullSize();
    const QRect area = pixelateArea(pixelate_, to, picture.size());
    if (area.isEmpty()) {
        return std::nullopt;
    }
    Annotation a =
        item(DrawingState::Pixelate, {area.topLeft(), area.bottomRight() + QPoint(1, 1)});
    a.blocks = pixelateBlocks(picture, area);
    return a;
}

void PointerTools::finishStroke() {
    if (stroke_) {
        Annotation done = std::move(*stroke_);
        stroke_.reset();
        add_(std::move(done));
    }
}

void PointerTools::press(Qt::MouseButtons buttons, QPointF position) {
    const QPoint p = capturePoint(position);
    if (!leftOnly(buttons)) {
        return;
    }
    switch (state_.Tool) {
        case DrawingState::Line:
            line_ = p;
            break;
        case DrawingState::Rectangle:
            rect_ = p;
            rectangleUnderWay_ = true;
            break;
        case DrawingState::Circle:
            circle_ = circleCur_ = p;
            circleUnderWay_ = true;
            break;
        case DrawingState::Arrow:
            arrow_ = p;
            arrowUnderWay_ = true;
            break;
        case DrawingState::Pixelate:
            pixelate_ = p;
            pixelateUnderWay_ = true;
            break;
        case DrawingState::Text:
            // The text floating under the pointer is taken away before the item is drawn:
            // anti-aliased text drawn twice over itself would come out bolder.
            canvas_.restore();
            if (Annotation text = item(DrawingState::Text, {p}); !text.text.isEmpty()) {
                add_(std::move(text));
            }
            break;
        default:
            break;
    }
}

void PointerTools::move(Qt::MouseButtons buttons, QPointF position) {
    const QPoint p = capturePoint(position);
    const bool left = leftOnly(buttons);
    switch (state_.Tool) {
        case DrawingState::Line:
            if (left) {
                float_(item(DrawingState::Line, {line_, p}));
            }
            break;
        case DrawingState::Freehand:
            if (left) {
                if (!stroke_) {
                    stroke_ = item(DrawingState::Freehand, {last_});
                }
                stroke_->points.push_back(p);
                drawAnnotation(canvas_, item(DrawingState::Freehand, {last_, p}), shown_.scale());
                canvas_.commit();
            } else {
                finishStroke();
            }
            last_ = p;
            break;
        case DrawingState::Rectangle:
            if (left) {
                float_(item(DrawingState::Rectangle, {rect_, p}));
            }
            break;
        case DrawingState::Circle:
            if (left) {
                circleCur_ = p;
                float_(item(DrawingState::Circle, {circle_, circleCur_}));
            }
            break;
        case DrawingState::Text:
            float_(item(DrawingState::Text, {p}));
            break;
        case DrawingState::Arrow:
            if (left && arrowUnderWay_) {
                float_(item(DrawingState::Arrow, {arrow_, p}));
            }
            break;
        case DrawingState::Pixelate:
            if (left && pixelateUnderWay_) {
                canvas_.restore();
                if (const std::optional<Annotation> blocks = pixelated(p)) {
                    drawAnnotation(canvas_, *blocks, shown_.scale());
                }
            }
            break;
        default:
            break;
    }
}

void PointerTools::release(Qt::MouseButtons buttons, QPointF position) {
    const QPoint p = capturePoint(position);
    finishStroke();
    if (!leftOnly(buttons)) {
        return;
    }
    switch (state_.Tool) {
        case DrawingState::Line:
            // Drawn anew to the release point: a release away from the last move must not
            // leave that move's rubber band.
            add_(item(DrawingState::Line, {line_, p}));
            break;
        case DrawingState::Rectangle:
            if (rectangleUnderWay_) {
                add_(item(DrawingState::Rectangle, {rect_, p}));
            }
            rectangleUnderWay_ = false;
            break;
        case DrawingState::Circle:
            // The last rubber band becomes part of the picture; the release point is not used.
            if (circleUnderWay_) {
                add_(item(DrawingState::Circle, {circle_, circleCur_}));
            }
            circleUnderWay_ = false;
            break;
        case DrawingState::Arrow:
            // A click without a drag leaves nothing, not even a rubber band.
            canvas_.restore();
            if (arrowUnderWay_ && p != arrow_) {
                add_(item(DrawingState::Arrow, {arrow_, p}));
            }
            arrowUnderWay_ = false;
            break;
        case DrawingState::Pixelate:
            canvas_.restore();
            if (pixelateUnderWay_) {
                if (std::optional<Annotation> blocks = pixelated(p)) {
                    add_(std::move(*blocks));
                }
            }
            pixelateUnderWay_ = false;
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

void PointerTools::settle() {
    canvas_.restore();
    finishStroke();
}

}  // namespace pictavo
