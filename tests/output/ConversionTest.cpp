#include <gtest/gtest.h>

#include <cstring>

#include "EncoderTestSupport.h"
#include "output/ImageEncoder.h"

namespace pictavo::test {
namespace {

// A test card: a distinct colour in each place, none symmetric in R and B, so a swapped
// channel order or a flipped row shows. The top byte is clear, as X leaves it in a capture.
constexpr quint32 kCard[2][3] = {{0x102030, 0xff0000, 0x00ff00}, {0x0000ff, 0xfedcba, 0x01fe80}};

QImage card(QImage::Format format) {
    QImage image(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y) {
        std::memcpy(image.scanLine(y), kCard[y], sizeof kCard[y]);
    }
    if (format == QImage::Format_Indexed8) {
        // A full 256-entry table, as on an 8-bit display, with the card's colours in it.
        QImage indexed(3, 2, format);
        QList<QRgb> table(256, qRgb(1, 2, 3));
        for (int i = 0; i < 6; ++i) {
            table[40 * i + 3] = 0xff000000 | kCard[i / 3][i % 3];
        }
        indexed.setColorTable(table);
        for (int i = 0; i < 6; ++i) {
            indexed.setPixel(i % 3, i / 3, uint(40 * i + 3));
        }
        return indexed;
    }
    return format == QImage::Format_RGB32 ? image : image.convertToFormat(format);
}

class ConversionTest : public ::testing::Test {
protected:
    FreeImageLibrary library{stagedFreeImagePath()};
    ImageEncoder encoder{library, [] { return nullptr; }};
};

TEST_F(ConversionTest, TestCardKeepsEveryColourInItsPlaceAndOpaque) {
    for (QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_Indexed8, QImage::Format_RGB888}) {
        SCOPED_TRACE(format);
        const QImage picture = card(format);
        DibPtr dib;
        ASSERT_TRUE(encoder.FreeImage_Convert_BMP_to_FI(&picture, dib));
        ASSERT_EQ(library.GetBPP(dib.get()), 32u);
        ASSERT_EQ(library.GetWidth(dib.get()), 3u);
        ASSERT_EQ(library.GetHeight(dib.get()), 2u);
        for (int y = 0; y < 2; ++y) {
            // FreeImage's first scan line is the bottom of the picture.
            const BYTE* line = library.GetScanLine(dib.get(), 1 - y);
            for (int x = 0; x < 3; ++x) {
                const QRgb want = kCard[y][x];
                const BYTE* px = line + 4 * x;
                EXPECT_EQ(QList<int>({px[FI_RGBA_RED], px[FI_RGBA_GREEN], px[FI_RGBA_BLUE],
                                      px[FI_RGBA_ALPHA]}),
                          QList<int>({qRed(want), qGreen(want), qBlue(want), 0xff}))
                    << "pixel " << x << "," << y;
            }
        }
        ImageEncoder::UnloadDib(dib);
        EXPECT_EQ(dib, nullptr);
    }
}

// A card `width` pixels wide and 3 high, every pixel a different colour, with a stray top byte
// in each word (Qt leaves it undefined; it must never reach the bitmap).
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

// The B, G, R bytes of a FreeImage scan line for `row` of `picture`, then zeros up to `pitch`.
QByteArray expectedLine(const QImage& picture, int row, size_t pitch) {
    QByteArray line(qsizetype(pitch), '\0');
    for (int x = 0; x < picture.width(); ++x) {
        const QRgb p = picture.pixel(x, row);
        line[3 * x + FI_RGBA_BLUE] = char(qBlue(p));
        line[3 * x + FI_RGBA_GREEN] = char(qGreen(p));
        line[3 * x + FI_RGBA_RED] = char(qRed(p));
    }
    return line;
}

TEST_F(ConversionTest, TwentyFourBitRowsHoldBgrBottomUpWithAZeroPad) {
    struct {
        const char* name;
        int width;
    } const widths[] = {
        {"one pixel, one byte of pad", 1},
        {"one byte of pad", 5},
        {"three bytes of pad", 7},
        {"no pad", 16},
        // 16 + 3 * 4 + 3: a block of sixteen, groups of four and single pixels in one row.
        {"every stretch of the row loop", 31},
        {"many blocks and a tail", 67},
    };
    for (const auto& w : widths) {
        const QImage rgb32 = wideCard(w.width);
        // The same pixels as a capture that points into a buffer with longer lines: the
        // source's own line length must be used, not width * 4.
        const qsizetype stride = rgb32.bytesPerLine() + 12;
        QByteArray buffer(stride * 3, char(0xee));
        for (int y = 0; y < 3; ++y) {
            std::memcpy(buffer.data() + y * stride, rgb32.constScanLine(y),
                        size_t(rgb32.bytesPerLine()));
        }
        const QImage strided(reinterpret_cast<const uchar*>(buffer.constData()), w.width, 3, stride,
                             QImage::Format_RGB32);
        const QImage indexed = rgb32.convertToFormat(QImage::Format_Indexed8);
        ASSERT_EQ(indexed.convertToFormat(QImage::Format_RGB32), rgb32);
        struct {
            const char* name;
            const QImage* picture;
        } const sources[] = {{"RGB32", &rgb32}, {"longer lines", &strided}, {"indexed", &indexed}};
        for (const auto& source : sources) {
            SCOPED_TRACE(testing::Message() << w.name << ", " << source.name);
            DibPtr dib;
            ASSERT_TRUE(encoder.FreeImage_Convert_BMP_to_FI(source.picture, dib, 24));
            ASSERT_EQ(library.GetBPP(dib.get()), 24u);
            ASSERT_EQ(library.GetWidth(dib.get()), unsigned(w.width));
            ASSERT_EQ(library.GetHeight(dib.get()), 3u);
            const size_t pitch = library.GetPitch(dib.get());
            EXPECT_EQ(pitch, (size_t(w.width) * 3 + 3) / 4 * 4);
            for (int y = 0; y < 3; ++y) {
                const auto* line = reinterpret_cast<const char*>(library.GetScanLine(dib.get(), y));
                EXPECT_EQ(QByteArray(line, qsizetype(pitch)), expectedLine(rgb32, 2 - y, pitch))
                    << "scan line " << y;
            }
        }
    }
}

TEST_F(ConversionTest, FailuresSayWhyAndHandNothingOut) {
    const QImage picture = card(QImage::Format_RGB32);
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
    for (int bits : {0, 8, 16, 48}) {
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
