#include "dialogs/WindowPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace pictavo {

MonitorArea pointerMonitor() {
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return {};
    }
    return {screen->geometry(), screen->availableGeometry(), screen};
}

QRect keptInside(const QRect& rect, const QRect& area) {
    if (area.isEmpty()) {
        return rect;
    }
    const auto axis = [](int from, int extent, int areaFrom, int areaExtent) {
        if (extent >= areaExtent) {
            return areaFrom;
        }
        return std::clamp(from, areaFrom, areaFrom + areaExtent - extent);
    };
    return {QPoint(axis(rect.x(), rect.width(), area.x(), area.width()),
                   axis(rect.y(), rect.height(), area.y(), area.height())),
            rect.size()};
}

QPoint centredIn(const QSize& frame, const QRect& area) {
    const QRect centred(area.x() + (area.width() - frame.width()) / 2,
                        area.y() + (area.height() - frame.height()) / 2, frame.width(),
                        frame.height());
    return keptInside(centred, area).topLeft();
}

void centreOnPointerMonitor(QWidget& window) {
    const QRect work = pointerMonitor().work;
    if (work.isEmpty()) {
        return;
    }
    // move() places the frame's top-left corner; before the window manager has framed the
    // window, the frame is the window itself.
    window.move(centredIn(window.frameGeometry().size(), work));
}

}  // namespace pictavo
