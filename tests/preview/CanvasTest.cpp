#include <gtest/gtest.h>

#include <QFont>
#include <QLine>
#include <cmath>

#include "preview/CanvasImage.h"
#include "preview/PointerTools.h"

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
    const struct {
        int width;
        int firstRow, lastRow;  // rows covered by the middle of a horizontal line at y = 20
    } rows[] = {{1, 20, 20}, {2, 19, 20}, {3, 19, 21}, {9, 16, 24}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.width);
        const QImage img = line(r.width, {10, 20}, {40, 20});
        for (int y = 0; y < img.height(); ++y) {
            EXPECT_EQ(img.pixel(25, y) == kRed.rgb(), y >= r.firstRow && y <= r.lastRow) << y;
        }
        // The round pen does not reach past the ends by more than half its width.
        EXPECT_EQ(img.pixel(10, 20), kRed.rgb());
        EXPECT_EQ(img.pixel(40, 20), kRed.rgb());
        EXPECT_NE(img.pixel(40 + r.width / 2 + 1, 20), kRed.rgb());
        // Steep, shallow with ties, and partly off the canvas.
        for (const auto& [a, b] : {std::pair{QPoint(11, 2), QPoint(17, 45)},
                                   {QPoint(2, 2), QPoint(9, 5)},
                                   {QPoint(-20, -5), QPoint(30, 60)}}) {
            EXPECT_EQ(line(r.width, a, b), line(r.width, b, a)) << a.x() << "," << a.y();
        }
    }
}

// A box is its four sides, whichever way round its corners are given.
TEST(CanvasImage, ABoxIsItsFourSides) {
    CanvasImage box = blankCanvas(QSize(70, 60), 3);
    DrawRectangle(box, 60, 20, 50, 10, 0x0000FF);
    CanvasImage sides = blankCanvas(QSize(70, 60), 3);
    for (const QLine& l : {QLine(20, 10, 60, 10), QLine(20, 10, 20, 50), QLine(60, 10, 60, 50),
                           QLine(20, 50, 60, 50)}) {
        sides.drawLine(l.x1(), l.y1(), l.x2(), l.y2(), kRed);
    }
    EXPECT_EQ(box.working(), sides.working());
}

// A circle is given by two opposite points, either way round. Its outline is every pixel whose
// centre lies within half the pen width of it: inner edge included, outer edge excluded.
TEST(CanvasImage, CircleIsTheRingWithinHalfThePenWidth) {
    for (const int width : {1, 5}) {
        SCOPED_TRACE(width);
        CanvasImage c = blankCanvas(QSize(80, 60), width);
        CanvasImage reversed = blankCanvas(QSize(80, 60), width);
        DrawCircle(c, 10, 50, 30, 30, 0x0000FF);  // centre (30, 30), radius 20
        DrawCircle(reversed, 50, 10, 30, 30, 0x0000FF);
        EXPECT_EQ(reversed.working(), c.working());
        int wrong = 0;
        for (int y = 0; y < 60; ++y) {
            for (int x = 0; x < 80; ++x) {
                const double d = std::hypot(x - 30.0, y - 30.0);
                const bool ring = d >= 20 - width / 2.0 && d < 20 + width / 2.0;
                wrong += (c.working().pixel(x, y) == kRed.rgb()) != ring;
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

}  // namespace
}  // namespace pictavo
