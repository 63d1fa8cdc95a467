#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <string>
#include <vector>

#include "controls/VexelButton.h"

namespace pictavo {
namespace {

const QColor kBack{10, 20, 30};
const QColor kHover{200, 100, 50};
const QColor kPressed{40, 160, 90};
const QColor kFore{255, 0, 0};

// A shown, active window holding one 80 x 30 button.
struct ButtonWindow {
    ButtonWindow() {
        window.resize(200, 100);
        button = new VexelButton(&window);
        button->setGeometry(10, 10, 80, 30);
        button->setBackColour(kBack);
        button->setHoverColour(kHover);
        button->setPressedColour(kPressed);
        button->setForeColour(kFore);
        QObject::connect(button, &VexelButton::Click, [this] { ++clicks; });
        window.show();
        window.activateWindow();
        QApplication::processEvents();
    }
    QImage render() const { return button->grab().toImage(); }
    // Without the focus rectangle, only content is drawn in the fore colour.
    void unfocus() const {
        button->setFocusPolicy(Qt::NoFocus);
        button->clearFocus();
    }

    QWidget window;
    VexelButton* button = nullptr;
    int clicks = 0;
};

void sendKey(QWidget* target, QEvent::Type type, int key, Qt::KeyboardModifiers mods = {},
             const QString& text = {}) {
    QKeyEvent event(type, key, mods, text);
    QApplication::sendEvent(target, &event);
}

enum class Op {
    Press,
    RightPress,
    Move,
    Release,
    Enter,
    Leave,
    Disable,
    Enable,
    Space,
    SpaceUp,
    Return,
    FocusOut
};
struct Step {
    Op op;
    int x = 5;
    int y = 5;
};

void perform(VexelButton* b, const Step& step) {
    const QPointF at(step.x, step.y);
    auto mouse = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, at, b->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(b, &event);
    };
    switch (step.op) {
        case Op::Press:
            return mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
        case Op::RightPress:
            mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton);
            return mouse(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton);
        case Op::Move:
            return mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
        case Op::Release:
            return mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
        case Op::Enter: {
            QEnterEvent event(at, at, b->mapToGlobal(at));
            QApplication::sendEvent(b, &event);
            return;
        }
        case Op::Leave: {
            QEvent event(QEvent::Leave);
            QApplication::sendEvent(b, &event);
            return;
        }
        case Op::Disable:
            return b->setEnabled(false);
        case Op::Enable:
            return b->setEnabled(true);
        case Op::Space:
            return sendKey(b, QEvent::KeyPress, Qt::Key_Space);
        case Op::SpaceUp:
            return sendKey(b, QEvent::KeyRelease, Qt::Key_Space);
        case Op::Return:
            return sendKey(b, QEvent::KeyPress, Qt::Key_Return);
        case Op::FocusOut: {
            QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(b, &event);
            return;
        }
    }
}

struct GestureCase {
    std::string name;
    std::vector<Step> steps;
    int clicks;
    QColor background;  // afterwards
};

class VexelButtonGestureTest : public ::testing::TestWithParam<GestureCase> {};

TEST_P(VexelButtonGestureTest, ClicksOnlyForACompletedPressAndShowsItsState) {
    ButtonWindow w;
    for (const Step& step : GetParam().steps) {
        perform(w.button, step);
    }
    EXPECT_EQ(w.clicks, GetParam().clicks);
    // A corner pixel lies outside the focus rectangle and the content.
    EXPECT_EQ(QColor(w.render().pixel(0, 0)), GetParam().background);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Gestures, VexelButtonGestureTest, ::testing::Values(
    GestureCase{"Idle", {}, 0, kBack},
    GestureCase{"Hovered", {{Op::Enter}}, 0, kHover},
    GestureCase{"HoveredThenLeft", {{Op::Enter}, {Op::Leave}}, 0, kBack},
    GestureCase{"Pressed", {{Op::Enter}, {Op::Press}}, 0, kPressed},
    GestureCase{"ReleasedInside", {{Op::Enter}, {Op::Press}, {Op::Release, 20, 20}}, 1, kHover},
    GestureCase{"DraggedOff", {{Op::Enter}, {Op::Press}, {Op::Leave}, {Op::Move, 120, 5}}, 0,
                kBack},
    GestureCase{"ReleasedOutside", {{Op::Press}, {Op::Move, 120}, {Op::Release, 120}}, 0, kBack},
    GestureCase{"DraggedOutAndBackIn",
                {{Op::Press}, {Op::Move, -30}, {Op::Move, 40}, {Op::Release, 40}}, 1, kBack},
    GestureCase{"RightButton", {{Op::RightPress}}, 0, kBack},
    GestureCase{"Disabled", {{Op::Enter}, {Op::Disable}, {Op::Press}, {Op::Release}, {Op::Return},
                             {Op::Space}, {Op::SpaceUp}}, 0, kBack},
    GestureCase{"DisabledWhilePressed", {{Op::Press}, {Op::Disable}, {Op::Enable}, {Op::Release}},
                0, kBack},
    GestureCase{"SpaceHeld", {{Op::Space}}, 0, kPressed},
    GestureCase{"SpaceReleased", {{Op::Space}, {Op::SpaceUp}}, 1, kBack},
    GestureCase{"SpaceReleasedAfterFocusLeft", {{Op::Space}, {Op::FocusOut}, {Op::SpaceUp}}, 0,
                kBack},
    GestureCase{"Return", {{Op::Return}}, 1, kBack}),
    [](const auto& info) { return info.param.name; });
