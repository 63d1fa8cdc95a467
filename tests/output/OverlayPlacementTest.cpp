#include <gtest/gtest.h>

#include "output/OverlayPlacement.h"

namespace pictavo::test {
namespace {

TEST(OverlayPlacementTest, NinePositionsAndTheirRounding) {
    const OverlayCorner previous{123, 456};
    // A 100 x 100 pixel capture and a 40 x 20 pixel box at 15 twips per pixel, unless a row
    // says otherwise.
    struct {
        const char* name;
        QString position;
        qint64 sw, sh, bw, bh;
        OverlayCorner expected;
    } const cases[] = {
        {"1 top left", "1", 1500, 1500, 600, 300, {0, 0}},
        {"3 top right", "3", 1500, 1500, 600, 300, {900, 0}},
        {"5 centre", "5", 1500, 1500, 600, 300, {450, 600}},
        {"7 bottom left", "7", 1500, 1500, 600, 300, {0, 1140}},
        {"9 bottom right", "9", 1500, 1500, 600, 300, {900, 1140}},
        {"only the first character counts", "12", 1500, 1500, 600, 300, {0, 0}},
        {"centre half rounds down to even", "5", 1515, 1515, 750, 750, {382, 382}},
        {"centre half rounds up to even", "5", 1545, 1545, 750, 750, {398, 398}},
        {"negative half to even", "2", 0, 0, 765, 0, {-382, 0}},
        {"box wider than capture", "3", 1500, 1500, 1800, 300, {-300, 0}},
        {"bottom row fraction rounds", "8", 100, 100, 0, 7, {50, 92}},  // 100 - 8.4
        {"bottom row above zero", "7", 0, 100, 0, 100, {0, -20}},
        {"right column past 16 bits (3840 px)", "9", 57600, 32400, 1500, 300, {56100, 32040}},
        {"saturates at 32 bits", "3", qint64(1) << 40, 0, 0, 0, {2147483647, 0}},
        {"empty position keeps the corner", "", 1500, 1500, 600, 300, previous},
        {"letter keeps the corner", "x", 1500, 1500, 600, 300, previous},
        {"0 keeps the corner", "0", 1500, 1500, 600, 300, previous},
        {"space before digit keeps the corner", " 1", 1500, 1500, 600, 300, previous},
    };
    for (const auto& c : cases) {
        const OverlayCorner got = placeOverlay(c.position, c.sw, c.sh, c.bw, c.bh, previous);
        EXPECT_EQ(got.left, c.expected.left) << c.name;
        EXPECT_EQ(got.top, c.expected.top) << c.name;
    }
}

TEST(OverlayPlacementTest, MarginsByColumn) {
    struct {
        QString position;
        QString expected;
    } const cases[] = {
        {"1", "  ab"}, {"4", "  ab"}, {"7", "  ab"}, {"12", "  ab"}, {"3", "ab  "},
        {"6", "ab  "}, {"9", "ab  "}, {"2", "ab"},   {"5", "ab"},    {"8", "ab"},
        {"", "ab"},    {"x", "ab"},   {"0", "ab"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(padOverlayText("ab", c.position), c.expected)
            << "position " << c.position.toStdString();
    }
}

}  // namespace
}  // namespace pictavo::test
