#include "platform/X11PixelLayout.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <QSysInfo>
#include <bit>
#include <cstring>

namespace pictavo {

namespace {

constexpr bool kHostIsMsbFirst = QSysInfo::ByteOrder == QSysInfo::BigEndian;

// One colour channel of a TrueColor pixel value, widened or narrowed to 8 bits.
class Channel {
public:
    explicit Channel(quint32 mask)
        : shift_(mask ? std::countr_zero(mask) : 0),
          bits_(std::popcount(mask)),
          max_(bits_ >= 32 ? 0xffffffffu : (1u << bits_) - 1) {}

    uint to8(quint32 pixel) const {
        const quint32 v = (pixel >> shift_) & max_;
        if (bits_ == 0) {
            return 0;
        }
        if (bits_ >= 8) {
            return v >> (bits_ - 8);
        }
        // Scale so that the channel's maximum is 255, not 248 (5 bits) or 252 (6 bits).
        return (v * 255 + max_ / 2) / max_;
    }

private:
    int shift_;
    int bits_;
    quint32 max_;
};

quint32 readPixel(const uchar* p, int bytes, bool msbFirst) {
    quint32 v = 0;
    if (msbFirst) {
        for (int i = 0; i < bytes; ++i) {
            v = (v << 8) | p[i];
        }
    } else {
        for (int i = bytes - 1; i >= 0; --i) {
            v = (v << 8) | p[i];
        }
    }
    return v;
}

bool isHostRgb32(const X11PixelLayout& l) {
    return !l.colormapped && l.bitsPerPixel == 32 && l.msbFirst == kHostIsMsbFirst &&
           l.redMask == 0xff0000 && l.greenMask == 0x00ff00 && l.blueMask == 0x0000ff;
}

// Copies 32-bit pixels with their pad byte set (`from` may be `to`). This runs over every
// captured pixel, so it works 16 bytes at a time where the processor allows (SSE2 is part of
// every x86-64).
void copyOpaque(const quint32* from, quint32* to, qsizetype count) {
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xff000000u));
    for (; i + 4 <= count; i += 4) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_or_si128(pixels, alpha));
    }
#endif
    for (; i < count; ++i) {
        to[i] = from[i] | 0xff000000u;
    }
}

// The image's clean-up: lets go of the buffer's owner.
void releaseOwner(void* owner) {
    delete static_cast<std::shared_ptr<void>*>(owner);
}

}  // namespace

int X11PixelLayout::bytesPerLine(int width) const {
    const qint64 bits = qint64(width) * bitsPerPixel;
    const qint64 pad = scanlinePad > 0 ? scanlinePad : 8;
    return int((bits + pad - 1) / pad * pad / 8);
}

QImage::Format X11PixelLayout::imageFormat() const {
    return keepsPalette ? QImage::Format_Indexed8 : QImage::Format_RGB32;
}

QImage X11PixelLayout::blackImage(QSize size) const {
    QImage image(size, imageFormat());
    if (image.isNull()) {
        return image;
    }
    if (keepsPalette) {
        image.setColorTable(colormap);
        image.fill(blackPixel);
    } else {
        image.fill(qRgb(0, 0, 0));
    }
    return image;
}

QImage imageFromZPixmap(const X11PixelLayout& layout, ZPixmapBuffer buffer, QSize size) {
    const int width = size.width();
    const int height = size.height();
    if (width <= 0 || height <= 0) {
        return {};
    }
    const qsizetype stride = layout.bytesPerLine(width);
    const int bytesPerPixel = layout.bitsPerPixel / 8;
    if (layout.bitsPerPixel % 8 != 0 || bytesPerPixel < 1 || bytesPerPixel > 4 ||
        buffer.bits == nullptr || buffer.length < stride * height ||
        (layout.keepsPalette && (bytesPerPixel != 1 || layout.colormap.size() != 256))) {
        return layout.blackImage(size);
    }

    // The common case: 32-bit xRGB in the host's byte order is already Format_RGB32 but for the
    // pad byte, which X leaves undefined (usually 0, which would read as transparent).
    if (isHostRgb32(layout) && stride == qsizetype(width) * 4 &&
        reinterpret_cast<quintptr>(buffer.bits) % alignof(quint32) == 0) {
        auto* pixels = reinterpret_cast<quint32*>(buffer.bits);
        if (!buffer.owner) {
            QImage image(size, QImage::Format_RGB32);
            if (!image.isNull()) {
                copyOpaque(pixels, reinterpret_cast<quint32*>(image.bits()),
                           qsizetype(width) * height);
            }
            return image;
        }
        copyOpaque(pixels, pixels, qsizetype(width) * height);
        return QImage(buffer.bits, width, height, stride, QImage::Format_RGB32, releaseOwner,
                      new std::shared_ptr<void>(std::move(buffer.owner)));
    }

    if (layout.keepsPalette) {
        QImage image(size, QImage::Format_Indexed8);
        image.setColorTable(layout.colormap);
        for (int y = 0; y < height; ++y) {
            std::memcpy(image.scanLine(y), buffer.bits + y * stride, width);
        }
        return image;
    }

    QImage image(size, QImage::Format_RGB32);
    const Channel red(layout.redMask);
    const Channel green(layout.greenMask);
    const Channel blue(layout.blueMask);
    for (int y = 0; y < height; ++y) {
        const uchar* in = buffer.bits + y * stride;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x, in += bytesPerPixel) {
            const quint32 pixel = readPixel(in, bytesPerPixel, layout.msbFirst);
            if (layout.colormapped) {
                out[x] = pixel < quint32(layout.colormap.size())
                             ? (layout.colormap[pixel] | 0xff000000u)
                             : qRgb(0, 0, 0);
            } else {
                out[x] = qRgb(int(red.to8(pixel)), int(green.to8(pixel)), int(blue.to8(pixel)));
            }
        }
    }
    return image;
}

}  // namespace pictavo
