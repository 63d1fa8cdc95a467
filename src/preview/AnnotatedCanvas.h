#pragma once

#include <QImage>
#include <QRect>
#include <functional>
#include <vector>

#include "preview/Annotation.h"

namespace pictavo {

class CanvasImage;

// Keeps a canvas's committed picture equal to its base (the capture as shown: full size, or
// reduced by `scale`) with the annotations drawn over it in order, one item at a time.
//
// Adding draws the new item over the picture. Removing the newest item (undo) rebuilds only
// the rectangle that item covered: that rectangle is copied back from the base, and the items
// that reach into it are drawn again, clipped to it. So neither costs more than the items
// that share the region, however many items there are.
class AnnotatedCanvas {
public:
    explicit AnnotatedCanvas(CanvasImage& canvas) : canvas_(canvas) {}

    // The canvas becomes `base` with `items` over it, committed.
    void reset(const QImage& base, double scale, const std::vector<Annotation>& items);
    // Draws `item`, the newest, over the picture and commits it.
    void add(const Annotation& item);
    // The newest item is gone: `items` are the ones left.
    void removeLast(const std::vector<Annotation>& items);

    double scale() const { return scale_; }

    // The full-size picture as it stands: the capture with the items drawn over it at full size.
    // At scale 1 that is the canvas's committed picture; a reduced canvas asks `source`, which
    // the owner of the capture gives.
    void setFullSizeSource(std::function<const QImage*()> source) { fullSize_ = std::move(source); }
    const QImage& fullSize() const;

private:
    CanvasImage& canvas_;
    QImage base_;
    double scale_ = 1.0;
    // The rectangle each item covers on the canvas, in the order of the items.
    std::vector<QRect> bounds_;
    std::function<const QImage*()> fullSize_;
};

// `capture` with `items` drawn over it at full size.
QImage annotatedPicture(const QImage& capture, const std::vector<Annotation>& items);

}  // namespace pictavo
