#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <tuple>

#include "platform/RegistryHive.h"
#include "reg/RegCommandLine.h"
#include "reg/RegFormatter.h"
#include "reg/RegTool.h"

using namespace pictavo;
using namespace pictavo::reg;

namespace {

QString S(const char* s) {
    return QString::fromUtf8(s);
}

// A command in one line, so that a table row states everything the parser decided:
// verb, key (when there is one), then only what is set: v=NAME, s (recurse), f (force), va,
// /? (help), TYPE:HEXDATA.
QString describe(const RegCommand& cmd) {
    static const char* const verbs[] = {"none", "query", "add", "delete"};
    const auto flag = [](bool set, const char* name) { return set ? S(name) : QString(); };
    QStringList parts{QLatin1String(verbs[int(cmd.verb)]),
                      RegFormatter::keyPath(cmd.key.rootName, cmd.key.subKey),
                      cmd.valueName ? S("v=") + *cmd.valueName : QString(),
                      flag(cmd.recurse, "s"),
                      flag(cmd.force, "f"),
                      flag(cmd.allValues, "va"),
                      flag(cmd.help, "/?"),
                      cmd.value ? RegFormatter::typeName(cmd.value->type) + u':' +
                                      QString::fromLatin1(cmd.value->data.toHex())
                                : QString()};
    parts.removeAll(QString());
    return parts.join(u' ');
}

// reg's refusal: "syntax" or "key name", and the usage to look up ("" for the general one).
QString invalid(const char* what, const char* verb = "") {
    return S("ERROR: Invalid %1.\nType \"REG %2/?\" for usage.").arg(S(what), S(verb));
}

constexpr auto HKCU = RootKey::CurrentUser;
const QString kOk = S("The operation completed successfully.\n");
const QString kCanceled = S("The operation was canceled by the user.\n");
const QString kNotFound =
    S("ERROR: The system was unable to find the specified registry key or value.\n");
const QString kPictavo = S("Software\\Quorrel\\Pictavo");
const QString kPictavoKey = S("HKCU\\Software\\Quorrel\\Pictavo");

// The values of Options, each of another type or form, with its line in a listing. reg keeps
// the separators even when there is nothing after them.
const std::tuple<const char*, RegValue, const char*> kOptions[] = {
    // clang-format off
    {"", RegValue::text(S("x")), "    (Default)    REG_SZ    x\n"},
    {"Log", RegValue::text(S("1")), "    Log    REG_SZ    1\n"},
    {"sResult", RegValue::text(S("")), "    sResult    REG_SZ    \n"},
    {"Dir", RegValue::text(S("%HOME%\\x"), RegType::ExpandSz), "    Dir    REG_EXPAND_SZ    %HOME%\\x\n"},
    {"Colour", RegValue::dword(0xDEADBEEFu), "    Colour    REG_DWORD    0xdeadbeef\n"},
    {"d", RegValue{RegType::Dword, QByteArray("\x01", 1)}, "    d    REG_DWORD    0x1\n"},
    {"Bin", RegValue{RegType::Binary, QByteArray("\x00\xff\x1a", 3)}, "    Bin    REG_BINARY    00FF1A\n"},
    {"MRU", RegValue{RegType::MultiSz, QByteArray("fax\0mail\0\xc3\xa4", 11)}, "    MRU    REG_MULTI_SZ    fax\\0mail\\0\xc3\xa4\n"},
    {"None", RegValue{RegType::MultiSz, {}}, "    None    REG_MULTI_SZ    \n"},
    {"n", RegValue{RegType::None, QByteArray("\x01\x02", 2)}, "    n    REG_NONE    0102\n"},
    // clang-format on
};

// The exit status, the output and the errors of one run.
using Outcome = std::tuple<int, QString, QString>;

class RegToolTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("pictavo/registry.db")); }

    // One run of the tool, with `input` as what the user types, on its own connection to the
    // store or on `store`.
    Outcome run(const QStringList& args, QString input = {}, RegistryHive* store = nullptr) {
        QString out, err;
        QTextStream in(&input, QIODevice::ReadOnly);
        QTextStream o(&out), e(&err);
        const int rc =
            store ? RegTool(*store, in, o, e).run(args) : RegTool(path(), in, o, e).run(args);
        o.flush();
        e.flush();
        return {rc, out, err};
    }

    // Software\Quorrel\Pictavo with two values and the sub-keys Options (kOptions) and an
    // empty Countdown, created in that order so that sorting shows.
    void plantTree() {
        RegistryHive hive(path());
        ASSERT_TRUE(hive.createKey(HKCU, kPictavo + S("\\Options")));
        ASSERT_TRUE(hive.createKey(HKCU, kPictavo + S("\\Countdown")));
        hive.setValue(HKCU, kPictavo, S("FileName"), RegValue::text(S("My_Screenshot")));
        hive.setValue(HKCU, kPictavo, S("Delay"), RegValue::dword(5));
        for (const auto& [name, value, line] : kOptions) {
            hive.setValue(HKCU, kPictavo + S("\\Options"), S(name), value);
        }
    }

    std::optional<RegValue> valueAt(const QString& subKey, const QString& name) {
        return RegistryHive(path()).queryValue(HKCU, subKey, name);
    }
    bool keyAt(const QString& subKey) { return RegistryHive(path()).keyExists(HKCU, subKey); }
};

