#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/modCapture.h"
#include "platform/X11ScreenSource.h"
#include "support/PixelChecks.h"
#include "support/XvfbSession.h"
#include "x11/RawDisplay.h"

// The X11 layer on servers of its own, without Qt (which cannot paint on an 8-bit display) and
// without a window manager, so that every window, colour and focus is arranged by the test.

namespace pictavo {
namespace {

using test::RawDisplay;
using test::XvfbSession;

constexpr QSize kScreen(320, 200);

// A bare server of the given depth, a connection to arrange it, a source reading it through
// shared memory and one reading it through GetImage replies.
struct BareDisplay {
    explicit BareDisplay(int depth)
        : session(XvfbSession::Options{kScreen, depth, false, 20000}),
          raw(session.displayName()),
          source(X11ScreenSource::open(session.displayName())),
          plain(
              X11ScreenSource::open(session.displayName(), X11ScreenSource::Transport::GetImage)) {}

    bool ready() const { return session.isRunning() && raw.isOpen() && source && plain; }

    XvfbSession session;
    RawDisplay raw;
    std::unique_ptr<X11ScreenSource> source;
    std::unique_ptr<X11ScreenSource> plain;
};

// Each kind of display: 8 bits with a colour table, and 16, 24 and 30 bits of true colour.
struct DepthCase {
    int depth;
    bool palette;
};
const DepthCase kDepths[] = {{8, true}, {16, false}, {24, false}, {30, false}};

// Every colour opaque, and black for the parts of a grab off the screen.
TEST(X11Depth, VirtualScreenShowsEveryColourOpaque) {
    for (const DepthCase& param : kDepths) {
        SCOPED_TRACE(param.depth);
        BareDisplay display(param.depth);
        ASSERT_TRUE(display.ready()) << qPrintable(display.session.error());
        RawDisplay& raw = display.raw;
        // Each colour fills a rectangle on black; the probe is a corner of it.
        const struct {
            QRect rect;
            QRgb colour;
            QPoint probe;
        } fills[] = {{QRect(QPoint(0, 0), kScreen), qRgb(0, 0, 0), {60, 50}},
                     {QRect(10, 10, 50, 40), qRgb(255, 0, 0), {10, 10}},
                     {QRect(100, 50, 30, 30), qRgb(0, 0, 255), {129, 79}},
                     {QRect(200, 100, 40, 60), qRgb(255, 255, 255), {200, 159}},
                     {QRect(300, 190, 20, 10), qRgb(0, 255, 0), {319, 199}}};
        for (const auto& f : fills) {
            raw.fill(raw.root(), f.rect, raw.pixelFor(f.colour));
        }

        const CapturePicture picture = CaptureVirtualScreen(*display.source);

        ASSERT_EQ(picture.size(), kScreen);
        EXPECT_TRUE(display.source->lastGrabWasShared());
        EXPECT_EQ(CaptureVirtualScreen(*display.plain).image(), picture.image());
        EXPECT_FALSE(display.plain->lastGrabWasShared());
        EXPECT_EQ(picture.hasPalette(), param.palette);
        const QImage& image = picture.image();
        for (const auto& f : fills) {
            EXPECT_EQ(image.pixel(f.probe), f.colour) << f.probe.x() << "," << f.probe.y();
        }
        EXPECT_EQ(test::storedTranslucentPixels(image), 0);
        if (param.palette) {
            // The pixels are the display's pixel values, and the colour table maps them to their
            // colours.
            EXPECT_EQ(picture.palette().size(), 256);
            for (const auto& f : fills) {
                const int index = image.pixelIndex(f.probe);
                EXPECT_EQ(uint32_t(index), raw.pixelFor(f.colour));
                EXPECT_EQ(picture.palette().value(index), f.colour);
            }
        } else {
            EXPECT_EQ(image.format(), QImage::Format_RGB32);
            EXPECT_TRUE(picture.palette().isEmpty());
        }

        // Parts off the screen are black, through the shared segment (which grows and is
        // reused from grab to grab) and through GetImage.
        const QRect screen(QPoint(0, 0), kScreen);
        raw.fill(raw.root(), screen, raw.pixelFor(qRgb(0, 255, 0)));
        for (const QRect rect : {QRect(-5, -7, 30, 30), QRect(310, 188, 30, 30),
                                 QRect(-3, -4, kScreen.width() + 10, kScreen.height() + 10)}) {
            const QImage grabbed = display.source->grab(rect);
            EXPECT_EQ(display.plain->grab(rect), grabbed);
            ASSERT_EQ(grabbed.size(), rect.size());
            EXPECT_EQ(grabbed.format() == QImage::Format_Indexed8, param.palette);
            int wrong = 0;
            for (int y = 0; y < grabbed.height(); ++y) {
                for (int x = 0; x < grabbed.width(); ++x) {
                    const bool onScreen = screen.contains(rect.topLeft() + QPoint(x, y));
                    wrong += grabbed.pixel(x, y) != (onScreen ? qRgb(0, 255, 0) : qRgb(0, 0, 0));
                }
            }
            EXPECT_EQ(wrong, 0) << rect.x() << "," << rect.y();
        }
    }
}

// A display on another machine cannot take a segment of this one: its pixels come as GetImage
// replies, and the connection stays sound.
TEST(X11RemoteDisplay, IsReadThroughGetImage) {
    XvfbSession session(XvfbSession::Options{kScreen, 24, false, 20000, true});
    ASSERT_TRUE(session.isRunning()) << qPrintable(session.error());
    RawDisplay raw(session.displayName());
    raw.fill(raw.root(), QRect(QPoint(0, 0), kScreen), raw.pixelFor(qRgb(0, 0, 255)));
    const auto source = X11ScreenSource::open(session.tcpDisplayName());
    ASSERT_NE(source, nullptr);

    const QImage image = source->grab(QRect(10, 10, 40, 30));

    EXPECT_FALSE(source->lastGrabWasShared());
    QImage blue(40, 30, QImage::Format_RGB32);
    blue.fill(qRgb(0, 0, 255));
    EXPECT_EQ(image, blue);
    EXPECT_EQ(xcb_connection_has_error(source->connection()), 0);
}

// A window manager's frame F with its client C inside, a plain top-level W with a border, a
// top-level H that is not mapped (minimised), a window G that no longer exists, and a window
// off the screen where a window manager parks the focus when no client is left.
class X11Windows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(display.ready()) << qPrintable(display.session.error());
        RawDisplay& raw = display.raw;
        frame = raw.createWindow(raw.root(), kFrame, 0, raw.pixelFor(qRgb(0, 0, 255)));
        client = raw.createWindow(frame, QRect(4, 20, 192, 126), 0, raw.pixelFor(qRgb(255, 0, 0)));
        plain =
            raw.createWindow(raw.root(), QRect(230, 10, 60, 30), 2, raw.pixelFor(qRgb(0, 255, 0)));
        hidden = raw.createWindow(raw.root(), QRect(5, 5, 20, 20), 0, 0);
        raw.unmap(hidden);
        gone = raw.createWindow(raw.root(), QRect(5, 5, 20, 20), 0, 0);
        raw.destroy(gone);
        parked = raw.createWindow(raw.root(), QRect(-100, -100, 1, 1), 0, 0);
    }

