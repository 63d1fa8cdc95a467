#include "plugin/PlatformServices.h"

#include "dialogs/QtDialogs.h"
#include "platform/RegistryHive.h"
#include "platform/ScreenSource.h"
#include "platform/VideoDevices.h"

namespace pictavo {

ScreenSourceChoice ScreenSourceChoice::from(const QProcessEnvironment& environment) {
    const QString forced = environment.value(QStringLiteral("PICTAVO_SCREEN_SOURCE")).toLower();
    if (forced == QLatin1String("x11")) {
        return {Kind::X11, QStringLiteral("Screen source: X11 (PICTAVO_SCREEN_SOURCE)")};
    }
    if (forced == QLatin1String("portal")) {
        return {Kind::Portal,
                QStringLiteral("Screen source: desktop portal (PICTAVO_SCREEN_SOURCE)")};
    }
    // A value that names no source is said in the log and otherwise left alone.
    const QString ignored =
        forced.isEmpty()
            ? QString()
            : QStringLiteral("; PICTAVO_SCREEN_SOURCE=%1 is neither x11 nor portal").arg(forced);
    // On a Wayland desktop XWayland's X server cannot read the screen: the compositor can.
    if (!environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()) {
        return {Kind::Portal,
                QStringLiteral("Screen source: desktop portal (WAYLAND_DISPLAY is set)") + ignored};
    }
    if (environment.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland")) {
        return {Kind::Portal,
                QStringLiteral("Screen source: desktop portal (XDG_SESSION_TYPE is wayland)") +
                    ignored};
    }
    return {Kind::X11, QStringLiteral("Screen source: X11") + ignored};
}

PlatformServices::PlatformServices() = default;
PlatformServices::PlatformServices(PlatformServices&&) noexcept = default;
PlatformServices& PlatformServices::operator=(PlatformServices&&) noexcept = default;
PlatformServices::~PlatformServices() = default;

PlatformServices PlatformServices::production() {
    PlatformServices s;
    s.registryPath = RegistryHive::defaultPath();
    s.dialogs = std::make_unique<QtDialogs>();
    s.shell = std::make_unique<DesktopShell>();
    s.clock = std::make_unique<SystemClock>();
    const ScreenSourceChoice choice =
        ScreenSourceChoice::from(QProcessEnvironment::systemEnvironment());
    s.screen = choice.kind == ScreenSourceChoice::Kind::Portal ? makePortalScreenSource()
                                                               : makeX11ScreenSource();
    s.screenSourceLine = choice.logLine;
    s.video = std::make_unique<V4L2VideoDevices>();
    return s;
}

}  // namespace pictavo
