#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/X11PixelLayout.h"

namespace pictavo {
namespace {

ZPixmapBuffer bufferOf(const std::vector<uchar>& bytes) {
    ZPixmapBuffer buffer;
    buffer.block.reset(std::malloc(bytes.size() + 1));
    buffer.bits = static_cast<uchar*>(buffer.block.get());
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

struct LayoutCase {
    std::string name;
    X11PixelLayout layout;
    int width;
    int height;
    std::vector<uchar> bytes;
    std::vector<QRgb> expected;  // row by row
    QImage::Format format;
};

std::vector<LayoutCase> layoutCases() {
    const bool msb = true;
    const bool lsb = false;
    return {
        // The pad byte is 0 here, as Xvfb leaves it: it must not read as transparent.
        {"Rgb32Lsb",
         trueColour(24, 32, lsb, 0xff0000, 0xff00, 0xff),
         2,
         1,
         {0x30, 0x20, 0x10, 0x00, 0xff, 0xfe, 0xfd, 0x00},
         {qRgb(0x10, 0x20, 0x30), qRgb(0xfd, 0xfe, 0xff)},
         QImage::Format_RGB32},
        {"Rgb32Msb",
         trueColour(24, 32, msb, 0xff0000, 0xff00, 0xff),
         2,
         1,
         {0x00, 0x10, 0x20, 0x30, 0x00, 0xfd, 0xfe, 0xff},
         {qRgb(0x10, 0x20, 0x30), qRgb(0xfd, 0xfe, 0xff)},
         QImage::Format_RGB32},
        {"Bgr32Lsb",
         trueColour(24, 32, lsb, 0xff, 0xff00, 0xff0000),
         1,
         1,
         {0x10, 0x20, 0x30, 0x00},
         {qRgb(0x10, 0x20, 0x30)},
         QImage::Format_RGB32},
        // 10 bits a channel: 0x3ff is full, 0x200 is 128.
        {"Depth30Lsb",
         trueColour(30, 32, lsb, 0x3ff00000, 0xffc00, 0x3ff),
         1,
         1,
         {0x00, 0x00, 0xf0, 0x3f},  // red 0x3ff, green 0, blue 0
         {qRgb(255, 0, 0)},
         QImage::Format_RGB32},
        {"Depth30Mixed",
         trueColour(30, 32, lsb, 0x3ff00000, 0xffc00, 0x3ff),
         1,
         1,
         {0x00, 0x00, 0x08, 0x20},  // red 0x200, green 0x200, blue 0
         {qRgb(128, 128, 0)},
         QImage::Format_RGB32},
        // 5 and 6 bit channels stretch to the full 0..255 range.
        {"Rgb565Lsb",
         trueColour(16, 16, lsb, 0xf800, 0x07e0, 0x001f),
         3,
         1,
         {0xff, 0xff, 0x00, 0xf8, 0x10, 0x84, 0xee, 0xee},  // white, red, (16, 32, 16), pad
         {qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(132, 130, 132)},
         QImage::Format_RGB32},
        {"Rgb565Msb",
         trueColour(16, 16, msb, 0xf800, 0x07e0, 0x001f),
         2,
         1,
         {0xf8, 0x00, 0x07, 0xe0},
         {qRgb(255, 0, 0), qRgb(0, 255, 0)},
         QImage::Format_RGB32},
        {"Rgb555Lsb",
         trueColour(15, 16, lsb, 0x7c00, 0x03e0, 0x001f),
         1,
         1,
         {0x1f, 0x00, 0xee, 0xee},
         {qRgb(0, 0, 255)},
         QImage::Format_RGB32},
        // Three 24-bit pixels fill 9 bytes, padded to 12 for each row.
        {"Packed24RowPad",
         trueColour(24, 24, lsb, 0xff0000, 0xff00, 0xff),
         3,
         2,
         {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0xee, 0xee, 0xee,
          0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f, 0x10, 0x11, 0x12, 0xee, 0xee, 0xee},
         {qRgb(3, 2, 1), qRgb(6, 5, 4), qRgb(9, 8, 7), qRgb(0x0c, 0x0b, 0x0a),
          qRgb(0x0f, 0x0e, 0x0d), qRgb(0x12, 0x11, 0x10)},
         QImage::Format_RGB32},
        {"PseudoColourKeepsIndexes",
         colourMapped(true),
         3,
         2,
         {1, 7, 255, 0xee, 7, 1, 0, 0xee},
         {qRgb(200, 10, 20), qRgb(1, 2, 3), qRgb(255, 255, 255), qRgb(1, 2, 3), qRgb(200, 10, 20),
          qRgb(0, 0, 0)},
         QImage::Format_Indexed8},
        {"StaticColourLooksUp",
         colourMapped(false),
         2,
         1,
         {1, 7, 0xee, 0xee},
         {qRgb(200, 10, 20), qRgb(1, 2, 3)},
         QImage::Format_RGB32},
    };
}

class ZPixmapConversion : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ZPixmapConversion, GivesOpaqueColoursOfEveryPixel) {
    const LayoutCase& c = GetParam();
    const QImage image = imageFromZPixmap(c.layout, bufferOf(c.bytes), QSize(c.width, c.height));
    ASSERT_EQ(image.size(), QSize(c.width, c.height));
    EXPECT_EQ(image.format(), c.format);
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const QRgb want = c.expected[size_t(y * c.width + x)];
            EXPECT_EQ(image.pixel(x, y), want) << "at " << x << "," << y;
            EXPECT_EQ(qAlpha(image.pixel(x, y)), 255) << "at " << x << "," << y;
        }
    }
    if (c.format == QImage::Format_Indexed8) {
        EXPECT_EQ(image.colorTable(), c.layout.colormap);
        EXPECT_EQ(image.pixelIndex(1, 0), 7);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, ZPixmapConversion, ::testing::ValuesIn(layoutCases()),
                         [](const auto& info) { return info.param.name; });

TEST(ZPixmapConversion, HostOrderRgb32IsAdoptedWithoutCopy) {
    X11PixelLayout layout;  // 24-bit TrueColor, 32 bits a pixel, LSB first
    ZPixmapBuffer buffer = bufferOf(std::vector<uchar>(4 * 4 * 3, 0x40));
    const uchar* bits = buffer.bits;
    const QImage image = imageFromZPixmap(layout, std::move(buffer), QSize(4, 3));
    EXPECT_EQ(image.constBits(), bits);
    EXPECT_EQ(image.pixel(3, 2), qRgb(0x40, 0x40, 0x40));
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

TEST(X11PixelLayout, BlackImageOfPaletteDisplayUsesTheBlackPixel) {
    X11PixelLayout layout = colourMapped(true);
    layout.colormap[9] = qRgb(0, 0, 0);
    layout.colormap[0] = qRgb(255, 255, 255);
    layout.blackPixel = 9;
    const QImage image = layout.blackImage(QSize(3, 3));
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(image.colorCount(), 256);
    EXPECT_EQ(image.pixelIndex(2, 2), 9);
}

}  // namespace
}  // namespace pictavo
