#include <gtest/gtest.h>

#include "capture/modCapture.h"
#include "support/PixelChecks.h"

namespace pictavo {
namespace {

// A palette of `entries` colours with alpha 0, as one read from a display may come: the
// picture must still be opaque.
QList<QRgb> paletteOf(int entries) {
    QList<QRgb> palette;
    for (int i = 0; i < entries; ++i) {
        palette.append(qRgba(255 - i, i, 9, 0));
    }
    return palette;
}

// Only a 256-colour palette with an indexed bitmap is kept; that case is a 256-colour
// display's grab, X11Depth.VirtualScreenShowsEveryColourOpaque's.
TEST(PictureFromBitmap, WithoutA256ColourPaletteTheBitmapIsOpaqueTrueColour) {
    QImage indexed(4, 2, QImage::Format_Indexed8);
    indexed.setColorCount(256);
    for (int i = 0; i < 256; ++i) {
        indexed.setColor(i, qRgb(i, 255 - i, 7));
    }
    indexed.fill(200);
    QImage translucent(2, 2, QImage::Format_ARGB32);
    translucent.fill(qRgba(10, 20, 30, 0));
    const struct {
        const char* name;
        QImage bitmap;
        QList<QRgb> palette;
        QRgb pixel11;  // the colour shown at (1, 1)
    } rows[] = {
        {"indexed with a 16-colour palette keeps its own", indexed, paletteOf(16),
         qRgb(200, 55, 7)},
        {"translucent pixels come out opaque", translucent, paletteOf(256), qRgb(10, 20, 30)},
    };
    for (const auto& row : rows) {
        const CapturePicture picture = PictureFromBitmap(row.bitmap, row.palette);
        ASSERT_EQ(picture.size(), row.bitmap.size()) << row.name;
        EXPECT_FALSE(picture.hasPalette()) << row.name;
        EXPECT_EQ(picture.image().pixel(1, 1), row.pixel11) << row.name;
        EXPECT_EQ(test::storedTranslucentPixels(picture.image()), 0) << row.name;
        EXPECT_EQ(picture.image().format(), QImage::Format_RGB32) << row.name;
    }
    EXPECT_TRUE(PictureFromBitmap(QImage(), paletteOf(256)).isNull());
}

}  // namespace
}  // namespace pictavo
