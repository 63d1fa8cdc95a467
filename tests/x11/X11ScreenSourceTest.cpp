#include <gtest/gtest.h>

#include <QPainter>
#include <vector>

#include "capture/modCapture.h"
#include "platform/X11PixelLayout.h"
#include "platform/X11ScreenSource.h"
#include "support/PixelChecks.h"
#include "support/RawDisplay.h"
#include "support/XvfbSession.h"

// The X11 layer: first the conversion of a server's pixel bytes; then servers of its own without
// Qt (which cannot paint on an 8-bit display) and without a window manager, so that every window,
// colour and focus is arranged by the test. (The foreground window on the openbox session that
// main() started, as a user captures it, is PreviewHost.AtScaleTwo...'s.)

namespace pictavo {
namespace {

using test::differingPixels;
using test::RawDisplay;
using test::XvfbSession;

// The layouts a server may hand out that the servers below cannot show: the colours of every
// pixel, opaque, in rows that may be padded; input that cannot be read gives black of the size.
TEST(ZPixmapConversion, GivesOpaqueColoursOfEveryPixel) {
    X11PixelLayout staticColour{.depth = 8,
                                .bitsPerPixel = 8,
                                .colormapped = true,
                                .colormap = QList<QRgb>(256, qRgb(0, 0, 0))};
    staticColour.colormap[1] = qRgb(200, 10, 20);
    staticColour.colormap[7] = qRgb(1, 2, 3);
    // The colours are row by row; none: all black.
    const std::tuple<const char*, X11PixelLayout, QSize, std::vector<uchar>, std::vector<QRgb>>
        rows[] = {
            // clang-format off
        {"32 bits, MSB first", {.bitsPerPixel = 32, .msbFirst = true, .colormap = {}}, QSize(2, 1),
         {0x00, 0x10, 0x20, 0x30, 0x00, 0xfd, 0xfe, 0xff}, {qRgb(0x10, 0x20, 0x30), qRgb(0xfd, 0xfe, 0xff)}},
        // 5 and 6 bit channels stretch to the full 0..255 range: red, then (16, 32, 16).
        {"565, MSB first", {.depth = 16, .bitsPerPixel = 16, .msbFirst = true, .redMask = 0xf800, .greenMask = 0x07e0, .blueMask = 0x001f, .colormap = {}},
         QSize(2, 1), {0xf8, 0x00, 0x84, 0x10}, {qRgb(255, 0, 0), qRgb(132, 130, 132)}},
        // Three 24-bit pixels fill 9 bytes, padded to 12 for each row.
        {"packed 24 bits, rows padded", {.bitsPerPixel = 24, .colormap = {}}, QSize(3, 2),
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xee, 0xee, 0xee, 10, 11, 12, 13, 14, 15, 16, 17, 18, 0xee, 0xee, 0xee},
         {qRgb(3, 2, 1), qRgb(6, 5, 4), qRgb(9, 8, 7), qRgb(12, 11, 10), qRgb(15, 14, 13), qRgb(18, 17, 16)}},
        {"static colour looks up", staticColour, QSize(2, 1), {1, 7, 0xee, 0xee},
         {qRgb(200, 10, 20), qRgb(1, 2, 3)}},
        {"buffer one byte short", {}, QSize(5, 2), std::vector<uchar>(4 * 5 * 2 - 1, 0x7f), {}},
        {"one bit a pixel", {.depth = 1, .bitsPerPixel = 1, .colormap = {}}, QSize(5, 2), std::vector<uchar>(100, 0x7f), {}},
            // clang-format on
        };
    for (const auto& [name, layout, size, bytes, colours] : rows) {
        SCOPED_TRACE(name);
        QImage expected(size, QImage::Format_RGB32);
        expected.fill(Qt::black);
        for (size_t i = 0; i < colours.size(); ++i) {
            expected.setPixel(int(i) % size.width(), int(i) / size.width(), colours[i]);
        }

        // Borrowed bytes, which the conversion only reads.
        const ZPixmapBuffer buffer{.owner = {},
                                   .bits = const_cast<uchar*>(bytes.data()),
                                   .length = qsizetype(bytes.size())};
        const QImage image = imageFromZPixmap(layout, buffer, size);

        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        EXPECT_EQ(differingPixels(image, expected), 0);
        EXPECT_EQ(test::storedTranslucentPixels(image), 0);
    }
}

constexpr QSize kScreen(320, 200);

// A bare server of the given depth that also listens on TCP, a connection to arrange it, and
// sources reading it through shared memory, through GetImage replies, and through TCP as a
// display on another machine is read.
struct BareDisplay {
    explicit BareDisplay(int depth)
        : session(XvfbSession::Options{
              .size = kScreen, .depth = depth, .windowManager = false, .tcp = true}),
          raw(session.displayName()),
          source(X11ScreenSource::open(session.displayName())),
          plain(X11ScreenSource::open(session.displayName(), X11ScreenSource::Transport::GetImage)),
          remote(X11ScreenSource::open(session.tcpDisplayName())) {}

