#include "reg/RegFormatter.h"

#include <QtEndian>

namespace pictavo::reg {

namespace {

const QString kIndent = QStringLiteral("    ");

QString verbWord(RegVerb verb) {
    switch (verb) {
        case RegVerb::Query:
            return QStringLiteral("REG QUERY");
        case RegVerb::Add:
            return QStringLiteral("REG ADD");
        case RegVerb::Delete:
            return QStringLiteral("REG DELETE");
        case RegVerb::None:
            break;
    }
    return QStringLiteral("REG");
}

QString usageHint(RegVerb verb) {
    return QStringLiteral("Type \"%1 /?\" for usage.").arg(verbWord(verb));
}

const char* const kKeyNameHelp =
    "  KeyName    ROOTKEY\\SubKey\n"
    "    ROOTKEY  [ HKLM | HKCU | HKCR | HKU | HKCC ]\n"
    "             (or in full: HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, ...)\n"
    "    SubKey   The full name of a registry key under the selected ROOTKEY.\n\n";

}  // namespace

QString RegFormatter::typeName(RegType type) {
    switch (type) {
        case RegType::None:
            return QStringLiteral("REG_NONE");
        case RegType::Sz:
            return QStringLiteral("REG_SZ");
        case RegType::ExpandSz:
            return QStringLiteral("REG_EXPAND_SZ");
        case RegType::Binary:
            return QStringLiteral("REG_BINARY");
        case RegType::Dword:
            return QStringLiteral("REG_DWORD");
        case RegType::MultiSz:
            return QStringLiteral("REG_MULTI_SZ");
    }
    // Written by something other than this tool and the plug-in; show its number.
    return QStringLiteral("REG_0x%1").arg(static_cast<std::uint32_t>(type), 0, 16);
}

QString RegFormatter::dataText(const RegValue& value) {
    switch (value.type) {
        case RegType::Sz:
        case RegType::ExpandSz:
            return QString::fromUtf8(value.data);
        case RegType::MultiSz: {
            QStringList parts;
            if (!value.data.isEmpty()) {
                for (const QByteArray& part : value.data.split('\0')) {
                    parts << QString::fromUtf8(part);
                }
            }
            return parts.join(QStringLiteral("\\0"));
        }
        case RegType::Dword: {
            // A short record (only another writer could leave one) reads as zero-padded.
            QByteArray bytes = value.data.left(4);
            bytes.append(QByteArray(4 - bytes.size(), '\0'));
            const auto v = qFromLittleEndian<std::uint32_t>(bytes.constData());
            return QStringLiteral("0x") + QString::number(v, 16);
        }
        case RegType::Binary:
        case RegType::None:
            break;
    }
    return QString::fromLatin1(value.data.toHex().toUpper());
}

QString RegFormatter::valueLine(const QString& name, const RegValue& value) {
    return kIndent + (name.isEmpty() ? kDefaultName : name) + kIndent + typeName(value.type) +
           kIndent + dataText(value) + QLatin1Char('\n');
}

QString RegFormatter::defaultNotSetLine() {
    return kIndent + kDefaultName + kIndent + typeName(RegType::Sz) + kIndent +
           QStringLiteral("(value not set)\n");
}

QString RegFormatter::keyPath(const QString& rootName, const QString& subKey) {
    return subKey.isEmpty() ? rootName : rootName + QLatin1Char('\\') + subKey;
}

QString RegFormatter::matchesFound(int count) {
    return QStringLiteral("End of search: %1 match(es) found.").arg(count);
}

QString RegFormatter::overwriteQuestion(const QString& valueName) {
    return QStringLiteral("Value %1 exists, overwrite(Yes/No)? ")
        .arg(valueName.isEmpty() ? kDefaultName : valueName);
}

QString RegFormatter::deleteValueQuestion(const QString& valueName) {
    return QStringLiteral("Permanently delete the registry value %1 (Yes/No)? ")
        .arg(valueName.isEmpty() ? kDefaultName : valueName);
}

QString RegFormatter::deleteAllValuesQuestion(const QString& keyPath) {
    return QStringLiteral("Delete all values under the registry key %1 (Yes/No)? ").arg(keyPath);
}

QString RegFormatter::deleteKeyQuestion(const QString& keyPath) {
    return QStringLiteral("Permanently delete the registry key %1 (Yes/No)? ").arg(keyPath);
}

QString RegFormatter::invalidSyntax(RegVerb verb) {
    return QStringLiteral("ERROR: Invalid syntax.\n") + usageHint(verb);
}

QString RegFormatter::invalidKeyName(RegVerb verb) {
    return QStringLiteral("ERROR: Invalid key name.\n") + usageHint(verb);
}

QString RegFormatter::usage(RegVerb verb) {
    switch (verb) {
        case RegVerb::Query:
            return QStringLiteral("\nREG QUERY KeyName [/v ValueName | /ve] [/s]\n\n") +
                   QLatin1String(kKeyNameHelp) +
                   QStringLiteral(
                       "  /v         Queries for a specific registry key value.\n"
                       "  /ve        Queries for the default value or empty value name "
                       "(Default).\n"
                       "  /s         Queries all subkeys and values recursively (like dir /s).\n"
                       "             With /v or /ve, searches the subkeys for that value.\n\n"
                       "Examples:\n\n"
                       "  REG QUERY HKCU\\SOFTWARE\\Quorrel /s\n"
                       "    Displays all subkeys and values under HKCU\\SOFTWARE\\Quorrel.\n");
        case RegVerb::Add:
            return QStringLiteral(
                       "\nREG ADD KeyName [/v ValueName | /ve] [/t Type] [/s Separator] "
                       "[/d Data] [/f]\n\n") +
                   QLatin1String(kKeyNameHelp) +
                   QStringLiteral(
                       "  /v         The value name, under the selected Key, to add.\n"
                       "  /ve        Adds an empty value name (Default) for the key.\n"
                       "  /t         RegKey data types\n"
                       "             [ REG_SZ | REG_MULTI_SZ | REG_EXPAND_SZ | REG_DWORD | "
                       "REG_BINARY ]\n"
                       "             If omitted, REG_SZ is assumed.\n"
                       "  /s         Specify one character that you use as the separator in "
                       "your data\n"
                       "             string for REG_MULTI_SZ. If omitted, use \"\\0\" as the "
                       "separator.\n"
                       "  /d         The data to assign to the registry ValueName being added.\n"
                       "             REG_DWORD: a decimal number, or 0x and a hex number.\n"
                       "             REG_BINARY: hex digits.\n"
                       "  /f         Force overwriting the existing registry entry without "
                       "prompt.\n\n"
                       "Examples:\n\n"
                       "  REG ADD HKCU\\SOFTWARE\\MyCo /v Data /t REG_BINARY /d fe340ead\n"
                       "    Adds a value (name: Data, type: REG_BINARY, data: fe340ead).\n\n"
                       "  REG ADD HKCU\\SOFTWARE\\MyCo /v MRU /t REG_MULTI_SZ /d fax\\0mail\n"
                       "    Adds a value (name: MRU, type: REG_MULTI_SZ, data: fax\\0mail).\n");
        case RegVerb::Delete:
            return QStringLiteral("\nREG DELETE KeyName [/v ValueName | /ve | /va] [/f]\n\n") +
                   QLatin1String(kKeyNameHelp) +
                   QStringLiteral(
                       "  /v         Delete the value ValueName under the selected Key.\n"
                       "             Without /v, /ve or /va the key is deleted with all its\n"
                       "             subkeys and values.\n"
                       "  /ve        Delete the value of empty value name (Default).\n"
                       "  /va        Delete all values under this key.\n"
                       "  /f         Forcefully delete without prompt.\n\n"
                       "Examples:\n\n"
                       "  REG DELETE HKCU\\SOFTWARE\\MyCo\n"
                       "    Deletes the key MyCo with all its subkeys and values.\n\n"
                       "  REG DELETE HKCU\\SOFTWARE\\MyCo /v MTU\n"
                       "    Deletes the value MTU under MyCo.\n");
        case RegVerb::None:
            break;
    }
    return QStringLiteral(
        "\nREG Operation [Parameter List]\n\n"
        "  Operation  [ QUERY   | ADD    | DELETE ]\n\n"
        "Return Code:\n\n"
        "  0 - Successful\n"
        "  1 - Failed\n\n"
        "For help on a specific operation type:\n\n"
        "  REG Operation /?\n\n"
        "Examples:\n\n"
        "  REG QUERY /?\n"
        "  REG ADD /?\n"
        "  REG DELETE /?\n");
}

}  // namespace pictavo::reg
