#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "platform/RegistryHive.h"

namespace pictavo::reg {

enum class RegVerb { None, Query, Add, Delete };

// A key as given on the command line, split into its predefined root and the sub-key path.
struct RegKeyPath {
    std::uint32_t root = 0;
    QString rootName;  // always the full form: "HKEY_CURRENT_USER"
    QString subKey;    // "\"-separated, no empty component; empty for the root itself
};

// One invocation of the tool, checked and ready to run against a store.
struct RegCommand {
    RegVerb verb = RegVerb::None;
    // "/?": print the usage of `verb` (the general usage for RegVerb::None) and nothing else.
    bool help = false;
    RegKeyPath key;
    // The value that /v NAME or /ve addresses; the empty name is the key's default value.
    // Unset when the command addresses the key as a whole.
    std::optional<QString> valueName;
    bool allValues = false;  // delete /va
    bool recurse = false;    // query /s
    bool force = false;      // add, delete /f: no question before overwriting or deleting
    // add: the value to write, built from /t and /d. Unset when only the key is to be created.
    std::optional<RegValue> value;
};

struct RegParseResult {
    std::optional<RegCommand> command;
    // The complete "ERROR: ..." text when the arguments were refused.
    QString error;
};

// Turns the tool's arguments (without the program name) into a RegCommand, with the switches
// and the messages of the platform's reg command. Pure: reads no store and no environment.
class RegCommandLine {
public:
    static RegParseResult parse(const QStringList& args);

    // "HKCU\Software\x", "HKEY_CURRENT_USER\Software\x\" (the trailing "\" is ignored), ...
    // Root names in full or short form, without regard to case. std::nullopt for an unknown
    // root, a remote "\\machine\..." key or an empty name component.
    static std::optional<RegKeyPath> parseKeyPath(const QString& text);

    // The data of /d for a value of `type`: REG_DWORD in decimal or 0x hex (32 bits),
    // REG_BINARY as hex digits, REG_MULTI_SZ as strings separated by `separator` (written "\0"
    // by default). std::nullopt when the data does not fit the type.
    static std::optional<RegValue> valueFromData(RegType type, const std::optional<QString>& data,
                                                 const QString& separator);

    static std::optional<RegType> typeFromName(const QString& name);
};

}  // namespace pictavo::reg