    static constexpr QRect kFrame{50, 40, 200, 150};
    BareDisplay display{24};
    xcb_window_t frame = 0, client = 0, plain = 0, hidden = 0, gone = 0, parked = 0;
};

TEST_F(X11Windows, ForegroundIsTheActiveWindowsFrameThenTheFocusThenTheRoot) {
    const QRect root(QPoint(0, 0), kScreen);
    const QRect plainOuter(230, 10, 64, 34);
    const xcb_window_t none = XCB_WINDOW_NONE;
    const xcb_window_t pointerRoot = XCB_INPUT_FOCUS_POINTER_ROOT;
    const struct {
        const char* name;
        xcb_window_t active;
        xcb_window_t focus;
        QRect expected;
    } rows[] = {
        {"nothing active, focus follows the pointer", none, pointerRoot, root},
        {"active client widened to its frame", client, pointerRoot, kFrame},
        {"focus without an active window", none, plain, plainOuter},
        {"vanished active window falls to the focus", gone, plain, plainOuter},
        {"unmapped active window falls to the root", hidden, pointerRoot, root},
        {"focus parked off the screen gives the root", none, parked, root},
    };
    for (const auto& row : rows) {
        display.raw.setActiveWindow(row.active);
        display.raw.focus(row.focus);
        EXPECT_EQ(display.source->foregroundWindowRect(), row.expected) << row.name;
    }
    display.raw.setActiveWindow(client);
    EXPECT_EQ(display.source->foregroundWindow(), frame);
}

TEST_F(X11Windows, WindowSurfaceIsItsOwnAreaOrItsWholeFrame) {
    const struct {
        const char* name;
        WindowId window;
        bool clientArea;
        QRect expected;
    } rows[] = {
        {"client area of a framed client", client, true, QRect(54, 60, 192, 126)},
        {"whole window of a framed client is the frame", client, false, kFrame},
        {"client area lies inside the border", plain, true, QRect(232, 12, 60, 30)},
        {"whole window takes the border in", plain, false, QRect(230, 10, 64, 34)},
        {"root", kRootWindow, false, QRect(QPoint(0, 0), kScreen)},
        {"vanished window", gone, true, QRect()},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(display.source->windowRect(row.window, row.clientArea), row.expected) << row.name;
    }
}

TEST_F(X11Windows, TaskbarIsTheScreenBelowTheCurrentDesktopsWorkArea) {
    const uint32_t w = kScreen.width();
    const uint32_t h = kScreen.height();
    const struct {
        const char* name;
        std::vector<uint32_t> workArea;  // x, y, width, height for each desktop
        std::vector<uint32_t> currentDesktop;
        int expected;
    } rows[] = {
        {"no work area", {}, {}, 0},
        {"panel along the bottom", {0, 0, w, h - 30}, {}, 30},
        {"panel along the top only", {0, 24, w, h - 24}, {}, 0},
        {"the current desktop's area", {0, 0, w, h, 0, 0, w, h - 40}, {1}, 40},
        {"a desktop without an area takes the first", {0, 0, w, h - 10}, {3}, 10},
        {"an empty area tells nothing", {0, 0, 0, 0}, {}, 0},
    };
    for (const auto& row : rows) {
        display.raw.setRootProperty("_NET_WORKAREA", XCB_ATOM_CARDINAL, row.workArea);
        display.raw.setRootProperty("_NET_CURRENT_DESKTOP", XCB_ATOM_CARDINAL, row.currentDesktop);
        EXPECT_EQ(display.source->taskbarHeight(), row.expected) << row.name;
    }
}

}  // namespace
}  // namespace pictavo
