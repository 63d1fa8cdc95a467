#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/X11PixelLayout.h"
#include "support/PixelChecks.h"

namespace pictavo {
namespace {

ZPixmapBuffer bufferOf(const std::vector<uchar>& bytes) {
    ZPixmapBuffer buffer;
    buffer.owner.reset(std::malloc(bytes.size() + 1), std::free);
    buffer.bits = static_cast<uchar*>(buffer.owner.get());
    std::memcpy(buffer.bits, bytes.data(), bytes.size());
    buffer.length = qsizetype(bytes.size());
    return buffer;
}

X11PixelLayout trueColour(int depth, int bpp, bool msbFirst, quint32 r, quint32 g, quint32 b) {
    X11PixelLayout layout;
    layout.depth = depth;
    layout.bitsPerPixel = bpp;
    layout.msbFirst = msbFirst;
    layout.redMask = r;
    layout.greenMask = g;
    layout.blueMask = b;
    return layout;
}

X11PixelLayout colourMapped(bool keepsPalette) {
    X11PixelLayout layout;
    layout.depth = 8;
    layout.bitsPerPixel = 8;
    layout.colormapped = true;
    layout.keepsPalette = keepsPalette;
    layout.colormap = QList<QRgb>(256, qRgb(0, 0, 0));
    layout.colormap[1] = qRgb(200, 10, 20);
    layout.colormap[7] = qRgb(1, 2, 3);
    layout.colormap[255] = qRgb(255, 255, 255);
    return layout;
}

// Each layout a server may hand out: the colours of every pixel, opaque, in rows that may be
// padded.
TEST(ZPixmapConversion, GivesOpaqueColoursOfEveryPixel) {
    const bool msb = true;
    const bool lsb = false;
    const QRgb white = qRgb(255, 255, 255);
    const struct {
        const char* name;
        X11PixelLayout layout;
        QSize size;
        std::vector<uchar> bytes;
        std::vector<QRgb> expected;  // row by row
    } rows[] = {
        // clang-format off
        {"32 bits, MSB first", trueColour(24, 32, msb, 0xff0000, 0xff00, 0xff), QSize(2, 1),
         {0x00, 0x10, 0x20, 0x30, 0x00, 0xfd, 0xfe, 0xff}, {qRgb(0x10, 0x20, 0x30), qRgb(0xfd, 0xfe, 0xff)}},
        // 5 and 6 bit channels stretch to the full 0..255 range: white, red, (16, 32, 16), pad.
        {"565, LSB first", trueColour(16, 16, lsb, 0xf800, 0x07e0, 0x001f), QSize(3, 1),
         {0xff, 0xff, 0x00, 0xf8, 0x10, 0x84, 0xee, 0xee}, {white, qRgb(255, 0, 0), qRgb(132, 130, 132)}},
        {"565, MSB first", trueColour(16, 16, msb, 0xf800, 0x07e0, 0x001f), QSize(2, 1),
         {0xf8, 0x00, 0x07, 0xe0}, {qRgb(255, 0, 0), qRgb(0, 255, 0)}},
        // Three 24-bit pixels fill 9 bytes, padded to 12 for each row.
        {"packed 24 bits, rows padded", trueColour(24, 24, lsb, 0xff0000, 0xff00, 0xff), QSize(3, 2),
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xee, 0xee, 0xee, 10, 11, 12, 13, 14, 15, 16, 17, 18, 0xee, 0xee, 0xee},
         {qRgb(3, 2, 1), qRgb(6, 5, 4), qRgb(9, 8, 7), qRgb(12, 11, 10), qRgb(15, 14, 13), qRgb(18, 17, 16)}},
        {"static colour looks up", colourMapped(false), QSize(2, 1), {1, 7, 0xee, 0xee},
         {qRgb(200, 10, 20), qRgb(1, 2, 3)}},
        // clang-format on
    };
    for (const auto& c : rows) {
        SCOPED_TRACE(c.name);
        const QImage image = imageFromZPixmap(c.layout, bufferOf(c.bytes), c.size);
        ASSERT_EQ(image.size(), c.size);
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        for (int y = 0; y < c.size.height(); ++y) {
            for (int x = 0; x < c.size.width(); ++x) {
                EXPECT_EQ(image.pixel(x, y), c.expected[size_t(y * c.size.width() + x)])
                    << "at " << x << "," << y;
            }
        }
        EXPECT_EQ(test::storedTranslucentPixels(image), 0);
    }
}

TEST(ZPixmapConversion, UnreadableInputGivesBlackOfTheSize) {
    X11PixelLayout mono;
    mono.depth = 1;
    mono.bitsPerPixel = 1;
    const struct {
        const char* name;
        X11PixelLayout layout;
        qsizetype bytes;
    } rows[] = {
        {"buffer one byte short", X11PixelLayout{}, 4 * 5 * 2 - 1},
        {"one bit a pixel", mono, 100},
    };
    for (const auto& row : rows) {
        ZPixmapBuffer buffer = bufferOf(std::vector<uchar>(size_t(row.bytes), 0x7f));
        const QImage image = imageFromZPixmap(row.layout, std::move(buffer), QSize(5, 2));
        ASSERT_EQ(image.size(), QSize(5, 2)) << row.name;
        EXPECT_EQ(image.pixel(4, 1), qRgb(0, 0, 0)) << row.name;
    }
}

}  // namespace
}  // namespace pictavo
