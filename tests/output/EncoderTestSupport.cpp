#include "EncoderTestSupport.h"

#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace pictavo::test {

QImage photoLikePicture(int width, int height, quint32 seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = random.bounded(-6, 7);
            const int r = 40 + 180 * x / std::max(1, width - 1) + noise;
            const int g = 30 + 190 * y / std::max(1, height - 1) - noise;
            const int b = 128 + int(100 * std::sin((x + y) / 37.0)) + noise;
            row[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    return image;
}

QImage fewColourPicture(int width, int height, int colours) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int index = ((x / 3) + 7 * (y / 2)) % colours;
            // Each colour in its own 8-level cell, so no two are near neighbours.
            row[x] = qRgb((index * 8) % 256, ((index / 32) * 37) % 256, 255 - index);
        }
    }
    return image;
}

QImage loadThrough(FreeImageLibrary& library, FREE_IMAGE_FORMAT fif, const QString& path) {
    FIBITMAP* loaded = library.Load(fif, QFile::encodeName(path).constData(), 0);
    if (!loaded) {
        return {};
    }
    FIBITMAP* rgba = library.ConvertTo32Bits(loaded);
    library.Unload(loaded);
    if (!rgba) {
        return {};
    }
    const int width = int(library.GetWidth(rgba));
    const int height = int(library.GetHeight(rgba));
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        std::memcpy(image.scanLine(y), library.GetScanLine(rgba, height - 1 - y),
                    size_t(width) * 4);
    }
    library.Unload(rgba);
    return image;
}

double psnr(const QImage& a, const QImage& b) {
    double squares = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int dr = qRed(ra[x]) - qRed(rb[x]);
            const int dg = qGreen(ra[x]) - qGreen(rb[x]);
            const int db = qBlue(ra[x]) - qBlue(rb[x]);
            squares += dr * dr + dg * dg + db * db;
        }
    }
    if (squares == 0) {
        return std::numeric_limits<double>::infinity();
    }
    const double mse = squares / (3.0 * a.width() * a.height());
    return 10 * std::log10(255.0 * 255.0 / mse);
}

QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace pictavo::test
