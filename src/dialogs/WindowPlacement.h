#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QScreen;
class QWidget;

namespace pictavo {

// Every window of the plug-in opens on the monitor the user is looking at: the one that holds
// the pointer. Positions are Qt's logical pixels on the virtual desktop.

// The monitor that holds the pointer: its whole area and its work area (without the panels
// the desktop reserves). The primary monitor's when the pointer is on none; empty without any
// screen.
struct MonitorArea {
    QRect geometry;
    QRect work;
    const QScreen* screen = nullptr;
};
MonitorArea pointerMonitor();

// `rect` moved as little as possible to lie inside `area`; a rect larger than the area on an
// axis keeps its top-left corner on the area's edge on that axis, so its title stays in reach.
QRect keptInside(const QRect& rect, const QRect& area);

// The top-left corner of a frame of `frame` centred in `area` (halves round down), kept inside.
QPoint centredIn(const QSize& frame, const QRect& area);

// Centres the top-level `window` (its frame included, when it has one yet) in the work area of
// the pointer's monitor.
void centreOnPointerMonitor(QWidget& window);

}  // namespace pictavo