TEST_F(RegToolTest, Query) {
    plantTree();
    const QString quorrel = S("HKEY_CURRENT_USER\\Software\\Quorrel"),
                  pictavo = quorrel + S("\\Pictavo");
    const QString values =
        S("    FileName    REG_SZ    My_Screenshot\n"
          "    Delay    REG_DWORD    0x5\n");
    QString options;
    for (const auto& [name, value, line] : kOptions) {
        options += S(line);
    }
    // clang-format off
    const std::tuple<const char*, QStringList, int, QString, QString> rows[] = {
        {"values then sub-keys, in stored spelling", {S("query"), S("hkcu\\SOFTWARE\\quorrel\\PICTAVO")}, 0,
         "\n" + pictavo + "\n" + values + "\n" + pictavo + "\\Countdown\n" + pictavo + "\\Options\n", S("")},
        {"key without values lists only sub-keys", {S("query"), S("HKCU\\Software\\Quorrel")}, 0,
         "\n" + quorrel + "\n" + pictavo + "\n", S("")},
        {"recursive walks the whole tree", {S("query"), S("HKCU\\Software\\Quorrel"), S("/s")}, 0,
         "\n" + quorrel + "\n\n" + pictavo + "\n" + values + "\n" + pictavo + "\\Countdown\n\n" +
             pictavo + "\\Options\n" + options + "\n", S("")},
        {"one value, in its stored spelling", {S("query"), kPictavoKey, S("/v"), S("FILENAME")}, 0,
         "\n" + pictavo + "\n    FileName    REG_SZ    My_Screenshot\n\n", S("")},
        {"missing value", {S("query"), kPictavoKey, S("/v"), S("Nope")}, 1, S(""), kNotFound},
        {"default value never set", {S("query"), kPictavoKey, S("/ve")}, 0,
         "\n" + pictavo + "\n    (Default)    REG_SZ    (value not set)\n\n", S("")},
        {"missing key", {S("query"), kPictavoKey + S("\\Nope")}, 1, S(""), kNotFound},
        {"search below finds values at any depth", {S("query"), S("HKCU\\Software"), S("/v"), S("log"), S("/s")}, 0,
         "\n" + pictavo + "\\Options\n" + S(std::get<2>(kOptions[1])) + "\nEnd of search: 1 match(es) found.\n", S("")},
        {"search without a match fails", {S("query"), S("HKCU"), S("/v"), S("Nope"), S("/s")}, 1,
         S("\nEnd of search: 0 match(es) found.\n"), S("")},
    };
    // clang-format on
    for (const auto& [name, args, rc, out, err] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(run(args), (Outcome{rc, out, err}));
    }
}

