#pragma once

#include <QImage>
#include <QString>
#include <QTimer>
#include <functional>

#include "dialogs/FormObject.h"
#include "output/BackgroundEncoder.h"
#include "output/StagedFile.h"

namespace pictavo {

class CanvasImage;

// While the preview is open, the file of its picture is encoded in the background, so that an
// accept finds it ready: a run starts at once, and after every change of the canvas's picture
// once the picture has been still for kStillMs; a change makes the run in progress stale at
// once. Everything but the worker's encoding happens on the thread that built the object.
class PreviewEncoding {
public:
    static constexpr int kStillMs = 300;

    // `picture` yields the picture that a file would be written from now; `canvas` tells of
    // its changes (until this object ends). The runs started later, from the event loop of the
    // preview, go through `guard`, the preview's exception barrier; the first one's failure is
    // thrown.
    PreviewEncoding(BackgroundEncoder& background, CanvasImage& canvas,
                    std::function<const QImage*()> picture, EncodeFormat format,
                    HandlerGuard guard);
    ~PreviewEncoding();
    PreviewEncoding(const PreviewEncoding&) = delete;
    PreviewEncoding& operator=(const PreviewEncoding&) = delete;

    // Writes the file of the picture as it is now to `path` (staged: all or nothing) when the
    // last run was of this picture, waiting for that run if it is still going. False when there
    // are no such bytes or they could not be written: the caller then encodes as usual.
    bool writeTo(const SaveTarget& path);

private:
    void restart();

    CanvasImage& canvas_;
    std::function<const QImage*()> picture_;
    EncodeFormat format_;
    BackgroundEncoder& background_;
    HandlerGuard guard_;
    QTimer still_;
};

}  // namespace pictavo
