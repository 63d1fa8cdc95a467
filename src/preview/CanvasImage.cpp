#include "preview/CanvasImage.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace pictavo {

namespace {

QRgb opaque(QColor colour) {
    return colour.rgb() | 0xff000000u;
}

// The first integer x with x > value and the last with x < value; the boundary pixels are
// then settled with the exact test, so these only have to be close.
int firstAbove(double value) {
    return static_cast<int>(std::floor(value)) + 1;
}
int lastBelow(double value) {
    return static_cast<int>(std::ceil(value)) - 1;
}

// Clamps a double to the int range before converting.
int toIntClamped(double v) {
    constexpr double kLimit = 1 << 30;
    return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}

}  // namespace

void CanvasImage::reset(QSize size, QColor background) {
    working_ = QImage(size, QImage::Format_RGB32);
    working_.fill(opaque(background));
    committed_ = working_.copy();
    dirty_ = QRect();
    changed(working_.rect());
    if (committedChanged_) {
        committedChanged_();
    }
}

void CanvasImage::setPicture(const QImage& picture) {
    // Shared, not copied: QImage copies on the first write, so a canvas that is never drawn on
    // (no preview, or a preview accepted as it is) never pays for two full-size copies.
    working_ = picture.convertToFormat(QImage::Format_RGB32);
    committed_ = working_;
    dirty_ = QRect();
    changed(working_.rect());
    if (committedChanged_) {
        committedChanged_();
    }
}

void CanvasImage::paintPicture(const QImage& picture) {
    if (picture.size() != working_.size()) {
        working_ = QImage(picture.size(), QImage::Format_RGB32);
    }
    const QImage src = picture.convertToFormat(QImage::Format_RGB32);
    copyRect(src, working_, src.rect());
    if (committed_.size() != working_.size()) {
        // A canvas whose size changed has no committed picture of that size yet: the
        // invariant "equal outside dirty" then holds with everything dirty.
        committed_ = QImage(working_.size(), QImage::Format_RGB32);
        committed_.fill(0xff000000u);
        dirty_ = working_.rect();
    } else {
        markDirty(working_.rect());
    }
    changed(working_.rect());
}

void CanvasImage::paintRegion(const QImage& picture, const QRect& rect) {
    if (picture.size() != working_.size() || picture.format() != working_.format()) {
        return;
    }
    const QRect r = rect & working_.rect();
    copyRect(picture, working_, r);
    markDirty(r);
    changed(r);
}

QRect CanvasImage::drawable() const {
    return clip_.isEmpty() ? working_.rect() : clip_ & working_.rect();
}

void CanvasImage::copyRect(const QImage& from, QImage& to, const QRect& rect) {
    const QRect r = rect & to.rect() & from.rect();
    if (r.isEmpty()) {
        return;
    }
    const std::size_t bytes = static_cast<std::size_t>(r.width()) * 4;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        std::memcpy(to.scanLine(y) + static_cast<std::ptrdiff_t>(r.left()) * 4,
                    from.constScanLine(y) + static_cast<std::ptrdiff_t>(r.left()) * 4, bytes);
    }
}

void CanvasImage::restore() {
    if (dirty_.isEmpty()) {
        return;
    }
    const QRect r = dirty_;
    copyRect(committed_, working_, r);
    dirty_ = QRect();
    changed(r);
}

void CanvasImage::commit() {
    if (!dirty_.isEmpty()) {
        copyRect(working_, committed_, dirty_);
        dirty_ = QRect();
        if (committedChanged_) {
            committedChanged_();
        }
    }
}

void CanvasImage::setPenWidth(int width) {
    penWidth_ = std::max(1, width);
}

void CanvasImage::markDirty(const QRect& rect) {
    const QRect r = rect & working_.rect();
    if (!r.isEmpty()) {
        dirty_ |= r;
    }
}

void CanvasImage::changed(const QRect& rect) {
    if (changed_ && !rect.isEmpty()) {
        changed_(rect);
    }
}

void CanvasImage::plot(int x, int y, QRgb rgb) {
    if (drawable().contains(x, y)) {
        reinterpret_cast<QRgb*>(working_.scanLine(y))[x] = rgb;
    }
}

