#include "capture/frmSelectWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <QtMath>

#include "capture/FrozenPicture.h"

namespace pictavo {

namespace {

// Outside the window manager's care (override-redirect): it is neither framed nor moved to fit
// a monitor, and it comes up above every other window with or without a window manager.
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::FramelessWindowHint |
                                         Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint;
constexpr int kGrabAttempts = 40;
constexpr int kGrabRetryMs = 25;

}  // namespace

frmSelectWindow::frmSelectWindow(const FrozenScene& scene) : QWidget(nullptr, kWindowFlags) {
    setObjectName(QStringLiteral("frmSelect"));
    setWindowTitle(QStringLiteral("Pictavo 3"));
    setFocusPolicy(Qt::StrongFocus);
    Picture1_ = new FrozenPicture(scene, this);
    Picture1_->setObjectName(QStringLiteral("Picture1"));
}

void frmSelectWindow::coverScreen(QSize pixels) {
    // Qt maps a window through the screen under its top-left corner and keeps each screen's
    // top-left where its device pixels are, so the root's origin is the logical origin too,
    // whatever monitor lies there and whatever the device-pixel ratio.
    const qreal dpr = devicePixelRatioF();
    setGeometry(0, 0, qCeil(pixels.width() / dpr), qCeil(pixels.height() / dpr));
    Picture1_->setGeometry(rect());
}

void frmSelectWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    grabInput(kGrabAttempts);
}

void frmSelectWindow::grabInput(int attemptsLeft) {
    QWindow* handle = windowHandle();
    // Grabs are the X server's; other platforms (offscreen) have none to take.
    if (!isVisible() || handle == nullptr ||
        !qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        return;
    }
    raise();
    activateWindow();
    setFocus();
    const bool pointer = handle->setMouseGrabEnabled(true);
    const bool keyboard = handle->setKeyboardGrabEnabled(true);
    if (pointer && keyboard) {
        // Qt's own routing: every pointer event to the picture, every key to the window.
        Picture1_->grabMouse(Qt::CrossCursor);
        grabKeyboard();
        return;
    }
    if (attemptsLeft > 1) {
        QTimer::singleShot(kGrabRetryMs, this,
                           [this, attemptsLeft] { grabInput(attemptsLeft - 1); });
    }
}

void frmSelectWindow::hideEvent(QHideEvent* event) {
    Picture1_->releaseMouse();
    releaseKeyboard();
    QWidget::hideEvent(event);
}

void frmSelectWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        emit escapePressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace pictavo
