#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include "capture/EventLoopWait.h"
#include "capture/frmCounter.h"
#include "platform/RegistryHive.h"
#include "settings/Settings.h"
#include "support/HostProcess.h"
#include "support/ScriptedDialogs.h"
#include "x11/RawDisplay.h"

// The countdown window on the openbox session that main() started: where it appears, whether
// it covers what lies below it, and that the window the user works in keeps the focus. The
// server is asked through xdotool and a connection of its own, not through Qt.

namespace pictavo {
namespace {

using namespace std::chrono_literals;

using test::xdotool;

QString activeWindow() {
    return xdotool({QStringLiteral("getactivewindow")});
}

QString inputFocus() {
    return xdotool({QStringLiteral("getwindowfocus"), QStringLiteral("-f")});
}

QRgb cornerPixel() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().pixel(0, 0);
}

// Whatever window the user works in, this program's (the host's conversation window, say) or
// another program's; and back on top of a pop-up mapped while it counts.
TEST(CounterX11, AppearsInTheCornerOnTopWithoutTakingTheFocus) {
    test::RawDisplay x(qgetenv("DISPLAY"));
    ASSERT_TRUE(x.isOpen());
    RegistryHive hive(RegistryHive::defaultPath());
    test::ScriptedDialogs dialogs;
    Settings settings(hive, dialogs, [] { return QStringLiteral("user@example.com"); });
    settings.checkRegistry();
    settings.setValue(QStringLiteral("Countdown"), QStringLiteral("BackColor"),
                      QStringLiteral("65280"));  // green
    settings.setValue(QString(), QStringLiteral("Count"), QStringLiteral("5"));
    frmCounter counter(dialogs, settings);
    QWidget own;
    own.setGeometry(0, 0, 500, 400);
    own.show();
    own.activateWindow();
    for (const bool another : {false, true}) {
        SCOPED_TRACE(another);
        counter.Unload();
        QString working = QString::number(own.winId());
        if (another) {
            working = QString::number(
                x.createWindow(x.root(), QRect(0, 0, 400, 300), 0, x.pixelFor(qRgb(0, 0, 255))));
            xdotool({QStringLiteral("windowactivate"), working});
        }
        // Qt activates a window only once it is mapped: wait for Qt too, or a late activation
        // could still arrive during the test.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return activeWindow() == working &&
                       QApplication::activeWindow() == (another ? nullptr : &own);
            },
            10000));
        const QString focusBefore = inputFocus();

        ASSERT_TRUE(counter.Show());
        waitWithEvents(500ms);

        auto* where = xcb_translate_coordinates_reply(
            x.connection(),
            xcb_translate_coordinates(x.connection(), xcb_window_t(counter.window()->winId()),
                                      x.root(), 0, 0),
            nullptr);
        EXPECT_EQ(QPoint(where->dst_x, where->dst_y), QPoint(0, 0));
        std::free(where);
        EXPECT_EQ(cornerPixel(), qRgb(0, 255, 0)) << "not on top of the window at the corner";
        EXPECT_EQ(activeWindow(), working);
        EXPECT_EQ(inputFocus(), focusBefore);
        EXPECT_EQ(QApplication::activeWindow(), another ? nullptr : &own);
        if (another) {
            x.destroy(working.toUInt());
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
