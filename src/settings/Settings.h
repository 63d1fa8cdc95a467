#pragma once

#include <QString>
#include <functional>

#include "settings/DiagnosticLog.h"
#include "settings/SettingsRecord.h"
#include "settings/UserKey.h"
#include "settings/modRegistry.h"

namespace pictavo {

class Dialogs;
class RegistryHive;

// The component's settings: path-based registry access, the per-user key, the settings record
// and the diagnostic log, over one hive. One instance per component.
class Settings {
public:
    Settings(RegistryHive& hive, Dialogs& dialogs, std::function<QString()> userEmail,
             std::function<QString()> desktopFolder = {});

    modRegistry& registry() { return registry_; }
    const UserKey& userKey() const { return userKey_; }
    SettingsRecord& record() { return record_; }
    const SettingsRecord& record() const { return record_; }

    void WriteLog(const QString& message) { log_.WriteLog(message); }

    // Without a signed-in account (UserKey::hasAccount) nothing below touches the store: there
    // is no user key to work on, and the caller says so once instead of one message per value.

    // Creates what is missing of the settings tree; returns "<n> Keys and <m> Values".
    QString checkRegistry();
    // Refills the record from the store; leaves it as it is without an account.
    void ReadRegistry();

    // A value under the user key ("" as `subKey`) or one of its sub-keys, through the
    // path-based layer: "Error" when missing (and always without an account).
    QString value(const QString& subKey, const QString& name);
    void setValue(const QString& subKey, const QString& name, const QString& text);

private:
    modRegistry registry_;
    UserKey userKey_;
    SettingsRecord record_;
    DiagnosticLog log_;
    std::function<QString()> desktopFolder_;
};

}  // namespace pictavo
