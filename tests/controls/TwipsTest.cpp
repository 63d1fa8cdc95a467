#include <gtest/gtest.h>

#include <climits>

#include "controls/Twips.h"

namespace pictavo {
namespace {

TEST(Twips, TwipsPerPixelIsFourteenFortyOverTheLogicalDpi) {
    const struct {
        const char* name;
        double dpi;
        int expected;
    } rows[] = {{"standard", 96, 15},
                {"large", 120, 12},
                {"double_rounds_half_up", 192, 8},
                {"odd", 100, 14},
                {"huge_never_zero", 10000, 1},
                {"zero_falls_back", 0, 15},
                {"negative_falls_back", -96, 15}};
    for (const auto& r : rows) {
        EXPECT_EQ(twipsPerPixelForDpi(r.dpi), r.expected) << r.name;
    }
}

TEST(Twips, ToPixelsRoundsToTheNearestPixelHalvesAwayFromZero) {
    const struct {
        const char* name;
        int twips, twipsPerPixel, pixels;
    } rows[] = {{"whole_pixel", 225, 15, 15},      {"just_under_half", 7, 15, 0},
                {"just_over_half", 8, 15, 1},      {"exact_half", 6, 12, 1},
                {"negative_half", -6, 12, -1},     {"negative", -22, 15, -1},
                {"bad_divisor_is_one", 30, 0, 30}, {"extreme", INT_MIN, 1, INT_MIN}};
    for (const auto& r : rows) {
        EXPECT_EQ(toPixels(r.twips, r.twipsPerPixel), r.pixels) << r.name;
    }
}

TEST(Twips, PixelsToTwipsIsExactForWholePixelsAndRoundsFractions) {
    EXPECT_EQ(toTwips(400, 15), 6000);
    EXPECT_EQ(toTwips(-3, 15), -45);
    EXPECT_EQ(toTwips(2.5, 15), 38);  // 37.5
    EXPECT_EQ(toTwips(-2.5, 15), -38);
    EXPECT_EQ(toTwips(10.4, 15), 156);
    EXPECT_EQ(toTwips(INT_MAX, 15), INT_MAX) << "saturates instead of wrapping";
    EXPECT_EQ(toTwips(INT_MIN, 15), INT_MIN);
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
