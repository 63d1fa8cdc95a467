#include "output/OverlayPlacement.h"

#include <limits>

#include "controls/Twips.h"

namespace pictavo {

int overlayPositionNumber(const QString& position) {
    if (position.isEmpty()) {
        return 0;
    }
    const QChar first = position.at(0);
    return first >= QLatin1Char('1') && first <= QLatin1Char('9') ? first.unicode() - '0' : 0;
}

QString padOverlayText(const QString& text, const QString& position) {
    static const QString margin = QStringLiteral("  ");
    switch (overlayPositionNumber(position)) {
        case 1:
        case 4:
        case 7:
            return margin + text;
        case 3:
        case 6:
        case 9:
            return text + margin;
        default:
            return text;
    }
}

qint32 roundHalfToEven(qint64 numerator, qint64 denominator) {
    // Floor division, then decide on the remainder, all in integers: a double could not hold
    // every 64-bit numerator, and a rounding mode is global state.
    qint64 quotient = numerator / denominator;
    qint64 remainder = numerator % denominator;
    if (remainder < 0) {
        quotient -= 1;
        remainder += denominator;
    }
    // 0 <= remainder < denominator; compare 2 * remainder with denominator without overflow.
    const qint64 rest = denominator - remainder;
    if (remainder > rest || (remainder == rest && (quotient % 2 != 0))) {
        quotient += 1;
    }
    if (quotient > std::numeric_limits<qint32>::max()) {
        return std::numeric_limits<qint32>::max();
    }
    if (quotient < std::numeric_limits<qint32>::min()) {
        return std::numeric_limits<qint32>::min();
    }
    return static_cast<qint32>(quotient);
}

OverlayCorner placeOverlay(const QString& position, qint64 captureWidth, qint64 captureHeight,
                           qint64 boxWidth, qint64 boxHeight, OverlayCorner previous) {
    const int number = overlayPositionNumber(position);
    if (number == 0) {
        return previous;
    }
    const int column = (number - 1) % 3;
    const int row = (number - 1) / 3;

    OverlayCorner corner;
    switch (column) {
        case 0:
            corner.left = 0;
            break;
        case 1:
            corner.left = roundHalfToEven(captureWidth - boxWidth, 2);
            break;
        default:
            corner.left = roundHalfToEven(captureWidth - boxWidth, 1);
            break;
    }
    switch (row) {
        case 0:
            corner.top = 0;
            break;
        case 1:
            corner.top = roundHalfToEven(captureHeight - boxHeight, 2);
            break;
        default:
            // SH - 1.2 * BH, as (5 * SH - 6 * BH) / 5 so that no decimal fraction is involved.
            corner.top = roundHalfToEven(5 * captureHeight - 6 * boxHeight, 5);
            break;
    }
    return corner;
}

QPoint overlayCornerPixels(OverlayCorner corner, int twipsPerPixelX, int twipsPerPixelY) {
    return QPoint(toPixels(corner.left, twipsPerPixelX), toPixels(corner.top, twipsPerPixelY));
}

}  // namespace pictavo
