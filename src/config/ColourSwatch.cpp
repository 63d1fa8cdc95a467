#include "config/ColourSwatch.h"

namespace pictavo {

ColourSwatch::ColourSwatch(QWidget* parent) : QFrame(parent), twin_(Qt::black) {
    setFrameShape(QFrame::Box);
    // A swatch keeps its size in a wider window.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAutoFillBackground(true);
    paint();
}

void ColourSwatch::setColour(const QColor& colour) {
    twin_ = colour;
    paint();
}

QColor ColourSwatch::shownColour() const {
    return greyed_ ? kGrey : twin_;
}

void ColourSwatch::setGreyed(bool greyed) {
    greyed_ = greyed;
    paint();
}

void ColourSwatch::paint() {
    QPalette p = palette();
    p.setColor(QPalette::Window, shownColour());
    setPalette(p);
}

}  // namespace pictavo
