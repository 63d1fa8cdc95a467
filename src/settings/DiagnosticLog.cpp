#include "settings/DiagnosticLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    QFile file(path);
    // A log that cannot be written is skipped: tracing must never stop the operation it traces.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return;
    }
    file.write(message.toUtf8() + "\r\n");
}

QString DiagnosticLog::LogFilePath() {
    return WellKnownPaths::stateHome() + QStringLiteral("/pictavo/PV3_Log.txt");
}

}  // namespace pictavo
