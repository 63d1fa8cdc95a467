#include "capture/FrozenPicture.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <optional>

#include "capture/SelectionGeometry.h"
#include "platform/XcbReply.h"

namespace pictavo {

namespace {

// The label's distance from the pointer and its inner margin, logical pixels.
constexpr int kLabelOffset = 16;
constexpr int kLabelPadding = 4;
const QColor kLabelBack(0, 0, 0, 190);

// Four black and four white pixels along either axis: the band shows on any picture.
QImage dashPattern() {
    QImage dashes(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            dashes.setPixel(x, y, ((x + y) / 4) % 2 == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    return dashes;
}

// Where the X server has the pointer now, in device pixels of `window`; nothing off X11.
std::optional<QPoint> serverPointer(const QWidget* window) {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || window == nullptr || !window->testAttribute(Qt::WA_WState_Created)) {
        return std::nullopt;
    }
    xcb_connection_t* c = x11->connection();
    const auto reply = waitReply(c, xcb_query_pointer_reply,
                                 xcb_query_pointer(c, static_cast<xcb_window_t>(window->winId())));
    if (!reply || !reply->same_screen) {
        return std::nullopt;
    }
    return QPoint(reply->win_x, reply->win_y);
}

}  // namespace

FrozenPicture::FrozenPicture(QWidget* parent) : QWidget(parent), dashes_(dashPattern()) {
    // Every pixel is painted from the picture: nothing needs clearing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setCursor(Qt::CrossCursor);
}

void FrozenPicture::setPicture(CapturePicture picture) {
    picture_ = std::move(picture);
    update();
}

QRect FrozenPicture::toLogical(const QRect& capturePixels) const {
    const qreal dpr = devicePixelRatioF();
    return QRectF(capturePixels.x() / dpr, capturePixels.y() / dpr, capturePixels.width() / dpr,
                  capturePixels.height() / dpr)
        .toAlignedRect();
}

QPoint FrozenPicture::toCapture(QPointF logical) const {
    const qreal dpr = devicePixelRatioF();
    const QPoint at(qRound(logical.x() * dpr), qRound(logical.y() * dpr));
    return QPoint(std::clamp(at.x(), 0, picture_.width()),
                  std::clamp(at.y(), 0, picture_.height()));
}

QRegion FrozenPicture::bandRegion() const {
    QRegion region;
    if (bandVisible_) {
        for (const BandLine& line : lines_) {
            region += toLogical(line.pixels());
        }
    }
    return region + labelRect();
}

QRect FrozenPicture::labelRect() const {
    if (label_.isEmpty()) {
        return {};
    }
    const QSize text = QFontMetrics(font()).size(Qt::TextSingleLine, label_);
    const QSize box = text + QSize(2 * kLabelPadding, 2 * kLabelPadding);
    const QPoint pointer = toLogical(QRect(labelAt_, QSize(1, 1))).topLeft();
    // Below and right of the pointer, or on the other side where the screen ends.
    int x = pointer.x() + kLabelOffset;
    int y = pointer.y() + kLabelOffset;
    if (x + box.width() > width()) {
        x = pointer.x() - kLabelOffset - box.width();
    }
    if (y + box.height() > height()) {
        y = pointer.y() - kLabelOffset - box.height();
    }
    return QRect(QPoint(x, y), box);
}

void FrozenPicture::setBand(const BandLine& line1, const BandLine& line2, const BandLine& line3,
                            const BandLine& line4) {
    const QRegion before = bandRegion();
    lines_ = {line1, line2, line3, line4};
    bandVisible_ = true;
    update(before + bandRegion());
}

void FrozenPicture::hideBand() {
    update(bandRegion());
    bandVisible_ = false;
    label_.clear();
}

void FrozenPicture::setSizeLabel(const QString& text, QPoint at) {
    const QRect before = labelRect();
    label_ = text;
    labelAt_ = at;
    update(QRegion(before) + labelRect());
}

void FrozenPicture::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const qreal dpr = devicePixelRatioF();
    const QRect exposed = event->rect();
    // Drawn in device pixels: one capture pixel per screen pixel at any device-pixel ratio.
    p.save();
    p.scale(1 / dpr, 1 / dpr);
    const QRect device =
        QRectF(exposed.x() * dpr, exposed.y() * dpr, exposed.width() * dpr, exposed.height() * dpr)
            .toAlignedRect();
    const QImage& image = picture_.image();
    const QRect shown = device & image.rect();
    if (shown != device) {
        p.fillRect(device, Qt::black);
    }
    if (!shown.isEmpty()) {
        p.drawImage(shown.topLeft(), image, shown);
    }
    if (bandVisible_) {
        const QBrush dashes(dashes_);
        for (const BandLine& line : lines_) {
            const QRect edge = line.pixels() & device;
            if (!edge.isEmpty()) {
                p.fillRect(edge, dashes);
            }
        }
    }
    p.restore();

    const QRect box = labelRect();
    if (!box.isEmpty() && box.intersects(exposed)) {
        p.fillRect(box, kLabelBack);
        p.setPen(Qt::white);
        p.drawText(box, Qt::AlignCenter, label_);
    }
}

QPoint FrozenPicture::exactCapturePoint(QPointF logical) const {
    const qreal dpr = devicePixelRatioF();
    const QPoint rounded = toCapture(logical);
    if (dpr == 1.0) {
        return rounded;
    }
    // Qt hands the position over in whole logical pixels; the server knows the device pixel.
    // The picture's top-left is the window's, so window pixels are capture pixels.
    const QPoint device = pointerNearRounded(rounded, serverPointer(window()), dpr);
    return toCapture(QPointF(device) / dpr);
}

void FrozenPicture::mousePressEvent(QMouseEvent* event) {
    emit mousePressed(event->button(), exactCapturePoint(event->position()));
}

void FrozenPicture::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(toCapture(event->position()));
}

void FrozenPicture::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseReleased(event->button(), exactCapturePoint(event->position()));
}

}  // namespace pictavo
