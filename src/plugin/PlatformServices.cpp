#include "plugin/PlatformServices.h"

#include "dialogs/QtDialogs.h"
#include "platform/RegistryHive.h"
#include "platform/ScreenSource.h"
#include "platform/VideoDevices.h"

namespace pictavo {

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
    s.screen = makeX11ScreenSource();
    s.video = std::make_unique<V4L2VideoDevices>();
    return s;
}

}  // namespace pictavo
