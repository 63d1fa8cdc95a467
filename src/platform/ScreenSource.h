#pragma once

#include <QImage>
#include <QRect>
#include <memory>

namespace pictavo {

// Pixels from the screen, in device pixels and root-window coordinates.
class ScreenSource {
public:
    virtual ~ScreenSource() = default;

    // The whole virtual screen (all monitors): the root window's rectangle.
    virtual QRect virtualScreen() = 0;
    // The outer rectangle (window-manager frame included) of the window the user is working in;
    // the root's rectangle when there is none.
    virtual QRect foregroundWindowRect() = 0;
    // A copy of `rect` exactly that size. Parts outside the root are black; pixels are opaque.
    // On a 256-colour PseudoColor display the image is indexed with the colormap as its
    // 256-entry colour table.
    virtual QImage grab(const QRect& rect) = 0;
};

// The X11 screen source on Qt's own xcb connection; nullptr when the application does not run
// on X11 (the offscreen platform, for instance).
std::unique_ptr<ScreenSource> makeX11ScreenSource();

}  // namespace pictavo
