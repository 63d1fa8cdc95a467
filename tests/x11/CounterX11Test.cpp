#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "capture/EventLoopWait.h"
#include "capture/frmCounter.h"
#include "platform/RegistryHive.h"
#include "settings/Settings.h"
#include "support/ScriptedDialogs.h"

// The countdown window on the openbox session that main() started: where it appears, whether
// it covers the window below it, and that the window the user is working in keeps the focus.

namespace pictavo {
namespace {

using namespace std::chrono_literals;

bool waitFor(const std::function<bool()>& condition, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

// What the X server says, on a connection of our own, so Qt's idea of the focus is not what is
// being checked.
class ServerView {
public:
    ServerView() : c_(xcb_connect(nullptr, nullptr)) {
        if (!xcb_connection_has_error(c_)) {
            root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        }
    }
    ~ServerView() { xcb_disconnect(c_); }
    ServerView(const ServerView&) = delete;
    ServerView& operator=(const ServerView&) = delete;

    bool isOpen() const { return root_ != 0; }

    // The window manager's active window (_NET_ACTIVE_WINDOW on the root), 0 when unset.
    xcb_window_t activeWindow() {
        auto* reply = xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, root_, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 0, 1),
            nullptr);
        xcb_window_t w = 0;
        if (reply != nullptr && xcb_get_property_value_length(reply) >= 4) {
            w = *static_cast<xcb_window_t*>(xcb_get_property_value(reply));
        }
        std::free(reply);
        return w;
    }

    xcb_window_t inputFocus() {
        auto* reply = xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr);
        const xcb_window_t w = reply != nullptr ? reply->focus : 0;
        std::free(reply);
        return w;
    }

    // The position of a window's top-left corner on the root window.
    QPoint rootPosition(xcb_window_t w) {
        auto* reply = xcb_translate_coordinates_reply(
            c_, xcb_translate_coordinates(c_, w, root_, 0, 0), nullptr);
        const QPoint p = reply != nullptr ? QPoint(reply->dst_x, reply->dst_y) : QPoint(-1, -1);
        std::free(reply);
        return p;
    }

    // The root's child that holds `w` (a window manager's frame, or `w` itself).
    xcb_window_t topLevelOf(xcb_window_t w) {
        for (;;) {
            auto* reply = xcb_query_tree_reply(c_, xcb_query_tree(c_, w), nullptr);
            if (reply == nullptr) {
                return 0;
            }
            const xcb_window_t parent = reply->parent;
            std::free(reply);
            if (parent == root_ || parent == 0) {
                return w;
            }
            w = parent;
        }
    }

    // A window of another program (this connection), left to the window manager to frame, and
    // made the active window as a pager would ask for it.
    xcb_window_t createActiveWindow(const QRect& rect) {
        const xcb_window_t w = xcb_generate_id(c_);
        const uint32_t values[] = {0x0000ffu};  // blue on the 24-bit TrueColor server
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, root_, int16_t(rect.x()), int16_t(rect.y()),
                          uint16_t(rect.width()), uint16_t(rect.height()), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL,
                          values);
        static constexpr char kTitle[] = "Another program";
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            sizeof kTitle - 1, kTitle);
        xcb_map_window(c_, w);
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = w;
        event.type = atom("_NET_ACTIVE_WINDOW");
        event.data.data32[0] = 2;  // the request comes from a pager: no focus-stealing rules
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c_, 0, root_,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        sync();
        return w;
    }

    // A black override-redirect window on the root, mapped (so on top of its siblings).
    xcb_window_t createPopup(const QRect& rect) {
        const xcb_window_t w = xcb_generate_id(c_);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        const uint32_t values[] = {screen->black_pixel, 1};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, root_, int16_t(rect.x()), int16_t(rect.y()),
                          uint16_t(rect.width()), uint16_t(rect.height()), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(c_, w);
        sync();
        return w;
    }
    void destroy(xcb_window_t w) {
        xcb_destroy_window(c_, w);
        sync();
    }

    // Place in the root's stacking order, bottom first; -1 when not a child of the root.
    int stackIndex(xcb_window_t topLevel) {
        auto* reply = xcb_query_tree_reply(c_, xcb_query_tree(c_, root_), nullptr);
        int index = -1;
        if (reply != nullptr) {
            const xcb_window_t* children = xcb_query_tree_children(reply);
            for (int i = 0; i < xcb_query_tree_children_length(reply); ++i) {
                if (children[i] == topLevel) {
                    index = i;
                }
            }
        }
        std::free(reply);
        return index;
    }

private:
    xcb_atom_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return a;
    }
    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
};

QRgb screenPixel(QPoint at) {
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    return screen.pixel(at);
}

