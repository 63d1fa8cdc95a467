#pragma once

#include <QString>

namespace pictavo {

// Hands a URL, a mailto: address or a folder to the desktop's default handler. Each answers
// false when the handler could not be started or said it failed.
class Shell {
public:
    virtual ~Shell() = default;
    virtual bool openUrl(const QString& url) = 0;
    virtual bool openFolder(const QString& folder) = 0;
};

// Starts xdg-open with an argument list (never through a shell string), detached: it outlives
// the plug-in. For a folder it waits up to `verdictMs` (in an event loop) for xdg-open's exit
// status, since xdg-open fails when no file manager is set up; one still running by then has
// started one.
class DesktopShell final : public Shell {
public:
    explicit DesktopShell(int verdictMs = 2000) : verdictMs_(verdictMs) {}
    bool openUrl(const QString& url) override;
    bool openFolder(const QString& folder) override;

private:
    int verdictMs_;
};

}  // namespace pictavo
