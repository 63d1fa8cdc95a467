#include "settings/Settings.h"

#include "platform/WellKnownPaths.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsSchema.h"

namespace pictavo {

Settings::Settings(RegistryHive& hive, Dialogs& dialogs, std::function<QString()> userEmail,
                   std::function<QString()> desktopFolder)
    : registry_(hive, dialogs),
      userKey_(std::move(userEmail)),
      log_(registry_, userKey_, record_),
      desktopFolder_(desktopFolder ? std::move(desktopFolder)
                                   : &WellKnownPaths::defaultSaveFolder) {}

QString Settings::checkRegistry() {
    if (!userKey_.hasAccount()) {
        return QStringLiteral("0 Keys and 0 Values");
    }
    return SettingsSchema::checkRegistry(registry_, userKey_, desktopFolder_);
}

void Settings::ReadRegistry() {
    if (!userKey_.hasAccount()) {
        return;
    }
    // The account's key removed while the plug-in runs (by the settings tool, say) is made
    // again with its defaults, as at start: read from nothing, every value would be "Error".
    if (!registry_.KeyPathExists(userKey_.path())) {
        const QString made = checkRegistry();
        WriteLog(QStringLiteral("Settings key missing, made again: ") + made);
    }
    SettingsLoader(registry_, userKey_, log_, desktopFolder_).load(record_);
}

QString Settings::value(const QString& subKey, const QString& name) {
    if (!userKey_.hasAccount()) {
        return QStringLiteral("Error");
    }
    return registry_.GetStringValue(userKey_.path(subKey), name);
}

void Settings::setValue(const QString& subKey, const QString& name, const QString& text) {
    if (!userKey_.hasAccount()) {
        return;
    }
    registry_.SetStringValue(userKey_.path(subKey), name, text);
}

}  // namespace pictavo
