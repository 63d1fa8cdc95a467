#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "controls/VexelButton.h"

namespace pictavo {
namespace {

const QColor kBack{10, 20, 30};
const QColor kHover{200, 100, 50};
const QColor kPressed{40, 160, 90};
const QColor kFore{255, 0, 0};

// A shown, active window holding one button at (10, 10), 80 x 30.
struct ButtonWindow {
    ButtonWindow() {
        window.resize(200, 100);
        button = new VexelButton(&window);
        button->setObjectName(QStringLiteral("cmdTest"));
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

    QWidget window;
    VexelButton* button = nullptr;
    int clicks = 0;
};

void sendMouse(QWidget* widget, QEvent::Type type, QPointF at, Qt::MouseButton button,
               Qt::MouseButtons held) {
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void press(QWidget* w, QPointF at, Qt::MouseButton b = Qt::LeftButton) {
    sendMouse(w, QEvent::MouseButtonPress, at, b, b);
}
void moveTo(QWidget* w, QPointF at, Qt::MouseButtons held = Qt::LeftButton) {
    sendMouse(w, QEvent::MouseMove, at, Qt::NoButton, held);
}
void release(QWidget* w, QPointF at, Qt::MouseButton b = Qt::LeftButton) {
    sendMouse(w, QEvent::MouseButtonRelease, at, b, Qt::NoButton);
}
void enter(QWidget* w) {
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(w, &event);
}
void leave(QWidget* w) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(w, &event);
}
void key(QWidget* w, QEvent::Type type, int k, Qt::KeyboardModifiers mods = Qt::NoModifier,
         const QString& text = {}) {
    QKeyEvent event(type, k, mods, text);
    QApplication::sendEvent(w, &event);
}

QImage render(QWidget* widget) {
    return widget->grab().toImage();
}

struct ClickCase {
    std::string name;
    std::function<void(VexelButton*)> act;
    int expectedClicks;
};

class VexelButtonClickTest : public ::testing::TestWithParam<ClickCase> {};

TEST_P(VexelButtonClickTest, EmitsClickOnlyForACompletedPress) {
    ButtonWindow w;
    GetParam().act(w.button);
    EXPECT_EQ(w.clicks, GetParam().expectedClicks);
}

INSTANTIATE_TEST_SUITE_P(
    Gestures, VexelButtonClickTest,
    ::testing::Values(
        ClickCase{"ReleasedInside",
                  [](VexelButton* b) {
                      press(b, {5, 5});
                      release(b, {20, 20});
                  },
                  1},
        ClickCase{"ReleasedOutside",
                  [](VexelButton* b) {
                      press(b, {5, 5});
                      moveTo(b, {120, 5});
                      release(b, {120, 5});
                  },
                  0},
        ClickCase{"DraggedOutAndBackIn",
                  [](VexelButton* b) {
                      press(b, {5, 5});
                      moveTo(b, {-30, 5});
                      moveTo(b, {40, 5});
                      release(b, {40, 5});
                  },
                  1},
        ClickCase{"RightButton",
                  [](VexelButton* b) {
                      press(b, {5, 5}, Qt::RightButton);
                      release(b, {5, 5}, Qt::RightButton);
                  },
                  0},
        ClickCase{"ReleaseWithoutPress",
                  [](VexelButton* b) {
                      release(b, {5, 5});
                  },
                  0},
        ClickCase{"Disabled",
                  [](VexelButton* b) {
                      b->setEnabled(false);
                      press(b, {5, 5});
                      release(b, {5, 5});
                      key(b, QEvent::KeyPress, Qt::Key_Return);
                      key(b, QEvent::KeyPress, Qt::Key_Space);
                      key(b, QEvent::KeyRelease, Qt::Key_Space);
                  },
                  0},
        ClickCase{"DisabledWhilePressed",
                  [](VexelButton* b) {
                      press(b, {5, 5});
                      b->setEnabled(false);
                      b->setEnabled(true);
                      release(b, {5, 5});
                  },
                  0},
        ClickCase{"SpacePressAndRelease",
                  [](VexelButton* b) {
                      key(b, QEvent::KeyPress, Qt::Key_Space);
                      key(b, QEvent::KeyRelease, Qt::Key_Space);
                  },
                  1},
        ClickCase{"SpaceReleasedAfterFocusLeft",
                  [](VexelButton* b) {
                      key(b, QEvent::KeyPress, Qt::Key_Space);
                      QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
                      QApplication::sendEvent(b, &out);
                      key(b, QEvent::KeyRelease, Qt::Key_Space);
                  },
                  0},
        ClickCase{"Return", [](VexelButton* b) { key(b, QEvent::KeyPress, Qt::Key_Return); }, 1},
        ClickCase{"KeypadEnter", [](VexelButton* b) { key(b, QEvent::KeyPress, Qt::Key_Enter); },
                  1},
        ClickCase{"OtherKey", [](VexelButton* b) { key(b, QEvent::KeyPress, Qt::Key_A); }, 0}),
    [](const auto& info) { return info.param.name; });

struct ColourCase {
    std::string name;
    std::function<void(VexelButton*)> act;
    QColor expected;
};

class VexelButtonColourTest : public ::testing::TestWithParam<ColourCase> {};

TEST_P(VexelButtonColourTest, BackgroundFollowsTheMouse) {
    ButtonWindow w;
    GetParam().act(w.button);
    const QImage image = render(w.button);
    // A corner pixel: outside the focus rectangle and the content.
    EXPECT_EQ(QColor(image.pixel(0, 0)), GetParam().expected);
    EXPECT_EQ(QColor(image.pixel(image.width() - 1, image.height() - 1)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    States, VexelButtonColourTest,
    ::testing::Values(ColourCase{"Idle", [](VexelButton*) {}, kBack},
                      ColourCase{"Hovered", [](VexelButton* b) { enter(b); }, kHover},
                      ColourCase{"HoveredThenLeft",
                                 [](VexelButton* b) {
                                     enter(b);
                                     leave(b);
                                 },
                                 kBack},
                      ColourCase{"Pressed",
                                 [](VexelButton* b) {
                                     enter(b);
                                     press(b, {5, 5});
                                 },
                                 kPressed},
                      ColourCase{"PressedAndDraggedOff",
                                 [](VexelButton* b) {
                                     enter(b);
                                     press(b, {5, 5});
                                     leave(b);
                                     moveTo(b, {150, 5});
                                 },
                                 kBack},
                      ColourCase{"SpaceHeld",
                                 [](VexelButton* b) { key(b, QEvent::KeyPress, Qt::Key_Space); },
                                 kPressed},
                      ColourCase{"ReleasedInside",
                                 [](VexelButton* b) {
                                     enter(b);
                                     press(b, {5, 5});
                                     release(b, {5, 5});
                                 },
                                 kHover},
                      ColourCase{"DisabledWhileHovered",
                                 [](VexelButton* b) {
                                     enter(b);
                                     b->setEnabled(false);
                                 },
                                 kBack}),
    [](const auto& info) { return info.param.name; });

TEST(VexelButtonColours, UnsetColoursFallBackInTurn) {
    VexelButton button;
    QPalette palette = button.palette();
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::ButtonText, QColor(4, 5, 6));
    button.setPalette(palette);
    EXPECT_EQ(button.backColour(), QColor(1, 2, 3));
    EXPECT_EQ(button.hoverColour(), QColor(1, 2, 3));
    EXPECT_EQ(button.pressedColour(), QColor(1, 2, 3));
    EXPECT_EQ(button.foreColour(), QColor(4, 5, 6));
    button.setHoverColour(kHover);
    EXPECT_EQ(button.pressedColour(), kHover);  // pressed falls back to hover, not back
}

struct AccessKeyCase {
    std::string name;
    QString caption;
    QKeySequence expected;
};

class VexelButtonAccessKeyTest : public ::testing::TestWithParam<AccessKeyCase> {};

TEST_P(VexelButtonAccessKeyTest, IsTheLetterAfterASingleAmpersand) {
    EXPECT_EQ(VexelButton::accessKey(GetParam().caption), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Captions, VexelButtonAccessKeyTest,
    ::testing::Values(AccessKeyCase{"FirstLetter", "&Save", QKeySequence(Qt::ALT | Qt::Key_S)},
                      AccessKeyCase{"InnerLetter", "Sa&ve", QKeySequence(Qt::ALT | Qt::Key_V)},
                      AccessKeyCase{"DoubledAmpersandIsLiteral", "Save && Exit", QKeySequence()},
                      AccessKeyCase{"KeyAfterLiteralAmpersand", "A && &B",
                                    QKeySequence(Qt::ALT | Qt::Key_B)},
                      AccessKeyCase{"NoAmpersand", "Save", QKeySequence()},
                      AccessKeyCase{"Empty", "", QKeySequence()}),
    [](const auto& info) { return info.param.name; });

TEST(VexelButtonAccessKey, TriggersClickOnlyWhileEnabledAndForTheCurrentCaption) {
    ButtonWindow w;
    ASSERT_EQ(QApplication::activeWindow(), &w.window);
    w.button->setCaption(QStringLiteral("&Save"));
    key(&w.window, QEvent::KeyPress, Qt::Key_S, Qt::AltModifier, QStringLiteral("s"));
    EXPECT_EQ(w.clicks, 1);

    w.button->setEnabled(false);
    key(&w.window, QEvent::KeyPress, Qt::Key_S, Qt::AltModifier, QStringLiteral("s"));
    EXPECT_EQ(w.clicks, 1);
    w.button->setEnabled(true);

    w.button->setCaption(QStringLiteral("&Open"));
    key(&w.window, QEvent::KeyPress, Qt::Key_S, Qt::AltModifier, QStringLiteral("s"));
    EXPECT_EQ(w.clicks, 1) << "the old access key must be released";
    key(&w.window, QEvent::KeyPress, Qt::Key_O, Qt::AltModifier, QStringLiteral("o"));
    EXPECT_EQ(w.clicks, 2);

    w.button->hide();
    key(&w.window, QEvent::KeyPress, Qt::Key_O, Qt::AltModifier, QStringLiteral("o"));
    EXPECT_EQ(w.clicks, 2);
}

bool containsColour(const QImage& image, const QColor& colour) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (QColor(image.pixel(x, y)) == colour) {
                return true;
            }
        }
    }
    return false;
}

// Rows of the image that hold any pixel of the colour.
std::vector<int> rowsWith(const QImage& image, const QColor& colour) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (QColor(image.pixel(x, y)) == colour) {
                rows.push_back(y);
                break;
            }
        }
    }
    return rows;
}

