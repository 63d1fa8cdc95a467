#include "preview/Canvas.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace pictavo {

Canvas::Canvas(CanvasImage& image, QWidget* parent) : QWidget(parent), image_(image) {
    setObjectName(QStringLiteral("picPreview"));
    // The text tool floats its text under the pointer with no button held.
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    image_.setChangedHandler([this](const QRect& rect) { update(rect); });
}

Canvas::~Canvas() {
    image_.setChangedHandler({});
}

QColor Canvas::background() {
    return QColor(0x80, 0x80, 0x80);
}

void Canvas::clear(QSize size) {
    resize(size);
    image_.reset(size, background());
}

void Canvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect r = event->rect();
    const QImage& img = image_.working();
    painter.drawImage(r.topLeft(), img, r);
    // Whatever the widget shows beyond the image (never, when sized by doSetup and doScale).
    const QRegion rest = QRegion(r) - QRegion(img.rect());
    for (const QRect& part : rest) {
        painter.fillRect(part, background());
    }
}

void Canvas::mousePressEvent(QMouseEvent* event) {
    emit pointerPressed(event->buttons(), event->position());
}

void Canvas::mouseDoubleClickEvent(QMouseEvent* event) {
    // A second click is a press like the first.
    emit pointerPressed(event->buttons(), event->position());
}

void Canvas::mouseMoveEvent(QMouseEvent* event) {
    emit pointerMoved(event->buttons(), event->position());
}

void Canvas::mouseReleaseEvent(QMouseEvent* event) {
    emit pointerReleased(event->buttons() | event->button(), event->position());
}

void Canvas::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit pointerLeft();
}

}  // namespace pictavo
