#include "platform/WellKnownPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

QString privateTempFolder(const QString& app) {
    const QString tmp = qEnvironmentVariable("TMPDIR");
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!QDir::isAbsolutePath(runtime)) {
        runtime.clear();
    }
    struct stat st {};
    const bool runtimePrivate =
        !runtime.isEmpty() && lstat(QFile::encodeName(runtime).constData(), &st) == 0 &&
        S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
    return privateTempFolderFor(app, QDir::isAbsolutePath(tmp) ? tmp : QString(), runtime,
                                runtimePrivate, geteuid());
}

QString privateTempFolderFor(const QString& app, const QString& tmpDir, const QString& runtimeDir,
                             bool runtimeDirPrivate, uint uid) {
    const auto below = [&app](const QString& folder) {
        QString path = QDir::cleanPath(folder);
        if (!path.endsWith(QLatin1Char('/'))) {
            path += QLatin1Char('/');
        }
        return path + app + QLatin1Char('/');
    };
    if (!tmpDir.isEmpty()) {
        return below(tmpDir);
    }
    if (!runtimeDir.isEmpty() && runtimeDirPrivate) {
        return below(runtimeDir);
    }
    return QStringLiteral("/tmp/%1-%2/").arg(app).arg(uid);
}

QString stateHome() {
    return xdgOr("XDG_STATE_HOME", QStringLiteral("/.local/state"));
}

QString configHome() {
    return xdgOr("XDG_CONFIG_HOME", QStringLiteral("/.config"));
}

QString defaultSaveFolder() {
    // The same user-dirs.dirs entries that xdg-user-dir reads.
    for (const auto location :
         {QStandardPaths::DesktopLocation, QStandardPaths::PicturesLocation}) {
        QString folder = QStandardPaths::writableLocation(location);
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
            return folder;
        }
    }
    return QDir::homePath();
}

}  // namespace pictavo::WellKnownPaths
