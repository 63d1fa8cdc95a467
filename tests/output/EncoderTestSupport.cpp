#include "EncoderTestSupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace pictavo::test {

QImage testPicture(int width, int height, int colours, quint32 seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int i = (x / 3 + 7 * (y / 2)) % std::max(colours, 1);
            const int n = random.bounded(-6, 7);
            image.setPixel(
                x, y,
                colours ? qRgb(i * 8 % 256, i / 32 * 37, 255 - i)
                        : qRgb(std::clamp(40 + 180 * x / width + n, 0, 255),
                               std::clamp(30 + 190 * y / height - n, 0, 255),
                               std::clamp(128 + int(100 * std::sin((x + y) / 37.0)) + n, 0, 255)));
        }
    }
    return image;
}

QImage loadThrough(FreeImageLibrary& library, FREE_IMAGE_FORMAT fif, const QString& path) {
    FIBITMAP* loaded = library.Load(fif, QFile::encodeName(path).constData(), 0);
    FIBITMAP* rgba = loaded ? library.ConvertTo32Bits(loaded) : nullptr;
    QImage image;
    if (rgba) {
        const int height = int(library.GetHeight(rgba));
        image = QImage(int(library.GetWidth(rgba)), height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y) {
            std::memcpy(image.scanLine(y), library.GetScanLine(rgba, height - 1 - y),
                        size_t(image.bytesPerLine()));
        }
        library.Unload(rgba);
    }
    library.Unload(loaded);
    return image;
}

double psnr(const QImage& a, const QImage& b) {
    double squares = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                squares += d * d;
            }
        }
    }
    return 10 * std::log10(255.0 * 255.0 * 3 * a.width() * a.height() / std::max(squares, 1.0));
}

QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

}  // namespace pictavo::test
