#pragma once

#include <QtGlobal>

#include "settings/ColourValue.h"

namespace pictavo {

// The drawing state of the preview: public fields of the preview's form object, so that the
// send pipeline can store them after the window has closed.
struct DrawingState {
    // 0 straight line, 1 freehand, 2 rectangle, 3 circle, 4 text, 5 none, 6 arrow, 7 pixelate.
    enum ToolNumber : qint32 {
        Line = 0,
        Freehand = 1,
        Rectangle = 2,
        Circle = 3,
        Text = 4,
        None = 5,
        Arrow = 6,
        Pixelate = 7
    };

    // The colour of every tool, 0x00BBGGRR.
    qint32 Colour = 0;
    qint32 Tool = None;
    // The pen width in pixels, at least 1 once the drawing settings are loaded.
    qint16 Len = 1;
};

}  // namespace pictavo
