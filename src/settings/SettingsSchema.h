#pragma once

#include <QString>
#include <functional>
#include <span>

namespace pictavo {

class modRegistry;
class UserKey;

// Where a setting lives, relative to the user key: "" is the user key itself.
struct SettingDefault {
    const char* subKey;  // "", "Options", "Overlay", "Countdown" or "DrawTools"
    const char* name;
    const char* value;  // nullptr: computed when checked (the desktop folder and its length)
};

// The settings tree: its keys, and every value with its default, in the order checked.
namespace SettingsSchema {

// The 57 values, in the order in which checkRegistry looks at them.
std::span<const SettingDefault> defaults();

// The default of a value, or nullopt-like empty when unknown. Computed defaults ask
// `desktopFolder` at the moment of the call.
QString defaultValue(const QString& subKey, const QString& name,
                     const std::function<QString()>& desktopFolder);

// Creates the keys and values that are missing and returns "<n> Keys and <m> Values".
QString checkRegistry(modRegistry& registry, const UserKey& userKey,
                      const std::function<QString()>& desktopFolder);

}  // namespace SettingsSchema

}  // namespace pictavo
