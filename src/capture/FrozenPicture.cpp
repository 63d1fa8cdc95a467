#include "capture/FrozenPicture.h"

#include <QAbstractNativeEventFilter>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
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

constexpr std::uint8_t kGenericEvent = 35;
constexpr std::uint16_t kXiButtonPress = 4;
constexpr std::uint16_t kXiButtonRelease = 5;
constexpr std::size_t kKeptButtons = 16;

template <typename T>
T fieldAt(const void* event, std::size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const char*>(event) + offset, sizeof value);
    return value;
}

}  // namespace

// Qt hands pointer positions over in whole logical pixels, which at a scale of 2 or 1.5 cannot
// name every device pixel. This reads the button events as the X server sent them, in device
// pixels of the root window (XInput 2 events as Qt asks for them, or core events), and keeps
// the last few until their Qt events arrive.
class FrozenPicture::ServerButtons final : public QAbstractNativeEventFilter {
public:
    explicit ServerButtons(xcb_connection_t* c) {
        const QByteArray name("XInputExtension");
        const auto reply =
            waitReply(c, xcb_query_extension_reply,
                      xcb_query_extension(c, static_cast<std::uint16_t>(name.size()), name.data()));
        xinputOpcode_ = reply && reply->present ? reply->major_opcode : -1;
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") {
            return false;
        }
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const int kind = event->response_type & 0x7f;
        if (kind == XCB_BUTTON_PRESS || kind == XCB_BUTTON_RELEASE) {
            const auto* b = static_cast<const xcb_button_press_event_t*>(message);
            keep(kind == XCB_BUTTON_PRESS, QPoint(b->root_x, b->root_y));
        } else if (kind == kGenericEvent && fieldAt<std::uint8_t>(event, 1) == xinputOpcode_) {
            // XIDeviceEvent, with xcb's full_sequence at 32: root_x and root_y in 16.16 fixed
            // point at 36 and 40.
            const auto evtype = fieldAt<std::uint16_t>(event, 8);
            if (evtype == kXiButtonPress || evtype == kXiButtonRelease) {
                keep(evtype == kXiButtonPress, QPoint(fieldAt<std::int32_t>(event, 36) >> 16,
                                                      fieldAt<std::int32_t>(event, 40) >> 16));
            }
        }
        return false;
    }

    // The server's position of the oldest kept press (or release) and the ones before it are
    // dropped; nothing when none is kept.
    std::optional<QPoint> take(bool press) {
        while (!kept_.empty()) {
            const auto [wasPress, at] = kept_.front();
            kept_.pop_front();
            if (wasPress == press) {
                return at;
            }
        }
        return std::nullopt;
    }

private:
    void keep(bool press, QPoint at) {
        if (kept_.size() == kKeptButtons) {
            kept_.pop_front();
        }
        kept_.emplace_back(press, at);
    }

    int xinputOpcode_ = -1;
    std::deque<std::pair<bool, QPoint>> kept_;
};

QSize FrozenScene::screenSize() const {
    return QSize(qCeil(picture.width() / pixelsPerScreenPixel),
                 qCeil(picture.height() / pixelsPerScreenPixel));
}

FrozenPicture::FrozenPicture(const FrozenScene& scene, QWidget* parent)
    : QWidget(parent), scene_(scene), dashes_(dashPattern()) {
    // The offscreen platform offers the interface too, without a server behind it.
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() == QLatin1String("xcb") && x11 != nullptr &&
        x11->connection() != nullptr) {
        serverButtons_ = std::make_unique<ServerButtons>(x11->connection());
        qGuiApp->installNativeEventFilter(serverButtons_.get());
    }
    // Every pixel is painted from the picture: nothing needs clearing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setCursor(Qt::CrossCursor);
}

FrozenPicture::~FrozenPicture() {
    if (serverButtons_) {
        qGuiApp->removeNativeEventFilter(serverButtons_.get());
    }
}

void FrozenPicture::pictureChanged() {
    drawnBand_ = bandRegion();
    update();
}

void FrozenPicture::bandChanged() {
    const QRegion now = bandRegion();
    update(drawnBand_ + now);
    drawnBand_ = now;
}

qreal FrozenPicture::capturePixelsPerLogical() const {
    return devicePixelRatioF() * scene_.pixelsPerScreenPixel;
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
    return QPoint(std::clamp(at.x(), 0, scene_.picture.width()),
                  std::clamp(at.y(), 0, scene_.picture.height()));
}

QRegion FrozenPicture::bandRegion() const {
    QRegion region;
    if (scene_.bandVisible) {
        for (const BandLine& line : scene_.band) {
            region += toLogical(line.pixels());
        }
    }
    return region + labelRect();
}

QRect FrozenPicture::labelRect() const {
    if (scene_.label.isEmpty()) {
        return {};
    }
    const QSize text = QFontMetrics(font()).size(Qt::TextSingleLine, scene_.label);
    const QSize box = text + QSize(2 * kLabelPadding, 2 * kLabelPadding);
    const QPoint pointer = toLogical(QRect(scene_.labelAt, QSize(1, 1))).topLeft();
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
    const QImage& image = scene_.picture.image();
    const QRect shown = device & image.rect();
    if (shown != device) {
        p.fillRect(device, Qt::black);
    }
    if (!shown.isEmpty()) {
        p.drawImage(shown.topLeft(), image, shown);
    }
    if (scene_.bandVisible) {
        const QBrush dashes(dashes_);
        for (const BandLine& line : scene_.band) {
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
        p.drawText(box, Qt::AlignCenter, scene_.label);
    }
}

QPoint FrozenPicture::exactCapturePoint(QPointF logical, bool press) {
    if (!serverButtons_) {
        return toCapture(logical);
    }
    // The server reports root pixels of the screen; the picture may hold more of them (a portal's
    // picture of a scaled output), so the two are compared on the screen and converted after.
    const qreal dpr = devicePixelRatioF();
    const QPoint rounded(qRound(logical.x() * dpr), qRound(logical.y() * dpr));
    const QPoint device = pointerNearRounded(rounded, serverButtons_->take(press), dpr);
    return toCapture(QPointF(device) / dpr);
}

void FrozenPicture::mousePressEvent(QMouseEvent* event) {
    emit mousePressed(event->button(), exactCapturePoint(event->position(), true));
}

void FrozenPicture::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(toCapture(event->position()));
}

void FrozenPicture::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseReleased(event->button(), exactCapturePoint(event->position(), false));
}

}  // namespace pictavo