// Chains of nested keys with a value at the bottom: listing them takes as many statements at
// any depth, and the deepest key shows with its whole path. (The search walks the same listing.)
TEST_F(RegToolTest, RecursiveQueryReadsAnyDepthInOnePass) {
    RegistryHive hive(path());
    std::uint64_t statements[2];
    for (const int depth : {40, 160}) {
        SCOPED_TRACE(depth);
        const QString top = S("Chain%1").arg(depth), deepest = top + S("\\k").repeated(depth);
        ASSERT_TRUE(hive.createKey(HKCU, deepest));
        hive.setValue(HKCU, deepest, S("v"), RegValue::text(S("1")));
        const auto before = hive.traffic().statements;
        const QString list = std::get<1>(run({S("query"), S("HKCU\\") + top, S("/s")}, {}, &hive));
        EXPECT_TRUE(
            list.endsWith(S("HKEY_CURRENT_USER\\") + deepest + S("\n    v    REG_SZ    1\n\n")));
        EXPECT_EQ(list.count(S("\\k\n")), depth);
        statements[depth / 160] = hive.traffic().statements - before;
    }
    EXPECT_EQ(statements[0], statements[1]);
}

// A value that exists is overwritten only when the user says so or forces it; a new one is
// stored in the type given, on a root key too (its data is RegCommandLine's to read).
TEST_F(RegToolTest, AddAsksBeforeOverwritingAndStoresTheTypeGivenEvenOnARoot) {
    plantTree();
    const QString question = S("Value FileName exists, overwrite(Yes/No)? "),
                  old = S("My_Screenshot");
    // What is typed (none: forced with /f), what is shown and the value after.
    const std::tuple<const char*, QString, QString> rows[] = {
        {"No\n", question + kCanceled, old},
        {"maybe\n\nYES\n", question.repeated(3) + kOk, S("new")},  // asked until it is clear
        {"", question + S("\n") + kCanceled, old},                 // the end of input declines
        {nullptr, kOk, S("new")},
    };
    for (const auto& [input, out, after] : rows) {
        SCOPED_TRACE(input ? input : "forced");
        RegistryHive(path()).setValue(HKCU, kPictavo, S("FileName"), RegValue::text(old));
        const QStringList args{S("add"), kPictavoKey, S("/v"), S("filename"), S("/d"), S("new")};
        EXPECT_EQ(run(input ? args : args + QStringList{S("/f")}, S(input ? input : "")),
                  (Outcome{0, out, S("")}));
        EXPECT_EQ(valueAt(kPictavo, S("FileName"))->asText(), after);
    }
    EXPECT_EQ(
        run({S("add"), S("HKCU"), S("/v"), S("V"), S("/t"), S("REG_DWORD"), S("/d"), S("258")}),
        (Outcome{0, kOk, S("")}));
    EXPECT_EQ(valueAt({}, S("V")).value_or(RegValue::text({})).data, RegValue::dword(258).data);
}

