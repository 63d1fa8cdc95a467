#include "preview/AnnotatedCanvas.h"

#include "preview/CanvasImage.h"

namespace pictavo {

void AnnotatedCanvas::reset(const QImage& base, double scale,
                            const std::vector<Annotation>& items) {
    canvas_.setPicture(base);
    base_ = canvas_.committed();
    scale_ = scale;
    bounds_.clear();
    for (const Annotation& item : items) {
        add(item);
    }
}

void AnnotatedCanvas::add(const Annotation& item) {
    // Whatever floats on the canvas (a rubber band, the text under the pointer) goes first.
    canvas_.restore();
    drawAnnotation(canvas_, item, scale_);
    bounds_.push_back(canvas_.dirty());
    canvas_.commit();
}

void AnnotatedCanvas::removeLast(const std::vector<Annotation>& items) {
    if (bounds_.empty()) {
        return;
    }
    const QRect region = bounds_.back();
    bounds_.pop_back();
    canvas_.restore();
    if (region.isEmpty() || base_.isNull()) {
        return;
    }
    canvas_.paintRegion(base_, region);
    canvas_.setClip(region);
    for (std::size_t i = 0; i < items.size() && i < bounds_.size(); ++i) {
        if (bounds_[i].intersects(region)) {
            drawAnnotation(canvas_, items[i], scale_);
        }
    }
    canvas_.setClip(QRect());
    canvas_.commit();
}

const QImage& AnnotatedCanvas::fullSize() const {
    if (scale_ != 1.0 && fullSize_) {
        if (const QImage* picture = fullSize_()) {
            return *picture;
        }
    }
    return canvas_.committed();
}

QImage annotatedPicture(const QImage& capture, const std::vector<Annotation>& items) {
    CanvasImage canvas;
    AnnotatedCanvas(canvas).reset(capture, 1.0, items);
    return canvas.committed();
}

}  // namespace pictavo
