#include <gtest/gtest.h>

#include <QStringList>

#include "reg/RegCommandLine.h"
#include "reg/RegFormatter.h"

using namespace pictavo;
using namespace pictavo::reg;

namespace {

// A command in one line, so that a table row states everything the parser decided:
// verb, key (empty when none), then only what is set: v=NAME, s (recurse), f (force), va,
// TYPE:HEXDATA, /? (help).
QString describe(const RegCommand& cmd) {
    static const char* const verbs[] = {"none", "query", "add", "delete"};
    QStringList parts{QLatin1String(verbs[int(cmd.verb)]),
                      RegFormatter::keyPath(cmd.key.rootName, cmd.key.subKey)};
    if (cmd.valueName) {
        parts << QStringLiteral("v=") + *cmd.valueName;
    }
    if (cmd.recurse) {
        parts << QStringLiteral("s");
    }
    if (cmd.force) {
        parts << QStringLiteral("f");
    }
    if (cmd.allValues) {
        parts << QStringLiteral("va");
    }
    if (cmd.value) {
        parts << RegFormatter::typeName(cmd.value->type) + QLatin1Char(':') +
                     QString::fromLatin1(cmd.value->data.toHex());
    }
    if (cmd.help) {
        parts << QStringLiteral("/?");
    }
    return parts.join(QLatin1Char(' '));
}

QString S(const char* s) {
    return QString::fromUtf8(s);
}

struct Accepted {
    const char* name;
    QStringList args;
    const char* expected;
};

// clang-format off
const Accepted kAccepted[] = {
    {"VerbAndFullRootInAnyCase", {S("QUERY"), S("hkey_local_machine\\SOFTWARE")}, "query HKEY_LOCAL_MACHINE\\SOFTWARE"},
    {"TrailingBackslashIgnored", {S("query"), S("HKU\\a\\b\\")}, "query HKEY_USERS\\a\\b"},
    {"SwitchesInAnyCaseAndDashForm", {S("query"), S("HKCU\\x"), S("/V"), S("Log"), S("-S")}, "query HKEY_CURRENT_USER\\x v=Log s"},
    {"AddWithoutDataIsEmpty", {S("add"), S("HKCU\\x"), S("/v"), S("N")}, "add HKEY_CURRENT_USER\\x v=N REG_SZ:"},
    {"DataWithoutNameIsTheDefaultValue", {S("add"), S("HKCU\\x"), S("/d"), S("v")}, "add HKEY_CURRENT_USER\\x v= REG_SZ:76"},
    {"DataThatLooksLikeASwitch", {S("add"), S("HKCU\\x"), S("/ve"), S("/d"), S("/f")}, "add HKEY_CURRENT_USER\\x v= REG_SZ:2f66"},
    {"DwordHex", {S("add"), S("HKCU\\x"), S("/v"), S("n"), S("/t"), S("reg_dword"), S("/d"), S("0X1f")}, "add HKEY_CURRENT_USER\\x v=n REG_DWORD:1f000000"},
    {"DwordDecimalMaximum", {S("add"), S("HKCU\\x"), S("/v"), S("n"), S("/t"), S("REG_DWORD"), S("/d"), S("4294967295")}, "add HKEY_CURRENT_USER\\x v=n REG_DWORD:ffffffff"},
    {"DwordWithoutDataIsZero", {S("add"), S("HKCU\\x"), S("/v"), S("n"), S("/t"), S("REG_DWORD")}, "add HKEY_CURRENT_USER\\x v=n REG_DWORD:00000000"},
    {"BinaryOddDigitsLeadWithZero", {S("add"), S("HKCU\\x"), S("/v"), S("b"), S("/t"), S("REG_BINARY"), S("/d"), S("aBc")}, "add HKEY_CURRENT_USER\\x v=b REG_BINARY:0abc"},
    {"MultiStringDropsClosingSeparator", {S("add"), S("HKCU\\x"), S("/v"), S("m"), S("/t"), S("REG_MULTI_SZ"), S("/d"), S("a\\0\xc3\xa4\\0")}, "add HKEY_CURRENT_USER\\x v=m REG_MULTI_SZ:6100c3a4"},
    {"MultiStringOwnSeparator", {S("add"), S("HKCU\\x"), S("/v"), S("m"), S("/t"), S("REG_MULTI_SZ"), S("/s"), S("#"), S("/d"), S("a#b\\0")}, "add HKEY_CURRENT_USER\\x v=m REG_MULTI_SZ:6100625c30"},
    {"ExpandStringKeptUnexpanded", {S("add"), S("HKCU\\x"), S("/v"), S("p"), S("/t"), S("REG_EXPAND_SZ"), S("/d"), S("%H%")}, "add HKEY_CURRENT_USER\\x v=p REG_EXPAND_SZ:254825"},
    {"DeleteAllValuesForced", {S("delete"), S("HKCU\\x"), S("/VA"), S("/F")}, "delete HKEY_CURRENT_USER\\x f va"},
    {"HelpAlone", {S("/?")}, "none  /?"},
    {"HelpOfAVerb", {S("add"), S("/?")}, "add  /?"},
    {"HelpAfterAKeyInDashForm", {S("Delete"), S("HKCU\\x"), S("-?")}, "delete  /?"},
};
// clang-format on

TEST(RegCommandLine, AcceptsEachFormAndSetsItsFields) {
    for (const Accepted& row : kAccepted) {
        SCOPED_TRACE(row.name);
        const RegParseResult result = RegCommandLine::parse(row.args);
        ASSERT_TRUE(result.command) << result.error.toStdString();
        EXPECT_EQ(describe(*result.command), S(row.expected));
    }
}

struct Refused {
    const char* name;
    QStringList args;
    QString error;
};

const QString kSyntax = S("ERROR: Invalid syntax.\nType \"REG /?\" for usage.");
const QString kQuerySyntax = S("ERROR: Invalid syntax.\nType \"REG QUERY /?\" for usage.");
const QString kAddSyntax = S("ERROR: Invalid syntax.\nType \"REG ADD /?\" for usage.");
const QString kDeleteSyntax = S("ERROR: Invalid syntax.\nType \"REG DELETE /?\" for usage.");
const QString kQueryKeyName = S("ERROR: Invalid key name.\nType \"REG QUERY /?\" for usage.");
const QString kAddKeyName = S("ERROR: Invalid key name.\nType \"REG ADD /?\" for usage.");

QStringList addDword(const char* data) {
    return {S("add"), S("HKCU\\x"), S("/v"), S("n"), S("/t"), S("REG_DWORD"), S("/d"), S(data)};
}

// clang-format off
const Refused kRefused[] = {
    {"NoArguments", {}, kSyntax},
    {"UnknownVerb", {S("copy"), S("HKCU\\a"), S("HKCU\\b")}, kSyntax},
    {"NoKey", {S("query")}, kQuerySyntax},
    {"SwitchInPlaceOfKey", {S("query"), S("/s")}, kQuerySyntax},
    {"PerformanceDataIsNotARegRoot", {S("query"), S("HKEY_PERFORMANCE_DATA")}, kQueryKeyName},
    {"RemoteKey", {S("add"), S("\\\\pc\\HKCU\\x")}, kAddKeyName},
    {"EmptyNameComponent", {S("add"), S("HKCU\\a\\\\b")}, kAddKeyName},
    {"NameAndDefaultTogether", {S("query"), S("HKCU\\x"), S("/v"), S("a"), S("/ve")}, kQuerySyntax},
    {"NameWithoutArgument", {S("query"), S("HKCU\\x"), S("/v")}, kQuerySyntax},
    {"StrayArgument", {S("query"), S("HKCU\\x"), S("extra")}, kQuerySyntax},
    {"RecurseIsNotADeleteSwitch", {S("delete"), S("HKCU\\x"), S("/s")}, kDeleteSyntax},
    {"AllValuesWithName", {S("delete"), S("HKCU\\x"), S("/va"), S("/v"), S("a")}, kDeleteSyntax},
    {"SwitchTwice", {S("add"), S("HKCU\\x"), S("/f"), S("/F")}, kAddSyntax},
    {"UnsupportedType", {S("add"), S("HKCU\\x"), S("/v"), S("q"), S("/t"), S("REG_QWORD")}, kAddSyntax},
    {"DwordNotANumber", addDword("12abc"), kAddSyntax},
    {"DwordNegative", addDword("-1"), kAddSyntax},
    {"DwordDecimalOverflow", addDword("4294967296"), kAddSyntax},
    {"BinaryNotHex", {S("add"), S("HKCU\\x"), S("/v"), S("b"), S("/t"), S("REG_BINARY"), S("/d"), S("0g")}, kAddSyntax},
    {"SeparatorForAString", {S("add"), S("HKCU\\x"), S("/v"), S("a"), S("/s"), S("#")}, kAddSyntax},
    {"SeparatorOfTwoCharacters", {S("add"), S("HKCU\\x"), S("/v"), S("m"), S("/t"), S("REG_MULTI_SZ"), S("/s"), S("##")}, kAddSyntax},
};
// clang-format on

TEST(RegCommandLine, RefusesWithRegsMessage) {
    for (const Refused& row : kRefused) {
        const RegParseResult result = RegCommandLine::parse(row.args);
        EXPECT_FALSE(result.command) << row.name;
        EXPECT_EQ(result.error, row.error) << row.name;
    }
}

// One line of a query's listing per value. reg keeps the separators even when there is nothing
// after them.
TEST(RegFormatter, ValueLineShowsNameTypeAndData) {
    const struct {
        QString valueName;
        RegValue value;
        QString line;
    } rows[] = {
        // clang-format off
        {S("sResult"), RegValue::text(S("")), S("    sResult    REG_SZ    \n")},
        {S(""), RegValue::text(S("x")), S("    (Default)    REG_SZ    x\n")},
        {S("Dir"), RegValue::text(S("%HOME%\\x"), RegType::ExpandSz), S("    Dir    REG_EXPAND_SZ    %HOME%\\x\n")},
        {S("Colour"), RegValue::dword(0xDEADBEEFu), S("    Colour    REG_DWORD    0xdeadbeef\n")},
        {S("d"), RegValue{RegType::Dword, QByteArray("\x01", 1)}, S("    d    REG_DWORD    0x1\n")},
        {S("Bin"), RegValue{RegType::Binary, QByteArray("\x00\xff\x1a", 3)}, S("    Bin    REG_BINARY    00FF1A\n")},
        {S("MRU"), RegValue{RegType::MultiSz, QByteArray("fax\0mail\0\xc3\xa4", 11)}, S("    MRU    REG_MULTI_SZ    fax\\0mail\\0\xc3\xa4\n")},
        {S("MRU"), RegValue{RegType::MultiSz, {}}, S("    MRU    REG_MULTI_SZ    \n")},
        {S("n"), RegValue{RegType::None, QByteArray("\x01\x02", 2)}, S("    n    REG_NONE    0102\n")},
        // clang-format on
    };
    for (const auto& row : rows) {
        EXPECT_EQ(RegFormatter::valueLine(row.valueName, row.value), row.line);
    }
}

}  // namespace
