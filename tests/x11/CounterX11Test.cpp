#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <memory>

#include "capture/EventLoopWait.h"
#include "capture/frmCounter.h"
#include "platform/RegistryHive.h"
#include "settings/Settings.h"
#include "support/HostProcess.h"
#include "support/ScriptedDialogs.h"
#include "x11/RawDisplay.h"

// The countdown window on the openbox session that main() started: where it appears, whether
// it covers what lies below it, and that the window the user works in keeps the focus. The
// server is asked on a connection of its own, not through Qt.

namespace pictavo {
namespace {

using namespace std::chrono_literals;

using test::xdotool;

xcb_window_t activeWindow() {
    return xdotool({QStringLiteral("getactivewindow")}).toUInt();
}

QRgb cornerPixel() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().pixel(0, 0);
}

class CounterX11 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.isOpen());
        settings.checkRegistry();
        settings.setValue(QStringLiteral("Countdown"), QStringLiteral("BackColor"),
                          QStringLiteral("65280"));  // green
        settings.setValue(QString(), QStringLiteral("Count"), QStringLiteral("5"));
        // A window of this program (the host's conversation window, say) under the corner.
        own.setGeometry(0, 0, 500, 400);
        own.show();
        own.activateWindow();
        // Qt activates a window only once it is mapped: wait for Qt too, or a late activation
        // could still arrive during the test.
        ASSERT_TRUE(QTest::qWaitFor(
            [this] {
                return activeWindow() == own.winId() && QApplication::activeWindow() == &own;
            },
            10000));
    }

    xcb_window_t inputFocus() {
        auto* reply =
            xcb_get_input_focus_reply(x.connection(), xcb_get_input_focus(x.connection()), nullptr);
        const xcb_window_t w = reply->focus;
        std::free(reply);
        return w;
    }

    xcb_window_t countdownWindow() { return xcb_window_t(counter.window()->winId()); }

    test::RawDisplay x{qgetenv("DISPLAY")};
    QTemporaryDir dir;
    std::unique_ptr<RegistryHive> hive =
        std::make_unique<RegistryHive>(dir.filePath(QStringLiteral("registry.db")));
    test::ScriptedDialogs dialogs;
    Settings settings{*hive, dialogs, [] { return QStringLiteral("user@example.com"); }};
    frmCounter counter{dialogs, settings};
    QWidget own;
};

// Whatever window the user works in, this program's or another program's; and back on top of a
// pop-up mapped while it counts.
TEST_F(CounterX11, AppearsInTheCornerOnTopWithoutTakingTheFocus) {
    for (const bool another : {false, true}) {
        SCOPED_TRACE(another);
        counter.Unload();
        xcb_window_t working = xcb_window_t(own.winId());
        if (another) {
            working =
                x.createWindow(x.root(), QRect(0, 0, 400, 300), 0, x.pixelFor(qRgb(0, 0, 255)));
            xdotool({QStringLiteral("windowactivate"), QString::number(working)});
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    return activeWindow() == working && QApplication::activeWindow() == nullptr;
                },
                10000));
        }
        const xcb_window_t focusBefore = inputFocus();
        QWidget* const qtActiveBefore = QApplication::activeWindow();

        ASSERT_TRUE(counter.Show());
        waitWithEvents(500ms);

        auto* where = xcb_translate_coordinates_reply(
            x.connection(),
            xcb_translate_coordinates(x.connection(), countdownWindow(), x.root(), 0, 0), nullptr);
        EXPECT_EQ(QPoint(where->dst_x, where->dst_y), QPoint(0, 0));
        std::free(where);
        EXPECT_EQ(cornerPixel(), qRgb(0, 255, 0)) << "not on top of the window at the corner";

        EXPECT_EQ(activeWindow(), working);
        EXPECT_EQ(inputFocus(), focusBefore);
        EXPECT_EQ(QApplication::activeWindow(), qtActiveBefore);
        if (another) {
            x.destroy(working);
        }
    }

    // Another program's pop-up (override-redirect, so no window manager keeps it down) mapped
    // over the corner while the countdown runs: by the next tick the countdown is on top again.
    const xcb_window_t popup =
        x.createWindow(x.root(), QRect(0, 0, 200, 150), 0, x.pixelFor(qRgb(0, 0, 0)), true);
    ASSERT_EQ(cornerPixel(), qRgb(0, 0, 0));
    waitWithEvents(1300ms);
    ASSERT_TRUE(counter.isLoaded());
    EXPECT_EQ(cornerPixel(), qRgb(0, 255, 0)) << "not back on top of the pop-up";
    x.destroy(popup);
}

}  // namespace
}  // namespace pictavo
