#include "reg/RegCommandLine.h"

#include <array>
#include <limits>

#include "reg/RegFormatter.h"

namespace pictavo::reg {

namespace {

struct RootName {
    const char* shortName;
    const char* fullName;
    std::uint32_t handle;
};

constexpr std::array<RootName, 5> kRoots{{
    {"HKLM", "HKEY_LOCAL_MACHINE", RootKey::LocalMachine},
    {"HKCU", "HKEY_CURRENT_USER", RootKey::CurrentUser},
    {"HKCR", "HKEY_CLASSES_ROOT", RootKey::ClassesRoot},
    {"HKU", "HKEY_USERS", RootKey::Users},
    {"HKCC", "HKEY_CURRENT_CONFIG", RootKey::CurrentConfig},
}};

bool isSwitch(const QString& arg) {
    return arg.size() >= 2 &&
           (arg.startsWith(QLatin1Char('/')) || arg.startsWith(QLatin1Char('-')));
}

bool isHelp(const QString& arg) {
    return arg == QLatin1String("/?") || arg == QLatin1String("-?");
}

bool allDigits(const QString& text, int base) {
    if (text.isEmpty()) {
        return false;
    }
    for (const QChar c : text) {
        const bool dec = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool hex = (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
                         (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
        if (!(dec || (base == 16 && hex))) {
            return false;
        }
    }
    return true;
}

// The switches each verb takes, and whether the switch is followed by an argument.
struct SwitchSpec {
    const char* name;
    bool takesArgument;
};

bool lookUpSwitch(RegVerb verb, const QString& name, bool& takesArgument) {
    static constexpr std::array<SwitchSpec, 3> query{{{"v", true}, {"ve", false}, {"s", false}}};
    static constexpr std::array<SwitchSpec, 6> add{
        {{"v", true}, {"ve", false}, {"t", true}, {"d", true}, {"s", true}, {"f", false}}};
    static constexpr std::array<SwitchSpec, 4> del{
        {{"v", true}, {"ve", false}, {"va", false}, {"f", false}}};
    auto find = [&](const auto& table) {
        for (const SwitchSpec& spec : table) {
            if (name == QLatin1String(spec.name)) {
                takesArgument = spec.takesArgument;
                return true;
            }
        }
        return false;
    };
    switch (verb) {
        case RegVerb::Query:
            return find(query);
        case RegVerb::Add:
            return find(add);
        case RegVerb::Delete:
            return find(del);
        case RegVerb::None:
            break;
    }
    return false;
}

}  // namespace

std::optional<RegType> RegCommandLine::typeFromName(const QString& name) {
    const QString upper = name.toUpper();
    if (upper == QLatin1String("REG_SZ")) {
        return RegType::Sz;
    }
    if (upper == QLatin1String("REG_EXPAND_SZ")) {
        return RegType::ExpandSz;
    }
    if (upper == QLatin1String("REG_DWORD")) {
        return RegType::Dword;
    }
    if (upper == QLatin1String("REG_BINARY")) {
        return RegType::Binary;
    }
    if (upper == QLatin1String("REG_MULTI_SZ")) {
        return RegType::MultiSz;
    }
    return std::nullopt;
}

std::optional<RegKeyPath> RegCommandLine::parseKeyPath(const QString& text) {
    // "\\machine\..." names another computer's registry, which this store does not have.
    if (text.startsWith(QLatin1String("\\\\"))) {
        return std::nullopt;
    }
    QString path = text;
    while (path.endsWith(QLatin1Char('\\'))) {
        path.chop(1);
    }
    const qsizetype slash = path.indexOf(QLatin1Char('\\'));
    const QString rootToken = slash < 0 ? path : path.left(slash);
    const QString subKey = slash < 0 ? QString() : path.mid(slash + 1);

    const RootName* found = nullptr;
    for (const RootName& r : kRoots) {
        if (rootToken.compare(QLatin1String(r.shortName), Qt::CaseInsensitive) == 0 ||
            rootToken.compare(QLatin1String(r.fullName), Qt::CaseInsensitive) == 0) {
            found = &r;
            break;
        }
    }
    if (!found) {
        return std::nullopt;
    }
    if (slash >= 0) {
        for (const QString& part : subKey.split(QLatin1Char('\\'))) {
            if (part.isEmpty()) {
                return std::nullopt;
            }
        }
    }
    return RegKeyPath{found->handle, QLatin1String(found->fullName), subKey};
}

std::optional<RegValue> RegCommandLine::valueFromData(RegType type,
                                                      const std::optional<QString>& data,
                                                      const QString& separator) {
    const QString text = data.value_or(QString());
    switch (type) {
        case RegType::Sz:
        case RegType::ExpandSz:
            return RegValue::text(text, type);
        case RegType::Dword: {
            if (!data) {
                return RegValue::dword(0);
            }
            const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
            const QString digits = hex ? text.mid(2) : text;
            if (!allDigits(digits, hex ? 16 : 10)) {
                return std::nullopt;
            }
            bool ok = false;
            const qulonglong n = digits.toULongLong(&ok, hex ? 16 : 10);
            if (!ok || n > std::numeric_limits<std::uint32_t>::max()) {
                return std::nullopt;
            }
            return RegValue::dword(static_cast<std::uint32_t>(n));
        }
        case RegType::Binary: {
            if (text.isEmpty()) {
                return RegValue{RegType::Binary, {}};
            }
            if (!allDigits(text, 16)) {
                return std::nullopt;
            }
            // An odd count of digits reads as if led by a zero: "abc" is 0A BC.
            const QString even = text.size() % 2 ? QLatin1Char('0') + text : text;
            return RegValue{RegType::Binary, QByteArray::fromHex(even.toLatin1())};
        }
        case RegType::MultiSz: {
            if (text.isEmpty()) {
                return RegValue{RegType::MultiSz, {}};
            }
            QStringList parts = text.split(separator);
            // A closing separator ends the list; it does not add an empty string.
            if (parts.size() > 1 && parts.last().isEmpty()) {
                parts.removeLast();
            }
            QByteArray bytes;
            for (qsizetype i = 0; i < parts.size(); ++i) {
                if (i > 0) {
                    bytes.append('\0');
                }
                bytes.append(parts[i].toUtf8());
            }
            return RegValue{RegType::MultiSz, bytes};
        }
        case RegType::None:
            break;
    }
    return std::nullopt;
}

RegParseResult RegCommandLine::parse(const QStringList& args) {
    if (args.isEmpty()) {
        return {std::nullopt, RegFormatter::invalidSyntax(RegVerb::None)};
    }
    RegCommand cmd;
    const QString verbText = args.first().toLower();
    if (isHelp(verbText)) {
        cmd.help = true;
        return {cmd, {}};
    }
    if (verbText == QLatin1String("query")) {
        cmd.verb = RegVerb::Query;
    } else if (verbText == QLatin1String("add")) {
        cmd.verb = RegVerb::Add;
    } else if (verbText == QLatin1String("delete")) {
        cmd.verb = RegVerb::Delete;
    } else {
        return {std::nullopt, RegFormatter::invalidSyntax(RegVerb::None)};
    }
    const RegVerb verb = cmd.verb;
    const QStringList rest = args.mid(1);
    for (const QString& arg : rest) {
        if (isHelp(arg)) {
            cmd.help = true;
            return {cmd, {}};
        }
    }
    if (rest.isEmpty() || isSwitch(rest.first())) {
        return {std::nullopt, RegFormatter::invalidSyntax(verb)};
    }
    const auto key = parseKeyPath(rest.first());
    if (!key) {
        return {std::nullopt, RegFormatter::invalidKeyName(verb)};
    }
    cmd.key = *key;

    // Each switch may be given once.
    QStringList seen;
    std::optional<QString> name, typeName, data, separator;
    bool ve = false, va = false;
    for (qsizetype i = 1; i < rest.size(); ++i) {
        const QString& arg = rest[i];
        if (!isSwitch(arg)) {
            return {std::nullopt, RegFormatter::invalidSyntax(verb)};
        }
        const QString sw = arg.mid(1).toLower();
        bool takesArgument = false;
        if (!lookUpSwitch(verb, sw, takesArgument) || seen.contains(sw)) {
            return {std::nullopt, RegFormatter::invalidSyntax(verb)};
        }
        seen << sw;
        std::optional<QString> argument;
        if (takesArgument) {
            // The argument is taken as it stands, even when it looks like a switch: "/d /x"
            // writes the text "/x".
            if (i + 1 >= rest.size()) {
                return {std::nullopt, RegFormatter::invalidSyntax(verb)};
            }
            argument = rest[++i];
        }
        if (sw == QLatin1String("v")) {
            name = argument;
        } else if (sw == QLatin1String("ve")) {
            ve = true;
        } else if (sw == QLatin1String("va")) {
            va = true;
        } else if (sw == QLatin1String("t")) {
            typeName = argument;
        } else if (sw == QLatin1String("d")) {
            data = argument;
        } else if (sw == QLatin1String("s")) {
            if (verb == RegVerb::Query) {
                cmd.recurse = true;
            } else {
                separator = argument;
            }
        } else if (sw == QLatin1String("f")) {
            cmd.force = true;
        }
    }
    if (int(name.has_value()) + int(ve) + int(va) > 1) {
        return {std::nullopt, RegFormatter::invalidSyntax(verb)};
    }
    if (name) {
        cmd.valueName = *name;
    } else if (ve) {
        cmd.valueName = QString();
    }
    cmd.allValues = va;

    if (verb == RegVerb::Add) {
        RegType type = RegType::Sz;
        if (typeName) {
            const auto t = typeFromName(*typeName);
            if (!t) {
                return {std::nullopt, RegFormatter::invalidSyntax(verb)};
            }
            type = *t;
        }
        if (separator && (type != RegType::MultiSz || separator->size() != 1)) {
            return {std::nullopt, RegFormatter::invalidSyntax(verb)};
        }
        // /t or /d without /v writes the default value, as /ve would.
        if (cmd.valueName || typeName || data) {
            if (!cmd.valueName) {
                cmd.valueName = QString();
            }
            cmd.value = valueFromData(type, data, separator.value_or(QStringLiteral("\\0")));
            if (!cmd.value) {
                return {std::nullopt, RegFormatter::invalidSyntax(verb)};
            }
        }
    }
    return {cmd, {}};
}

}  // namespace pictavo::reg
