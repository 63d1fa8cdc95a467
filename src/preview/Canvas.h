#pragma once

#include <QPointF>
#include <QWidget>

#include "preview/CanvasImage.h"

namespace pictavo {

// The preview's canvas `picPreview`: shows the working image of a CanvasImage that the form
// object owns, one image pixel per device pixel, and reports the pointer in image pixels. Pointer
// reports carry the buttons that count for the event: for a press and a move the buttons held after
// it, for a release the buttons that were held just before it (the released one included).
class Canvas : public QWidget {
    Q_OBJECT
public:
    // Shows `image`, which must outlive the canvas.
    explicit Canvas(CanvasImage& image, QWidget* parent = nullptr);
    ~Canvas() override;

    CanvasImage& image() { return image_; }
    const CanvasImage& image() const { return image_; }

    // The canvas takes `size` (logical) and is cleared to its background, committed picture
    // included.
    void clear(QSize size);
    // The image pixel under a logical position.
    QPointF toImage(QPointF position) const { return position * devicePixelRatioF(); }
    static QColor background();

signals:
    void pointerPressed(Qt::MouseButtons buttons, QPointF position);
    void pointerMoved(Qt::MouseButtons buttons, QPointF position);
    void pointerReleased(Qt::MouseButtons buttons, QPointF position);
    // The pointer has gone from the canvas to the area around it or elsewhere.
    void pointerLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    CanvasImage& image_;
};

}  // namespace pictavo
