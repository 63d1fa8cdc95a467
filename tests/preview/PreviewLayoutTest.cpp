#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "preview/AreaAverage.h"
#include "preview/PreviewLayout.h"

namespace pictavo {
namespace {

// Where the window stands on the screen, and its controls, are PreviewWindow.FixedControls...'s.
TEST(PreviewLayout, CapturePlacementInTheArea) {
    const QSize area(1372, 700);
    // The capture and where it stands.
    const std::tuple<const char*, QSize, CanvasPlacement> rows[] = {
        {"exact_fit_is_one_to_one", area, {false, area, {0, 0}}},
        {"smaller_is_centred", {600, 400}, {false, {600, 400}, {386, 150}}},
        {"one_pixel_taller_is_reduced", {1372, 701}, {true, {1370, 700}, {1, 0}}},
        {"three_by_two_reduces_by_three", {4116, 1400}, {true, {1372, 466}, {0, 117}}},
        // 3838 / 1372 is not exact in binary; the width must still come out whole.
        {"inexact_ratio_keeps_the_full_width", {3838, 700}, {true, {1372, 250}, {0, 225}}},
    };
    for (const auto& [name, capture, expected] : rows) {
        EXPECT_EQ(placeCapture(capture, area), expected) << name;
    }
    EXPECT_EQ(placeCapture({10, 10}, {0, 0}), (CanvasPlacement{true, {0, 0}, {0, 0}})) << "no room";
}

TEST(AreaAverage, MatchesTheExactAreaMean) {
    // The size of the picture and the size it is reduced to.
    const std::tuple<const char*, QSize, QSize> rows[] = {
        {"halving", {64, 48}, {32, 24}},
        {"odd_ratio", {97, 71}, {40, 33}},
        {"width_only", {80, 20}, {33, 20}},
        {"by_nine", {900, 90}, {100, 10}},
    };
    for (const auto& [name, from, to] : rows) {
        SCOPED_TRACE(name);
        // Random colours, with random bytes where RGB32 leaves the alpha undefined.
        QImage src(from, QImage::Format_RGB32);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(src.bits()),
                                      src.sizeInBytes() / 4);
        const QImage got = reduceByAreaAverage(src, to);
        // Qt's smooth scaling averages areas as well, in its own fixed point.
        const QImage want = src.scaled(to, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        ASSERT_EQ(got.size(), to);
        int worst = 0;
        for (int y = 0; y < to.height(); ++y) {
            for (int x = 0; x < to.width(); ++x) {
                const QRgb a = got.pixel(x, y);
                const QRgb b = want.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)),
                                  std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
                ASSERT_EQ(qAlpha(a), 255);
            }
        }
        EXPECT_LE(worst, 1);
    }
}

}  // namespace
}  // namespace pictavo
