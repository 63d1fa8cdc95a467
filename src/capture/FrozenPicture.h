#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
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

// The selection window's picture (Picture1): the frozen screen shown from its top-left corner
// at one screen pixel per capture pixel, whatever Qt's device-pixel ratio (a desktop that scales
// its outputs gives pictures of more pixels than its X screen: they are shown reduced, and
// positions map onto the picture's own pixels), with the rubber band
// (Line1 to Line4) and the selection's size next to the pointer drawn over it. The pointer is
// reported in capture pixels.
//
// A change of the band repaints only the old and the new band and size label, never the
// whole picture: at 4K a full repaint would cost far more than a pointer move may.
class FrozenPicture : public QWidget {
    Q_OBJECT
public:
    explicit FrozenPicture(QWidget* parent = nullptr);
    ~FrozenPicture() override;

    // `pixelsPerScreenPixel`: the picture's pixels per device pixel of the screen it covers.
    void setPicture(CapturePicture picture, qreal pixelsPerScreenPixel = 1.0);
    const CapturePicture& picture() const { return picture_; }
    qreal pixelsPerScreenPixel() const { return pixelsPerScreenPixel_; }
    // The picture's size on the screen, device pixels.
    QSize screenSize() const;

    // The band's four edges; shown once setBand has been called, until hideBand.
    void setBand(const BandLine& line1, const BandLine& line2, const BandLine& line3,
                 const BandLine& line4);
    void hideBand();
    bool bandVisible() const { return bandVisible_; }
    const BandLine& Line1() const { return lines_[0]; }
    const BandLine& Line2() const { return lines_[1]; }
    const BandLine& Line3() const { return lines_[2]; }
    const BandLine& Line4() const { return lines_[3]; }

    // The text next to the pointer ("640 × 480"), at `at` (capture pixels); empty for none.
    void setSizeLabel(const QString& text, QPoint at);

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
    CapturePicture picture_;
    qreal pixelsPerScreenPixel_ = 1.0;
    std::array<BandLine, 4> lines_{};
    bool bandVisible_ = false;
    QString label_;
    QPoint labelAt_;
    QImage dashes_;
};

}  // namespace pictavo
