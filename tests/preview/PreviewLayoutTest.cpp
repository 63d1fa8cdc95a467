#include <gtest/gtest.h>

#include "preview/AreaAverage.h"
#include "preview/PreviewLayout.h"

namespace pictavo {
namespace {

TEST(PreviewLayout, WindowCoversEightyFivePercentAboveThePanel) {
    struct Row {
        const char* name;
        int widthPx, heightPx, tpp, taskbar;
        TwipsRect expected;
    };
    const Row rows[] = {
        // 1920x1080 at 96 dpi: 1632x918 pixels at (144, 81).
        {"full_hd_no_panel", 1920, 1080, 15, 0, {2160, 1215, 24480, 13770}},
        // A 40-pixel panel: 1040 usable rows, 884 of them for the window, 78 above it.
        {"full_hd_with_panel", 1920, 1080, 15, 40, {2160, 1170, 24480, 13260}},
        // 120 dpi: 12 twips per pixel, the same share of the screen.
        {"hidpi_twelve_twips", 1600, 900, 12, 0, {1440, 810, 16320, 9180}},
        // A panel covering the whole height leaves the window no height at all.
        {"panel_fills_screen", 1024, 768, 15, 768, {1152, 0, 13056, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(previewWindowRect(r.widthPx * r.tpp, r.heightPx * r.tpp, r.tpp, r.taskbar),
                  r.expected);
    }
}

TEST(PreviewLayout, ButtonsStandCentredAtTheBottom) {
    const PreviewControlsLayout c =
        previewControlsLayout(24480, 13770, QSize(1800, 240), QSize(2400, 375), QSize(2400, 375));
    // Cancel's bottom 100 above the window's bottom edge; send 40 above cancel.
    EXPECT_EQ(c.cancel.bottom(), 13770 - 100);
    EXPECT_EQ(c.send.bottom(), c.cancel.top - 40);
    EXPECT_EQ(c.cancel.left, 24480 / 2 - 1200);
    EXPECT_EQ(c.send.left, c.cancel.left);
    // The warning shares the logo's right and bottom edges.
    EXPECT_EQ(c.bigOverlay.right(), c.logo.right());
    EXPECT_EQ(c.bigOverlay.bottom(), c.logo.bottom());

    const TwipsRect area = previewAreaRect(24480, 13770, c);
    EXPECT_EQ(area, (TwipsRect{130, kLogoTop + kLogoHeight + 65, 24480 - 260,
                               13770 - (375 + 375 + kLogoTop + kLogoHeight + 260)}));
    // The area ends above the accept button and inside the window.
    EXPECT_LT(area.bottom(), c.send.top);
    EXPECT_EQ(paletteTopLeft(24480, 7620), QPoint(24480 - 7720, 330));
}

TEST(PreviewLayout, CapturePlacementInTheArea) {
    struct Row {
        const char* name;
        QSize capture;
        QSize area;
        CanvasPlacement expected;
    };
    const QSize area(1372, 700);
    const Row rows[] = {
        {"exact_fit_is_one_to_one", area, area, {false, area, {0, 0}}},
        {"smaller_is_centred", {600, 400}, area, {false, {600, 400}, {386, 150}}},
        {"one_pixel_wider_is_reduced", {1373, 700}, area, {true, {1372, 699}, {0, 0}}},
        {"one_pixel_taller_is_reduced", {1372, 701}, area, {true, {1370, 700}, {1, 0}}},
        {"twice_as_wide_halves_both", {2744, 700}, area, {true, {1372, 350}, {0, 175}}},
        {"three_by_two_reduces_by_three", {4116, 1400}, area, {true, {1372, 466}, {0, 117}}},
        {"two_by_three_reduces_by_three", {2744, 2100}, area, {true, {914, 700}, {229, 0}}},
        // 3838 / 1372 is not exact in binary; the width must still come out whole.
        {"inexact_ratio_keeps_the_full_width", {3838, 700}, area, {true, {1372, 250}, {0, 225}}},
        {"no_room", {10, 10}, {0, 0}, {true, {0, 0}, {0, 0}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(placeCapture(r.capture, r.area), r.expected);
    }
}

// The mean of the source area each target pixel covers, in floating point.
QImage referenceAverage(const QImage& src, QSize size) {
    QImage out(size, QImage::Format_RGB32);
    const double sx = double(src.width()) / size.width();
    const double sy = double(src.height()) / size.height();
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            double acc[3] = {0, 0, 0};
            for (int j = int(y * sy); j < src.height() && j < (y + 1) * sy; ++j) {
                const double wy = std::min(j + 1.0, (y + 1) * sy) - std::max(double(j), y * sy);
                for (int i = int(x * sx); i < src.width() && i < (x + 1) * sx; ++i) {
                    const double wx = std::min(i + 1.0, (x + 1) * sx) - std::max(double(i), x * sx);
                    const QRgb p = src.pixel(i, j);
                    acc[0] += wx * wy * qRed(p);
                    acc[1] += wx * wy * qGreen(p);
                    acc[2] += wx * wy * qBlue(p);
                }
            }
            const double n = sx * sy;
            out.setPixel(x, y,
                         qRgb(int(acc[0] / n + 0.5), int(acc[1] / n + 0.5), int(acc[2] / n + 0.5)));
        }
    }
    return out;
}

QImage noiseImage(QSize size, unsigned seed) {
    QImage img(size, QImage::Format_RGB32);
    unsigned s = seed;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            s = s * 1664525u + 1013904223u;
            img.setPixel(x, y, 0xff000000u | (s >> 8));
        }
    }
    return img;
}

TEST(AreaAverage, MatchesTheExactAreaMean) {
    struct Row {
        const char* name;
        QSize from;
        QSize to;
    };
    const Row rows[] = {
        {"halving", {64, 48}, {32, 24}},      {"by_three", {90, 60}, {30, 20}},
        {"three_to_two", {63, 45}, {42, 30}}, {"odd_ratio", {97, 71}, {40, 33}},
        {"width_only", {80, 20}, {33, 20}},   {"by_nine", {900, 90}, {100, 10}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const QImage src = noiseImage(r.from, 7);
        const QImage got = reduceByAreaAverage(src, r.to);
        const QImage want = referenceAverage(src, r.to);
        ASSERT_EQ(got.size(), r.to);
        int worst = 0;
        for (int y = 0; y < r.to.height(); ++y) {
            for (int x = 0; x < r.to.width(); ++x) {
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

TEST(AreaAverage, FlatColoursAndIndexedCapturesStayExact) {
    QImage flat(333, 211, QImage::Format_RGB32);
    flat.fill(qRgb(12, 200, 255));
    const QImage f = reduceByAreaAverage(flat, QSize(100, 77));
    EXPECT_EQ(f.pixel(0, 0), qRgb(12, 200, 255));
    EXPECT_EQ(f.pixel(99, 76), qRgb(12, 200, 255));

    QImage indexed(40, 40, QImage::Format_Indexed8);
    indexed.setColorCount(256);
    for (int i = 0; i < 256; ++i) {
        indexed.setColor(i, qRgb(i, 255 - i, 0));
    }
    indexed.fill(10);
    EXPECT_EQ(reduceByAreaAverage(indexed, QSize(10, 10)).pixel(5, 5), qRgb(10, 245, 0));
}

}  // namespace
}  // namespace pictavo
