#include "capture/frmSelect.h"

#include <QScreen>

#include "capture/SelectionGeometry.h"
#include "capture/frmSelectWindow.h"
#include "controls/Twips.h"
#include "platform/PictavoError.h"
#include "settings/Settings.h"

namespace pictavo {

namespace {

// The selection's size as users of screenshot tools know it: "640 × 480".
QString sizeText(QPoint start, QPoint at) {
    return QStringLiteral("%1 \u00d7 %2")
        .arg(std::abs(at.x() - start.x()))
        .arg(std::abs(at.y() - start.y()));
}

// Twips per capture pixel: a capture pixel is a device pixel, 1/dpr of a logical one (or a
// part of one, where the desktop's pictures have more pixels than its screen).
int twipsPerCapturePixel(const QWidget* w, const FrozenScene& scene, bool horizontal) {
    const QScreen* screen = w->screen();
    if (screen == nullptr) {
        return kDefaultTwipsPerPixel;
    }
    const qreal dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return twipsPerPixelForDpi(dpi * w->devicePixelRatioF() * scene.pixelsPerScreenPixel);
}

}  // namespace

frmSelect::frmSelect(std::function<Dialogs&()> dialogs, std::function<Settings&()> settings,
                     std::function<void(CapturePicture)> deliver)
    : FormObject(std::move(dialogs)),
      settings_(std::move(settings)),
      deliver_(std::move(deliver)) {}

std::unique_ptr<QWidget> frmSelect::Form_Load() {
    auto w = std::make_unique<frmSelectWindow>(scene_);
    bDrawing = false;
    FrozenPicture* picture = w->Picture1();
    QObject::connect(
        picture, &FrozenPicture::mousePressed, picture,
        [this](Qt::MouseButton b, QPoint at) { runHandler([&] { Picture1_MouseDown(b, at); }); });
    QObject::connect(picture, &FrozenPicture::mouseMoved, picture,
                     [this](QPoint at) { runHandler([&] { Picture1_MouseMove(at); }); });
    QObject::connect(
        picture, &FrozenPicture::mouseReleased, picture,
        [this](Qt::MouseButton b, QPoint at) { runHandler([&] { Picture1_MouseUp(b, at); }); });
    on(w.get(), &frmSelectWindow::escapePressed, [this] { Form_Escape(); });
    return w;
}

frmSelectWindow* frmSelect::window() {
    return static_cast<frmSelectWindow*>(widget());
}

FrozenPicture* frmSelect::Picture1() {
    return window()->Picture1();
}

void frmSelect::setPicture(CapturePicture picture, qreal pixelsPerScreenPixel) {
    scene_.picture = std::move(picture);
    scene_.pixelsPerScreenPixel = pixelsPerScreenPixel > 0 ? pixelsPerScreenPixel : 1.0;
    if (isLoaded()) {
        Picture1()->pictureChanged();
    }
}

void frmSelect::Show() {
    window()->coverScreen(scene_.screenSize());
    FormObject::Show();
}

void frmSelect::Form_Unload(QWidget&) {
    // The frozen screen is let go with its window, as a new capture may need the memory.
    scene_ = FrozenScene();
}

void frmSelect::bandChanged() {
    if (isLoaded()) {
        Picture1()->bandChanged();
    }
}

void frmSelect::Picture1_MouseDown(Qt::MouseButton button, QPoint at) {
    bDrawing = button == Qt::LeftButton;
    if (!bDrawing) {
        cancel();
        return;
    }
    StartX = at.x();
    StartY = at.y();
    const BandLine point{at, at};
    scene_.band = {point, point, point, point};
    scene_.bandVisible = true;
    bandChanged();
}

void frmSelect::Picture1_MouseMove(QPoint at) {
    if (!bDrawing) {
        return;
    }
    const QPoint start(StartX, StartY);
    scene_.band = {BandLine{start, QPoint(at.x(), StartY)}, BandLine{start, QPoint(StartX, at.y())},
                   BandLine{QPoint(at.x(), StartY), at}, BandLine{QPoint(StartX, at.y()), at}};
    scene_.label = sizeText(start, at);
    scene_.labelAt = at;
    bandChanged();
}

void frmSelect::Picture1_MouseUp(Qt::MouseButton button, QPoint at) {
    // Only the release that ends our own left-button drag counts; one whose press came before
    // the window (or another button's) has nothing to end.
    if (!bDrawing || button != Qt::LeftButton) {
        return;
    }
    // The rectangle is the one the band shows.
    Picture1_MouseMove(at);
    const QWidget* w = window();
    const SelectionOnRelease s =
        selectionOnRelease(QPoint(StartX, StartY), at, twipsPerCapturePixel(w, scene_, true),
                           twipsPerCapturePixel(w, scene_, false));
    const QImage& frozen = scene_.picture.image();
    const QRect cut = s.cutOut & frozen.rect();
    if (cut.isEmpty()) {
        cancel();
        return;
    }
    bDrawing = false;
    SelTop = s.top;
    SelLeft = s.left;
    SelWidth = s.width;
    SelHeight = s.height;
    deliver_(CapturePicture(frozen.copy(cut)));
    Unload();
}

void frmSelect::Form_Escape() {
    cancel();
}

void frmSelect::cancel() {
    bDrawing = false;
    deliver_(CapturePicture());
    Unload();
    settings_().WriteLog(QStringLiteral("Selection cancelled"));
}

void frmSelect::Form_Error() {
    // A window that covers the screen and holds the pointer must not stay up half-done.
    bDrawing = false;
    try {
        deliver_(CapturePicture());
    } catch (...) {
        // The caller finds no selection either way: it cleared the holder before showing.
    }
    Unload();
}

}  // namespace pictavo
