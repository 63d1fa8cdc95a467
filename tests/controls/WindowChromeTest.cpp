#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controls/LineControl.h"
#include "controls/WindowChrome.h"
#include "controls/VexelButton.h"

namespace pictavo {
namespace {

const QColor kGreen{175, 215, 46};
const QColor kInk{0, 0, 0};
const QColor kPaper{255, 255, 255};

// Places the chrome in the given order, one letter per operation: Title, Left, Right, Bottom.
void place(WindowChrome& chrome, const std::string& order) {
    const std::map<char, void (WindowChrome::*)()> operations{
        {'T', &WindowChrome::PlaceTitleBar},
        {'L', &WindowChrome::PlaceLeftBorder},
        {'R', &WindowChrome::PlaceRightBorder},
        {'B', &WindowChrome::PlaceBottomBorder}};
    for (char operation : order) {
        (chrome.*operations.at(operation))();
    }
}

// A borderless window of 400 x 300 pixels, 6000 x 4500 twips at 96 dpi, with the chrome placed.
struct ChromedWindow {
    explicit ChromedWindow(const std::string& order = "TLBR") {
        window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, kPaper);
        palette.setColor(QPalette::WindowText, kInk);
        window.setPalette(palette);
        window.setAutoFillBackground(true);
        window.setGeometry(100, 80, 400, 300);
        chrome = std::make_unique<WindowChrome>(&window);
        place(*chrome, order);
    }

    LineControl* line(const char* name) const {
        return window.findChild<LineControl*>(QString::fromLatin1(name));
    }

