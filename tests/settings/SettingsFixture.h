#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <memory>

#include "platform/RegistryHive.h"
#include "settings/DiagnosticLog.h"
#include "settings/Settings.h"
#include "support/LogLines.h"
#include "support/ScriptedDialogs.h"

namespace pictavo::test {

// A settings component over the test's private store, for the account `email`.
class SettingsFixture : public ::testing::Test {
protected:
    QString email = QStringLiteral("user@example.com");
    std::unique_ptr<RegistryHive> hive =
        std::make_unique<RegistryHive>(RegistryHive::defaultPath());
    ScriptedDialogs dialogs;
    QString desktop = QStringLiteral("/home/user/Desktop");
    Settings settings{*hive, dialogs, [this] { return email; }, [this] { return desktop; }};

    modRegistry& reg() { return settings.registry(); }
    // A value of the account's settings; `sub` "" is the user key itself.
    void set(const char* sub, const char* name, const QString& value) {
        settings.setValue(QLatin1String(sub), QLatin1String(name), value);
    }
    QString get(const char* sub, const char* name) {
        return settings.value(QLatin1String(sub), QLatin1String(name));
    }
};

}  // namespace pictavo::test
