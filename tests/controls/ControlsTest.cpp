#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <algorithm>
#include <climits>

#include "controls/Twips.h"
#include "controls/VexelButton.h"
#include "controls/WindowChrome.h"

using namespace pictavo;

namespace {

const QColor kBack{10, 20, 30};
const QColor kHover{200, 100, 50};
const QColor kPressed{40, 160, 90};
const QColor kFore{255, 0, 0};

// A shown, active window holding one 80 x 30 button.
struct ButtonWindow {
    ButtonWindow() {
        window.resize(200, 100);
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
    // Whether `colour` is anywhere in the button's picture.
    bool shows(const QColor& colour) const {
        const QImage image = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
        return std::count(pixels, pixels + image.width() * image.height(), colour.rgb()) > 0;
    }
    // One step of a gesture, by its letter: Enter, Leave, Press, Release inside (r: outside),
    // Moves to outside, moves Inside, moves to the Other side, right Button, Disable, eNable, Space
    // down, space Up, Focus out, return Key, Hide, caption &Save or &Open, alt+X (S) or alt+Y (O).
    void step(char c) {
        VexelButton* b = button;
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), b->mapToGlobal(QPointF(5, 5)));
        QEvent leave(QEvent::Leave);
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        switch (c) {
            // clang-format off
            case 'E': QApplication::sendEvent(b, &enter); break;
            case 'L': QApplication::sendEvent(b, &leave); break;
            case 'P': QTest::mousePress(b, Qt::LeftButton, {}, {5, 5}); break;
            case 'R': QTest::mouseRelease(b, Qt::LeftButton, {}, {20, 5}); break;
            case 'r': QTest::mouseRelease(b, Qt::LeftButton, {}, {120, 5}); break;
            case 'M': QTest::mouseMove(b, {120, 5}); break;
            case 'I': QTest::mouseMove(b, {40, 5}); break;
            case 'O': QTest::mouseMove(b, {-30, 5}); break;
            case 'B': QTest::mouseClick(b, Qt::RightButton, {}, {5, 5}); break;
            case 'D': b->setEnabled(false); break;
            case 'N': b->setEnabled(true); break;
            case 'S': QTest::keyPress(b, Qt::Key_Space); break;
            case 'U': QTest::keyRelease(b, Qt::Key_Space); break;
            case 'F': QApplication::sendEvent(b, &focusOut); break;
            case 'K': QTest::keyPress(b, Qt::Key_Return); break;
            case 'H': b->hide(); break;
            case 's': b->setCaption(QStringLiteral("&Save")); break;
            case 'o': b->setCaption(QStringLiteral("&Open")); break;
            case 'X': QTest::keyPress(&window, Qt::Key_S, Qt::AltModifier); break;
            case 'Y': QTest::keyPress(&window, Qt::Key_O, Qt::AltModifier); break;
                // clang-format on
        }
    }

    QWidget window;
    VexelButton* button = new VexelButton(&window);
    int clicks = 0;
};

}  // namespace

// A click needs a completed press, or the access key of the current caption while the button is
// enabled and shown; the background shows the state the gesture leaves.
TEST(VexelButton, ClicksOnlyForACompletedPressAndShowsItsState) {
    const std::tuple<const char*, const char*, int, QColor> rows[] = {
        // clang-format off
        {"pressed", "EP", 0, kPressed},                  {"released inside", "EPR", 1, kHover},
        {"dragged off", "EPLM", 0, kBack},               {"released outside", "PMr", 0, kBack},
        {"dragged out and back in", "POIR", 1, kBack},   {"right button", "B", 0, kBack},
        {"disabled", "EDPRKSU", 0, kBack},               {"disabled while pressed", "PDNR", 0, kBack},
        {"space held", "S", 0, kPressed},                {"space released", "SU", 1, kBack},
        {"space released after the focus left", "SFU", 0, kBack}, {"return", "K", 1, kBack},
        {"access key", "sX", 1, kBack},                  {"access key while disabled", "sDX", 0, kBack},
        {"access key enabled again", "sDNX", 1, kBack},  {"old access key", "soX", 0, kBack},
        {"new access key", "soY", 1, kBack},             {"access key while hidden", "oHY", 0, kBack},
        // clang-format on
    };
    for (const auto& [name, steps, clicks, background] : rows) {
        SCOPED_TRACE(name);
        ButtonWindow w;
        for (const char* c = steps; *c; ++c) {
            w.step(*c);
        }
        EXPECT_EQ(w.clicks, clicks);
        // A corner pixel lies outside the focus rectangle and the content.
        EXPECT_EQ(QColor(w.button->grab().toImage().pixel(0, 0)), background);
    }
}