TEST(VexelButtonLook, AccessKeyLetterIsUnderlined) {
    ButtonWindow w;
    w.button->setFocusPolicy(Qt::NoFocus);
    w.button->setCaption(QStringLiteral("Save"));
    const QImage plain = render(w.button);
    w.button->setCaption(QStringLiteral("&Save"));
    const QImage marked = render(w.button);
    ASSERT_NE(plain, marked);
    // The underline adds ink below the letters and nowhere else; the "&" itself is not drawn.
    const std::vector<int> plainRows = rowsWith(plain, kFore);
    ASSERT_FALSE(plainRows.empty());
    for (int y = 0; y <= plainRows.front(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            EXPECT_EQ(plain.pixel(x, y), marked.pixel(x, y)) << x << "," << y;
        }
    }
}

TEST(VexelButtonLook, DisabledCaptionIsNotDrawnInTheForeColour) {
    ButtonWindow w;
    w.button->setCaption(QStringLiteral("Save"));
    ASSERT_TRUE(containsColour(render(w.button), kFore));
    w.button->setEnabled(false);
    const QImage disabled = render(w.button);
    EXPECT_FALSE(containsColour(disabled, kFore));
    EXPECT_NE(QColor(disabled.pixel(0, 0)), QColor());
}

TEST(VexelButtonLook, FocusRectangleOnlyWithFocus) {
    ButtonWindow w;  // no caption, no picture: any fore-coloured pixel is the focus rectangle
    w.button->clearFocus();
    EXPECT_FALSE(containsColour(render(w.button), kFore));
    w.button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(w.button->hasFocus());
    const QImage focused = render(w.button);
    EXPECT_TRUE(containsColour(focused, kFore));
    EXPECT_EQ(QColor(focused.pixel(0, 0)), kBack) << "the rectangle stands inside the edge";
}

