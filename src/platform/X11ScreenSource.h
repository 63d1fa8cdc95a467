#pragma once

#include <xcb/xcb.h>

#include <QByteArray>
#include <memory>
#include <vector>

#include "platform/ScreenSource.h"
#include "platform/X11PixelLayout.h"
#include "platform/X11SharedSegment.h"
#include "platform/XcbConnection.h"
#include "platform/XcbReply.h"

namespace pictavo {

// The screen of an X display, read through xcb. It works on any connection and screen, so the
// same code serves Qt's own connection in the plug-in (makeX11ScreenSource) and a private
// connection where Qt cannot run (an 8-bit display) or is not wanted (benchmarks).
//
// Grabs read the root window, so a window's picture shows whatever covers it, as on the
// screen. Every call asks the server afresh (root size after a RandR change, the active
// window, the colormap of a PseudoColor display); nothing is cached but the pixel layout and
// an atom. X errors never escape as such: a failed look-up reads as "no such window", a failed
// read of pixels throws ScreenReadError.
//
// Pixels come through a segment shared with the server (X11SharedSegment) where the server
// offers one, through GetImage replies otherwise; both give the same picture.
class X11ScreenSource final : public ScreenSource {
public:
    enum class Transport {
        // Shared memory where the server can take it, GetImage elsewhere.
        SharedMemoryWhenLocal,
        // GetImage only, as on a remote display.
        GetImage,
    };

    // Uses `connection` (not owned: it must outlive the source) and its screen `screenNumber`
    // (the first screen when there is no such screen).
    X11ScreenSource(xcb_connection_t* connection, int screenNumber,
                    Transport transport = Transport::SharedMemoryWhenLocal);
    // Uses `connection`, owned or borrowed.
    X11ScreenSource(XcbConnection connection, int screenNumber, Transport transport);
    // Opens a connection of its own to `displayName` (":3"; empty for $DISPLAY), closed with
    // the source. nullptr when the display cannot be opened.
    static std::unique_ptr<X11ScreenSource> open(
        const QByteArray& displayName, Transport transport = Transport::SharedMemoryWhenLocal);
    // On Qt's own xcb connection; nullptr when the application does not run on X11.
    static std::unique_ptr<X11ScreenSource> onQtConnection();
    ~X11ScreenSource() override;
    X11ScreenSource(const X11ScreenSource&) = delete;
    X11ScreenSource& operator=(const X11ScreenSource&) = delete;

    QRect virtualScreen() override;
    QRect foregroundWindowRect() override;
    QRect windowRect(WindowId window, bool clientArea) override;
    QImage grab(const QRect& rect) override;
    // From the current desktop's entry of _NET_WORKAREA on the root.
    int taskbarHeight() override;

    // The top-level window (the window manager's frame, a child of the root) of the window
    // named by _NET_ACTIVE_WINDOW; failing that, of the window with the input focus; failing
    // both, kRootWindow. Only a top-level that is mapped and at least partly on the screen
    // counts.
    WindowId foregroundWindow();
    // The ancestor of `window` that is a child of the root (the window itself when it is one);
    // 0 when the window does not exist or lives on another screen.
    WindowId topLevelOf(WindowId window);
    // The pixels of `window` itself (inside its border), read from the window rather than from
    // the screen: what a rootless X server keeps of its windows where it cannot read the screen.
    // Throws ScreenReadError.
    QImage grabWindowContents(WindowId window);

    xcb_connection_t* connection() const { return connection_; }
    xcb_window_t root() const { return root_; }
    // The layout as of now: for colormapped displays the colormap is read afresh.
    X11PixelLayout pixelLayout();
    // Whether the pixels of the last grab came through shared memory.
    bool lastGrabWasShared() const { return lastGrabWasShared_; }

private:
    xcb_window_t activeWindowProperty();
    // The 32-bit CARDINAL values of the root's property `name`; none when it is not set.
    std::vector<quint32> rootCardinals(const char* name);
    xcb_window_t focusWindow();
    // Mapped, with all its ancestors, and at least partly on the screen.
    bool isShown(xcb_window_t topLevel);
    // A plain GetImage; null with the X error code in `error` (-1 for a broken connection).
    XcbReply<xcb_get_image_reply_t> getImage(xcb_drawable_t drawable, const QRect& rect,
                                             int& error);
    static ScreenReadError readError(int error);
    // `rect` of `drawable`, in its coordinates. Throws ScreenReadError.
    QImage fetch(const X11PixelLayout& layout, xcb_drawable_t drawable, const QRect& rect);

    // Declared first, so that it ends last: the segment is detached through it.
    XcbConnection owner_;
    xcb_connection_t* connection_;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    xcb_colormap_t defaultColormap_ = XCB_NONE;
    int colormapEntries_ = 0;
    X11PixelLayout layout_;
    xcb_atom_t activeWindowAtom_ = XCB_ATOM_NONE;
    // Null for Transport::GetImage.
    std::unique_ptr<X11SharedSegment> shared_;
    bool lastGrabWasShared_ = false;
    // The X error of a plain read of the root's first pixel (0: none); -1 until tried.
    int rootReadError_ = -1;
};

}  // namespace pictavo
