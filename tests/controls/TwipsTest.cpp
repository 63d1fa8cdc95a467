#include <gtest/gtest.h>

#include <climits>

#include "controls/Twips.h"

namespace pictavo {
namespace {

// Halves go away from zero; a scale that is no number of twips falls back, and nothing wraps.
TEST(Twips, ConversionsRoundHalvesAwayFromZeroAndNeverWrap) {
    const std::pair<double, int> scales[] = {{96, 15}, {192, 8}, {10000, 1}, {0, 15}, {-96, 15}};
    for (const auto& [dpi, twips] : scales) {
        EXPECT_EQ(twipsPerPixelForDpi(dpi), twips) << dpi;
    }
    const struct {
        int twips, twipsPerPixel, pixels;
    } toPixel[] = {{7, 15, 0},    {8, 15, 1},  {6, 12, 1},           {-6, 12, -1},
                   {-22, 15, -1}, {30, 0, 30}, {INT_MIN, 1, INT_MIN}};
    for (const auto& r : toPixel) {
        EXPECT_EQ(toPixels(r.twips, r.twipsPerPixel), r.pixels)
            << r.twips << "/" << r.twipsPerPixel;
    }
    const std::pair<double, int> toTwip[] = {{-3, -45},   {2.5, 38},          {-2.5, -38},
                                             {10.4, 156}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MIN}};
    for (const auto& [pixels, twips] : toTwip) {
        EXPECT_EQ(toTwips(pixels, 15), twips) << pixels;
    }
}

TEST(Twips, RectanglesThatTouchInTwipsTouchInPixels) {
    // At 12 twips per pixel, 100 twips is 8.33 pixels: rounding each extent would open a gap.
    for (int tpp : {12, 14, 15, 20}) {
        const QRect a = toPixelRect(0, 0, 100, 50, tpp, tpp);
        const QRect b = toPixelRect(100, 50, 100, 50, tpp, tpp);
        const QRect c = toPixelRect(200, 100, 100, 50, tpp, tpp);
        EXPECT_EQ(a.x() + a.width(), b.x()) << tpp;
        EXPECT_EQ(b.x() + b.width(), c.x()) << tpp;
        EXPECT_EQ(a.y() + a.height(), b.y()) << tpp;
        EXPECT_EQ(c.x() + c.width(), toPixels(300, tpp)) << tpp;
    }
    EXPECT_EQ(toPixelRect(15, 15, 5970, 225, 15, 15), QRect(1, 1, 398, 15));
}

}  // namespace
}  // namespace pictavo
