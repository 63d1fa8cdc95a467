#pragma once

#include <QDBusConnection>
#include <QImage>
#include <QString>
#include <chrono>
#include <memory>

#include "platform/ScreenSource.h"

namespace pictavo {

class X11ScreenSource;

// The screen of a Wayland desktop, read through the desktop portal's Screenshot interface
// (org.freedesktop.portal.Screenshot, which GNOME, KDE and wlroots desktops implement) on the
// session bus. Every read asks the desktop for a fresh picture of all its outputs, in its own
// pixels; the portal writes it to a file, which is read at once and removed when it lies in a
// temporary folder (wlroots' backend overwrites one world-readable /tmp/out.png).
//
// The windows' coordinates are XWayland's where the application runs on it: the desktop's
// pixels per X pixel are pictureScale(). The active window is read from XWayland itself where it
// is an X client; any other window cannot be told apart, and the whole screen stands for it.
class PortalScreenSource final : public ScreenSource {
public:
    static constexpr std::chrono::milliseconds kAnswerTimeout{10000};

    // `windows`: the X11 source on XWayland, for the active window and the X pixels' size; null
    // where the application does not run on XWayland.
    explicit PortalScreenSource(std::unique_ptr<X11ScreenSource> windows,
                                QDBusConnection bus = QDBusConnection::sessionBus(),
                                std::chrono::milliseconds timeout = kAnswerTimeout);
    ~PortalScreenSource() override;
    PortalScreenSource(const PortalScreenSource&) = delete;
    PortalScreenSource& operator=(const PortalScreenSource&) = delete;

    // The size of the last picture (a fresh one when none was read yet).
    QRect virtualScreen() override;
    // The whole screen: windows' outer rectangles are the desktop's to know.
    QRect foregroundWindowRect() override;
    QRect windowRect(WindowId window, bool clientArea) override;
    QImage grab(const QRect& rect) override;
    QImage grabVirtualScreen() override;
    // The active X window read from XWayland; else the whole screen, which the log says.
    QImage grabForegroundWindow() override;
    qreal pictureScale() override;
    int taskbarHeight() override;

    // One picture of the whole desktop from the portal, opaque 32-bit. Throws ScreenReadError.
    QImage screenshot();
    // The portal's part of it: asks for a picture and waits for the answer, which names the file
    // the desktop wrote (the caller's to read and remove). Throws ScreenReadError.
    QString requestPicture();

private:
    std::unique_ptr<X11ScreenSource> windows_;
    QDBusConnection bus_;
    std::chrono::milliseconds timeout_;
    QSize lastSize_;
    quint32 requests_ = 0;
};

}  // namespace pictavo