TEST(VexelButtonLook, PictureIsDrawnAndGreyedWhenDisabled) {
    ButtonWindow w;
    w.button->setFocusPolicy(Qt::NoFocus);
    QPixmap picture(8, 8);
    picture.fill(QColor(0, 0, 255));
    w.button->setPicture(picture);
    const QImage enabled = render(w.button);
    // Centred in the 80 x 30 button.
    EXPECT_EQ(QColor(enabled.pixel(40, 15)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(enabled.pixel(30, 15)), kBack);
    w.button->setEnabled(false);
    EXPECT_FALSE(containsColour(render(w.button), QColor(0, 0, 255)));
}

TEST(VexelButtonLook, SizeHintHoldsPictureAndCaption) {
    VexelButton button;
    QPixmap picture(16, 40);
    picture.fill(Qt::black);
    const QSize empty = button.sizeHint();
    button.setCaption(QStringLiteral("&Cancel"));
    const QSize captioned = button.sizeHint();
    EXPECT_GT(captioned.width(),
              empty.width() + QFontMetrics(button.font()).horizontalAdvance("Cance"));
    button.setPicture(picture);
    EXPECT_GT(button.sizeHint().width(), captioned.width() + 16);
    EXPECT_GE(button.sizeHint().height(), 40);
}

}  // namespace
}  // namespace pictavo
