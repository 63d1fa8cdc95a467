#include "preview/Taskbar.h"

#include <QGuiApplication>
#include <QScreen>

namespace pictavo {

int taskbarHeight(const QScreen* screen) {
    // On xcb Qt derives the available geometry from _NET_WORKAREA; other platforms (the
    // offscreen one of the tests among them) have no panels of the window manager.
    if (screen == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) {
        return 0;
    }
    const QRect all = screen->geometry();
    const QRect work = screen->availableGeometry();
    if (work.isEmpty()) {
        return 0;
    }
    const int bottom = all.y() + all.height();
    const int workBottom = work.y() + work.height();
    return workBottom < bottom ? bottom - workBottom : 0;
}

}  // namespace pictavo
