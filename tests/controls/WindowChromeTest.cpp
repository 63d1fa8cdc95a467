#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QWidget>

#include <memory>
#include <vector>

#include "controls/VexelButton.h"
#include "controls/WindowChrome.h"

namespace pictavo {
namespace {

// A borderless window of 400 x 300 pixels at (100, 80), with its chrome placed.
struct ChromedWindow {
    ChromedWindow() {
        window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        window.setGeometry(100, 80, 400, 300);
        chrome = std::make_unique<WindowChrome>(&window);
        chrome->PlaceTitleBar();
        chrome->PlaceLeftBorder();
        chrome->PlaceBottomBorder();
        chrome->PlaceRightBorder();
    }

    QWidget window;
    std::unique_ptr<WindowChrome> chrome;
};

TEST(WindowChrome, TheCloseButtonEndsTwoPixelsBeforeTheBoldTitleBar) {
    ChromedWindow w;
    EXPECT_EQ(w.chrome->lblTitle()->text(), QStringLiteral("Pictavo 3"));
    EXPECT_TRUE(w.chrome->lblTitle()->font().bold());
    EXPECT_EQ(w.chrome->cmdX()->geometry().right() + 1, w.chrome->picTitle()->width() - 2);
}

// The pressed control moves with the window, so after a move the pointer is back, in the
// control's coordinates, at the point where it was pressed.
TEST(WindowChrome, DraggingTheTitleBarMovesTheWindowByTheMouseDelta) {
    struct Mouse {
        QEvent::Type type;
        Qt::MouseButton button;
        Qt::MouseButtons held;
        double x, y;  // in the control's pixels
    };
    const auto press = [](double x, double y) {
        return Mouse{QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, x, y};
    };
    const auto move = [](double x, double y, Qt::MouseButtons held = Qt::LeftButton) {
        return Mouse{QEvent::MouseMove, Qt::NoButton, held, x, y};
    };
    const Mouse rightPress{QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, 10, 3};
    const Mouse release{QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, 12, 3};
    const Mouse doubleClick{QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, 8, 3};
    const struct {
        const char* name;
        const char* target;
        std::vector<Mouse> steps;
        QPoint windowPos;  // the window starts at (100, 80)
        bool dragging;
    } rows[] = {
        // clang-format off
        {"left drag on the bar", "picTitle", {press(10, 3), move(14, 5)}, {104, 82}, true},
        {"left drag on the label", "lblTitle", {press(10, 3), move(4, 1)}, {94, 78}, true},
        {"right press, then left held", "picTitle", {rightPress, move(20, 3)}, {110, 80}, true},
        {"both buttons held", "picTitle", {press(10, 3), move(20, 9, Qt::LeftButton | Qt::RightButton)}, {100, 80}, true},
        {"release ends the drag", "picTitle", {press(10, 3), move(12, 3), release, move(30, 3)}, {102, 80}, false},
        {"moves accumulate", "picTitle", {press(10, 3), move(13, 3), move(13, 3)}, {106, 80}, true},
        {"second press of a double click", "picTitle", {press(10, 3), release, doubleClick, move(11, 4)}, {103, 81}, true},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ChromedWindow w;
        QWidget* target = w.window.findChild<QWidget*>(QLatin1String(row.target));
        ASSERT_NE(target, nullptr);
        for (const Mouse& m : row.steps) {
            QMouseEvent event(m.type, QPointF(m.x, m.y), target->mapToGlobal(QPointF(m.x, m.y)),
                              m.button, m.held, Qt::NoModifier);
            QApplication::sendEvent(target, &event);
        }
        EXPECT_EQ(w.window.pos(), row.windowPos);
        EXPECT_EQ(w.chrome->bDragging, row.dragging);
    }
}

}  // namespace
}  // namespace pictavo
