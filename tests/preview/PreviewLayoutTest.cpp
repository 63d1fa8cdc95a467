#include <gtest/gtest.h>

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

}  // namespace
}  // namespace pictavo