// clang-format on

TEST(VexelButton, AccessKeyClicksWhileEnabledAndVisibleForTheCurrentCaption) {
    ButtonWindow w;
    ASSERT_EQ(QApplication::activeWindow(), &w.window);
    auto altKey = [&](Qt::Key key, const char* text) {
        sendKey(&w.window, QEvent::KeyPress, key, Qt::AltModifier, QString::fromLatin1(text));
    };
    w.button->setCaption(QStringLiteral("&Save"));
    altKey(Qt::Key_S, "s");
    EXPECT_EQ(w.clicks, 1);
    w.button->setEnabled(false);
    altKey(Qt::Key_S, "s");
    EXPECT_EQ(w.clicks, 1);
    w.button->setEnabled(true);
    w.button->setCaption(QStringLiteral("&Open"));
    altKey(Qt::Key_S, "s");
    EXPECT_EQ(w.clicks, 1) << "the old access key must no longer click";
    altKey(Qt::Key_O, "o");
    EXPECT_EQ(w.clicks, 2);
    w.button->hide();
    altKey(Qt::Key_O, "o");
    EXPECT_EQ(w.clicks, 2);
}

bool containsColour(const QImage& image, const QColor& colour, int fromRow = 0, int toRow = -1) {
    for (int y = fromRow; y < (toRow < 0 ? image.height() : toRow); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (QColor(image.pixel(x, y)) == colour) {
                return true;
            }
        }
    }
    return false;
}

TEST(VexelButtonLook, AccessKeyLetterIsUnderlinedAndTheAmpersandNotDrawn) {
    ButtonWindow w;
    w.unfocus();
    w.button->setCaption(QStringLiteral("Save"));
    const QImage plain = w.render();
    w.button->setCaption(QStringLiteral("&Save"));
    const QImage marked = w.render();
    // The same letters in the same place; the underline adds ink below them only.
    int lastInkedRow = 0;
    for (int y = 0; y < plain.height(); ++y) {
        if (containsColour(plain, kFore, y, y + 1)) {
            lastInkedRow = y;
        }
    }
    ASSERT_GT(lastInkedRow, 0);
    EXPECT_EQ(plain.copy(0, 0, 80, lastInkedRow), marked.copy(0, 0, 80, lastInkedRow));
    EXPECT_TRUE(containsColour(marked, kFore, lastInkedRow + 1));
    EXPECT_FALSE(containsColour(plain, kFore, lastInkedRow + 1));
}

TEST(VexelButtonLook, DisabledDrawsNeitherCaptionNorPictureInTheirColours) {
    ButtonWindow w;
    w.unfocus();
    QPixmap picture(8, 8);
    picture.fill(QColor(0, 0, 255));
    w.button->setPicture(picture);
    w.button->setCaption(QStringLiteral("Save"));
    const QImage enabled = w.render();
    EXPECT_TRUE(containsColour(enabled, kFore));
    EXPECT_TRUE(containsColour(enabled, QColor(0, 0, 255)));
    w.button->setEnabled(false);
    const QImage disabled = w.render();
    EXPECT_FALSE(containsColour(disabled, kFore));
    EXPECT_FALSE(containsColour(disabled, QColor(0, 0, 255)));
}

TEST(VexelButtonLook, FocusRectangleOnlyWithFocusAndInsideTheEdge) {
    ButtonWindow w;  // no caption, no picture: any fore-coloured pixel is the focus rectangle
    w.button->clearFocus();
    EXPECT_FALSE(containsColour(w.render(), kFore));
    w.button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(w.button->hasFocus());
    const QImage focused = w.render();
    EXPECT_TRUE(containsColour(focused, kFore));
    EXPECT_FALSE(containsColour(focused, kFore, 0, 2));
}

}  // namespace
}  // namespace pictavo
