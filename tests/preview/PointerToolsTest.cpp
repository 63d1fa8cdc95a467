#include <gtest/gtest.h>

#include <QFont>
#include <cstring>
#include <string>

#include "preview/AnnotatedCanvas.h"
#include "preview/AnnotationList.h"
#include "preview/CanvasImage.h"
#include "preview/PointerTools.h"

namespace pictavo {
namespace {

constexpr Qt::MouseButtons kLeft = Qt::LeftButton;
constexpr Qt::MouseButtons kNone = Qt::NoButton;
const QColor kWhite(255, 255, 255);

// The tools wired as in the preview: finished shapes go to the annotation list, which the
// canvas follows.
struct Drawing {
    explicit Drawing(const QImage& capture = blank(QSize(80, 60))) {
        shown.reset(capture, 1.0, {});
        state.Colour = 0x0000FF;  // red
        list.setChangedHandler([this](AnnotationList::Change change, const Annotation&) {
            if (change == AnnotationList::Change::Added) {
                shown.add(list.items().back());
            } else {
                shown.removeLast(list.items());
            }
        });
    }
    static QImage blank(QSize size) {
        QImage img(size, QImage::Format_RGB32);
        img.fill(kWhite);
        return img;
    }
    void drag(QPoint from, std::initializer_list<QPoint> via, QPoint to) {
        tools.move(kNone, from);
        tools.press(kLeft, from);
        for (const QPoint& p : via) {
            tools.move(kLeft, p);
        }
        tools.move(kLeft, to);
        tools.release(kLeft, to);
    }
    QImage lineImage(QPoint a, QPoint b) {
        CanvasImage c;
        c.reset(canvas.size(), kWhite);
        c.setPenWidth(state.Len);
        c.drawLine(a.x(), a.y(), b.x(), b.y(), colourFromValue(state.Colour));
        return c.working();
    }

