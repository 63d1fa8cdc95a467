#pragma once

#include <QImage>
#include <QSize>

namespace pictavo {

// Reduces `source` to `size` by area averaging: every target pixel is the mean of the source
// area it covers, partly covered source pixels counting by their covered fraction. This is
// what a halftone stretch does for a reduction; unlike bilinear filtering it keeps thin lines
// and text legible at large ratios instead of dropping whole rows.
//
// The result is an opaque QImage::Format_RGB32 image of exactly `size`. The same rule serves
// a target larger than the source (each target pixel then covers part of one or two source
// pixels), though the preview only ever reduces. An empty source gives an image of `size`
// filled black; an empty `size` gives a null image.
QImage reduceByAreaAverage(const QImage& source, QSize size);

}  // namespace pictavo
