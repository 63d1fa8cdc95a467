#include "settings/DiagnosticLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include "platform/UniqueFd.h"
#include "platform/WellKnownPaths.h"
#include "settings/NumericText.h"
#include "settings/SettingsRecord.h"
#include "settings/UserKey.h"
#include "settings/modRegistry.h"

namespace pictavo {

void DiagnosticLog::WriteLog(const QString& message) {
    // The switch lives under the user key: without an account there is none to read.
    if (!userKey_.hasAccount()) {
        return;
    }
    const QString key = userKey_.path();
    if (registry_.GetStringValue(key, QStringLiteral("Log")) == QLatin1String("Error")) {
        registry_.SetStringValue(key, QStringLiteral("Log"), QStringLiteral("0"));
        record_.Log = QStringLiteral("0");
    } else {
        record_.Log = registry_.GetStringValue(key, QStringLiteral("Log"));
    }
    // A "Log" text that is not a number counts as off.
    if (!flagIsOn(record_.Log)) {
        return;
    }
    const QString path = LogFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    // A log that cannot be written is skipped: tracing must never stop the operation it traces.
    // O_NONBLOCK: a FIFO put in the log's place must not hold the plug-in (and its host, deaf to
    // stop signals meanwhile) until somebody reads it; anything but a file is refused.
    const UniqueFd fd(::open(QFile::encodeName(path).constData(),
                             O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                             0666));
    if (!fd.isOpen()) {
        return;
    }
    struct stat st {};
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        if (!refusedTold_) {
            refusedTold_ = true;
            qWarning().noquote()
                << QStringLiteral("The log %1 is not a file: nothing is written to it.").arg(path);
        }
        return;
    }
    const QByteArray line = message.toUtf8() + "\r\n";
    [[maybe_unused]] const ssize_t written =
        ::write(fd.get(), line.constData(), size_t(line.size()));
}

QString DiagnosticLog::LogFilePath() {
    return WellKnownPaths::stateHome() + QStringLiteral("/pictavo/PV3_Log.txt");
}

}  // namespace pictavo
