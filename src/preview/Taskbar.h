#pragma once

class QScreen;

namespace pictavo {

// The height in pixels of the panel space that the window manager reserves at the bottom of
// `screen` (the work area of _NET_WORKAREA ends above it); 0 when nothing is reserved there,
// when there is no screen, or when not running on X11.
int taskbarHeight(const QScreen* screen);

}  // namespace pictavo
