#pragma once

#include <QString>
#include <cstdint>

namespace pictavo {

class Dialogs;
class RegistryHive;

// Registry access by full key path ("HKEY_CURRENT_USER\SOFTWARE\..."): split into a root and a
// sub-key, check the form, read and write string values. A malformed path is reported with
// the "Incorrect Format:" message box and then ignored. Missing keys or values read as
// "Error"; writes never create a key.
class modRegistry {
public:
    modRegistry(RegistryHive& hive, Dialogs& dialogs) : hive_(hive), dialogs_(dialogs) {}

    static std::uint32_t RootKeyFromName(const QString& name);

    // Replaces `path` by its sub-key part and returns the root; 0 for a rejected path (reported)
    // or an unknown root name (silently).
    std::uint32_t SplitKeyPath(QString& path, const QString& context, const QString& detail1,
                               const QString& detail2, const QString& callerLabel);

    bool KeyPathExists(const QString& path);
    void CreateKey(const QString& path, const QString& callerLabel);
    // The value's text (any length), "Error" when the key or value is missing, the empty text
    // for a rejected path.
    QString GetStringValue(const QString& path, const QString& valueName,
                           const QString& callerLabel = {});
    void SetStringValue(const QString& path, const QString& valueName, const QString& value,
                        const QString& callerLabel = {});

    RegistryHive& hive() { return hive_; }

private:
    RegistryHive& hive_;
    Dialogs& dialogs_;
};

}  // namespace pictavo
