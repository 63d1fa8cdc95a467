#pragma once

#include <QString>

namespace pictavo {

class RegistryHive;
class RegistryRoutines;

// Where the messenger host keeps its scripts folder: "ScriptsDir" in
// HKEY_LOCAL_MACHINE\SOFTWARE\Patchou\Messenger Plus! Live. The plug-in's folder lies in it.
namespace HostScriptsKey {

// Points `key` at the host's key.
void select(RegistryRoutines& key);
// Creates the key when missing and stores `scriptsDir` as "ScriptsDir" (what the host does).
void publish(RegistryHive& hive, const QString& scriptsDir);

}  // namespace HostScriptsKey

}  // namespace pictavo
