#include "reg/RegCommandLine.h"

#include <algorithm>
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
struct SwitchSyntax {
    const char* name;
    bool takesArgument;
};

bool lookUpSwitch(RegVerb verb, const QString& name, bool& takesArgument) {
    static constexpr std::array<SwitchSyntax, 3> query{{{"v", true}, {"ve", false}, {"s", false}}};
    static constexpr std::array<SwitchSyntax, 6> add{
        {{"v", true}, {"ve", false}, {"t", true}, {"d", true}, {"s", true}, {"f", false}}};
    static constexpr std::array<SwitchSyntax, 4> del{
        {{"v", true}, {"ve", false}, {"va", false}, {"f", false}}};
    auto find = [&](const auto& table) {
        for (const SwitchSyntax& syntax : table) {
            if (name == QLatin1String(syntax.name)) {
                takesArgument = syntax.takesArgument;
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

namespace {

std::optional<RegVerb> verbFromText(const QString& text) {
    const QString verb = text.toLower();
    if (verb == QLatin1String("query")) {
        return RegVerb::Query;
    }
    if (verb == QLatin1String("add")) {
        return RegVerb::Add;
    }
    if (verb == QLatin1String("delete")) {
        return RegVerb::Delete;
    }
    return std::nullopt;
}

// The switches after the key, as given; each may be given once, and only the verb's own.
struct GivenSwitches {
    std::optional<QString> name, typeName, data, separator;
    bool ve = false, va = false, recurse = false, force = false;
};

std::optional<GivenSwitches> readSwitches(RegVerb verb, const QStringList& args) {
    GivenSwitches given;
    QStringList seen;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (!isSwitch(args[i])) {
            return std::nullopt;
        }
        const QString sw = args[i].mid(1).toLower();
        bool takesArgument = false;
        if (!lookUpSwitch(verb, sw, takesArgument) || seen.contains(sw)) {
            return std::nullopt;
        }
        seen << sw;
        std::optional<QString> argument;
        if (takesArgument) {
            // The argument is taken as it stands, even when it looks like a switch: "/d /x"
            // writes the text "/x".
            if (i + 1 >= args.size()) {
                return std::nullopt;
            }
            argument = args[++i];
        }
        if (sw == QLatin1String("v")) {
            given.name = argument;
        } else if (sw == QLatin1String("ve")) {
            given.ve = true;
        } else if (sw == QLatin1String("va")) {
            given.va = true;
        } else if (sw == QLatin1String("t")) {
            given.typeName = argument;
        } else if (sw == QLatin1String("d")) {
            given.data = argument;
        } else if (sw == QLatin1String("s")) {
            if (verb == RegVerb::Query) {
                given.recurse = true;
            } else {
                given.separator = argument;
            }
        } else if (sw == QLatin1String("f")) {
            given.force = true;
        }
    }
    return given;
}

// /v, /ve and /va exclude each other.
bool takeValueName(RegCommand& cmd, const GivenSwitches& given) {
    if (int(given.name.has_value()) + int(given.ve) + int(given.va) > 1) {
        return false;
    }
    if (given.name) {
        cmd.valueName = *given.name;
    } else if (given.ve) {
        cmd.valueName = QString();
    }
    cmd.allValues = given.va;
    cmd.recurse = given.recurse;
    cmd.force = given.force;
    return true;
}

// add: the value to write from /t, /d and /s. /t or /d without /v writes the default value,
// as /ve would.
bool takeAddedValue(RegCommand& cmd, const GivenSwitches& given) {
    RegType type = RegType::Sz;
    if (given.typeName) {
        const auto t = RegCommandLine::typeFromName(*given.typeName);
        if (!t) {
            return false;
        }
        type = *t;
    }
    if (given.separator && (type != RegType::MultiSz || given.separator->size() != 1)) {
        return false;
    }
    if (!cmd.valueName && !given.typeName && !given.data) {
        return true;  // only the key is to be created
    }
    cmd.valueName = cmd.valueName.value_or(QString());
    cmd.value = RegCommandLine::valueFromData(type, given.data,
                                              given.separator.value_or(QStringLiteral("\\0")));
    return cmd.value.has_value();
}

}  // namespace

RegParseResult RegCommandLine::parse(const QStringList& args) {
    const auto refuse = [](RegVerb verb) {
        return RegParseResult{std::nullopt, RegFormatter::invalidSyntax(verb)};
    };
    RegCommand cmd;
    cmd.help = std::any_of(args.begin(), args.end(), isHelp);
    if (!args.isEmpty() && isHelp(args.first())) {
        return {cmd, {}};
    }
    const std::optional<RegVerb> verb = args.isEmpty() ? std::nullopt : verbFromText(args.first());
    if (!verb) {
        return refuse(RegVerb::None);
    }
    cmd.verb = *verb;
    if (cmd.help) {
        return {cmd, {}};
    }
    const QStringList rest = args.mid(1);
    if (rest.isEmpty() || isSwitch(rest.first())) {
        return refuse(*verb);
    }
    const std::optional<RegKeyPath> key = parseKeyPath(rest.first());
    if (!key) {
        return {std::nullopt, RegFormatter::invalidKeyName(*verb)};
    }
    cmd.key = *key;
    const std::optional<GivenSwitches> given = readSwitches(*verb, rest.mid(1));
    if (!given || !takeValueName(cmd, *given) ||
        (*verb == RegVerb::Add && !takeAddedValue(cmd, *given))) {
        return refuse(*verb);
    }
    return {cmd, {}};
}

}  // namespace pictavo::reg
