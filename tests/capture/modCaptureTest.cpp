#include <gtest/gtest.h>

#include <QPainter>

#include "capture/modCapture.h"
#include "support/FakeScreenSource.h"
#include "support/PixelChecks.h"
#include "support/TestComponent.h"

namespace pictavo {
namespace {

using test::FakeScreenSource;

constexpr WindowId kFramed = 7;
constexpr WindowId kMissing = 1234;

// What a rectangle of `screen` looks like when copied: black where it leaves the screen.
QImage cropped(const QImage& screen, const QRect& rect) {
    QImage out(rect.size(), QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter(&out).drawImage(-rect.topLeft(), screen);
    return out;
}

class ModCapture : public ::testing::Test {
protected:
    ModCapture() : screen(test::testScreen(200, 100), QRect(30, 20, 50, 40)) {
        screen.addWindow(kFramed, QRect(20, 10, 100, 60), QRect(24, 30, 92, 36));
    }
    FakeScreenSource screen;
};

TEST_F(ModCapture, WindowAreaCopiesTheChosenSurfaceOfTheScreen) {
    const QImage shown = screen.screen();
    // clang-format off
    const struct {
        const char* name;
        WindowId window;
        bool clientArea;
        QRect area;      // left, top, width, height within the surface
        QRect onScreen;  // what that is in screen coordinates
    } rows[] = {
        {"root at an offset", kRootWindow, true, QRect(5, 6, 30, 20), QRect(5, 6, 30, 20)},
        {"no such window: black", kMissing, false, QRect(0, 0, 30, 20), QRect(-50, -50, 30, 20)},
        {"client area starts below the title bar", kFramed, true, QRect(2, 3, 10, 10), QRect(26, 33, 10, 10)},
        {"whole window starts at the frame", kFramed, false, QRect(2, 3, 10, 10), QRect(22, 13, 10, 10)},
        {"area left of the surface", kFramed, true, QRect(-30, 0, 20, 5), QRect(-6, 30, 20, 5)},
    };
    // clang-format on
    for (const auto& row : rows) {
        const CapturePicture picture =
            CaptureWindowArea(screen, row.window, row.clientArea, row.area.x(), row.area.y(),
                              row.area.width(), row.area.height());
        ASSERT_EQ(picture.size(), row.area.size()) << row.name;
        EXPECT_TRUE(CaptureWindowArea(screen, row.window, row.clientArea, 0, 0, 0, 10).isNull());
        EXPECT_TRUE(CaptureWindowArea(screen, row.window, row.clientArea, 0, 0, 10, -1).isNull());
        EXPECT_EQ(picture.image(), cropped(shown, row.onScreen)) << row.name;
        EXPECT_FALSE(picture.hasPalette()) << row.name;
    }
}

QImage indexedImage() {
    QImage image(4, 2, QImage::Format_Indexed8);
    image.setColorCount(256);
    for (int i = 0; i < 256; ++i) {
        image.setColor(i, qRgb(i, 255 - i, 7));
    }
    image.fill(3);
    image.setPixel(1, 1, 200);
    return image;
}

QList<QRgb> paletteOf(int entries) {
    QList<QRgb> palette;
    for (int i = 0; i < entries; ++i) {
        // Alpha 0, as a palette read from a display may come: the picture must still be opaque.
        palette.append(qRgba(255 - i, i, 9, 0));
    }
    return palette;
}

// (A 256-colour display's grab keeps its palette: X11Depth.VirtualScreenShowsEveryColourOpaque.)
TEST(PictureFromBitmap, CarriesAPaletteOnlyWhenGivenA256ColourOneForAnIndexedBitmap) {
    QImage translucent(2, 2, QImage::Format_ARGB32);
    translucent.fill(qRgba(10, 20, 30, 0));
    QImage plain(2, 2, QImage::Format_RGB32);
    plain.fill(qRgb(10, 20, 30));
    // clang-format off
    const struct {
        const char* name;
        QImage bitmap;
        QList<QRgb> palette;
        QRgb pixel11;  // the colour shown at (1, 1)
    } rows[] = {
        {"indexed with a 256-colour palette", indexedImage(), paletteOf(256), qRgb(55, 200, 9)},
        {"indexed with a 16-colour palette", indexedImage(), paletteOf(16), qRgb(200, 55, 7)},
        {"true colour ignores a palette", plain, paletteOf(256), qRgb(10, 20, 30)},
        {"translucent pixels come out opaque", translucent, {}, qRgb(10, 20, 30)},
    };
    // clang-format on
    for (const auto& row : rows) {
        const CapturePicture picture = PictureFromBitmap(row.bitmap, row.palette);
        const bool indexed = row.palette.size() == 256 && row.bitmap.depth() == 8;
        ASSERT_EQ(picture.size(), row.bitmap.size()) << row.name;
        EXPECT_EQ(picture.hasPalette(), indexed) << row.name;
        EXPECT_EQ(picture.image().pixel(1, 1), row.pixel11) << row.name;
        EXPECT_EQ(test::storedTranslucentPixels(picture.image()), 0) << row.name;
        EXPECT_EQ(picture.image().format(),
                  indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32)
            << row.name;
    }
    EXPECT_TRUE(PictureFromBitmap(QImage(), paletteOf(256)).isNull());
}

}  // namespace
}  // namespace pictavo
