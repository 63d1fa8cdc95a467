#include "preview/Annotation.h"

#include <algorithm>
#include <cmath>

#include "preview/CanvasImage.h"
#include "preview/DrawingState.h"
#include "preview/PointerTools.h"

namespace pictavo {

namespace {

qint16 scaled(int value, double scale) {
    return pointerCoordinate(value * scale);
}

QFont scaledFont(QFont font, double scale) {
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(std::max(0.5, font.pointSizeF() * scale));
    } else if (font.pixelSize() > 0) {
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pixelSize() * scale))));
    }
    return font;
}

}  // namespace

QRect pixelateArea(QPoint from, QPoint to, QSize size) {
    const QRect area(QPoint(std::min(from.x(), to.x()), std::min(from.y(), to.y())),
                     QPoint(std::max(from.x(), to.x()) - 1, std::max(from.y(), to.y()) - 1));
    return area & QRect(QPoint(0, 0), size);
}

void drawAnnotation(CanvasImage& canvas, const Annotation& item, double scale) {
    const std::vector<QPoint>& p = item.points;
    if (p.empty()) {
        return;
    }
    const int penWidth = canvas.penWidth();
    canvas.setPenWidth(scale == 1.0 ? item.width
                                    : static_cast<int>(std::lround(item.width * scale)));
    auto x = [&](std::size_t i) { return scaled(p[i].x(), scale); };
    auto y = [&](std::size_t i) { return scaled(p[i].y(), scale); };
    const QColor colour = colourFromValue(item.colour);
    switch (item.tool) {
        case DrawingState::Line:
            if (p.size() == 2) {
                canvas.drawLine(x(0), y(0), x(1), y(1), colour);
            }
            break;
        case DrawingState::Freehand:
            for (std::size_t i = 1; i < p.size(); ++i) {
                canvas.drawLine(x(i - 1), y(i - 1), x(i), y(i), colour);
            }
            break;
        case DrawingState::Rectangle:
            if (p.size() == 2) {
                DrawRectangle(canvas, x(0), x(1), y(0), y(1), item.colour);
            }
            break;
        case DrawingState::Circle:
            if (p.size() == 2) {
                DrawCircle(canvas, x(0), x(1), y(0), y(1), item.colour);
            }
            break;
        case DrawingState::Text:
            canvas.drawText(x(0), y(0), item.text,
                            scale == 1.0 ? item.font : scaledFont(item.font, scale), colour);
            break;
        case DrawingState::Arrow:
            if (p.size() == 2) {
                // The head keeps its full-size proportion to the shaft on a reduced preview.
                DrawArrow(canvas, x(0), y(0), x(1), y(1), arrowHeadLength(item.width) * scale,
                          item.colour);
            }
            break;
        case DrawingState::Pixelate:
            if (p.size() == 2) {
                canvas.drawBlocks(QRect(p[0], p[1] - QPoint(1, 1)), item.blocks, scale);
            }
            break;
        default:
            break;
    }
    canvas.setPenWidth(penWidth);
}

}  // namespace pictavo
