#include "settings/HostScriptsKey.h"

#include "platform/RegistryHive.h"
#include "settings/RegistryRoutines.h"

namespace pictavo::HostScriptsKey {

void select(RegistryRoutines& key) {
    key.hkey = RootKey::LocalMachine;
    key.KeyRoot = QStringLiteral("SOFTWARE\\Patchou");
    key.Subkey = QStringLiteral("Messenger Plus! Live");
}

void publish(RegistryHive& hive, const QString& scriptsDir) {
    RegistryRoutines key(hive);
    select(key);
    key.CreateKey();
    key.SetRegistryValue(QStringLiteral("ScriptsDir"), scriptsDir, RegType::Sz);
}

}  // namespace pictavo::HostScriptsKey
