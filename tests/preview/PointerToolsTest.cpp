#include <gtest/gtest.h>

#include <QFont>
#include <QPainter>
#include <cmath>
#include <vector>

#include "preview/AnnotatedCanvas.h"
#include "preview/CanvasImage.h"
#include "preview/PointerTools.h"
#include "support/PixelChecks.h"

namespace pictavo {
namespace {

constexpr Qt::MouseButtons kLeft = Qt::LeftButton;
constexpr Qt::MouseButtons kNone = Qt::NoButton;
const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);

// Every style that reaches beyond the letters, for the restores.
QFont styledFont() {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(14);
    f.setItalic(true);
    f.setUnderline(true);
    f.setStrikeOut(true);
    return f;
}

CanvasImage blankCanvas(QSize size, int penWidth = 1) {
    CanvasImage c;
    c.reset(size, kWhite);
    c.setPenWidth(penWidth);
    return c;
}

// The tools wired as in the preview: finished shapes are kept, and the canvas shows them.
struct Drawing {
    explicit Drawing(const QImage& capture) {
        shown.reset(capture, 1.0, {});
        state.Colour = 0x0000FF;  // red
    }
    void drag(QPoint from, const std::vector<QPoint>& via, QPoint to,
              Qt::MouseButtons buttons = kLeft) {
        tools.move(kNone, QPoint(0, 0));
        tools.move(kNone, from);
        tools.press(buttons, from);
        for (const QPoint& p : via) {
            tools.move(buttons, p);
        }
        tools.release(buttons, to);
    }
    CanvasImage canvas;
    AnnotatedCanvas shown{canvas};
    std::vector<Annotation> items;
    DrawingState state;
    // Finished shapes, which the canvas shows.
    void add(const Annotation& item) {
        shown.add(item);
        items.push_back(item);
    }
    PointerTools tools{canvas,     shown,
                       state,      [] { return QStringLiteral("Hi"); },
                       styledFont, [this](const Annotation& item) { add(item); }};
};

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

// The arrow is its shaft, in the round pen up to the head's base, and a filled head of 4 x width
// + 8 pixels at 30 degrees each side, whose tip is the release point.
TEST(CanvasImage, ArrowIsItsShaftAndAHeadGrowingWithTheWidth) {
    for (const int width : {1, 3, 9}) {
        CanvasImage c = blankCanvas(QSize(130, 100), width);
        DrawArrow(c, 10, 50, 110, 50, arrowHeadLength(width), 0x0000FF);
        const double base = 110 - (4 * width + 8) * std::sqrt(3.0) / 2;
        int wrong = 0;
        for (int i = 0; i < 130 * 100; ++i) {
            const int x = i % 130;
            const double dy = std::abs(i / 130 - 50.0);
            const double shaft = std::hypot(std::max({10.0 - x, x - std::round(base), 0.0}), dy);
            const double head = (x >= base && x <= 110) ? (110 - x) / std::sqrt(3.0) - dy : -1;
            // Pixels on an edge of the exact shape may go either way.
            const bool edge = std::abs(head) < 0.6 || std::abs(shaft - width / 2.0) < 0.6;
            const bool ink = head > 0 || (width == 1 ? shaft == 0 : shaft < width / 2.0);
            wrong += !edge && (c.working().pixel(x, i / 130) == kRed.rgb()) != ink;
        }
        EXPECT_EQ(wrong, 0) << width;
        EXPECT_EQ(c.working().pixel(110, 50), kRed.rgb()) << width;
        EXPECT_NE(c.working().pixel(111, 50), kRed.rgb()) << width;
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

// A drag with the left button alone leaves one annotation, its finished shape, and no trace of
// the rubber bands: a line and a box end at the release, a circle at its last move, and a
// freehand stroke starts at the last pointer position. Other buttons, or no tool, draw nothing.
// A later drag across the canvas leaves the picture as it was.
TEST(PointerTools, ADragCommitsOnlyTheFinishedShape) {
    const struct {
        const char* name;
        qint32 tool;
        Qt::MouseButtons buttons;
        QPoint from;
        std::vector<QPoint> via;
        QPoint to;
        std::vector<QPoint> shape;
    } rows[] = {
        // clang-format off
        {"line", DrawingState::Line, kLeft, {10, 40}, {{40, 30}, {5, 5}, {60, 20}}, {70, 12}, {{10, 40}, {70, 12}}},
        {"box", DrawingState::Rectangle, kLeft, {60, 50}, {{70, 55}, {2, 2}}, {20, 10}, {{60, 50}, {20, 10}}},
        {"circle", DrawingState::Circle, kLeft, {10, 10}, {{50, 50}, {30, 10}}, {35, 12}, {{10, 10}, {30, 10}}},
        {"freehand", DrawingState::Freehand, kLeft, {20, 20}, {{40, 20}, {40, 35}}, {40, 35}, {{20, 20}, {40, 20}, {40, 35}}},
        {"line, right button", DrawingState::Line, Qt::RightButton, {10, 10}, {{50, 40}}, {50, 40}, {}},
        {"circle, left and middle", DrawingState::Circle, kLeft | Qt::MiddleButton, {10, 10}, {{50, 40}}, {50, 40}, {}},
        {"no tool", DrawingState::None, kLeft, {10, 10}, {{50, 40}}, {50, 40}, {}},
        {"arrow", DrawingState::Arrow, kLeft, {10, 40}, {{40, 30}, {5, 5}}, {70, 12}, {{10, 40}, {70, 12}}},
        {"arrow, a click", DrawingState::Arrow, kLeft, {30, 30}, {{50, 40}}, {30, 30}, {}},
        // The area runs from corner to corner, the far one not included, and ends at the capture.
        {"pixelate", DrawingState::Pixelate, kLeft, {60, 50}, {{70, 55}, {2, 2}}, {20, 10}, {{20, 10}, {60, 50}}},
        {"pixelate, off the edge", DrawingState::Pixelate, kLeft, {50, 30}, {}, {99, 70}, {{50, 30}, {80, 60}}},
        {"pixelate, no area", DrawingState::Pixelate, kLeft, {50, 30}, {{70, 40}}, {70, 30}, {}},
        // clang-format on
    };
    const QImage blank = test::testScreen(80, 60);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Drawing d(blank);
        d.state.Tool = r.tool;
        d.state.Len = 3;
        d.drag(r.from, r.via, r.to, r.buttons);
        std::vector<Annotation> items;
        if (!r.shape.empty()) {
            items.push_back(Annotation{r.tool, d.state.Colour, 3, r.shape, {}, {}, {}});
        }
        if (r.tool == DrawingState::Pixelate && !items.empty()) {
            items[0].blocks = pixelateBlocks(blank, QRect(r.shape[0], r.shape[1] - QPoint(1, 1)));
        }
        ASSERT_EQ(d.items.size(), items.size());
        EXPECT_TRUE(items.empty() || d.items[0].points == r.shape);
        EXPECT_EQ(d.canvas.committed(), annotatedPicture(blank, items));
        EXPECT_EQ(d.canvas.working(), annotatedPicture(blank, items));

        d.state.Tool = DrawingState::Line;
        d.drag({75, 5}, {{40, 30}, {5, 55}}, {78, 2});
        items.push_back(
            Annotation{DrawingState::Line, d.state.Colour, 3, {{75, 5}, {78, 2}}, {}, {}, {}});
        EXPECT_EQ(d.canvas.committed(), annotatedPicture(blank, items));
    }
}

TEST(PointerTools, TextFloatsWithThePointerUntilClicked) {
    Drawing d(blankCanvas(QSize(80, 60)).working());
    d.state.Tool = DrawingState::Text;
    const QImage blank = d.canvas.committed();
    d.tools.move(kNone, QPoint(20, 30));
    const QImage floating = d.canvas.working();
    // Its top-left corner at the pointer: the capital's top lies just below the line box's.
    const QRect ink = test::differingArea(floating, blank);
    EXPECT_TRUE(QRect(20, 30, 4, 7).contains(ink.topLeft())) << ink.x() << "," << ink.y();
    EXPECT_EQ(d.canvas.committed(), blank) << "floating text is not part of the picture";
    d.tools.leave();  // off the canvas the floating text goes, overhangs and lines included
    EXPECT_EQ(d.canvas.working(), blank);

    // A click places it for good, drawn once: the same pixels as while floating.
    d.tools.move(kNone, QPoint(20, 30));
    d.tools.press(kLeft, QPoint(20, 30));
    d.tools.release(kLeft, QPoint(20, 30));
    d.tools.leave();
    EXPECT_EQ(d.canvas.committed(), floating);
    EXPECT_EQ(d.canvas.working(), floating);
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
