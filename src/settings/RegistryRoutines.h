#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>

#include "platform/RegistryHive.h"

namespace pictavo {

// Typed access to one key, given as a root handle and a two-part path: the key worked on is
// KeyRoot + "\" + Subkey under hkey. Unlike the path-based functions it takes any root,
// the local-machine root included.
class RegistryRoutines {
public:
    explicit RegistryRoutines(RegistryHive& hive) : hive_(hive) {}

    std::uint32_t hkey = 0;
    QString KeyRoot;
    QString Subkey;

    // Creates KeyRoot + "\" + `name` (by default Subkey) with any missing parents: "0" on
    // success, the empty text otherwise.
    QString CreateKey(const QString& name) const;
    QString CreateKey() const { return CreateKey(Subkey); }
    // The value as text (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ), bytes (REG_BINARY) or a 32-bit
    // number (REG_DWORD); `defaultValue` when the key or value is missing or of another type.
    QVariant GetRegistryValue(const QString& valueName, const QVariant& defaultValue = {}) const;
    // Writes a value of type 1, 2, 3, 4 or 7; false for any other type or a failed write.
    bool SetRegistryValue(const QString& valueName, const QVariant& value, RegType type) const;
    // Cuts `text` before its first NUL (the argument too) and returns it.
    static QString TrimNull(QString& text);

private:
    QString keyPath() const;
    RegistryHive& hive_;
};

}  // namespace pictavo
