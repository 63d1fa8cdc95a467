#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QWidget>
#include <array>
#include <memory>

#include "platform/CapturePicture.h"

namespace pictavo {

// One edge of the rubber band, from p1 to p2 inclusive, in capture pixels.
struct BandLine {
    QPoint p1;
    QPoint p2;
    QRect pixels() const { return QRect(p1, p2).normalized(); }
};

// What the selection window shows, held by its form object: the frozen screen, and over it the
// rubber band (Line1 to Line4) and the selection's size next to the pointer.
struct FrozenScene {
    CapturePicture picture;
    // The picture's pixels per device pixel of the screen it covers: above 1 where a desktop
    // that scales its outputs gives pictures of more pixels than its X screen.
    qreal pixelsPerScreenPixel = 1.0;
    // Drawn once a drag has begun.
    bool bandVisible = false;
    std::array<BandLine, 4> band{};
    // The text next to the pointer ("640 × 480") at `labelAt` (capture pixels); empty for none.
    QString label;
    QPoint labelAt;

    // The picture's size on the screen, device pixels.
    QSize screenSize() const;
};

// The selection window's picture (Picture1). It draws the scene its form object holds, the
// picture from its top-left corner at one screen pixel per capture pixel whatever Qt's
// device-pixel ratio (a picture of a scaled output is shown reduced, and positions map onto its
// own pixels), and reports the pointer in capture pixels.
//
// A change of the band repaints only the old and the new band and size label, never the
// whole picture: at 4K a full repaint would cost far more than a pointer move may.
class FrozenPicture : public QWidget {
    Q_OBJECT
public:
    // `scene` belongs to the form object, which outlives its widgets.
    explicit FrozenPicture(const FrozenScene& scene, QWidget* parent = nullptr);
    ~FrozenPicture() override;

    // The scene's picture has changed: everything is repainted.
    void pictureChanged();
    // The scene's band or label has changed: what they covered and cover now is repainted.
    void bandChanged();

    // A position of the widget (logical pixels) in capture pixels.
    QPoint toCapture(QPointF logical) const;
    // The same for where a button went down (`press`) or up, exact at any scale: the device
    // pixel of the event as the X server sent it.
    QPoint exactCapturePoint(QPointF logical, bool press);

signals:
    void mousePressed(Qt::MouseButton button, QPoint at);
    void mouseMoved(QPoint at);
    void mouseReleased(Qt::MouseButton button, QPoint at);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // What the band and label cover, in logical pixels, for the repaint of a change.
    QRegion bandRegion() const;
    QRect labelRect() const;
    QRect toLogical(const QRect& capturePixels) const;
    qreal capturePixelsPerLogical() const;

    class ServerButtons;
    std::unique_ptr<ServerButtons> serverButtons_;
    const FrozenScene& scene_;
    // What the band and label covered when the scene last changed.
    QRegion drawnBand_;
    QImage dashes_;
};

}  // namespace pictavo
