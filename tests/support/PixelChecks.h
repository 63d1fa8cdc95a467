#pragma once

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include "support/TestComponent.h"

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

// The whole screen as ImageMagick reads it, in the capture's format.
inline QImage importRoot() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("root.png"));
    // No file, and so a null image, when import fails.
    QProcess::execute(QStringLiteral("import"),
                      {QStringLiteral("-window"), QStringLiteral("root"), file});
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

inline int differingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return -1;
    }
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            count += (a.pixel(x, y) | 0xff000000u) != (b.pixel(x, y) | 0xff000000u);
        }
    }
    return count;
}

// The smallest rectangle holding every pixel in which `a` and `b`, of one size, differ.
inline QRect differingArea(const QImage& a, const QImage& b) {
    QRect area;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            area |= a.pixel(x, y) != b.pixel(x, y) ? QRect(x, y, 1, 1) : QRect();
        }
    }
    return area;
}

// A window of `size` showing testScreen() with each of its pixels a square of `block` pixels.
class PatternWindow : public QWidget {
public:
    explicit PatternWindow(QSize size, Qt::WindowFlags flags = {}, int block = 1)
        : QWidget(nullptr, flags),
          pattern_(testScreen(size.width() / block, size.height() / block).scaled(size)) {
        setWindowTitle(QStringLiteral("Capture test"));
        resize(size);
    }
    const QImage& pattern() const { return pattern_; }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, pattern_); }

private:
    QImage pattern_;
};

}  // namespace pictavo::test