void CanvasImage::fillSpan(int y, int x1, int x2, QRgb rgb) {
    const QRect d = drawable();
    if (y < d.top() || y > d.bottom()) {
        return;
    }
    x1 = std::max(x1, d.left());
    x2 = std::min(x2, d.right());
    if (x1 > x2) {
        return;
    }
    QRgb* line = reinterpret_cast<QRgb*>(working_.scanLine(y));
    std::fill(line + x1, line + x2 + 1, rgb);
}

void CanvasImage::drawLine(int x1, int y1, int x2, int y2, QColor colour) {
    if (working_.isNull()) {
        return;
    }
    // The rasterisation starts from the smaller end point, so the pixels do not depend on
    // the order in which the caller gives them.
    if (std::pair(x2, y2) < std::pair(x1, y1)) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const QRgb rgb = opaque(colour);
    // A segment wholly outside the clip costs nothing: a freehand stroke redrawn for a small
    // region is mostly such segments.
    const int ext = penWidth_ / 2 + 1;
    const QRect reach(QPoint(std::min(x1, x2) - ext, std::min(y1, y2) - ext),
                      QPoint(std::max(x1, x2) + ext, std::max(y1, y2) + ext));
    if (!reach.intersects(drawable())) {
        return;
    }
    const QRect bounds =
        penWidth_ == 1 ? thinLine(x1, y1, x2, y2, rgb) : wideLine(x1, y1, x2, y2, rgb);
    markDirty(bounds);
    changed(bounds & working_.rect());
}