// Each deletion asks first unless forced; what is gone is gone whole, and nothing else goes.
TEST_F(RegToolTest, DeleteAsksUnlessForcedAndNeverTakesTheRoot) {
    plantTree();
    RegistryHive(path()).createKey(HKCU, S("Software\\Quorrel\\Sibling"));
    const QString key = S("HKCU\\software\\quorrel\\pictavo"),
                  full = S("HKEY_CURRENT_USER\\") + kPictavo,
                  keyQuestion = S("Permanently delete the registry key ") + full + S(" (Yes/No)? "),
                  allQuestion =
                      S("Delete all values under the registry key ") + full + S(" (Yes/No)? "),
                  value = S("Permanently delete the registry value Delay (Yes/No)? ");
    // What is typed, the arguments and the outcome, one after the other on the same store.
    const std::tuple<const char*, QStringList, Outcome> rows[] = {
        // clang-format off
        {"y\n", {S("delete"), kPictavoKey, S("/v"), S("delay")}, {0, value + kOk, S("")}},
        {"n\n", {S("delete"), kPictavoKey, S("/va")}, {0, allQuestion + kCanceled, S("")}},
        {"", {S("delete"), kPictavoKey, S("/va"), S("/f")}, {0, kOk, S("")}},
        // Gone already: an error, and no question first.
        {"y\n", {S("delete"), kPictavoKey, S("/v"), S("FileName")}, {1, S(""), kNotFound}},
        {"n\n", {S("delete"), key}, {0, keyQuestion + kCanceled, S("")}},
        {"", {S("delete"), S("HKCU"), S("/f")}, {1, S(""), S("ERROR: Access is denied.\n")}},
        {"", {S("delete"), S("HKCU\\Software\\Nope"), S("/f")}, {1, S(""), kNotFound}},
        // clang-format on
    };
    for (const auto& [input, args, outcome] : rows) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        EXPECT_EQ(run(args, S(input)), outcome);
    }
    // The values of the key are gone, not those of its sub-keys.
    EXPECT_TRUE(RegistryHive(path()).values(HKCU, kPictavo)->empty());
    EXPECT_TRUE(valueAt(kPictavo + S("\\Options"), S("Log")));

    EXPECT_EQ(run({S("delete"), key}, S("y\n")), (Outcome{0, keyQuestion + kOk, S("")}));
    EXPECT_FALSE(keyAt(kPictavo + S("\\Options")));
    EXPECT_TRUE(keyAt(S("Software\\Quorrel\\Sibling")));
    // Made again with its missing parent, the key starts empty: no value survived with the old
    // key.
    ASSERT_EQ(std::get<0>(run({S("add"), key + S("\\Options")})), 0);
    EXPECT_FALSE(valueAt(kPictavo + S("\\Options"), S("Log")));
}

