#pragma once

#include <QImage>

namespace pictavo::test {

// Pixels whose stored alpha is not 255. QImage::pixel() reports an RGB32 pixel as opaque
// whatever its top byte holds, and code that reads the bits directly does not, so read the
// words themselves (for an indexed image, the colour-table entries).
inline int storedTranslucentPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            count += qAlpha(image.depth() == 32 ? row[x] : image.pixel(x, y)) != 255;
        }
    }
    return count;
}

}  // namespace pictavo::test