    bool ready() const { return session.isRunning() && raw.isOpen() && source && plain && remote; }

    XvfbSession session;
    RawDisplay raw;
    std::unique_ptr<X11ScreenSource> source;
    std::unique_ptr<X11ScreenSource> plain;
    std::unique_ptr<X11ScreenSource> remote;
};

// Each kind of display (8 bits with a colour table, 16, 24 and 30 bits of true colour) read
// each way shows every colour opaque, and black for the parts of a grab off the screen. A
// display on another machine cannot take a segment of this one: it is read through GetImage.
TEST(X11Depth, VirtualScreenShowsEveryColourOpaque) {
    const QRect screen(QPoint(0, 0), kScreen);
    const std::pair<QRect, QRgb> fills[] = {{screen, qRgb(0, 0, 0)},
                                            {QRect(10, 10, 50, 40), qRgb(255, 0, 0)},
                                            {QRect(100, 50, 30, 30), qRgb(0, 0, 255)},
                                            {QRect(200, 100, 40, 60), qRgb(255, 255, 255)},
                                            {QRect(300, 190, 20, 10), qRgb(0, 255, 0)}};
    QImage model(kScreen, QImage::Format_RGB32);
    for (const int depth : {8, 16, 24, 30}) {
        SCOPED_TRACE(depth);
        BareDisplay display(depth);
        ASSERT_TRUE(display.ready()) << qPrintable(display.session.error());
        RawDisplay& raw = display.raw;
        for (const auto& [rect, colour] : fills) {
            raw.fill(raw.root(), rect, raw.pixelFor(colour));
            QPainter(&model).fillRect(rect, QColor(colour));
        }

        const CapturePicture picture = CaptureVirtualScreen(*display.source);
        EXPECT_TRUE(display.source->lastGrabWasShared());
        EXPECT_EQ(CaptureVirtualScreen(*display.plain).image(), picture.image());
        EXPECT_FALSE(display.plain->lastGrabWasShared());
        EXPECT_EQ(CaptureVirtualScreen(*display.remote).image(), picture.image());
        EXPECT_FALSE(display.remote->lastGrabWasShared());
        // On 8 bits the pixels are the display's own pixel values, which the colour table (its
        // palette) maps to the colours.
        EXPECT_EQ(picture.hasPalette(), depth == 8);
        if (depth == 8) {
            EXPECT_EQ(uint32_t(picture.image().pixelIndex(10, 10)), raw.pixelFor(qRgb(255, 0, 0)));
        }

        // Through the shared segment (which grows and is reused from grab to grab) and through
        // GetImage.
        for (const QRect rect : {QRect(-5, -7, 30, 30), QRect(310, 188, 30, 30),
                                 QRect(-3, -4, kScreen.width() + 10, kScreen.height() + 10)}) {
            const QImage grabbed = display.source->grab(rect);
            EXPECT_EQ(display.plain->grab(rect), grabbed);
            EXPECT_EQ(differingPixels(grabbed, model.copy(rect)), 0) << rect.x() << "," << rect.y();
        }
        // The picture holds the memory it was read into: the later grabs went elsewhere.
        EXPECT_EQ(differingPixels(picture.image(), model), 0);
        EXPECT_EQ(test::storedTranslucentPixels(picture.image()), 0);
    }
}

// On a bare display: a window manager's frame with its client inside, a plain top-level with a
// border, a top-level that is not mapped (minimised), a window that no longer exists, and a
// window off the screen where a window manager parks the focus when no client is left. The
// foreground window is the active window's frame, then the focus, then the root; its surface is
// the whole window, border included.
TEST(X11Windows, ForegroundAndTaskbarAreAsTheUserSeesThem) {
    BareDisplay display(24);
    ASSERT_TRUE(display.ready()) << qPrintable(display.session.error());
    RawDisplay& raw = display.raw;
    const QRect frameRect(50, 40, 200, 150);
    const xcb_window_t frame = raw.createWindow(raw.root(), frameRect, 0, 0);
    const xcb_window_t client = raw.createWindow(frame, QRect(4, 20, 192, 126), 0, 0);
    const xcb_window_t plain = raw.createWindow(raw.root(), QRect(230, 10, 60, 30), 2, 0);
    const xcb_window_t hidden = raw.createWindow(raw.root(), QRect(5, 5, 20, 20), 0, 0);
    xcb_unmap_window(raw.connection(), hidden);
    const xcb_window_t gone = raw.createWindow(raw.root(), QRect(5, 5, 20, 20), 0, 0);
    raw.destroy(gone);
    const xcb_window_t parked = raw.createWindow(raw.root(), QRect(-100, -100, 1, 1), 0, 0);
    const QRect root(QPoint(0, 0), kScreen);
    const QRect plainOuter(230, 10, 64, 34);

    const xcb_window_t none = XCB_WINDOW_NONE;
    const xcb_window_t pointerRoot = XCB_INPUT_FOCUS_POINTER_ROOT;
    const std::tuple<const char*, xcb_window_t, xcb_window_t, QRect> foregrounds[] = {
        {"nothing active, focus follows the pointer", none, pointerRoot, root},
        {"active client widened to its frame", client, pointerRoot, frameRect},
        {"focus without an active window", none, plain, plainOuter},
        {"vanished active window falls to the focus", gone, plain, plainOuter},
        {"unmapped active window falls to the root", hidden, pointerRoot, root},
        {"focus parked off the screen gives the root", none, parked, root},
    };
    for (const auto& [name, active, focus, expected] : foregrounds) {
        xcb_set_input_focus(raw.connection(), XCB_INPUT_FOCUS_POINTER_ROOT, focus,
                            XCB_CURRENT_TIME);
        raw.setRootProperty("_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, {active});
        EXPECT_EQ(display.source->foregroundWindowRect(), expected) << name;
    }

    // The taskbar is the screen below the current desktop's work area.
    const uint32_t w = kScreen.width();
    const uint32_t h = kScreen.height();
    // The work area is x, y, width, height for each desktop.
    using Cardinals = std::vector<uint32_t>;
    const std::tuple<const char*, Cardinals, Cardinals, int> taskbars[] = {
        {"no work area", {}, {}, 0},
        {"panel along the bottom", {0, 0, w, h - 30}, {}, 30},
        {"panel along the top only", {0, 24, w, h - 24}, {}, 0},
        {"the current desktop's area", {0, 0, w, h, 0, 0, w, h - 40}, {1}, 40},
        {"a desktop without an area takes the first", {0, 0, w, h - 10}, {3}, 10},
        {"an empty area tells nothing", {0, 0, 0, 0}, {}, 0},
    };
    for (const auto& [name, workArea, currentDesktop, expected] : taskbars) {
        raw.setRootProperty("_NET_WORKAREA", XCB_ATOM_CARDINAL, workArea);
        raw.setRootProperty("_NET_CURRENT_DESKTOP", XCB_ATOM_CARDINAL, currentDesktop);
        EXPECT_EQ(display.source->taskbarHeight(), expected) << name;
    }
}

}  // namespace
}  // namespace pictavo
