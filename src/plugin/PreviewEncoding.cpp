#include "plugin/PreviewEncoding.h"

#include "output/StagedFile.h"
#include "preview/CanvasImage.h"

namespace pictavo {

PreviewEncoding::PreviewEncoding(BackgroundEncoder& background, CanvasImage& canvas,
                                 std::function<const QImage*()> picture, EncodeFormat format,
                                 HandlerGuard guard)
    : canvas_(canvas),
      picture_(std::move(picture)),
      format_(format),
      background_(background),
      guard_(std::move(guard)) {
    still_.setSingleShot(true);
    still_.setInterval(kStillMs);
    QObject::connect(&still_, &QTimer::timeout, [this] { guard_([this] { restart(); }); });
    canvas_.setCommittedHandler([this] {
        background_.cancel();
        still_.start();
    });
    restart();
}

PreviewEncoding::~PreviewEncoding() {
    canvas_.setCommittedHandler({});
    // A run still going is left stale: it ends on its own and holds no one up.
    background_.cancel();
}

void PreviewEncoding::restart() {
    if (const QImage* picture = picture_()) {
        background_.start(*picture, format_);
    }
}

bool PreviewEncoding::writeTo(const SaveTarget& path) {
    // A change still waiting for its run: the last bytes are of an older picture.
    if (still_.isActive()) {
        return false;
    }
    const auto bytes = background_.result(format_);
    if (!bytes) {
        return false;
    }
    StagedFile staged(path);
    return staged.isOpen() && staged.write(*bytes) && staged.commit();
}

}  // namespace pictavo
