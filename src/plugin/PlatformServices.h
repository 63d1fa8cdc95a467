#pragma once

#include <QString>
#include <memory>

#include "dialogs/Dialogs.h"
#include "platform/Clock.h"
#include "platform/Shell.h"

namespace pictavo {

class ScreenSource;
class VideoDevices;

// Everything the component takes from the platform, handed to it when it is built: production
// code passes the real services, tests pass doubles.
struct PlatformServices {
    // The settings store's file; opened by Initialize.
    QString registryPath;
    std::unique_ptr<Dialogs> dialogs;
    std::unique_ptr<Shell> shell;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<ScreenSource> screen;
    std::unique_ptr<VideoDevices> video;

    PlatformServices();
    PlatformServices(PlatformServices&&) noexcept;
    PlatformServices& operator=(PlatformServices&&) noexcept;
    ~PlatformServices();

    static PlatformServices production();
};

}  // namespace pictavo