// The parsed command as describe() shows it, or the refusal's message, which the tool prints
// without making a store.
TEST_F(RegToolTest, ReadsEachFormOrRefusesWithRegsMessageAndMakesNoStore) {
    const std::tuple<const char*, QStringList, QString> rows[] = {
        // clang-format off
        {"VerbRootAndSwitchesInAnyCaseDashFormTrailingBackslash", {S("QUERY"), S("hku\\a\\b\\"), S("/V"), S("Log"), S("-S")}, S("query HKEY_USERS\\a\\b v=Log s")},
        {"FullRootNameDataWithoutNameIsTheDefaultEvenLikeASwitch", {S("add"), S("hkey_local_machine\\x"), S("/d"), S("/f")}, S("add HKEY_LOCAL_MACHINE\\x v= REG_SZ:2f66")},
        {"AddWithoutDataIsEmpty", {S("add"), S("HKCU\\x"), S("/v"), S("N")}, S("add HKEY_CURRENT_USER\\x v=N REG_SZ:")},
        {"DwordHex", {S("add"), S("HKCU\\x"), S("/v"), S("n"), S("/t"), S("reg_dword"), S("/d"), S("0X1f")}, S("add HKEY_CURRENT_USER\\x v=n REG_DWORD:1f000000")},
        {"DwordDecimalMaximum", {S("add"), S("HKCU\\x"), S("/v"), S("n"), S("/t"), S("REG_DWORD"), S("/d"), S("4294967295")}, S("add HKEY_CURRENT_USER\\x v=n REG_DWORD:ffffffff")},
        {"DwordWithoutDataIsZero", {S("add"), S("HKCU\\x"), S("/v"), S("n"), S("/t"), S("REG_DWORD")}, S("add HKEY_CURRENT_USER\\x v=n REG_DWORD:00000000")},
        {"BinaryOddDigitsLeadWithZero", {S("add"), S("HKCU\\x"), S("/v"), S("b"), S("/t"), S("REG_BINARY"), S("/d"), S("aBc")}, S("add HKEY_CURRENT_USER\\x v=b REG_BINARY:0abc")},
        {"MultiStringDropsClosingSeparator", {S("add"), S("HKCU\\x"), S("/v"), S("m"), S("/t"), S("REG_MULTI_SZ"), S("/d"), S("a\\0\xc3\xa4\\0")}, S("add HKEY_CURRENT_USER\\x v=m REG_MULTI_SZ:6100c3a4")},
        {"MultiStringOwnSeparator", {S("add"), S("HKCU\\x"), S("/v"), S("m"), S("/t"), S("REG_MULTI_SZ"), S("/s"), S("#"), S("/d"), S("a#b\\0")}, S("add HKEY_CURRENT_USER\\x v=m REG_MULTI_SZ:6100625c30")},
        {"ExpandStringKeptUnexpanded", {S("add"), S("HKCU\\x"), S("/v"), S("p"), S("/t"), S("REG_EXPAND_SZ"), S("/d"), S("%H%")}, S("add HKEY_CURRENT_USER\\x v=p REG_EXPAND_SZ:254825")},
        {"HelpAlone", {S("/?")}, S("none /?")},
        {"UnknownVerb", {S("copy"), S("HKCU\\a"), S("HKCU\\b")}, invalid("syntax")},
        {"NoKey", {S("query")}, invalid("syntax", "QUERY ")},
        {"PerformanceDataIsNotARegRoot", {S("query"), S("HKEY_PERFORMANCE_DATA")}, invalid("key name", "QUERY ")},
        {"EmptyNameComponent", {S("add"), S("HKCU\\a\\\\b")}, invalid("key name", "ADD ")},
        {"NameAndDefaultTogether", {S("query"), S("HKCU\\x"), S("/v"), S("a"), S("/ve")}, invalid("syntax", "QUERY ")},
        {"NameWithoutArgument", {S("query"), S("HKCU\\x"), S("/v")}, invalid("syntax", "QUERY ")},
        {"StrayArgument", {S("query"), S("HKCU\\x"), S("extra")}, invalid("syntax", "QUERY ")},
        {"RecurseIsNotADeleteSwitch", {S("delete"), S("HKCU\\x"), S("/s")}, invalid("syntax", "DELETE ")},
        {"UnsupportedType", {S("add"), S("HKCU\\x"), S("/v"), S("q"), S("/t"), S("REG_QWORD")}, invalid("syntax", "ADD ")},
        {"DwordNotANumber", {S("add"), S("HKCU\\x"), S("/v"), S("n"), S("/t"), S("REG_DWORD"), S("/d"), S("12abc")}, invalid("syntax", "ADD ")},
        {"DwordDecimalOverflow", {S("add"), S("HKCU\\x"), S("/v"), S("n"), S("/t"), S("REG_DWORD"), S("/d"), S("4294967296")}, invalid("syntax", "ADD ")},
        {"BinaryNotHex", {S("add"), S("HKCU\\x"), S("/v"), S("b"), S("/t"), S("REG_BINARY"), S("/d"), S("0g")}, invalid("syntax", "ADD ")},
        {"SeparatorForAString", {S("add"), S("HKCU\\x"), S("/v"), S("a"), S("/s"), S("#")}, invalid("syntax", "ADD ")},
        // clang-format on
    };
    for (const auto& [name, args, expected] : rows) {
        SCOPED_TRACE(name);
        const RegParseResult result = RegCommandLine::parse(args);
        EXPECT_EQ(result.command ? describe(*result.command) : result.error, expected);
        if (!result.command) {
            EXPECT_EQ(run(args), (Outcome{1, QString(), expected + u'\n'}));
        }
    }
    EXPECT_EQ(std::get<1>(run({S("query"), S("/?")})), RegFormatter::usage(RegVerb::Query));
    EXPECT_FALSE(QFile::exists(path()));
}

}  // namespace
