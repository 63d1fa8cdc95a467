#include "preview/PictureHolder.h"

namespace pictavo {

PictureHolder::PictureHolder(QWidget* parent) : QWidget(parent) {
    hide();
}

void PictureHolder::setPicture(CapturePicture picture) {
    picture_ = std::move(picture);
    resize(picture_.size());
}

}  // namespace pictavo
