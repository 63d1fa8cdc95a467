#include <gtest/gtest.h>

#include <QFont>
#include <cmath>

#include "preview/CanvasImage.h"
#include "preview/PointerTools.h"

namespace pictavo {
namespace {

const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);

CanvasImage blankCanvas(QSize size = QSize(64, 48)) {
    CanvasImage c;
    c.reset(size, kWhite);
    return c;
}

// The pixels of `image` that are not white.
std::vector<QPoint> inked(const QImage& image) {
    std::vector<QPoint> out;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != kWhite.rgb()) {
                out.emplace_back(x, y);
            }
        }
    }
    return out;
}

TEST(CanvasImage, LinesDoNotDependOnTheirDirection) {
    struct Row {
        const char* name;
        int x1, y1, x2, y2, width;
    };
    const Row rows[] = {
        {"steep", 11, 2, 17, 45, 1},
        {"shallow_ties", 2, 2, 9, 5, 1},
        {"wide_even", 3, 7, 58, 19, 2},
        {"wide_odd", 11, 2, 47, 45, 3},
        {"partly_outside", -20, -5, 30, 60, 5},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        CanvasImage forward = blankCanvas();
        CanvasImage backward = blankCanvas();
        forward.setPenWidth(r.width);
        backward.setPenWidth(r.width);
        forward.drawLine(r.x1, r.y1, r.x2, r.y2, kRed);
        backward.drawLine(r.x2, r.y2, r.x1, r.y1, kRed);
        EXPECT_EQ(forward.working(), backward.working());
        EXPECT_FALSE(inked(forward.working()).empty());
    }
}

TEST(CanvasImage, LinesIncludeBothEndsAndHaveThePenWidth) {
    struct Row {
        const char* name;
        int width;
        int firstRow, lastRow;  // rows covered by the middle of a horizontal line at y = 20
    };
    const Row rows[] = {{"one", 1, 20, 20},
                        {"two", 2, 19, 20},
                        {"three", 3, 19, 21},
                        {"five", 5, 18, 22},
                        {"nine", 9, 16, 24}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        CanvasImage c = blankCanvas();
        c.setPenWidth(r.width);
        c.drawLine(10, 20, 40, 20, kRed);
        const QImage& img = c.working();
        for (int y = 0; y < img.height(); ++y) {
            const bool expected = y >= r.firstRow && y <= r.lastRow;
            EXPECT_EQ(img.pixel(25, y) == kRed.rgb(), expected) << "row " << y;
        }
        // Both end points are drawn; the round pen does not reach past them by more than
        // half its width.
        EXPECT_EQ(img.pixel(10, 20), kRed.rgb());
        EXPECT_EQ(img.pixel(40, 20), kRed.rgb());
        EXPECT_NE(img.pixel(40 + r.width / 2 + 1, 20), kRed.rgb());
    }
}

TEST(CanvasImage, CircleFromTwoOppositePoints) {
    CanvasImage c = blankCanvas();
    DrawCircle(c, 10, 30, 10, 10, 0x0000FF);
    const QImage& img = c.working();
    const std::vector<QPoint> ink = inked(img);
    ASSERT_FALSE(ink.empty());
    // Every inked pixel lies within half a pixel of radius 10 around (20, 10), and the ring
    // passes through both given points and the top and bottom of the circle.
    for (const QPoint& p : ink) {
        const double d = std::hypot(p.x() - 20.0, p.y() - 10.0);
        EXPECT_GE(d, 9.5) << p.x() << "," << p.y();
        EXPECT_LT(d, 10.5) << p.x() << "," << p.y();
        EXPECT_EQ(img.pixel(p), kRed.rgb());
    }
    for (const QPoint p : {QPoint(10, 10), QPoint(30, 10), QPoint(20, 0), QPoint(20, 20)}) {
        EXPECT_EQ(img.pixel(p), kRed.rgb()) << p.x() << "," << p.y();
    }
    // Closed: every column from 10 to 30 is inked above the centre.
    for (int x = 10; x <= 30; ++x) {
        bool above = false;
        for (int y = 0; y <= 10; ++y)
            above = above || img.pixel(x, y) == kRed.rgb();
        EXPECT_TRUE(above) << "column " << x;
    }
    // The same circle given the other way round.
    CanvasImage reversed = blankCanvas();
    DrawCircle(reversed, 30, 10, 10, 10, 0x0000FF);
    EXPECT_EQ(reversed.working(), img);
}

TEST(CanvasImage, WideCircleIsARingOfThePenWidth) {
    CanvasImage c = blankCanvas(QSize(80, 80));
    c.setPenWidth(5);
    c.drawCircle(40, 40, 20, kRed);
    const QImage& img = c.working();
    // Along a radius: 5 pixels from 18 to 22 from the centre.
    for (int d = 14; d <= 26; ++d) {
        EXPECT_EQ(img.pixel(40 + d, 40) == kRed.rgb(), d >= 18 && d <= 22) << d;
    }
    EXPECT_NE(img.pixel(40, 40), kRed.rgb());
}

// Restore takes away all the ink of a text, whatever its styles.
TEST(CanvasImage, RestoreLeavesNoTraceOfText) {
    CanvasImage c = blankCanvas();
    const QImage before = c.committed();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(14);
    font.setItalic(true);
    font.setUnderline(true);
    font.setStrikeOut(true);
    c.drawText(40, 30, QStringLiteral("Wy"), font, kRed);
    EXPECT_NE(c.working(), before);
    EXPECT_EQ(c.committed(), before) << "drawing goes into the working image only";
    c.restore();
    EXPECT_EQ(c.working(), before);
    EXPECT_TRUE(c.dirty().isEmpty());
}

TEST(CanvasImage, TextStartsAtItsTopLeftCorner) {
    CanvasImage c = blankCanvas(QSize(200, 80));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(20);
    c.drawText(50, 30, QStringLiteral("HH"), font, QColor(0, 0, 0));
    const std::vector<QPoint> ink = inked(c.working());
    ASSERT_FALSE(ink.empty());
    int left = 1000, top = 1000;
    for (const QPoint& p : ink) {
        left = std::min(left, p.x());
        top = std::min(top, p.y());
    }
    EXPECT_GE(left, 50);
    EXPECT_LE(left, 53);
    EXPECT_GE(top, 30);
    EXPECT_LE(top, 30 + 8) << "the capital's top lies just below the line box's top";
}

}  // namespace
}  // namespace pictavo
