#include <gtest/gtest.h>

#include "capture/modCapture.h"
#include "support/PixelChecks.h"

namespace pictavo {
namespace {

// A bitmap with translucent pixels (a palette of 256 colours with alpha 0 beside it, as one read
// from a display may come) is opaque true colour that keeps every pixel's colour. Only a
// 256-colour palette with an indexed bitmap is kept: X11Depth.VirtualScreenShowsEveryColourOpaque.
TEST(PictureFromBitmap, TranslucentPixelsComeOutOpaqueInTheirOwnColour) {
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i) {
        palette.append(qRgba(255 - i, i, 9, 0));
    }
    QImage translucent(2, 2, QImage::Format_ARGB32);
    translucent.fill(qRgba(10, 20, 30, 0));
    const CapturePicture picture = PictureFromBitmap(translucent, palette);
    EXPECT_FALSE(picture.hasPalette());
    EXPECT_EQ(picture.image().format(), QImage::Format_RGB32);
    EXPECT_EQ(picture.image().pixel(1, 1), qRgb(10, 20, 30));
    EXPECT_EQ(test::storedTranslucentPixels(picture.image()), 0);
    EXPECT_TRUE(PictureFromBitmap(QImage(), palette).isNull());
}

}  // namespace
}  // namespace pictavo
