#pragma once

#include <QImage>
#include <QList>
#include <QSize>

namespace pictavo {

// A captured picture: exactly the requested size, in device pixels. On a 256-colour display
// it is an indexed image whose 256-entry colour table is the display's palette; otherwise it
// is an opaque 32-bit image (QImage::Format_RGB32) and carries no palette.
class CapturePicture {
public:
    CapturePicture() = default;
    explicit CapturePicture(QImage image) : image_(std::move(image)) {}

    const QImage& image() const { return image_; }
    QImage& image() { return image_; }
    bool isNull() const { return image_.isNull(); }
    QSize size() const { return image_.size(); }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    bool hasPalette() const {
        return image_.format() == QImage::Format_Indexed8 && image_.colorCount() == 256;
    }
    // The display's palette the picture carries; empty when it carries none.
    QList<QRgb> palette() const { return hasPalette() ? image_.colorTable() : QList<QRgb>(); }

private:
    QImage image_;
};

}  // namespace pictavo
