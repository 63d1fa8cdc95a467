#pragma once

#include <QPoint>
#include <QRect>
#include <QtGlobal>
#include <optional>

namespace pictavo {

// What a release of the selection's drag gives.
struct SelectionOnRelease {
    // The pixels to cut out of the frozen picture, in capture pixels: the drag's extent from
    // its top-left corner. Empty when the drag selects no area (a click, or a drag straight
    // along one axis).
    QRect cutOut;
    // The rectangle in twips as the selection window keeps it (SelLeft, SelTop, SelWidth,
    // SelHeight): a drag to the right or downwards reaches one pixel further than the cut-out
    // on that side, and a side with no extent is one twip long.
    qint32 left = 0;
    qint32 top = 0;
    qint32 width = 0;
    qint32 height = 0;
};

// The selection from the point where the button went down to the point where it came up, both
// in capture pixels, with tx and ty twips per capture pixel horizontally and vertically.
SelectionOnRelease selectionOnRelease(QPoint start, QPoint release, int tx, int ty);

// The device pixel of a pointer event. Qt rounds event positions to whole logical pixels, so
// `rounded` (the logical position times `dpr`) may be off by up to `dpr` device pixels; the
// server's `device` position is exact and is taken when it lies within that reach (the pointer
// has not moved on since). Otherwise, or without one, `rounded`.
QPoint pointerNearRounded(QPoint rounded, std::optional<QPoint> device, qreal dpr);

}  // namespace pictavo
