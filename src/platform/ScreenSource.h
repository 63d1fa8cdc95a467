#pragma once

#include <QImage>
#include <QRect>
#include <QtGlobal>
#include <functional>
#include <memory>

#include "platform/PictavoError.h"

namespace pictavo {

// A top-level window of the display: an X window id. 0 stands for the root window (the whole
// virtual screen), whose surface origin is the origin of screen coordinates.
using WindowId = quint32;
inline constexpr WindowId kRootWindow = 0;

// A read of the screen that failed; the message says why, in words for the user. A failed read
// never passes for a picture (a black one, say).
class ScreenReadError : public PictavoError {
public:
    using PictavoError::PictavoError;
};

// Pixels from the screen, in device pixels and root-window coordinates.
class ScreenSource {
public:
    virtual ~ScreenSource() = default;

    // Where a source says what it did in place of what was asked (for the diagnostic log).
    void setLog(std::function<void(const QString&)> log) { log_ = std::move(log); }

    // The whole virtual screen (all monitors): the root window's rectangle.
    virtual QRect virtualScreen() = 0;
    // The outer rectangle (window-manager frame included) of the window the user is working in;
    // the root's rectangle when there is none.
    virtual QRect foregroundWindowRect() = 0;
    // The surface of `window` in screen coordinates: with `clientArea` the window's own drawing
    // area (inside its border, without the frame a window manager added around it); without it
    // the whole window as the user sees it, frame, title bar and border included. kRootWindow
    // gives the virtual screen either way. A null rectangle when the window does not exist.
    virtual QRect windowRect(WindowId window, bool clientArea) = 0;
    // A copy of `rect` exactly that size, as the screen shows it (windows covering others
    // included). Parts outside the root are black; pixels are opaque. On a 256-colour
    // PseudoColor display the image is indexed with the colormap as its 256-entry colour table.
    // Throws ScreenReadError when the screen cannot be read.
    virtual QImage grab(const QRect& rect) = 0;
    // The whole virtual screen, as grab(virtualScreen()) reads it. Throws ScreenReadError.
    virtual QImage grabVirtualScreen() { return grab(virtualScreen()); }
    // The window the user works in, as grab(foregroundWindowRect()) reads it: the rectangle is
    // looked up once, as the focus may move meanwhile. Throws ScreenReadError.
    virtual QImage grabForegroundWindow() { return grab(foregroundWindowRect()); }
    // Pixels of the pictures per device pixel of the windows' screen: 1 where both are one (X11);
    // a desktop that scales its outputs gives pictures in its own pixels, and then its scale, as of
    // the last picture read.
    virtual qreal pictureScale() { return 1.0; }
    // The height in device pixels of the panel space that the window manager reserves along the
    // bottom of the virtual screen (its work area ends that far above the bottom); 0 when it
    // reserves none there or tells nothing.
    virtual int taskbarHeight() = 0;

protected:
    void log(const QString& line) const {
        if (log_) {
            log_(line);
        }
    }

private:
    std::function<void(const QString&)> log_;
};

// The X11 screen source on Qt's own xcb connection; nullptr when the application does not run
// on X11 (the offscreen platform, for instance).
std::unique_ptr<ScreenSource> makeX11ScreenSource();
// The desktop portal's screen source, with the X11 source on XWayland for the active window where
// the application runs on XWayland. Declared in PortalScreenSource.h.
std::unique_ptr<ScreenSource> makePortalScreenSource();

}  // namespace pictavo
