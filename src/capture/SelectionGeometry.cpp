#include "capture/SelectionGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pictavo {

namespace {

// One axis in twips: from the smaller end to the start, or past the release by one pixel when
// the release lies beyond the start; at least one twip.
struct Span {
    qint32 from;
    qint32 length;
};

Span twipsSpan(int start, int release, int twipsPerPixel) {
    const qint32 from = std::min(start, release) * twipsPerPixel;
    const qint32 to =
        release > start ? release * twipsPerPixel + twipsPerPixel : start * twipsPerPixel;
    return {from, to == from ? 1 : to - from};
}

}  // namespace

SelectionOnRelease selectionOnRelease(QPoint start, QPoint release, int tx, int ty) {
    SelectionOnRelease s;
    s.cutOut = QRect(std::min(start.x(), release.x()), std::min(start.y(), release.y()),
                     std::abs(release.x() - start.x()), std::abs(release.y() - start.y()));
    const Span x = twipsSpan(start.x(), release.x(), tx);
    const Span y = twipsSpan(start.y(), release.y(), ty);
    s.left = x.from;
    s.width = x.length;
    s.top = y.from;
    s.height = y.length;
    return s;
}

QPoint pointerNearRounded(QPoint rounded, std::optional<QPoint> device, qreal dpr) {
    const int reach = static_cast<int>(std::ceil(dpr));
    if (device && std::abs(device->x() - rounded.x()) <= reach &&
        std::abs(device->y() - rounded.y()) <= reach) {
        return *device;
    }
    return rounded;
}

}  // namespace pictavo
