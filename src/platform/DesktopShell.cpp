#include <QProcess>
#include <QUrl>

#include "platform/Shell.h"

namespace pictavo {

bool DesktopShell::openUrl(const QString& url) {
    return QProcess::startDetached(QStringLiteral("xdg-open"), {url});
}

bool DesktopShell::openFolder(const QString& folder) {
    return QProcess::startDetached(QStringLiteral("xdg-open"),
                                   {QUrl::fromLocalFile(folder).toString()});
}

}  // namespace pictavo
