#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <functional>
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

    QWidget window;
    VexelButton* button = nullptr;
    int clicks = 0;
};

void send(QWidget* target, QEvent&& event) {
    QApplication::sendEvent(target, &event);
}

// One step of a gesture on the button; mouse positions in the button's pixels.
using Step = std::function<void(VexelButton*)>;

Step mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, int x = 5) {
    return [=](VexelButton* b) {
        const QPointF at(x, 5);
        send(b, QMouseEvent(type, at, b->mapToGlobal(at), button, held, Qt::NoModifier));
    };
}
Step press(int x = 5) {
    return mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, x);
}
Step move(int x) {
    return mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, x);
}
Step release(int x = 5) {
    return mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, x);
}
Step key(QEvent::Type type, int key) {
    return [=](VexelButton* b) { send(b, QKeyEvent(type, key, Qt::NoModifier)); };
}
const Step kRightClick = [](VexelButton* b) {
    mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton)(b);
    mouse(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton)(b);
};
const Step kEnter = [](VexelButton* b) {
    send(b, QEnterEvent(QPointF(5, 5), QPointF(5, 5), b->mapToGlobal(QPointF(5, 5))));
};
const Step kLeave = [](VexelButton* b) { send(b, QEvent(QEvent::Leave)); };
const Step kFocusOut = [](VexelButton* b) {
    send(b, QFocusEvent(QEvent::FocusOut, Qt::TabFocusReason));
};
const Step kDisable = [](VexelButton* b) { b->setEnabled(false); };
const Step kEnable = [](VexelButton* b) { b->setEnabled(true); };
const Step kSpace = key(QEvent::KeyPress, Qt::Key_Space);
const Step kSpaceUp = key(QEvent::KeyRelease, Qt::Key_Space);
const Step kReturn = key(QEvent::KeyPress, Qt::Key_Return);
const Step kHide = [](VexelButton* b) { b->hide(); };
Step caption(const char* text) {
    return [=](VexelButton* b) { b->setCaption(QLatin1String(text)); };
}
// Alt and a letter, as the window receives them.
Step alt(Qt::Key letter) {
    return [=](VexelButton* b) {
        const QString text(QChar(letter).toLower());
        send(b->window(), QKeyEvent(QEvent::KeyPress, letter, Qt::AltModifier, text));
    };
}

// A click needs a completed press, or the access key of the current caption while the button is
// enabled and shown; the background shows the state the gesture leaves.
TEST(VexelButton, ClicksOnlyForACompletedPressAndShowsItsState) {
    const struct {
        const char* name;
        std::vector<Step> steps;
        int clicks;
        QColor background;  // afterwards
    } rows[] = {
        // clang-format off
        {"pressed", {kEnter, press()}, 0, kPressed},
        {"released inside", {kEnter, press(), release(20)}, 1, kHover},
        {"dragged off", {kEnter, press(), kLeave, move(120)}, 0, kBack},
        {"released outside", {press(), move(120), release(120)}, 0, kBack},
        {"dragged out and back in", {press(), move(-30), move(40), release(40)}, 1, kBack},
        {"right button", {kRightClick}, 0, kBack},
        {"disabled", {kEnter, kDisable, press(), release(), kReturn, kSpace, kSpaceUp}, 0, kBack},
        {"disabled while pressed", {press(), kDisable, kEnable, release()}, 0, kBack},
        {"space held", {kSpace}, 0, kPressed},
        {"space released", {kSpace, kSpaceUp}, 1, kBack},
        {"space released after the focus left", {kSpace, kFocusOut, kSpaceUp}, 0, kBack},
        {"return", {kReturn}, 1, kBack},
        {"access key", {caption("&Save"), alt(Qt::Key_S)}, 1, kBack},
        {"access key while disabled", {caption("&Save"), kDisable, alt(Qt::Key_S)}, 0, kBack},
        {"access key enabled again", {caption("&Save"), kDisable, kEnable, alt(Qt::Key_S)}, 1, kBack},
        {"old access key", {caption("&Save"), caption("&Open"), alt(Qt::Key_S)}, 0, kBack},
        {"new access key", {caption("&Save"), caption("&Open"), alt(Qt::Key_O)}, 1, kBack},
        {"access key while hidden", {caption("&Open"), kHide, alt(Qt::Key_O)}, 0, kBack},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ButtonWindow w;
        ASSERT_EQ(QApplication::activeWindow(), &w.window);
        for (const Step& step : row.steps) {
            step(w.button);
        }
        EXPECT_EQ(w.clicks, row.clicks);
        // A corner pixel lies outside the focus rectangle and the content.
        EXPECT_EQ(QColor(w.render().pixel(0, 0)), row.background);
    }
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

// The focus rectangle shows only with the focus, inside the edge; a disabled button draws
// neither caption nor picture in their colours.
TEST(VexelButton, ShowsItsFocusInsideTheEdgeAndGreysWhenDisabled) {
    ButtonWindow w;  // no caption, no picture: any fore-coloured pixel is the focus rectangle
    w.button->clearFocus();
    EXPECT_FALSE(containsColour(w.render(), kFore));
    w.button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(w.button->hasFocus());
    EXPECT_TRUE(containsColour(w.render(), kFore));
    EXPECT_FALSE(containsColour(w.render(), kFore, 0, 2));

    w.button->setFocusPolicy(Qt::NoFocus);
    w.button->clearFocus();
    w.button->setCaption(QStringLiteral("&Save"));
    QPixmap picture(8, 8);
    picture.fill(QColor(0, 0, 255));
    w.button->setPicture(picture);
    EXPECT_TRUE(containsColour(w.render(), kFore) && containsColour(w.render(), QColor(0, 0, 255)));
    w.button->setEnabled(false);
    const QImage disabled = w.render();
    EXPECT_FALSE(containsColour(disabled, kFore) || containsColour(disabled, QColor(0, 0, 255)));
}

}  // namespace
}  // namespace pictavo
