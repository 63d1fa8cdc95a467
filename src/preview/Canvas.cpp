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
    image_.setChangedHandler([this](const QRect& rect) {
        // Image pixels to the logical pixels that hold them.
        const QRectF r(rect);
        const qreal dpr = devicePixelRatioF();
        update(QRectF(r.topLeft() / dpr, r.size() / dpr).toAlignedRect());
    });
}

Canvas::~Canvas() {
    image_.setChangedHandler({});
}

QColor Canvas::background() {
    return QColor(0x80, 0x80, 0x80);
}

void Canvas::clear(QSize size) {
    resize(size);
    image_.reset((QSizeF(size) * devicePixelRatioF()).toSize(), background());
}

void Canvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect r = event->rect();
    const QImage& img = image_.working();
    const qreal dpr = devicePixelRatioF();
    // Whatever the widget shows beyond the image first (at most the rest of a logical pixel
    // that the image covers in part, when sized by doSetup and doScale).
    const QRect whole(0, 0, static_cast<int>(img.width() / dpr),
                      static_cast<int>(img.height() / dpr));
    for (const QRect& part : QRegion(r) - QRegion(whole)) {
        painter.fillRect(part, background());
    }
    painter.drawImage(QRectF(r), img, QRectF(QPointF(r.topLeft()) * dpr, QSizeF(r.size()) * dpr));
}

void Canvas::mousePressEvent(QMouseEvent* event) {
    emit pointerPressed(event->buttons(), toImage(event->position()));
}

void Canvas::mouseDoubleClickEvent(QMouseEvent* event) {
    // A second click is a press like the first.
    emit pointerPressed(event->buttons(), toImage(event->position()));
}

void Canvas::mouseMoveEvent(QMouseEvent* event) {
    emit pointerMoved(event->buttons(), toImage(event->position()));
}

void Canvas::mouseReleaseEvent(QMouseEvent* event) {
    emit pointerReleased(event->buttons() | event->button(), toImage(event->position()));
}

void Canvas::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit pointerLeft();
}

}  // namespace pictavo