// The focus rectangle shows only with the focus; a disabled button draws neither caption nor
// picture in their colours.
TEST(VexelButton, ShowsItsFocusOnlyWithItAndGreysWhenDisabled) {
    ButtonWindow w;  // no caption, no picture: any fore-coloured pixel is the focus rectangle
    w.button->clearFocus();
    EXPECT_FALSE(w.shows(kFore));
    w.button->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(w.shows(kFore));

    w.button->clearFocus();
    w.button->setFocusPolicy(Qt::NoFocus);
    w.button->setCaption(QStringLiteral("&Save"));
    QPixmap picture(8, 8);
    picture.fill(Qt::blue);
    w.button->setPicture(picture);
    EXPECT_TRUE(w.shows(kFore) && w.shows(Qt::blue));
    w.button->setEnabled(false);
    EXPECT_FALSE(w.shows(kFore) || w.shows(Qt::blue));
}

// The pressed control moves with the window, so after a move the pointer is back, in the
// control's coordinates, at the point where it was pressed.
TEST(WindowChrome, DraggingTheTitleBarMovesTheWindowByTheMouseDelta) {
    struct Mouse {
        QEvent::Type type = QEvent::MouseMove;
        Qt::MouseButton button = Qt::NoButton;
        Qt::MouseButtons held = Qt::LeftButton;
        double x, y;  // in the control's pixels
    };
    const auto press = [](double x, double y) {
        return Mouse{QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, x, y};
    };
    const auto move = [](double x, double y) { return Mouse{.x = x, .y = y}; };
    const Mouse release{QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, 12, 3};
    const Mouse doubleClick{QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, 8, 3};
    const std::tuple<const char*, const char*, std::vector<Mouse>, QPoint, bool> rows[] = {
        // The name, the control, the steps, where the window that was at (100, 80) is then, and
        // whether it is still being dragged.
        // clang-format off
        {"left drag on the bar", "picTitle", {press(10, 3), move(14, 5)}, {104, 82}, true},
        {"left drag on the label", "lblTitle", {press(10, 3), move(4, 1)}, {94, 78}, true},
        {"release ends the drag", "picTitle", {press(10, 3), move(12, 3), release, move(30, 3)}, {102, 80}, false},
        {"moves accumulate", "picTitle", {press(10, 3), move(13, 3), move(13, 3)}, {106, 80}, true},
        {"second press of a double click", "picTitle", {press(10, 3), release, doubleClick, move(11, 4)}, {103, 81}, true},
        // clang-format on
    };
    for (const auto& [name, control, steps, windowPos, dragging] : rows) {
        SCOPED_TRACE(name);
        QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
        window.setGeometry(100, 80, 400, 300);
        WindowChrome chrome(&window);
        chrome.PlaceTitleBar();
        QWidget* target = window.findChild<QWidget*>(QLatin1String(control));
        ASSERT_NE(target, nullptr);
        for (const Mouse& m : steps) {
            QMouseEvent event(m.type, QPointF(m.x, m.y), target->mapToGlobal(QPointF(m.x, m.y)),
                              m.button, m.held, Qt::NoModifier);
            QApplication::sendEvent(target, &event);
        }
        EXPECT_EQ(window.pos(), windowPos);
        EXPECT_EQ(chrome.bDragging, dragging);
    }
}

// Halves go away from zero; a scale that is no number of twips falls back, and nothing wraps.
TEST(Twips, ConversionsRoundHalvesAwayFromZeroAndNeverWrap) {
    const std::pair<double, int> scales[] = {{96, 15}, {192, 8}, {10000, 1}, {0, 15}, {-96, 15}};
    for (const auto& [dpi, twips] : scales) {
        EXPECT_EQ(twipsPerPixelForDpi(dpi), twips) << dpi;
    }
    const std::tuple<int, int, int> toPixel[] = {{7, 15, 0},           {8, 15, 1},    {6, 12, 1},
                                                 {-6, 12, -1},         {-22, 15, -1}, {30, 0, 30},
                                                 {INT_MIN, 1, INT_MIN}};
    for (const auto& [twips, perPixel, pixels] : toPixel) {
        EXPECT_EQ(toPixels(twips, perPixel), pixels) << twips << "/" << perPixel;
    }
    const std::pair<double, int> toTwip[] = {{-3, -45},   {2.5, 38},          {-2.5, -38},
                                             {10.4, 156}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MIN}};
    for (const auto& [pixels, twips] : toTwip) {
        EXPECT_EQ(toTwips(pixels, 15), twips) << pixels;
    }
    // Rectangles that touch in twips touch in pixels: at 12 twips per pixel, 100 twips is 8.33
    // pixels, and rounding each extent would open a gap.
    for (int tpp : {12, 14, 15, 20}) {
        const QRect a = toPixelRect(0, 0, 100, 50, tpp, tpp);
        const QRect b = toPixelRect(100, 50, 100, 50, tpp, tpp);
        EXPECT_EQ(QPoint(a.x() + a.width(), a.y() + a.height()), b.topLeft()) << tpp;
        EXPECT_EQ(b.x() + b.width(), toPixels(200, tpp)) << tpp;
    }
}
