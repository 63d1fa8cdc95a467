#pragma once

#include <QWidget>

#include "platform/CapturePicture.h"

namespace pictavo {

// A picture holder that is never shown: it owns a capture picture and sizes itself to it
// (picScreenie, picOverlay).
class PictureHolder : public QWidget {
    Q_OBJECT
public:
    explicit PictureHolder(QWidget* parent = nullptr);

    void setPicture(CapturePicture picture);
    const CapturePicture& picture() const { return picture_; }
    CapturePicture& picture() { return picture_; }

private:
    CapturePicture picture_;
};

}  // namespace pictavo
