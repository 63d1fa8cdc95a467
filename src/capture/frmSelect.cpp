#include "capture/frmSelect.h"

#include <QEventLoop>
#include <QScreen>
#include <exception>

#include "capture/FrozenPicture.h"
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

// Twips per capture pixel: a capture pixel is a device pixel, 1/dpr of a logical one.
int twipsPerCapturePixel(const QWidget* w, bool horizontal) {
    const QScreen* screen = w->screen();
    if (screen == nullptr) {
        return kDefaultTwipsPerPixel;
    }
    const qreal dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return twipsPerPixelForDpi(dpi * w->devicePixelRatioF());
}

}  // namespace

class frmSelect::HandlerScope {
public:
    explicit HandlerScope(frmSelect& form) : form_(form) { ++form_.handlerDepth_; }
    ~HandlerScope() { --form_.handlerDepth_; }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    frmSelect& form_;
};

frmSelect::frmSelect(std::function<Settings&()> settings,
                     std::function<void(CapturePicture)> deliver)
    : settings_(std::move(settings)), deliver_(std::move(deliver)) {}

frmSelect::~frmSelect() {
    delete window_.data();
    delete unloaded_.data();
}

void frmSelect::reapUnloaded() {
    if (handlerDepth_ == 0) {
        delete unloaded_.data();
    }
}

void frmSelect::Load() {
    if (window_) {
        return;
    }
    reapUnloaded();
    auto* w = new frmSelectWindow;
    window_ = w;
    bDrawing = false;
    FrozenPicture* picture = w->Picture1();
    // No failure may leave a handler through Qt's event delivery: the selection is cancelled
    // instead, which leaves the window closed and nothing delivered.
    const auto guarded = [this](auto handler) {
        return [this, handler](auto... args) {
            try {
                handler(args...);
            } catch (const std::exception&) {
                cancel();
            }
        };
    };
    QObject::connect(picture, &FrozenPicture::mousePressed, w,
                     guarded([this](Qt::MouseButton b, QPoint at) { Picture1_MouseDown(b, at); }));
    QObject::connect(picture, &FrozenPicture::mouseMoved, w,
                     guarded([this](QPoint at) { Picture1_MouseMove(at); }));
    QObject::connect(picture, &FrozenPicture::mouseReleased, w,
                     guarded([this](Qt::MouseButton b, QPoint at) { Picture1_MouseUp(b, at); }));
    QObject::connect(w, &frmSelectWindow::escapePressed, w, guarded([this] { Form_Escape(); }));
}

void frmSelect::Unload() {
    if (!window_) {
        return;
    }
    frmSelectWindow* w = window_.data();
    window_ = nullptr;
    bDrawing = false;
    w->hide();
    delete unloaded_.data();
    unloaded_ = w;
    w->deleteLater();
}

frmSelectWindow* frmSelect::window() {
    Load();
    return window_.data();
}

FrozenPicture* frmSelect::Picture1() {
    return window()->Picture1();
}

void frmSelect::Show() {
    frmSelectWindow* w = window();
    QPointer<frmSelectWindow> guard(w);
    QEventLoop loop;
    const QMetaObject::Connection ended =
        QObject::connect(w, &frmSelectWindow::hidden, &loop, &QEventLoop::quit);
    w->coverScreen(w->Picture1()->picture().size());
    w->show();
    if (guard && guard->isVisible()) {
        loop.exec(QEventLoop::DialogExec);
    }
    QObject::disconnect(ended);
    reapUnloaded();
}

void frmSelect::Picture1_MouseDown(Qt::MouseButton button, QPoint at) {
    HandlerScope scope(*this);
    bDrawing = button == Qt::LeftButton;
    if (!bDrawing) {
        cancel();
        return;
    }
    StartX = at.x();
    StartY = at.y();
    const BandLine point{at, at};
    Picture1()->setBand(point, point, point, point);
}

void frmSelect::Picture1_MouseMove(QPoint at) {
    HandlerScope scope(*this);
    if (!bDrawing) {
        return;
    }
    const QPoint start(StartX, StartY);
    FrozenPicture* picture = Picture1();
    picture->setBand({start, QPoint(at.x(), StartY)}, {start, QPoint(StartX, at.y())},
                     {QPoint(at.x(), StartY), at}, {QPoint(StartX, at.y()), at});
    picture->setSizeLabel(sizeText(start, at), at);
}

void frmSelect::Picture1_MouseUp(Qt::MouseButton button, QPoint at) {
    HandlerScope scope(*this);
    // Only the release that ends our own left-button drag counts; one whose press came before
    // the window (or another button's) has nothing to end.
    if (!bDrawing || button != Qt::LeftButton) {
        return;
    }
    Picture1_MouseMove(at);
    FrozenPicture* picture = Picture1();
    // The rectangle is the one the band shows.
    const QPoint release(picture->Line1().p2.x(), picture->Line2().p2.y());
    const QWidget* w = window_.data();
    const SelectionOnRelease s =
        selectionOnRelease(QPoint(StartX, StartY), release, twipsPerCapturePixel(w, true),
                           twipsPerCapturePixel(w, false));
    const QImage& frozen = picture->picture().image();
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
    HandlerScope scope(*this);
    cancel();
}

void frmSelect::cancel() {
    bDrawing = false;
    if (settings_) {
        settings_().WriteLog(QStringLiteral("Selection cancelled"));
    }
    deliver_(CapturePicture());
    Unload();
}

}  // namespace pictavo
