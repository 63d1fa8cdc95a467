#include "platform/WellKnownPaths.h"

#include <QDir>
#include <QStandardPaths>

namespace pictavo::WellKnownPaths {

namespace {

QString xdgOr(const char* variable, const QString& fallbackBelowHome) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value)) {
        return QDir::cleanPath(value);
    }
    return QDir::homePath() + fallbackBelowHome;
}

}  // namespace

QString systemTempFolder() {
    const QString tmp = qEnvironmentVariable("TMPDIR");
    if (!tmp.isEmpty() && QDir::isAbsolutePath(tmp)) {
        return QDir::cleanPath(tmp);
    }
    return QStringLiteral("/tmp");
}

QString stateHome() {
    return xdgOr("XDG_STATE_HOME", QStringLiteral("/.local/state"));
}

QString configHome() {
    return xdgOr("XDG_CONFIG_HOME", QStringLiteral("/.config"));
}

QString desktopFolder() {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return desktop.isEmpty() ? QDir::homePath() + QStringLiteral("/Desktop") : desktop;
}

}  // namespace pictavo::WellKnownPaths
