#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QString>
#include <functional>

namespace pictavo {

// The drawing surface of the preview: a committed picture and the working image shown on
// screen, both opaque Format_RGB32 of the same size.
//
// All drawing goes into the working image. restore() makes the working image a copy of the
// committed picture, commit() the other way round; shapes that follow the pointer are drawn
// by restoring and drawing anew.
//
// Invariant: outside dirty() the two images are equal. Drawing extends dirty(); restore and
// commit copy only that rectangle and empty it, so rubber-banding a small shape on a large
// capture costs the shape's area, not the picture's.
//
// Lines and circle outlines are drawn without anti-aliasing, pixel-exact, and do not depend
// on the direction in which they are given: a line from A to B is the line from B to A.
class CanvasImage {
public:
    CanvasImage() = default;

    // Both images become `size` filled with `background`; the pen width is kept.
    void reset(QSize size, QColor background);
    // Both images become `picture` (converted to opaque RGB32).
    void setPicture(const QImage& picture);
    // The working image becomes `picture`, which must have the canvas's size; the committed
    // picture is untouched until commit().
    void paintPicture(const QImage& picture);
    // `rect` of the working image becomes that rectangle of `picture`, which has the canvas's
    // size; the committed picture is untouched until commit().
    void paintRegion(const QImage& picture, const QRect& rect);

    // Drawing touches only pixels inside the clip; an empty rectangle clips nothing.
    void setClip(const QRect& rect) { clip_ = rect; }

    void restore();
    void commit();

    // The pen width in pixels, at least 1. It applies to lines and circles, not to text.
    void setPenWidth(int width);
    int penWidth() const { return penWidth_; }

    // A straight line with both end points included, in the round pen of penWidth().
    void drawLine(int x1, int y1, int x2, int y2, QColor colour);
    // A circle outline: the pixels whose centres lie within half the pen width of the circle
    // (inner edge included, outer edge excluded).
    void drawCircle(double centreX, double centreY, double radius, QColor colour);
    // `text` with the top-left corner of its line box at (x, y).
    void drawText(int x, int y, const QString& text, const QFont& font, QColor colour);
    // A filled triangle: the pixels whose centres lie inside it or on its edges.
    void fillTriangle(QPointF a, QPointF b, QPointF c, QColor colour);
    // The blocks of a pixelated area (see pixelateBlocks) written in place of the pixels:
    // `area` is in the capture's pixels, and the canvas shows the capture at `scale`, so
    // each block fills its rectangle scaled, edges rounded to the nearest pixel.
    void drawBlocks(const QRect& area, const QImage& blocks, double scale);

    const QImage& committed() const { return committed_; }
    const QImage& working() const { return working_; }
    QSize size() const { return working_.size(); }
    QRect dirty() const { return dirty_; }

    // Called with every rectangle of the working image that changed, for repainting.
    void setChangedHandler(std::function<void(const QRect&)> handler) {
        changed_ = std::move(handler);
    }
    // Called whenever the committed picture has changed (commit, reset, setPicture).
    void setCommittedHandler(std::function<void()> handler) {
        committedChanged_ = std::move(handler);
    }

private:
    void markDirty(const QRect& rect);
    // The rectangle drawing may touch: the image, within the clip.
    QRect drawable() const;
    void changed(const QRect& rect);
    void plot(int x, int y, QRgb rgb);
    void fillSpan(int y, int x1, int x2, QRgb rgb);
    static void copyRect(const QImage& from, QImage& to, const QRect& rect);
    QRect thinLine(int x1, int y1, int x2, int y2, QRgb rgb);
    QRect wideLine(int x1, int y1, int x2, int y2, QRgb rgb);

    QImage committed_;
    QImage working_;
    QRect dirty_;
    QRect clip_;
    int penWidth_ = 1;
    std::function<void(const QRect&)> changed_;
    std::function<void()> committedChanged_;
};

// Pixelating hides what an area shows: the area becomes a grid of blocks, each of one colour,
// the mean of the pixels under it. A block is at least pixelateBlockSize() pixels each way, so
// no block shows less than that many pixels' mean; the area's width and height are divided
// evenly among the blocks (their sizes differ by one pixel at most), so there are no thin
// blocks at the edges either.

// The nominal block size of an area: a twelfth of its shorter side, and at least 8 pixels.
int pixelateBlockSize(QSize area);
// The grid's columns and rows for `area`.
QSize pixelateGrid(QSize area);
// Block (column, row) of `area` divided into `grid`.
QRect pixelateBlock(const QRect& area, QSize grid, int column, int row);
// The block means of `area` of `picture` (which must contain it), as an opaque RGB32 image with
// one pixel per block; each channel's mean is rounded to the nearest integer.
QImage pixelateBlocks(const QImage& picture, const QRect& area);

}  // namespace pictavo