class CounterX11 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(server.isOpen());
        settings.checkRegistry();
        settings.setValue(QStringLiteral("Countdown"), QStringLiteral("BackColor"),
                          QStringLiteral("65280"));  // green
        settings.setValue(QStringLiteral("Countdown"), QStringLiteral("FontSize"),
                          QStringLiteral("24"));

        // A window of this program (the host's conversation window, say) under the corner.
        target.setWindowTitle(QStringLiteral("Working window"));
        target.setGeometry(0, 0, 500, 400);
        QPalette p = target.palette();
        p.setColor(QPalette::Window, Qt::blue);
        target.setPalette(p);
        target.setAutoFillBackground(true);
        target.show();
        target.activateWindow();
        ASSERT_TRUE(waitFor([this] {
            return QApplication::activeWindow() == &target &&
                   server.activeWindow() == target.winId();
        })) << "openbox did not activate the test window";
    }

    void TearDown() override { counter.Unload(); }

    QTemporaryDir dir;
    std::unique_ptr<RegistryHive> hive =
        std::make_unique<RegistryHive>(dir.filePath(QStringLiteral("registry.db")));
    test::ScriptedDialogs dialogs;
    Settings settings{*hive, dialogs, [] { return QStringLiteral("user@example.com"); }};
    frmCounter counter{settings};
    QWidget target;
    ServerView server;
};

// Whose window is the one the user works in: this program's or another program's.
class CounterX11Focus : public CounterX11, public ::testing::WithParamInterface<bool> {};

TEST_P(CounterX11Focus, ShowsInTheTopLeftCornerOverTheActiveWindowWithoutTakingTheFocus) {
    xcb_window_t working = static_cast<xcb_window_t>(target.winId());
    if (GetParam()) {
        working = server.createActiveWindow(QRect(0, 0, 400, 300));
        ASSERT_TRUE(waitFor([&] {
            return server.activeWindow() == working && QApplication::activeWindow() == nullptr;
        })) << "openbox did not activate the other program's window";
    }
    const xcb_window_t activeBefore = server.activeWindow();
    const xcb_window_t focusBefore = server.inputFocus();
    QWidget* const qtActiveBefore = QApplication::activeWindow();

    settings.setValue(QString(), QStringLiteral("Count"), QStringLiteral("5"));
    ASSERT_TRUE(counter.Show());
    waitWithEvents(500ms);

    const auto counterWindow = static_cast<xcb_window_t>(counter.window()->winId());
    EXPECT_EQ(server.rootPosition(counterWindow), QPoint(0, 0));
    EXPECT_GT(server.stackIndex(server.topLevelOf(counterWindow)),
              server.stackIndex(server.topLevelOf(working)));
    // The corner shows the countdown's background, not the working window's blue.
    EXPECT_EQ(screenPixel(QPoint(0, 0)), qRgb(0, 255, 0));

    EXPECT_EQ(server.activeWindow(), activeBefore);
    EXPECT_EQ(server.inputFocus(), focusBefore);
    EXPECT_EQ(QApplication::activeWindow(), qtActiveBefore);
    EXPECT_FALSE(counter.window()->isActiveWindow());
    if (GetParam()) {
        server.destroy(working);
    }
}

INSTANTIATE_TEST_SUITE_P(WorkingWindow, CounterX11Focus, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "AnotherProgramsWindow" : "ThisProgramsWindow";
                         });

TEST_F(CounterX11, ComesBackOnTopOfWindowsThatAppearWhileItCounts) {
    settings.setValue(QString(), QStringLiteral("Count"), QStringLiteral("5"));
    ASSERT_TRUE(counter.Show());
    waitWithEvents(300ms);

    // A managed window that appears later: the window manager keeps it below.
    QWidget late;
    late.setWindowTitle(QStringLiteral("Late window"));
    late.setGeometry(0, 0, 300, 200);
    late.show();
    late.activateWindow();
    ASSERT_TRUE(waitFor([&] { return server.activeWindow() == late.winId(); }));
    // Another program's pop-up, mapped on top of everything over the corner.
    const xcb_window_t popup = server.createPopup(QRect(0, 0, 200, 150));
    ASSERT_EQ(screenPixel(QPoint(0, 0)), qRgb(0, 0, 0));

    // The next tick puts the countdown back on top.
    waitWithEvents(1300ms);
    ASSERT_TRUE(counter.isLoaded());
    EXPECT_EQ(counter.Seconds, 4);
    const int countdownPlace =
        server.stackIndex(server.topLevelOf(static_cast<xcb_window_t>(counter.window()->winId())));
    EXPECT_GT(countdownPlace, server.stackIndex(server.topLevelOf(late.winId())));
    EXPECT_GT(countdownPlace, server.stackIndex(popup));
    EXPECT_EQ(screenPixel(QPoint(0, 0)), qRgb(0, 255, 0));
    server.destroy(popup);
}

TEST_F(CounterX11, CountsDownOnItsOwnAndLeavesTheFocusWhereItWas) {
    const xcb_window_t activeBefore = server.activeWindow();
    const xcb_window_t focusBefore = server.inputFocus();

    settings.setValue(QString(), QStringLiteral("Count"), QStringLiteral("2"));
    ASSERT_TRUE(counter.Show());
    waitWithEvents(1500ms);
    ASSERT_TRUE(counter.isLoaded());
    EXPECT_EQ(counter.Seconds, 1);
    waitWithEvents(1000ms);
    EXPECT_FALSE(counter.isLoaded());

    // Gone from the screen too: the corner is the working window again.
    waitFor([] { return screenPixel(QPoint(0, 0)) != qRgb(0, 255, 0); }, 2000);
    EXPECT_NE(screenPixel(QPoint(0, 0)), qRgb(0, 255, 0));
    EXPECT_EQ(server.activeWindow(), activeBefore);
    EXPECT_EQ(server.inputFocus(), focusBefore);
}

}  // namespace
}  // namespace pictavo
