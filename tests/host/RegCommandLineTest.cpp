#include <gtest/gtest.h>

#include <QStringList>

#include "reg/RegCommandLine.h"
#include "reg/RegFormatter.h"

using namespace pictavo;
using namespace pictavo::reg;

namespace {

struct Accepted {
    const char* name;
    QStringList args;
    RegVerb verb;
    std::uint32_t root;
    QString subKey;
    std::optional<QString> valueName;
    bool recurse = false;
    bool force = false;
    bool allValues = false;
    std::optional<RegType> type = std::nullopt;  // of the value add writes
    QByteArray data = {};
};

QString S(const char* s) {
    return QString::fromUtf8(s);
}

const Accepted kAccepted[] = {
    {"QueryShortRoot",
     {S("query"), S("HKCU\\Software\\Quorrel")},
     RegVerb::Query,
     RootKey::CurrentUser,
     S("Software\\Quorrel"),
     std::nullopt},
    {"VerbAndFullRootInAnyCase",
     {S("QUERY"), S("hkey_local_machine\\SOFTWARE")},
     RegVerb::Query,
     RootKey::LocalMachine,
     S("SOFTWARE"),
     std::nullopt},
    {"TrailingBackslashIgnored",
     {S("query"), S("HKU\\a\\b\\")},
     RegVerb::Query,
     RootKey::Users,
     S("a\\b"),
     std::nullopt},
    {"RootAlone",
     {S("query"), S("hkcr")},
     RegVerb::Query,
     RootKey::ClassesRoot,
     S(""),
     std::nullopt},
    {"RootWithBackslash",
     {S("query"), S("HKCC\\")},
     RegVerb::Query,
     RootKey::CurrentConfig,
     S(""),
     std::nullopt},
    {"SwitchesInAnyCaseAndDashForm",
     {S("query"), S("HKCU\\x"), S("/V"), S("Log"), S("-S")},
     RegVerb::Query,
     RootKey::CurrentUser,
     S("x"),
     S("Log"),
     true},
    {"QueryDefaultValue",
     {S("query"), S("HKCU\\x"), S("/ve")},
     RegVerb::Query,
     RootKey::CurrentUser,
     S("x"),
     S("")},
    {"AddKeyOnly",
     {S("add"), S("HKCU\\x\\y")},
     RegVerb::Add,
     RootKey::CurrentUser,
     S("x\\y"),
     std::nullopt},
    {"AddStringByDefault",
     {S("add"), S("HKCU\\x"), S("/v"), S("Name"), S("/d"), S("a b"), S("/f")},
     RegVerb::Add,
     RootKey::CurrentUser,
     S("x"),
     S("Name"),
     false,
     true,
     false,
     RegType::Sz,
     "a b"},
    {"AddWithoutDataIsEmpty",
     {S("add"), S("HKCU\\x"), S("/v"), S("Name")},
     RegVerb::Add,
     RootKey::CurrentUser,
     S("x"),
     S("Name"),
     false,
     false,
     false,
     RegType::Sz,
     ""},
    {"DataWithoutNameIsTheDefaultValue",
     {S("add"), S("HKCU\\x"), S("/d"), S("v")},
     RegVerb::Add,
     RootKey::CurrentUser,
     S("x"),
     S(""),
     false,
     false,
     false,
     RegType::Sz,
     "v"},
    {"DataThatLooksLikeASwitch",
     {S("add"), S("HKCU\\x"), S("/ve"), S("/d"), S("/f")},
     RegVerb::Add,
     RootKey::CurrentUser,
     S("x"),
     S(""),
     false,
     false,
     false,
     RegType::Sz,
     "/f"},
    {"DwordHex",
     {S("add"), S("HKCU\\x"), S("/v"), S("n"), S("/t"), S("reg_dword"), S("/d"), S("0X1f")},
     RegVerb::Add,
     RootKey::CurrentUser,
     S("x"),
     S("n"),
     false,
     false,
     false,
     RegType::Dword,
     QByteArray("\x1f\0\0\0", 4)},
    {"DwordDecimalMaximum",
     {S("add"), S("HKCU\\x"), S("/v"), S("n"), S("/t"), S("REG_DWORD"), S("/d"), S("4294967295")},
     RegVerb::Add,
     RootKey::CurrentUser,
     S("x"),
     S("n"),
     false,
     false,
     false,
     RegType::Dword,
     QByteArray("\xff\xff\xff\xff", 4)},
    {"DwordWithoutDataIsZero",
     {S("add"), S("HKCU\\x"), S("/v"), S("n"), S("/t"), S("REG_DWORD")},
     RegVerb::Add,
     RootKey::CurrentUser,
     S("x"),
     S("n"),
     false,
     false,
     false,
     RegType::Dword,
     QByteArray(4, '\0')},
    {"BinaryOddDigitsLeadWithZero",
     {S("add"), S("HKCU\\x"), S("/v"), S("b"), S("/t"), S("REG_BINARY"), S("/d"), S("aBc")},
     RegVerb::Add,
     RootKey::CurrentUser,
     S("x"),
     S("b"),
     false,
     false,
     false,
     RegType::Binary,
     QByteArray("\x0a\xbc", 2)},
    {"MultiStringDropsClosingSeparator",
     {S("add"), S("HKCU\\x"), S("/v"), S("m"), S("/t"), S("REG_MULTI_SZ"), S("/d"),
      S("a\\0\xc3\xa4\\0")},
     RegVerb::Add,
     RootKey::CurrentUser,
     S("x"),
     S("m"),
     false,
     false,
     false,
     RegType::MultiSz,
     QByteArray("a\0\xc3\xa4", 4)},
    {"MultiStringOwnSeparator",
     {S("add"), S("HKCU\\x"), S("/v"), S("m"), S("/t"), S("REG_MULTI_SZ"), S("/s"), S("#"), S("/d"),
      S("a#b\\0c")},
     RegVerb::Add,
     RootKey::CurrentUser,
     S("x"),
     S("m"),
     false,
     false,
     false,
     RegType::MultiSz,
     QByteArray("a\0b\\0c", 6)},
    {"ExpandStringKeptUnexpanded",
     {S("add"), S("HKCU\\x"), S("/v"), S("p"), S("/t"), S("REG_EXPAND_SZ"), S("/d"),
      S("%HOME%\\a")},
     RegVerb::Add,
     RootKey::CurrentUser,
     S("x"),
     S("p"),
     false,
     false,
     false,
     RegType::ExpandSz,
     "%HOME%\\a"},
    {"DeleteKey",
     {S("delete"), S("HKCU\\x")},
     RegVerb::Delete,
     RootKey::CurrentUser,
     S("x"),
     std::nullopt},
    {"DeleteAllValuesForced",
     {S("delete"), S("HKCU\\x"), S("/VA"), S("/F")},
     RegVerb::Delete,
     RootKey::CurrentUser,
     S("x"),
     std::nullopt,
     false,
     true,
     true},
};

class RegCommandLineAccepts : public ::testing::TestWithParam<Accepted> {};

TEST_P(RegCommandLineAccepts, Fields) {
    const Accepted& row = GetParam();
    const RegParseResult result = RegCommandLine::parse(row.args);
    ASSERT_TRUE(result.command) << result.error.toStdString();
    const RegCommand& cmd = *result.command;
    EXPECT_FALSE(cmd.help);
    EXPECT_EQ(cmd.verb, row.verb);
    EXPECT_EQ(cmd.key.root, row.root);
    EXPECT_EQ(cmd.key.subKey, row.subKey);
    EXPECT_EQ(cmd.valueName, row.valueName);
    EXPECT_EQ(cmd.recurse, row.recurse);
    EXPECT_EQ(cmd.force, row.force);
    EXPECT_EQ(cmd.allValues, row.allValues);
    ASSERT_EQ(cmd.value.has_value(), row.type.has_value());
    if (row.type) {
        EXPECT_EQ(cmd.value->type, *row.type);
        EXPECT_EQ(cmd.value->data.toHex(), row.data.toHex());
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RegCommandLineAccepts, ::testing::ValuesIn(kAccepted),
                         [](const auto& info) { return std::string(info.param.name); });

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

const Refused kRefused[] = {
    {"NoArguments", {}, kSyntax},
    {"UnknownVerb", {S("copy"), S("HKCU\\a"), S("HKCU\\b")}, kSyntax},
    {"NoKey", {S("query")}, kQuerySyntax},
    {"SwitchInPlaceOfKey", {S("query"), S("/s")}, kQuerySyntax},
    {"UnknownRoot", {S("query"), S("HKXX\\Software")}, kQueryKeyName},
    {"PerformanceDataIsNotARegRoot", {S("query"), S("HKEY_PERFORMANCE_DATA")}, kQueryKeyName},
    {"RemoteKey", {S("add"), S("\\\\pc\\HKCU\\x")}, kAddKeyName},
    {"EmptyNameComponent", {S("add"), S("HKCU\\a\\\\b")}, kAddKeyName},
    {"NameAndDefaultTogether", {S("query"), S("HKCU\\x"), S("/v"), S("a"), S("/ve")}, kQuerySyntax},
    {"NameWithoutArgument", {S("query"), S("HKCU\\x"), S("/v")}, kQuerySyntax},
    {"StrayArgument", {S("query"), S("HKCU\\x"), S("extra")}, kQuerySyntax},
    {"ForceIsNotAQuerySwitch", {S("query"), S("HKCU\\x"), S("/f")}, kQuerySyntax},
    {"RecurseIsNotADeleteSwitch", {S("delete"), S("HKCU\\x"), S("/s")}, kDeleteSyntax},
    {"AllValuesWithName", {S("delete"), S("HKCU\\x"), S("/va"), S("/v"), S("a")}, kDeleteSyntax},
    {"SwitchTwice", {S("add"), S("HKCU\\x"), S("/f"), S("/F")}, kAddSyntax},
    {"UnsupportedType",
     {S("add"), S("HKCU\\x"), S("/v"), S("q"), S("/t"), S("REG_QWORD")},
     kAddSyntax},
    {"DwordNotANumber", addDword("12abc"), kAddSyntax},
    {"DwordNegative", addDword("-1"), kAddSyntax},
    {"DwordOverflow", addDword("0x100000000"), kAddSyntax},
    {"DwordDecimalOverflow", addDword("4294967296"), kAddSyntax},
    {"DwordEmpty", addDword(""), kAddSyntax},
    {"DwordBareHexPrefix", addDword("0x"), kAddSyntax},
    {"BinaryNotHex",
     {S("add"), S("HKCU\\x"), S("/v"), S("b"), S("/t"), S("REG_BINARY"), S("/d"), S("0g")},
     kAddSyntax},
    {"SeparatorForAString", {S("add"), S("HKCU\\x"), S("/v"), S("a"), S("/s"), S("#")}, kAddSyntax},
    {"SeparatorOfTwoCharacters",
     {S("add"), S("HKCU\\x"), S("/v"), S("m"), S("/t"), S("REG_MULTI_SZ"), S("/s"), S("##")},
     kAddSyntax},
};

class RegCommandLineRefuses : public ::testing::TestWithParam<Refused> {};

TEST_P(RegCommandLineRefuses, WithRegsMessage) {
    const Refused& row = GetParam();
    const RegParseResult result = RegCommandLine::parse(row.args);
    EXPECT_FALSE(result.command);
    EXPECT_EQ(result.error, row.error);
}

INSTANTIATE_TEST_SUITE_P(Table, RegCommandLineRefuses, ::testing::ValuesIn(kRefused),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RegCommandLine, HelpSwitchAsksForTheUsageOfItsVerb) {
    const struct {
        QStringList args;
        RegVerb verb;
    } rows[] = {
        {{S("/?")}, RegVerb::None},
        {{S("add"), S("/?")}, RegVerb::Add},
        {{S("Delete"), S("HKCU\\x"), S("-?")}, RegVerb::Delete},
    };
    for (const auto& row : rows) {
        const RegParseResult result = RegCommandLine::parse(row.args);
        ASSERT_TRUE(result.command) << row.args.join(u' ').toStdString();
        EXPECT_TRUE(result.command->help);
        EXPECT_EQ(result.command->verb, row.verb);
    }
}

TEST(RegCommandLine, KeyPathKeepsTheRootInFullForm) {
    const auto key = RegCommandLine::parseKeyPath(S("hklm\\SOFTWARE\\Patchou"));
    ASSERT_TRUE(key);
    EXPECT_EQ(key->rootName, S("HKEY_LOCAL_MACHINE"));
    EXPECT_EQ(RegFormatter::keyPath(key->rootName, key->subKey),
              S("HKEY_LOCAL_MACHINE\\SOFTWARE\\Patchou"));
}

}  // namespace
