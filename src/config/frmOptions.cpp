#include "config/frmOptions.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pictavo {

namespace {

// A small camera on a rounded tile, drawn rather than shipped so the plug-in has no resource
// files to lose.
QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2d, 0x6c, 0xb4));
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.2, s * 0.2);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(s * 0.15, s * 0.32, s * 0.7, s * 0.48), s * 0.08, s * 0.08);
    p.drawRect(QRectF(s * 0.36, s * 0.22, s * 0.28, s * 0.14));
    p.setBrush(QColor(0x2d, 0x6c, 0xb4));
    p.drawEllipse(QPointF(s * 0.5, s * 0.56), s * 0.16, s * 0.16);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(s * 0.5, s * 0.56), s * 0.08, s * 0.08);
    return pixmap;
}

}  // namespace

const QIcon& frmOptions::icon() {
    if (icon_.isNull()) {
        for (const int size : {16, 32, 48}) {
            icon_.addPixmap(drawIcon(size));
        }
    }
    return icon_;
}

}  // namespace pictavo
