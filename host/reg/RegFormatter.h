#pragma once

#include <QString>

#include "platform/RegistryHive.h"
#include "reg/RegCommandLine.h"

namespace pictavo::reg {

// The texts the tool prints, in the layout of the platform's reg command. Pure functions, so
// the exact output can be checked without a store.
class RegFormatter {
public:
    static inline const QString kSuccess = QStringLiteral("The operation completed successfully.");
    static inline const QString kCancelled =
        QStringLiteral("The operation was canceled by the user.");
    static inline const QString kNotFound =
        QStringLiteral("ERROR: The system was unable to find the specified registry key or value.");
    static inline const QString kAccessDenied = QStringLiteral("ERROR: Access is denied.");
    static inline const QString kDefaultName = QStringLiteral("(Default)");

    // "REG_SZ", "REG_DWORD", ...; a type this tool cannot write still gets a readable name.
    static QString typeName(RegType type);
    // REG_DWORD as "0x" and lower-case hex, REG_BINARY (and unknown types) as upper-case hex
    // digits without separators, REG_MULTI_SZ with a literal "\0" between the strings, text
    // types as they are.
    static QString dataText(const RegValue& value);
    // "    NAME    TYPE    DATA\n"; the empty name shows as "(Default)".
    static QString valueLine(const QString& name, const RegValue& value);
    // The line for a default value that was never set, as /ve shows it.
    static QString defaultNotSetLine();
    // "HKEY_CURRENT_USER" or "HKEY_CURRENT_USER\Software\x".
    static QString keyPath(const QString& rootName, const QString& subKey);
    static QString matchesFound(int count);

    static QString overwriteQuestion(const QString& valueName);
    static QString deleteValueQuestion(const QString& valueName);
    static QString deleteAllValuesQuestion(const QString& keyPath);
    static QString deleteKeyQuestion(const QString& keyPath);

    // "ERROR: Invalid syntax." with the hint to the usage of `verb`.
    static QString invalidSyntax(RegVerb verb);
    static QString invalidKeyName(RegVerb verb);
    static QString usage(RegVerb verb);
};

}  // namespace pictavo::reg
