#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <memory>

#include "dialogs/Dialogs.h"
#include "platform/Clock.h"
#include "platform/Shell.h"

namespace pictavo {

class ScreenSource;
class VideoDevices;

// Where the screen's pixels come from, chosen once when the services are built: from the
// environment of the session, or as PICTAVO_SCREEN_SOURCE=x11|portal says.
struct ScreenSourceChoice {
    enum class Kind { X11, Portal };
    Kind kind = Kind::X11;
    // The log line that names the source and why it was chosen.
    QString logLine;

    static ScreenSourceChoice from(const QProcessEnvironment& environment);
};

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
    // Logged once when the component starts.
    QString screenSourceLine;

    PlatformServices();
    PlatformServices(PlatformServices&&) noexcept;
    PlatformServices& operator=(PlatformServices&&) noexcept;
    ~PlatformServices();

    static PlatformServices production();
};

}  // namespace pictavo
