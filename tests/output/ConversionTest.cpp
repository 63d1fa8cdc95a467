#include <gtest/gtest.h>

#include <cstring>

#include "EncoderTestSupport.h"
#include "output/ImageEncoder.h"

namespace pictavo::test {
namespace {

class ConversionTest : public ::testing::Test {
protected:
    FreeImageLibrary library{stagedFreeImagePath()};
    ImageEncoder encoder{library, [] { return nullptr; }};
};

// A card `width` pixels wide and 3 high, every pixel a different colour, none symmetric in R and
// B, with a stray top byte in each word (Qt leaves it undefined; it must never reach the bitmap).
QImage wideCard(int width) {
    QImage image(width, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            row[x] = quint32(0x5a000000 | (y * 80 + 7) << 16 | (x * 5 + 1) << 8 | (250 - x * 3));
        }
    }
    return image;
}

// A FreeImage scan line for `row` of `picture`: B, G, R (and an opaque alpha at 32 bits) per
// pixel, then zeros up to `pitch`.
QByteArray expectedLine(const QImage& picture, int row, size_t pitch, int bytesPerPixel) {
    QByteArray line(qsizetype(pitch), '\0');
    for (int x = 0; x < picture.width(); ++x) {
        const QRgb p = picture.pixel(x, row);
        char* px = line.data() + bytesPerPixel * x;
        px[FI_RGBA_BLUE] = char(qBlue(p));
        px[FI_RGBA_GREEN] = char(qGreen(p));
        px[FI_RGBA_RED] = char(qRed(p));
        if (bytesPerPixel == 4) {
            px[FI_RGBA_ALPHA] = char(0xff);
        }
    }
    return line;
}

// Rows bottom up, every colour in its place, the pad zero, at both depths and from every kind
// of picture a capture can be: 32-bit, one pointing into a buffer with longer lines (its own
// line length must be used, not width * 4), a 256-colour one and a 24-bit one.
TEST_F(ConversionTest, RowsHoldEveryColourBottomUpWithAZeroPad) {
    // 1: three bytes of pad at 24 bits; 16: none; 31: a block of sixteen, groups of four and
    // single pixels in one row; 67: many blocks and a tail.
    for (const int width : {1, 7, 16, 31, 67}) {
        const QImage rgb32 = wideCard(width);
        const qsizetype stride = rgb32.bytesPerLine() + 12;
        QByteArray buffer(stride * 3, char(0xee));
        for (int y = 0; y < 3; ++y) {
            std::memcpy(buffer.data() + y * stride, rgb32.constScanLine(y),
                        size_t(rgb32.bytesPerLine()));
        }
        const QImage strided(reinterpret_cast<const uchar*>(buffer.constData()), width, 3, stride,
                             QImage::Format_RGB32);
        const QImage indexed = rgb32.convertToFormat(QImage::Format_Indexed8);
        ASSERT_EQ(indexed.convertToFormat(QImage::Format_RGB32), rgb32);
        const QImage rgb888 = rgb32.convertToFormat(QImage::Format_RGB888);
        const std::pair<const char*, const QImage*> sources[] = {{"RGB32", &rgb32},
                                                                 {"longer lines", &strided},
                                                                 {"indexed", &indexed},
                                                                 {"RGB888", &rgb888}};
        for (const int bits : {24, 32}) {
            for (const auto& [name, picture] : sources) {
                SCOPED_TRACE(testing::Message() << width << " wide, " << name << ", " << bits);
                DibPtr dib;
                ASSERT_TRUE(encoder.FreeImage_Convert_BMP_to_FI(picture, dib, bits));
                ASSERT_EQ(library.GetBPP(dib.get()), unsigned(bits));
                ASSERT_EQ(library.GetWidth(dib.get()), unsigned(width));
                ASSERT_EQ(library.GetHeight(dib.get()), 3u);
                const size_t pitch = library.GetPitch(dib.get());
                EXPECT_EQ(pitch, (size_t(width) * size_t(bits / 8) + 3) / 4 * 4);
                for (int y = 0; y < 3; ++y) {
                    const auto* line =
                        reinterpret_cast<const char*>(library.GetScanLine(dib.get(), y));
                    EXPECT_EQ(QByteArray(line, qsizetype(pitch)),
                              expectedLine(rgb32, 2 - y, pitch, bits / 8))
                        << "scan line " << y;
                }
                ImageEncoder::UnloadDib(dib);
                EXPECT_EQ(dib, nullptr);
            }
        }
    }
}

TEST_F(ConversionTest, FailuresSayWhyAndHandNothingOut) {
    const QImage picture = wideCard(3);
    const QImage empty;
    const QString prefix = QStringLiteral("[FreeImage_Convert_BMP_to_FI] ");
    struct {
        const char* name;
        const QImage* picture;
        void (*breakLibrary)(FreeImageLibrary&);
        QString error;
    } const cases[] = {
        {"no picture", nullptr, nullptr, QStringLiteral("No bitmap specified to convert")},
        {"picture without pixels", &empty, nullptr,
         QStringLiteral("No bitmap specified to convert")},
        {"allocation fails", &picture,
         [](FreeImageLibrary& lib) {
             lib.Allocate = [](int, int, int, unsigned, unsigned, unsigned) -> FIBITMAP* {
                 return nullptr;
             };
         },
         QStringLiteral("FreeImage_Allocate failed to create a DIB to work with")},
        {"no bitmap info", &picture,
         [](FreeImageLibrary& lib) {
             lib.GetInfo = [](FIBITMAP*) -> BITMAPINFO* { return nullptr; };
         },
         QStringLiteral("FreeImage_GetInfo failed to get the DIB info")},
        {"no pixel buffer", &picture,
         [](FreeImageLibrary& lib) { lib.GetBits = [](FIBITMAP*) -> BYTE* { return nullptr; }; },
         QStringLiteral("FreeImage_GetBits failed to get the DIB bits")},
    };
    for (int bits : {24, 32}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << " at " << bits << " bits");
            FreeImageLibrary broken(stagedFreeImagePath());
            if (c.breakLibrary) {
                c.breakLibrary(broken);
            }
            ImageEncoder brokenEncoder(broken, [] { return nullptr; });
            brokenEncoder.OnFreeImageMessage(FIF_PNG, "left from an earlier call");
            DibPtr dib;
            EXPECT_FALSE(brokenEncoder.FreeImage_Convert_BMP_to_FI(c.picture, dib, bits));
            EXPECT_EQ(dib, nullptr);
            EXPECT_EQ(brokenEncoder.GetConvertError(), prefix + c.error);
        }
    }
    for (int bits : {0, 16, 48}) {
        SCOPED_TRACE(bits);
        DibPtr dib;
        EXPECT_FALSE(encoder.FreeImage_Convert_BMP_to_FI(&picture, dib, bits));
        EXPECT_EQ(dib, nullptr);
        EXPECT_EQ(
            encoder.GetConvertError(),
            prefix + QStringLiteral("%1 bits per pixel is not a depth to convert to").arg(bits));
    }
}

}  // namespace
}  // namespace pictavo::test
