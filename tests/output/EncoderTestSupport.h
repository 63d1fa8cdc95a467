#pragma once

#include <FreeImage.h>

#include <QImage>
#include <QStringList>

#include "output/FreeImageLibrary.h"

namespace pictavo::test {

inline QString stagedFreeImagePath() {
    return QStringLiteral(PICTAVO_PLUGIN_DIR "/libfreeimage.so.3");
}

// Gradients with noise, like a photograph (`colours` 0), or exactly `colours` (at most 256)
// well-separated colours in stripes.
QImage testPicture(int width, int height, int colours = 0, quint32 seed = 1);
// Reads `path` back through `library` as an RGB32 picture; null when it cannot.
QImage loadThrough(FreeImageLibrary& library, FREE_IMAGE_FORMAT fif, const QString& path);
// Peak signal-to-noise ratio of `b` against `a` over R, G and B, in dB.
double psnr(const QImage& a, const QImage& b);
// Every entry of `folder`, hidden ones included.
QStringList folderEntries(const QString& folder);

}  // namespace pictavo::test
