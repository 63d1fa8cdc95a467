#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "config/Twips.h"

namespace pictavo {
namespace {

struct DpiCase {
    std::string name;
    double dpi;
    int expected;
};

class TwipsPerPixelTest : public ::testing::TestWithParam<DpiCase> {};

TEST_P(TwipsPerPixelTest, IsFourteenFortyOverTheLogicalDpi) {
    EXPECT_EQ(twipsPerPixelForDpi(GetParam().dpi), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Resolutions, TwipsPerPixelTest,
    ::testing::Values(DpiCase{"Standard96", 96, 15}, DpiCase{"Large120", 120, 12},
                      DpiCase{"Double192RoundsHalfUp", 192, 8}, DpiCase{"Low72", 72, 20},
                      DpiCase{"Odd100", 100, 14}, DpiCase{"HugeNeverZero", 10000, 1},
                      DpiCase{"ZeroFallsBack", 0, 15}, DpiCase{"NegativeFallsBack", -96, 15}),
    [](const auto& info) { return info.param.name; });

struct ConversionCase {
    std::string name;
    int twips;
    int twipsPerPixel;
    int pixels;
};

class ToPixelsTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ToPixelsTest, RoundsToTheNearestPixelHalvesAwayFromZero) {
    EXPECT_EQ(toPixels(GetParam().twips, GetParam().twipsPerPixel), GetParam().pixels);
}

INSTANTIATE_TEST_SUITE_P(Values, ToPixelsTest,
                         ::testing::Values(ConversionCase{"Zero", 0, 15, 0},
                                           ConversionCase{"WholePixel", 225, 15, 15},
                                           ConversionCase{"JustUnderHalf", 7, 15, 0},
                                           ConversionCase{"JustOverHalf", 8, 15, 1},
                                           ConversionCase{"ExactHalf", 6, 12, 1},
                                           ConversionCase{"NegativeHalf", -6, 12, -1},
                                           ConversionCase{"Negative", -22, 15, -1},
                                           ConversionCase{"At120Dpi", 6000, 12, 500},
                                           ConversionCase{"BadDivisorIsOne", 30, 0, 30},
                                           ConversionCase{"Extreme", INT_MIN, 1, INT_MIN}),
                         [](const auto& info) { return info.param.name; });

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
