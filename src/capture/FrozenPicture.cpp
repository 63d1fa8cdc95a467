#include "capture/FrozenPicture.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QtMath>
#include <algorithm>
#include <cmath>

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

}  // namespace

FrozenPicture::FrozenPicture(QWidget* parent) : QWidget(parent), dashes_(dashPattern()) {
    // Every pixel is painted from the picture: nothing needs clearing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setCursor(Qt::CrossCursor);
}

void FrozenPicture::setPicture(CapturePicture picture, qreal pixelsPerScreenPixel) {
    picture_ = std::move(picture);
    pixelsPerScreenPixel_ = pixelsPerScreenPixel > 0 ? pixelsPerScreenPixel : 1.0;
    update();
}

QSize FrozenPicture::screenSize() const {
    return QSize(qCeil(picture_.width() / pixelsPerScreenPixel_),
                 qCeil(picture_.height() / pixelsPerScreenPixel_));
}

qreal FrozenPicture::capturePixelsPerLogical() const {
    return devicePixelRatioF() * pixelsPerScreenPixel_;
}

QRect FrozenPicture::toLogical(const QRect& capturePixels) const {
    const qreal dpr = capturePixelsPerLogical();
    return QRectF(capturePixels.x() / dpr, capturePixels.y() / dpr, capturePixels.width() / dpr,
                  capturePixels.height() / dpr)
        .toAlignedRect();
}

QPoint FrozenPicture::toCapture(QPointF logical) const {
    const qreal dpr = capturePixelsPerLogical();
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
    const qreal dpr = capturePixelsPerLogical();
    const QRect exposed = event->rect();
    // Drawn in capture pixels: one capture pixel per screen pixel at any device-pixel ratio, or
    // the desktop's own pixels where it scales its outputs.
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

void FrozenPicture::mousePressEvent(QMouseEvent* event) {
    emit mousePressed(event->button(), toCapture(event->position()));
}

void FrozenPicture::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(toCapture(event->position()));
}

void FrozenPicture::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseReleased(event->button(), toCapture(event->position()));
}

}  // namespace pictavo
