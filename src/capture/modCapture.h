#pragma once

#include <QImage>
#include <QList>

#include "platform/CapturePicture.h"
#include "platform/ScreenSource.h"

namespace pictavo {

// The capture primitives: pixels from the screen wrapped as a CapturePicture. They hide no
// windows and wait for nothing; whoever calls them has done that. They keep no state: every
// call asks the screen source afresh. A read that fails throws ScreenReadError.

// A picture that owns `bitmap` and, when `palette` holds exactly 256 colours and the bitmap is
// indexed (Indexed8), that palette as the bitmap's colour table. An indexed bitmap without such
// a palette is expanded to opaque RGB32 through its own colour table, so a picture carries a
// palette exactly when it was given one. Pixels always come out opaque.
CapturePicture PictureFromBitmap(QImage bitmap, const QList<QRgb>& palette = {});

// A picture of exactly width × height pixels copied from `window`'s surface, starting at (left,
// top) within it. `window` is an X window id, or kRootWindow for the whole virtual screen (its
// surface origin is the screen's origin). `clientArea` true: the surface is the window's own
// drawing area (without the frame a window manager put around it); false: the whole window as
// the user sees it, frame and title bar included. The copy is taken from the screen, so what
// covers the window shows; parts off the screen are black, and a window that does not exist
// gives an all-black picture. A width or height below 1 gives an empty picture.
CapturePicture CaptureWindowArea(ScreenSource& screen, WindowId window, bool clientArea, int left,
                                 int top, int width, int height);

// The whole virtual screen: every monitor, as one picture of the root window's size.
CapturePicture CaptureVirtualScreen(ScreenSource& screen);

// The window the user is working in, as the screen shows it, with its frame and title bar; the
// whole screen when no window is active.
CapturePicture CaptureForegroundWindow(ScreenSource& screen);

}  // namespace pictavo