    CanvasImage canvas;
    AnnotatedCanvas shown{canvas};
    AnnotationList list;
    DrawingState state;
    QString text = QStringLiteral("Hi");
    PointerTools tools{canvas,
                       shown,
                       state,
                       [this] { return text; },
                       [] {
                           QFont f(QStringLiteral("DejaVu Sans"));
                           f.setPixelSize(14);
                           return f;
                       },
                       [this](Annotation item) { list.add(std::move(item)); }};
};

// Only the final shape is left, with no trace of the rubber bands, and a release away from the
// last move draws it to the release point.
TEST(PointerTools, LinesAndRectanglesCommitOnlyTheFinalShape) {
    for (const qint32 tool : {qint32{DrawingState::Line}, qint32{DrawingState::Rectangle}}) {
        SCOPED_TRACE(tool);
        Drawing d;
        d.state.Tool = tool;
        d.state.Len = 4;
        d.drag({10, 10}, {{40, 30}, {5, 5}}, {30, 40});
        d.tools.press(kLeft, QPoint(70, 12));
        d.tools.move(kLeft, QPoint(12, 3));
        d.tools.release(kLeft, QPoint(60, 55));
        Drawing straight;
        straight.state.Tool = tool;
        straight.state.Len = 4;
        for (const auto& [from, to] : {std::pair{QPoint(10, 10), QPoint(30, 40)},
                                       std::pair{QPoint(70, 12), QPoint(60, 55)}}) {
            straight.tools.press(kLeft, from);
            straight.tools.release(kLeft, to);
        }
        EXPECT_EQ(d.canvas.committed(), straight.canvas.committed());
    }
    Drawing line;
    line.state.Tool = DrawingState::Line;
    line.drag({10, 40}, {{40, 30}, {5, 5}}, {70, 12});
    EXPECT_EQ(line.canvas.committed(), line.lineImage({10, 40}, {70, 12}));

    // A box dragged up and to the left: its four sides, nothing inside or outside.
    Drawing box;
    box.state.Tool = DrawingState::Rectangle;
    box.drag({60, 50}, {{70, 55}, {2, 2}}, {20, 10});
    const QImage& img = box.canvas.committed();
    for (QPoint p : {QPoint(20, 10), QPoint(60, 50), QPoint(40, 10), QPoint(40, 50), QPoint(20, 30),
                     QPoint(60, 30)}) {
        EXPECT_EQ(img.pixel(p), qRgb(255, 0, 0)) << p.x() << "," << p.y();
    }
    for (QPoint p : {QPoint(40, 30), QPoint(2, 2), QPoint(70, 55)}) {
        EXPECT_EQ(img.pixel(p), kWhite.rgb()) << p.x() << "," << p.y();
    }
}

TEST(PointerTools, CircleCommitsItsLastRubberBand) {
    Drawing d;
    d.state.Tool = DrawingState::Circle;
    d.tools.press(kLeft, QPoint(10, 10));
    d.tools.move(kLeft, QPoint(50, 50));
    d.tools.move(kLeft, QPoint(30, 10));
    // The release point does not move the circle: the last move drew it.
    d.tools.release(kLeft, QPoint(35, 12));
    CanvasImage expected;
    expected.reset(d.canvas.size(), kWhite);
    DrawCircle(expected, 10, 30, 10, 10, d.state.Colour);
    EXPECT_EQ(d.canvas.committed(), expected.working());
}

TEST(PointerTools, FreehandSurvivesLaterRestores) {
    Drawing d;
    d.state.Tool = DrawingState::Freehand;
    d.tools.move(kNone, QPoint(5, 5));
    d.tools.press(kLeft, QPoint(5, 5));
    for (int i = 1; i <= 10; ++i) {
        d.tools.move(kLeft, QPoint(5 + 6 * i, 5 + 4 * i));
    }
    d.tools.release(kLeft, QPoint(65, 45));
    const QImage stroke = d.canvas.working();
    EXPECT_EQ(d.canvas.committed(), stroke);

    // Switching to the line tool and dragging restores on every move; the stroke stays.
    d.state.Tool = DrawingState::Line;
    d.drag({70, 5}, {{40, 40}, {10, 50}}, {75, 8});
    const QImage& after = d.canvas.committed();
    for (int i = 0; i <= 10; ++i) {
        const QPoint p(5 + 6 * i, 5 + 4 * i);
        EXPECT_EQ(after.pixel(p), stroke.pixel(p)) << p.x() << "," << p.y();
    }
    d.canvas.restore();
    EXPECT_EQ(d.canvas.working().pixel(35, 25), qRgb(255, 0, 0));
}

TEST(PointerTools, FreehandStartsAtTheLastPointerPosition) {
    Drawing d;
    d.state.Tool = DrawingState::Freehand;
    d.tools.move(kNone, QPoint(10, 10));
    d.tools.move(kNone, QPoint(20, 20));
    d.tools.press(kLeft, QPoint(20, 20));
    d.tools.move(kLeft, QPoint(40, 20));
    EXPECT_EQ(d.canvas.committed(), d.lineImage({20, 20}, {40, 20}));
}

TEST(PointerTools, OnlyTheLeftButtonAloneDraws) {
    struct Row {
        const char* name;
        qint32 tool;
        Qt::MouseButtons buttons;
    };
    const Row rows[] = {
        {"line_right", DrawingState::Line, Qt::RightButton},
        {"line_left_and_right", DrawingState::Line, Qt::LeftButton | Qt::RightButton},
        {"freehand_middle", DrawingState::Freehand, Qt::MiddleButton},
        {"circle_left_and_middle", DrawingState::Circle, Qt::LeftButton | Qt::MiddleButton},
        {"no_tool_left", DrawingState::None, Qt::LeftButton},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Drawing d;
        d.state.Tool = r.tool;
        const QImage blank = d.canvas.working();
        d.tools.move(Qt::NoButton, QPoint(10, 10));
        d.tools.press(r.buttons, QPoint(10, 10));
        d.tools.move(r.buttons, QPoint(50, 40));
        d.tools.release(r.buttons, QPoint(50, 40));
        EXPECT_EQ(d.canvas.working(), blank);
        EXPECT_EQ(d.canvas.committed(), blank);
    }
}

TEST(PointerTools, TextFloatsWithThePointerUntilClicked) {
    Drawing d;
    d.state.Tool = DrawingState::Text;
    const QImage blank = d.canvas.committed();
    d.tools.move(kNone, QPoint(10, 10));
    d.tools.move(kNone, QPoint(20, 30));
    const QImage floating = d.canvas.working();
    EXPECT_NE(floating, blank);
    EXPECT_EQ(d.canvas.committed(), blank) << "floating text is not part of the picture";

    // Off the canvas the floating text goes.
    d.tools.leave();
    EXPECT_EQ(d.canvas.working(), blank);

    // A click places it for good, drawn once: the same pixels as while floating.
    d.tools.move(kNone, QPoint(20, 30));
    d.tools.press(kLeft, QPoint(20, 30));
    d.tools.release(kLeft, QPoint(20, 30));
    EXPECT_EQ(d.canvas.committed(), floating);
    d.tools.leave();
    EXPECT_EQ(d.canvas.working(), floating);
}

// Undo takes the newest annotation away and redo brings it back: the picture is always the
// capture with the items that remain, pixel for pixel as if drawn without undo. Items are drawn
// by letter: L a line, C a circle across it, T a text across both; u is an undo, r a redo.
TEST(PointerTools, UndoAndRedoLeaveThePictureOfTheRemainingItems) {
    QImage capture(120, 90, QImage::Format_RGB32);
    for (int y = 0; y < capture.height(); ++y) {
        for (int x = 0; x < capture.width(); ++x) {
            capture.setPixel(x, y, qRgb(x * 7 & 0xff, y * 5 & 0xff, (x ^ y) & 0xff));
        }
    }
    const auto draw = [](Drawing& d, const char* items) {
        d.state.Len = 3;
        for (const char* i = items; *i != '\0'; ++i) {
            if (*i == 'L') {
                d.state.Tool = DrawingState::Line;
                d.drag({10, 80}, {{50, 50}}, {110, 5});
            } else if (*i == 'C') {
                d.state.Tool = DrawingState::Circle;
                d.drag({52, 44}, {}, {60, 44});
            } else {
                d.state.Tool = DrawingState::Text;
                d.tools.move(kNone, QPoint(50, 40));
                d.tools.press(kLeft, QPoint(50, 40));
            }
        }
    };
    const struct {
        const char* items;
        const char* steps;
        const char* remaining;
    } rows[] = {
        {"LCT", "uur", "LC"},
        {"LCT", "uuu", ""},
        // Redrawn for the circle's region only: the text is not blended twice outside it, nor
        // painted over the line.
        {"TLC", "u", "TL"},
        {"TLC", "uurru", "TL"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.items) + " " + r.steps);
        Drawing d(capture);
        Drawing plain(capture);
        draw(d, r.items);
        draw(plain, r.remaining);
        for (const char* step = r.steps; *step != '\0'; ++step) {
            *step == 'u' ? d.list.undo() : d.list.redo();
        }
        EXPECT_EQ(d.canvas.committed(), plain.canvas.committed());
        EXPECT_EQ(d.canvas.working(), plain.canvas.committed());
        EXPECT_EQ(d.list.items().size(), std::strlen(r.remaining));
    }
}

TEST(PointerTools, PointerCoordinatesRoundHalfToEven) {
    struct Row {
        double in;
        qint16 out;
    };
    const Row rows[] = {{2.5, 2},  {3.5, 4},     {-0.5, 0},     {-1.5, -2},
                        {7.49, 7}, {1e9, 32767}, {-1e9, -32768}};
    for (const Row& r : rows) {
        EXPECT_EQ(pointerCoordinate(r.in), r.out) << r.in;
    }
}

}  // namespace
}  // namespace pictavo
