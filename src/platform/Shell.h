#pragma once

#include <QString>

namespace pictavo {

// Hands a URL, a mailto: address or a folder to the desktop's default handler.
class Shell {
public:
    virtual ~Shell() = default;
    virtual bool openUrl(const QString& url) = 0;
    virtual bool openFolder(const QString& folder) = 0;
};

// Starts xdg-open with an argument list (never through a shell string), detached.
class DesktopShell final : public Shell {
public:
    bool openUrl(const QString& url) override;
    bool openFolder(const QString& folder) override;
};

}  // namespace pictavo