    QWidget window;
    std::unique_ptr<WindowChrome> chrome;
};

TEST(WindowChrome, PlacesTheNamedControlsInTwips) {
    ChromedWindow w;
    const struct {
        const char* name;
        TwipLine expected;
    } lines[] = {
        {"lneTop1", {0, 0, 6000, 0}},           {"lneTop2", {30, 240, 5970, 240}},
        {"lneLeft1", {0, 0, 0, 4500}},          {"lneLeft2", {15, 240, 15, 4485}},
        {"lneRight1", {5955, 240, 5955, 4470}}, {"lneRight3", {5985, 0, 5985, 4500}},
        {"lneBottom1", {30, 4455, 5970, 4455}}, {"lneBottom3", {0, 4485, 6000, 4485}},
    };
    for (const auto& [name, expected] : lines) {
        const LineControl* line = w.line(name);
        ASSERT_NE(line, nullptr) << name;
        EXPECT_EQ((TwipLine{line->X1(), line->Y1(), line->X2(), line->Y2()}), expected) << name;
    }
    QWidget* bar = w.window.findChild<QWidget*>(QStringLiteral("picTitle"));
    ASSERT_EQ(bar, w.chrome->picTitle());
    EXPECT_EQ(bar->geometry(), QRect(1, 1, 398, 15));  // 15, 15, 5970 x 225 twips
    VexelButton* close = bar->findChild<VexelButton*>(QStringLiteral("cmdX"));
    ASSERT_EQ(close, w.chrome->cmdX());
    EXPECT_EQ(close->width(), 20);            // 300 twips
    EXPECT_EQ(close->pos(), QPoint(376, 1));  // 5640, 20 twips
    QLabel* title = bar->findChild<QLabel*>(QStringLiteral("lblTitle"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), QStringLiteral("Pictavo 3"));
    EXPECT_EQ(title->pos(), QPoint(2, 1));
    EXPECT_TRUE(title->font().bold());
    EXPECT_DOUBLE_EQ(title->font().pointSizeF(), 8.25);
}

TEST(WindowChrome, CloseButtonKeepsItsGapFromTheBarsEndWhateverItsWidth) {
    ChromedWindow w;
    w.chrome->cmdX()->resize(17, 13);  // 255 twips
    w.chrome->PlaceTitleBar();
    EXPECT_EQ(w.chrome->cmdX()->x(), 379);  // 5970 - (255 + 30) = 5685 twips
}

class ChromePixelsTest : public ::testing::TestWithParam<std::string> {};

// The lines do not draw their end points, so where they meet none overdraws another and the
// picture does not depend on the order of placement (which decides the stacking).
TEST_P(ChromePixelsTest, BorderIsThreeNestedOnePixelFrames) {
    ChromedWindow w(GetParam());
    const QImage image = w.window.grab().toImage();
    ASSERT_EQ(image.size(), QSize(400, 300));
    const struct {
        const char* what;
        QPoint at;
        QColor expected;
    } pixels[] = {
        {"outer frame, top-left corner", {0, 0}, kInk},
        {"outer frame, bottom-right corner", {399, 299}, kInk},
        {"outer frame, bottom-left corner", {0, 299}, kInk},
        {"outer frame, bottom, below the left middle line", {1, 299}, kInk},
        {"outer frame, bottom, below the right middle line", {398, 299}, kInk},
        {"outer frame, right, beside the bottom middle line", {399, 298}, kInk},
        {"title bar", {200, 8}, kGreen},
        {"title bar, last column", {398, 15}, kGreen},
        {"middle frame, bottom", {200, 298}, kGreen},
        {"middle frame, bottom-left corner", {1, 298}, kGreen},
        {"middle frame, bottom-right corner", {398, 298}, kGreen},
        {"middle frame, under the bar", {1, 16}, kGreen},
        {"inner frame, top-left corner", {2, 16}, kInk},
        {"inner frame, bottom-right corner", {397, 297}, kInk},
        {"client area, inside the inner corner", {3, 17}, kPaper},
        {"client area, inside the bottom-right corner", {396, 296}, kPaper},
    };
    for (const auto& [what, at, expected] : pixels) {
        EXPECT_EQ(QColor(image.pixel(at)), expected) << what << " at " << at.x() << "," << at.y();
    }
}

// The capture choosers' order, the preview's and options' order, and one no window uses.
INSTANTIATE_TEST_SUITE_P(Orders, ChromePixelsTest, ::testing::Values("TLRB", "TLBR", "BRLT"),
                         [](const auto& info) { return info.param; });

// A mouse event for a control of the title bar: its type, the button that changed and the
// buttons held afterwards.
struct Mouse {
    QEvent::Type type;
    Qt::MouseButton button;
    Qt::MouseButtons held;
};
const Mouse kPress{QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton};
const Mouse kRightPress{QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton};
const Mouse kDoubleClick{QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton};
const Mouse kMove{QEvent::MouseMove, Qt::NoButton, Qt::LeftButton};
const Mouse kMoveBothHeld{QEvent::MouseMove, Qt::NoButton, Qt::LeftButton | Qt::RightButton};
const Mouse kRelease{QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton};

struct Step {
    Mouse mouse;
    double x;  // in the control's pixels
    double y;
};

struct DragCase {
    std::string name;
    const char* target;
    std::vector<Step> steps;
    QPoint windowPos;  // the window starts at (100, 80)
    bool dragging;
    int dragX;
    int dragY;
};

class TitleBarDragTest : public ::testing::TestWithParam<DragCase> {};

TEST_P(TitleBarDragTest, MovesTheWindowByTheMouseDelta) {
    ChromedWindow w;
    QWidget* target = w.window.findChild<QWidget*>(QString::fromLatin1(GetParam().target));
    ASSERT_NE(target, nullptr);
    for (const auto& [mouse, x, y] : GetParam().steps) {
        QMouseEvent event(mouse.type, QPointF(x, y), target->mapToGlobal(QPointF(x, y)),
                          mouse.button, mouse.held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    EXPECT_EQ(w.window.pos(), GetParam().windowPos);
    EXPECT_EQ(w.chrome->bDragging, GetParam().dragging);
    EXPECT_EQ(w.chrome->DragX, GetParam().dragX);
    EXPECT_EQ(w.chrome->DragY, GetParam().dragY);
}

// The pressed control moves with the window, so after a move the pointer is back, in the
// control's coordinates, at the point where it was pressed.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Gestures, TitleBarDragTest, ::testing::Values(
    DragCase{"LeftDragOnBar", "picTitle", {{kPress, 10, 3}, {kMove, 14, 5}},
             {104, 82}, true, 150, 45},
    DragCase{"LeftDragOnLabel", "lblTitle", {{kPress, 10, 3}, {kMove, 4, 1}},
             {94, 78}, true, 150, 45},
    DragCase{"RightPressThenLeftHeldDrags", "picTitle",
             {{kRightPress, 10, 3}, {kMove, 20, 3}}, {110, 80}, true, 150, 45},
    DragCase{"BothButtonsHeldDoesNotDrag", "picTitle",
             {{kPress, 10, 3}, {kMoveBothHeld, 20, 9}}, {100, 80}, true, 150, 45},
    DragCase{"MoveWithoutPressDoesNotDrag", "picTitle", {{kMove, 20, 9}},
             {100, 80}, false, 0, 0},
    DragCase{"ReleaseEndsTheDrag", "picTitle",
             {{kPress, 10, 3}, {kMove, 12, 3}, {kRelease, 12, 3}, {kMove, 30, 3}},
             {102, 80}, false, 150, 45},
    DragCase{"SuccessiveMovesAccumulate", "picTitle",
             {{kPress, 10, 3}, {kMove, 13, 3}, {kMove, 13, 3}}, {106, 80}, true, 150, 45},
    DragCase{"SecondPressOfADoubleClickStartsADrag", "picTitle",
             {{kPress, 10, 3}, {kRelease, 10, 3}, {kDoubleClick, 8, 3}, {kMove, 11, 4}},
             {103, 81}, true, 120, 45},
    DragCase{"FractionalPressRoundsToWholeTwips", "picTitle", {{kPress, 10.43, 2.5}},
             {100, 80}, true, 156, 38}),
    [](const auto& info) { return info.param.name; });
// clang-format on

}  // namespace
}  // namespace pictavo
