#include "controls/LineControl.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

#include "controls/Twips.h"

namespace pictavo {

LineControl::LineControl(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    resize(0, 0);
}

void LineControl::setLine(int x1, int y1, int x2, int y2) {
    x1_ = x1;
    y1_ = y1;
    x2_ = x2;
    y2_ = y2;
    updatePlacement();
}

void LineControl::setBorderColour(const QColor& colour) {
    colour_ = colour;
    update();
}

void LineControl::resetBorderColour() {
    colour_.reset();
    update();
}

QColor LineControl::borderColour() const {
    return colour_.value_or(palette().color(QPalette::WindowText));
}

void LineControl::updatePlacement() {
    const int tppX = twipsPerPixelX(this);
    const int tppY = twipsPerPixelY(this);
    const QPoint a(toPixels(x1_, tppX), toPixels(y1_, tppY));
    const QPoint b(toPixels(x2_, tppX), toPixels(y2_, tppY));
    if (a == b) {
        // A line of no length draws nothing.
        setGeometry(a.x(), a.y(), 0, 0);
        return;
    }
    // The drawn pixels run from the start point up to, not including, the end point. Along an
    // axis the line does not advance on, the box is one pixel thick.
    auto span = [](int from, int to) {
        if (from == to) {
            return std::pair{from, from};
        }
        return from < to ? std::pair{from, to - 1} : std::pair{to + 1, from};
    };
    const bool slanted = a.x() != b.x() && a.y() != b.y();
    const auto [left, right] =
        slanted ? std::pair{std::min(a.x(), b.x()), std::max(a.x(), b.x())} : span(a.x(), b.x());
    const auto [top, bottom] =
        slanted ? std::pair{std::min(a.y(), b.y()), std::max(a.y(), b.y())} : span(a.y(), b.y());
    const QRect box(QPoint(left, top), QPoint(right, bottom));
    setGeometry(box);
    update();
}

void LineControl::paintEvent(QPaintEvent* /*event*/) {
    if (width() <= 0 || height() <= 0) {
        return;
    }
    QPainter painter(this);
    const QColor colour = borderColour();
    const int tppX = twipsPerPixelX(this);
    const int tppY = twipsPerPixelY(this);
    const QPoint a(toPixels(x1_, tppX), toPixels(y1_, tppY));
    const QPoint b(toPixels(x2_, tppX), toPixels(y2_, tppY));
    if (a.x() == b.x() || a.y() == b.y()) {
        painter.fillRect(rect(), colour);
        return;
    }
    // A slanted line: one pixel wide, without antialiasing, in the widget's own coordinates.
    painter.setPen(QPen(colour, 0));
    painter.drawLine(a - pos(), b - pos());
}

}  // namespace pictavo
