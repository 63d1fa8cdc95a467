#include <gtest/gtest.h>

#include <QStringList>

#include "reg/RegCommandLine.h"
#include "reg/RegFormatter.h"

using namespace pictavo;
using namespace pictavo::reg;

namespace {

// A command in one line, so that a table row states everything the parser decided:
// verb, key (empty when none), then only what is set: v=NAME, s (recurse), f (force), va,
// /? (help), TYPE:HEXDATA.
QString describe(const RegCommand& cmd) {
    static const char* const verbs[] = {"none", "query", "add", "delete"};
    QStringList parts{QLatin1String(verbs[int(cmd.verb)]),
                      RegFormatter::keyPath(cmd.key.rootName, cmd.key.subKey)};
    if (cmd.valueName) {
        parts << QStringLiteral("v=") + *cmd.valueName;
    }
    for (const auto& [set, flag] :
         {std::pair{cmd.recurse, "s"}, {cmd.force, "f"}, {cmd.allValues, "va"}, {cmd.help, "/?"}}) {
        if (set) {
            parts << QLatin1String(flag);
        }
    }
    if (cmd.value) {
        parts << RegFormatter::typeName(cmd.value->type) + QLatin1Char(':') +
                     QString::fromLatin1(cmd.value->data.toHex());
    }
    return parts.join(QLatin1Char(' '));
}

QString S(const char* s) {
    return QString::fromUtf8(s);
}

// reg's refusal: "syntax" or "key name", and the usage to look up ("" for the general one).
QString invalid(const char* what, const char* verb = "") {
    return S("ERROR: Invalid %1.\nType \"REG %2/?\" for usage.").arg(S(what), S(verb));
}

QStringList addDword(const char* data) {
    return {S("add"), S("HKCU\\x"), S("/v"), S("n"), S("/t"), S("REG_DWORD"), S("/d"), S(data)};
}

// The parsed command as describe() shows it, or the refusal's message.
TEST(RegCommandLine, ReadsEachFormOrRefusesWithRegsMessage) {
    const std::tuple<const char*, QStringList, QString> rows[] = {
        // clang-format off
        {"VerbRootAndSwitchesInAnyCaseDashFormTrailingBackslash", {S("QUERY"), S("hku\\a\\b\\"), S("/V"), S("Log"), S("-S")}, S("query HKEY_USERS\\a\\b v=Log s")},
        {"FullRootNameDataWithoutNameIsTheDefaultEvenLikeASwitch", {S("add"), S("hkey_local_machine\\x"), S("/d"), S("/f")}, S("add HKEY_LOCAL_MACHINE\\x v= REG_SZ:2f66")},
        {"AddWithoutDataIsEmpty", {S("add"), S("HKCU\\x"), S("/v"), S("N")}, S("add HKEY_CURRENT_USER\\x v=N REG_SZ:")},
        {"DwordHex", {S("add"), S("HKCU\\x"), S("/v"), S("n"), S("/t"), S("reg_dword"), S("/d"), S("0X1f")}, S("add HKEY_CURRENT_USER\\x v=n REG_DWORD:1f000000")},
        {"DwordDecimalMaximum", addDword("4294967295"), S("add HKEY_CURRENT_USER\\x v=n REG_DWORD:ffffffff")},
        {"DwordWithoutDataIsZero", {S("add"), S("HKCU\\x"), S("/v"), S("n"), S("/t"), S("REG_DWORD")}, S("add HKEY_CURRENT_USER\\x v=n REG_DWORD:00000000")},
        {"BinaryOddDigitsLeadWithZero", {S("add"), S("HKCU\\x"), S("/v"), S("b"), S("/t"), S("REG_BINARY"), S("/d"), S("aBc")}, S("add HKEY_CURRENT_USER\\x v=b REG_BINARY:0abc")},
        {"MultiStringDropsClosingSeparator", {S("add"), S("HKCU\\x"), S("/v"), S("m"), S("/t"), S("REG_MULTI_SZ"), S("/d"), S("a\\0\xc3\xa4\\0")}, S("add HKEY_CURRENT_USER\\x v=m REG_MULTI_SZ:6100c3a4")},
        {"MultiStringOwnSeparator", {S("add"), S("HKCU\\x"), S("/v"), S("m"), S("/t"), S("REG_MULTI_SZ"), S("/s"), S("#"), S("/d"), S("a#b\\0")}, S("add HKEY_CURRENT_USER\\x v=m REG_MULTI_SZ:6100625c30")},
        {"ExpandStringKeptUnexpanded", {S("add"), S("HKCU\\x"), S("/v"), S("p"), S("/t"), S("REG_EXPAND_SZ"), S("/d"), S("%H%")}, S("add HKEY_CURRENT_USER\\x v=p REG_EXPAND_SZ:254825")},
        {"HelpAlone", {S("/?")}, S("none  /?")},
        {"UnknownVerb", {S("copy"), S("HKCU\\a"), S("HKCU\\b")}, invalid("syntax")},
        {"NoKey", {S("query")}, invalid("syntax", "QUERY ")},
        {"PerformanceDataIsNotARegRoot", {S("query"), S("HKEY_PERFORMANCE_DATA")}, invalid("key name", "QUERY ")},
        {"EmptyNameComponent", {S("add"), S("HKCU\\a\\\\b")}, invalid("key name", "ADD ")},
        {"NameAndDefaultTogether", {S("query"), S("HKCU\\x"), S("/v"), S("a"), S("/ve")}, invalid("syntax", "QUERY ")},
        {"NameWithoutArgument", {S("query"), S("HKCU\\x"), S("/v")}, invalid("syntax", "QUERY ")},
        {"StrayArgument", {S("query"), S("HKCU\\x"), S("extra")}, invalid("syntax", "QUERY ")},
        {"RecurseIsNotADeleteSwitch", {S("delete"), S("HKCU\\x"), S("/s")}, invalid("syntax", "DELETE ")},
        {"UnsupportedType", {S("add"), S("HKCU\\x"), S("/v"), S("q"), S("/t"), S("REG_QWORD")}, invalid("syntax", "ADD ")},
        {"DwordNotANumber", addDword("12abc"), invalid("syntax", "ADD ")},
        {"DwordDecimalOverflow", addDword("4294967296"), invalid("syntax", "ADD ")},
        {"BinaryNotHex", {S("add"), S("HKCU\\x"), S("/v"), S("b"), S("/t"), S("REG_BINARY"), S("/d"), S("0g")}, invalid("syntax", "ADD ")},
        {"SeparatorForAString", {S("add"), S("HKCU\\x"), S("/v"), S("a"), S("/s"), S("#")}, invalid("syntax", "ADD ")},
        // clang-format on
    };
    for (const auto& [name, args, expected] : rows) {
        SCOPED_TRACE(name);
        const RegParseResult result = RegCommandLine::parse(args);
        EXPECT_EQ(result.command ? describe(*result.command) : result.error, expected);
    }
}

}  // namespace