QRect CanvasImage::thinLine(int x1, int y1, int x2, int y2, QRgb rgb) {
    // Bresenham, both end points included.
    const long long dx = std::llabs(static_cast<long long>(x2) - x1);
    const long long dy = -std::llabs(static_cast<long long>(y2) - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    long long err = dx + dy;
    int x = x1;
    int y = y1;
    for (;;) {
        plot(x, y, rgb);
        if (x == x2 && y == y2) {
            break;
        }
        const long long e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    return QRect(QPoint(std::min(x1, x2), std::min(y1, y2)),
                 QPoint(std::max(x1, x2), std::max(y1, y2)));
}

QRect CanvasImage::wideLine(int x1, int y1, int x2, int y2, QRgb rgb) {
    // The stroke of a round pen: every pixel whose centre lies closer than half the width to
    // the segment. For an even width the pen's centre sits on a pixel corner, which is the
    // same as moving the pixel centres by half a pixel.
    const double R = penWidth_ / 2.0;
    const double R2 = R * R;
    const double c = (penWidth_ % 2 == 0) ? 0.5 : 0.0;
    const double ax = x1;
    const double ay = y1;
    const double dx = static_cast<double>(x2) - x1;
    const double dy = static_cast<double>(y2) - y1;
    const double L2 = dx * dx + dy * dy;

    auto inside = [&](int px, int py) {
        const double qx = px + c - ax;
        const double qy = py + c - ay;
        double t = L2 > 0 ? (qx * dx + qy * dy) / L2 : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        const double ex = qx - t * dx;
        const double ey = qy - t * dy;
        return ex * ex + ey * ey < R2;
    };

    const int top = toIntClamped(std::floor(std::min(ay, ay + dy) - R - c)) - 1;
    const int bottom = toIntClamped(std::ceil(std::max(ay, ay + dy) + R - c)) + 1;
    const QRect d = drawable();
    const int yFirst = std::max(top, d.top());
    const int yLast = std::min(bottom, d.bottom());
    for (int py = yFirst; py <= yLast; ++py) {
        const double Y = py + c;
        double lo = std::numeric_limits<double>::infinity();
        double hi = -std::numeric_limits<double>::infinity();
        auto add = [&](double l, double h) {
            if (l <= h) {
                lo = std::min(lo, l);
                hi = std::max(hi, h);
            }
        };
        // The two round caps.
        for (const auto& [cx, cy] : {std::pair(ax, ay), std::pair(ax + dx, ay + dy)}) {
            const double v = R2 - (Y - cy) * (Y - cy);
            if (v > 0) {
                const double s = std::sqrt(v);
                add(cx - s, cx + s);
            }
        }
        // The body: 0 <= (P-a).d <= L2 and |(P-a) x d| < R*L.
        if (L2 > 0) {
            const double L = std::sqrt(L2);
            double l = -std::numeric_limits<double>::infinity();
            double h = std::numeric_limits<double>::infinity();
            bool empty = false;
            const double wy = Y - ay;
            if (dx != 0) {
                double a = ax + (0 - wy * dy) / dx;
                double b = ax + (L2 - wy * dy) / dx;
                if (a > b)
                    std::swap(a, b);
                l = std::max(l, a);
                h = std::min(h, b);
            } else if (wy * dy < 0 || wy * dy > L2) {
                empty = true;
            }
            if (dy != 0) {
                double a = ax + (wy * dx - R * L) / dy;
                double b = ax + (wy * dx + R * L) / dy;
                if (a > b)
                    std::swap(a, b);
                l = std::max(l, a);
                h = std::min(h, b);
            } else if (std::abs(wy * dx) >= R * L) {
                empty = true;
            }
            if (!empty) {
                add(l, h);
            }
        }
        if (!(lo <= hi)) {
            continue;
        }
        int first = firstAbove(lo - c) - 1;
        int last = lastBelow(hi - c) + 1;
        while (first <= last && !inside(first, py))
            ++first;
        while (inside(first - 1, py))
            --first;
        while (last >= first && !inside(last, py))
            --last;
        while (first <= last && inside(last + 1, py))
            ++last;
        if (first <= last) {
            fillSpan(py, first, last, rgb);
        }
    }
    const int ext = penWidth_ / 2 + 1;
    return QRect(QPoint(std::min(x1, x2) - ext, std::min(y1, y2) - ext),
                 QPoint(std::max(x1, x2) + ext, std::max(y1, y2) + ext));
}

void CanvasImage::drawCircle(double centreX, double centreY, double radius, QColor colour) {
    if (working_.isNull() || !(radius >= 0) || !std::isfinite(radius)) {
        return;
    }
    const QRgb rgb = opaque(colour);
    const double half = penWidth_ / 2.0;
    const double rin = std::max(0.0, radius - half);
    const double rout = radius + half;
    const double rin2 = rin * rin;
    const double rout2 = rout * rout;
    auto d2 = [&](int px, int py) {
        const double ex = px - centreX;
        const double ey = py - centreY;
        return ex * ex + ey * ey;
    };
    auto inOuter = [&](int px, int py) { return d2(px, py) < rout2; };
    auto inInner = [&](int px, int py) { return d2(px, py) < rin2; };

    const int top = toIntClamped(std::floor(centreY - rout)) - 1;
    const int bottom = toIntClamped(std::ceil(centreY + rout)) + 1;
    const QRect d = drawable();
    for (int py = std::max(top, d.top()); py <= std::min(bottom, d.bottom()); ++py) {
        const double ey = py - centreY;
        const double vo = rout2 - ey * ey;
        if (vo < -1) {
            continue;
        }
        const double so = std::sqrt(std::max(vo, 0.0));
        // The outer disc's run on this row.
        int first = toIntClamped(std::floor(centreX - so));
        int last = toIntClamped(std::ceil(centreX + so));
        while (first <= last && !inOuter(first, py))
            ++first;
        while (inOuter(first - 1, py))
            --first;
        while (last >= first && !inOuter(last, py))
            --last;
        while (first <= last && inOuter(last + 1, py))
            ++last;
        if (first > last) {
            continue;
        }
        // The hole: the inner disc's run, taken out of the outer one.
        const double vi = rin2 - ey * ey;
        int holeFirst = 0;
        int holeLast = -1;
        if (vi > -1 && rin > 0) {
            const double si = std::sqrt(std::max(vi, 0.0));
            holeFirst = toIntClamped(std::floor(centreX - si));
            holeLast = toIntClamped(std::ceil(centreX + si));
            while (holeFirst <= holeLast && !inInner(holeFirst, py))
                ++holeFirst;
            while (holeFirst <= holeLast && !inInner(holeLast, py))
                --holeLast;
            if (holeFirst <= holeLast) {
                while (inInner(holeFirst - 1, py))
                    --holeFirst;
                while (inInner(holeLast + 1, py))
                    ++holeLast;
            }
        }
        if (holeFirst > holeLast) {
            fillSpan(py, first, last, rgb);
        } else {
            fillSpan(py, first, holeFirst - 1, rgb);
            fillSpan(py, holeLast + 1, last, rgb);
        }
    }
    const int ext = static_cast<int>(std::ceil(rout)) + 1;
    const QRect bounds(
        QPoint(toIntClamped(std::floor(centreX)) - ext, toIntClamped(std::floor(centreY)) - ext),
        QPoint(toIntClamped(std::ceil(centreX)) + ext, toIntClamped(std::ceil(centreY)) + ext));
    markDirty(bounds);
    changed(bounds & working_.rect());
}

void CanvasImage::drawText(int x, int y, const QString& text, const QFont& font, QColor colour) {
    if (working_.isNull() || text.isEmpty()) {
        return;
    }
    QPainter painter(&working_);
    if (!clip_.isEmpty()) {
        painter.setClipRect(clip_);
    }
    painter.setFont(font);
    painter.setPen(opaque(colour));
    const QFontMetrics fm(painter.font(), &working_);
    painter.drawText(QPoint(x, y + fm.ascent()), text);
    painter.end();
    // The advance and the line box, widened by a line height for italic overhang, underline
    // and strike-out, so that restore() takes all of the ink away.
    const int h = fm.height();
    const QRect bounds(x - h, y - h / 2, fm.horizontalAdvance(text) + 2 * h, 2 * h);
    markDirty(bounds);
    changed(bounds & working_.rect());
}

void CanvasImage::fillTriangle(QPointF a, QPointF b, QPointF c, QColor colour) {
    if (working_.isNull()) {
        return;
    }
    const QRgb rgb = opaque(colour);
    const QPointF v[3] = {a, b, c};
    const double top = std::min({a.y(), b.y(), c.y()});
    const double bottom = std::max({a.y(), b.y(), c.y()});
    const double left = std::min({a.x(), b.x(), c.x()});
    const double right = std::max({a.x(), b.x(), c.x()});
    if (!std::isfinite(top + bottom + left + right)) {
        return;
    }
    // A pixel centre is inside when it lies on the inner side of all three edges.
    const double area2 = (b.x() - a.x()) * (c.y() - a.y()) - (b.y() - a.y()) * (c.x() - a.x());
    const double sign = area2 < 0 ? -1.0 : 1.0;
    constexpr double kEdge = 1e-9;
    auto inside = [&](int px, int py) {
        for (int i = 0; i < 3; ++i) {
            const QPointF& p = v[i];
            const QPointF& q = v[(i + 1) % 3];
            const double cross = (q.x() - p.x()) * (py - p.y()) - (q.y() - p.y()) * (px - p.x());
            if (sign * cross < -kEdge) {
                return false;
            }
        }
        return true;
    };
    const QRect d = drawable();
    const int yFirst = std::max(toIntClamped(std::ceil(top)), d.top());
    const int yLast = std::min(toIntClamped(std::floor(bottom)), d.bottom());
    const int xFirst = toIntClamped(std::ceil(left));
    const int xLast = toIntClamped(std::floor(right));
    for (int py = yFirst; py <= yLast; ++py) {
        int first = xFirst;
        int last = xLast;
        while (first <= last && !inside(first, py))
            ++first;
        while (last >= first && !inside(last, py))
            --last;
        if (first <= last) {
            fillSpan(py, first, last, rgb);
        }
    }
    const QRect bounds(QPoint(xFirst, toIntClamped(std::ceil(top))),
                       QPoint(xLast, toIntClamped(std::floor(bottom))));
    markDirty(bounds);
    changed(bounds & working_.rect());
}

namespace {

// A capture coordinate on a canvas that shows the capture at `scale`.
int scaledEdge(int value, double scale) {
    return scale == 1.0 ? value : toIntClamped(std::nearbyint(value * scale));
}

}  // namespace

void CanvasImage::drawBlocks(const QRect& area, const QImage& blocks, double scale) {
    if (working_.isNull() || area.isEmpty() || blocks.isNull()) {
        return;
    }
    const QSize grid = blocks.size();
    const QRect d = drawable();
    QRect bounds;
    for (int row = 0; row < grid.height(); ++row) {
        for (int column = 0; column < grid.width(); ++column) {
            const QRect block = pixelateBlock(area, grid, column, row);
            const QRect shown(
                QPoint(scaledEdge(block.left(), scale), scaledEdge(block.top(), scale)),
                QPoint(scaledEdge(block.right() + 1, scale) - 1,
                       scaledEdge(block.bottom() + 1, scale) - 1));
            const QRect r = shown & d;
            const QRgb rgb = blocks.pixel(column, row) | 0xff000000u;
            for (int y = r.top(); y <= r.bottom(); ++y) {
                fillSpan(y, r.left(), r.right(), rgb);
            }
            bounds |= shown;
        }
    }
    markDirty(bounds);
    changed(bounds & working_.rect());
}

int pixelateBlockSize(QSize area) {
    const int shorter = std::min(area.width(), area.height());
    return std::max(8, static_cast<int>(std::lround(shorter / 12.0)));
}

QSize pixelateGrid(QSize area) {
    const int block = pixelateBlockSize(area);
    return {std::max(1, area.width() / block), std::max(1, area.height() / block)};
}

QRect pixelateBlock(const QRect& area, QSize grid, int column, int row) {
    auto edge = [](int start, int extent, int parts, int i) {
        return start + static_cast<int>(qint64{extent} * i / parts);
    };
    const int x1 = edge(area.left(), area.width(), grid.width(), column);
    const int x2 = edge(area.left(), area.width(), grid.width(), column + 1);
    const int y1 = edge(area.top(), area.height(), grid.height(), row);
    const int y2 = edge(area.top(), area.height(), grid.height(), row + 1);
    return QRect(x1, y1, x2 - x1, y2 - y1);
}

QImage pixelateBlocks(const QImage& picture, const QRect& area) {
    const QRect r = area & picture.rect();
    if (r.isEmpty() || r != area) {
        return {};
    }
    const QSize grid = pixelateGrid(r.size());
    // Read straight from the picture when it is RGB32 (the canvas always is); any other format
    // is converted, the area alone.
    const bool direct =
        picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32;
    const QImage source = direct ? picture : picture.copy(r).convertToFormat(QImage::Format_RGB32);
    const QPoint origin = direct ? r.topLeft() : QPoint(0, 0);

    // The blocks' left edges, then one pass over the area's rows, summing per block.
    std::vector<int> edges(static_cast<std::size_t>(grid.width()) + 1);
    for (int column = 0; column <= grid.width(); ++column) {
        edges[static_cast<std::size_t>(column)] =
            column < grid.width() ? pixelateBlock(r, grid, column, 0).left() - r.left() : r.width();
    }
    QImage blocks(grid, QImage::Format_RGB32);
    std::vector<quint64> sums(static_cast<std::size_t>(grid.width()) * 3);
    for (int row = 0; row < grid.height(); ++row) {
        const QRect band = pixelateBlock(r, grid, 0, row);
        std::fill(sums.begin(), sums.end(), 0);
        for (int y = band.top(); y <= band.bottom(); ++y) {
            const auto* line =
                reinterpret_cast<const QRgb*>(source.constScanLine(y - r.top() + origin.y())) +
                origin.x();
            quint64* s = sums.data();
            for (std::size_t column = 0; column + 1 < edges.size(); ++column, s += 3) {
                // One block's run of the row: at most 2 x 32767 pixels, within 32 bits.
                quint32 red = 0;
                quint32 green = 0;
                quint32 blue = 0;
                for (int x = edges[column]; x < edges[column + 1]; ++x) {
                    const QRgb p = line[x];
                    red += (p >> 16) & 0xff;
                    green += (p >> 8) & 0xff;
                    blue += p & 0xff;
                }
                s[0] += red;
                s[1] += green;
                s[2] += blue;
            }
        }
        auto* out = reinterpret_cast<QRgb*>(blocks.scanLine(row));
        for (int column = 0; column < grid.width(); ++column) {
            const QRect block = pixelateBlock(r, grid, column, row);
            const quint64 n =
                static_cast<quint64>(block.width()) * static_cast<quint64>(block.height());
            const quint64* s = &sums[static_cast<std::size_t>(column) * 3];
            auto mean = [n](quint64 sum) { return static_cast<int>((sum + n / 2) / n); };
            out[column] = qRgb(mean(s[0]), mean(s[1]), mean(s[2]));
        }
    }
    return blocks;
}

}  // namespace pictavo
