#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>
#include <vector>

#include "preview/CanvasImage.h"
#include "preview/PointerTools.h"
#include "support/PixelChecks.h"

namespace pictavo {
namespace {

const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);

CanvasImage blankCanvas(QSize size, int penWidth = 1) {
    CanvasImage c;
    c.reset(size, kWhite);
    c.setPenWidth(penWidth);
    return c;
}

QImage line(int width, QPoint from, QPoint to) {
    CanvasImage c = blankCanvas(QSize(64, 48), width);
    c.drawLine(from.x(), from.y(), to.x(), to.y(), kRed);
    return c.working();
}

// Lines are pixel-exact: the same either way round, both ends included, as wide as the pen.
TEST(CanvasImage, LinesAreTheSameEitherWayRoundAndAsWideAsThePen) {
    // The pen width, and the first and last rows covered by the middle of a horizontal line at
    // y = 20.
    const std::tuple<int, int, int> rows[] = {{1, 20, 20}, {2, 19, 20}, {3, 19, 21}, {9, 16, 24}};
    for (const auto& [width, firstRow, lastRow] : rows) {
        SCOPED_TRACE(width);
        const QImage img = line(width, {10, 20}, {40, 20});
        for (int y = 0; y < img.height(); ++y) {
            EXPECT_EQ(img.pixel(25, y) == kRed.rgb(), y >= firstRow && y <= lastRow) << y;
        }
        // The round pen does not reach past the ends by more than half its width.
        EXPECT_EQ(img.pixel(10, 20), kRed.rgb());
        EXPECT_EQ(img.pixel(40, 20), kRed.rgb());
        EXPECT_NE(img.pixel(40 + width / 2 + 1, 20), kRed.rgb());
        // Steep, shallow with ties, and partly off the canvas.
        for (const auto& [a, b] : {std::pair{QPoint(11, 2), QPoint(17, 45)},
                                   {QPoint(2, 2), QPoint(9, 5)},
                                   {QPoint(-20, -5), QPoint(30, 60)}}) {
            EXPECT_EQ(line(width, a, b), line(width, b, a)) << a.x() << "," << a.y();
        }
    }
}

// A circle is given by two opposite points, either way round. Its outline is every pixel whose
// centre lies within half the pen width of it: inner edge included, outer edge excluded. The
// arrow is its shaft, in the round pen up to the head's base, and a filled head of 4 x width + 8
// pixels at 30 degrees each side, whose tip is the release point.
TEST(CanvasImage, CirclesAndArrowsAreTheirExactShapesAtEveryWidth) {
    for (const int width : {1, 3, 5, 9}) {
        SCOPED_TRACE(width);
        CanvasImage circle = blankCanvas(QSize(130, 100), width);
        CanvasImage reversed = blankCanvas(QSize(130, 100), width);
        DrawCircle(circle, 10, 50, 30, 30, 0x0000FF);  // centre (30, 30), radius 20
        DrawCircle(reversed, 50, 10, 30, 30, 0x0000FF);
        EXPECT_EQ(reversed.working(), circle.working());
        CanvasImage arrow = blankCanvas(QSize(130, 100), width);
        DrawArrow(arrow, 10, 50, 110, 50, arrowHeadLength(width), 0x0000FF);
        const double base = 110 - (4 * width + 8) * std::sqrt(3.0) / 2;
        int wrongCircle = 0;
        int wrongArrow = 0;
        for (int i = 0; i < 130 * 100; ++i) {
            const int x = i % 130;
            const int y = i / 130;
            const double d = std::hypot(x - 30.0, y - 30.0);
            const bool ring = d >= 20 - width / 2.0 && d < 20 + width / 2.0;
            wrongCircle += (circle.working().pixel(x, y) == kRed.rgb()) != ring;
            const double dy = std::abs(y - 50.0);
            const double shaft = std::hypot(std::max({10.0 - x, x - std::round(base), 0.0}), dy);
            const double head = (x >= base && x <= 110) ? (110 - x) / std::sqrt(3.0) - dy : -1;
            // Pixels on an edge of the exact arrow may go either way.
            const bool edge = std::abs(head) < 0.6 || std::abs(shaft - width / 2.0) < 0.6;
            const bool ink = head > 0 || (width == 1 ? shaft == 0 : shaft < width / 2.0);
            wrongArrow += !edge && (arrow.working().pixel(x, y) == kRed.rgb()) != ink;
        }
        EXPECT_EQ(wrongCircle, 0);
        EXPECT_EQ(wrongArrow, 0);
        EXPECT_EQ(arrow.working().pixel(110, 50), kRed.rgb());
        EXPECT_NE(arrow.working().pixel(111, 50), kRed.rgb());
    }
}

// Every block of a pixelated area is one colour, the rounded mean of the pixels under it, and
// nothing else changes; the blocks share the area evenly, at least 8 pixels and a twelfth of the
// shorter side each way.
TEST(CanvasImage, PixelatedAreaIsBlocksOfTheMeansUnderThem) {
    const QImage picture = test::testScreen(700, 300);
    const std::pair<QRect, QSize> rows[] = {
        {{5, 7, 101, 37}, {12, 4}}, {{30, 20, 650, 240}, {32, 12}}, {{0, 0, 9, 300}, {1, 37}}};
    for (const auto& [area, grid] : rows) {
        ASSERT_EQ(pixelateGrid(area.size()), grid);
        CanvasImage c;
        c.setPicture(picture);
        c.drawBlocks(area, pixelateBlocks(picture, area), 1.0);
        QImage want = picture.convertToFormat(QImage::Format_RGB32);
        for (int i = 0; i < grid.width() * grid.height(); ++i) {
            const QRect block = pixelateBlock(area, grid, i % grid.width(), i / grid.width());
            EXPECT_GE(block.width(), std::min(8, area.width()));
            const int n = block.width() * block.height();
            int sum[3] = {};
            for (int p = 0; p < n; ++p) {
                const QRgb v =
                    picture.pixel(block.x() + p % block.width(), block.y() + p / block.width());
                sum[0] += qRed(v), sum[1] += qGreen(v), sum[2] += qBlue(v);
            }
            const auto mean = [&](int k) { return (2 * sum[k] + n) / (2 * n); };
            QPainter(&want).fillRect(block, QColor(mean(0), mean(1), mean(2)));
        }
        EXPECT_EQ(c.working(), want) << area.width();
    }
}

TEST(PointerTools, PointerCoordinatesRoundHalfToEven) {
    const std::pair<double, qint16> rows[] = {{2.5, 2},  {3.5, 4},     {-0.5, 0},     {-1.5, -2},
                                              {7.49, 7}, {1e9, 32767}, {-1e9, -32768}};
    for (const auto& [in, out] : rows) {
        EXPECT_EQ(pointerCoordinate(in), out) << in;
    }
}

}  // namespace
}  // namespace pictavo
