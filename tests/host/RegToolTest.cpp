#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <tuple>

#include "platform/RegistryHive.h"
#include "reg/RegFormatter.h"
#include "reg/RegTool.h"

using namespace pictavo;
using namespace pictavo::reg;

namespace {

QString S(const char* s) {
    return QString::fromUtf8(s);
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
    const QString q = S("query");
    const QString quorrel = S("HKEY_CURRENT_USER\\Software\\Quorrel");
    const QString pictavo = quorrel + S("\\Pictavo");
    const QString values =
        S("    FileName    REG_SZ    My_Screenshot\n"
          "    Delay    REG_DWORD    0x5\n");
    const QString log = S(std::get<2>(kOptions[1]));
    QString options;
    for (const auto& [name, value, line] : kOptions) {
        options += S(line);
    }
    // clang-format off
    const std::tuple<const char*, QStringList, int, QString, QString> rows[] = {
        {"values then sub-keys, in stored spelling", {q, S("hkcu\\SOFTWARE\\quorrel\\PICTAVO")}, 0,
         "\n" + pictavo + "\n" + values + "\n" + pictavo + "\\Countdown\n" + pictavo + "\\Options\n", S("")},
        {"key without values lists only sub-keys", {q, S("HKCU\\Software\\Quorrel")}, 0,
         "\n" + quorrel + "\n" + pictavo + "\n", S("")},
        {"recursive walks the whole tree", {q, S("HKCU\\Software\\Quorrel"), S("/s")}, 0,
         "\n" + quorrel + "\n\n" + pictavo + "\n" + values + "\n" + pictavo + "\\Countdown\n\n" +
             pictavo + "\\Options\n" + options + "\n", S("")},
        {"one value, in its stored spelling", {q, kPictavoKey, S("/v"), S("FILENAME")}, 0,
         "\n" + pictavo + "\n    FileName    REG_SZ    My_Screenshot\n\n", S("")},
        {"missing value", {q, kPictavoKey, S("/v"), S("Nope")}, 1, S(""), kNotFound},
        {"default value never set", {q, kPictavoKey, S("/ve")}, 0,
         "\n" + pictavo + "\n    (Default)    REG_SZ    (value not set)\n\n", S("")},
        {"missing key", {q, kPictavoKey + S("\\Nope")}, 1, S(""), kNotFound},
        {"search below finds values at any depth", {q, S("HKCU\\Software"), S("/v"), S("log"), S("/s")}, 0,
         "\n" + pictavo + "\\Options\n" + log + "\nEnd of search: 1 match(es) found.\n", S("")},
        {"search without a match fails", {q, S("HKCU"), S("/v"), S("Nope"), S("/s")}, 1,
         S("\nEnd of search: 0 match(es) found.\n"), S("")},
    };
    // clang-format on
    for (const auto& [name, args, rc, out, err] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(run(args), (Outcome{rc, out, err}));
    }
}

// Chains of nested keys with a value at the bottom: listing or searching them takes as many
// statements at any depth, and the deepest key shows with its whole path.
TEST_F(RegToolTest, RecursiveQueryReadsAnyDepthInOnePass) {
    RegistryHive hive(path());
    std::uint64_t statements[2];
    for (const int depth : {40, 160}) {
        SCOPED_TRACE(depth);
        const QString top = S("Chain%1").arg(depth), deepest = top + S("\\k").repeated(depth);
        ASSERT_TRUE(hive.createKey(HKCU, deepest));
        hive.setValue(HKCU, deepest, S("v"), RegValue::text(S("1")));
        const QString bottom = S("HKEY_CURRENT_USER\\") + deepest + S("\n    v    REG_SZ    1\n\n");
        const auto before = hive.traffic().statements;
        const QString list = std::get<1>(run({S("query"), S("HKCU\\") + top, S("/s")}, {}, &hive));
        EXPECT_TRUE(list.endsWith(bottom));
        EXPECT_EQ(list.count(S("\\k\n")), depth);
        EXPECT_EQ(
            std::get<1>(run({S("query"), S("HKCU\\") + top, S("/s"), S("/v"), S("V")}, {}, &hive)),
            S("\n") + bottom + S("End of search: 1 match(es) found.\n"));
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
                  keyQuestion =
                      S("Permanently delete the registry key "
                        "HKEY_CURRENT_USER\\Software\\Quorrel\\Pictavo (Yes/No)? ");
    const QStringList value{S("delete"), kPictavoKey, S("/v")};
    EXPECT_EQ(
        run(value + QStringList{S("delay")}, S("y\n")),
        (Outcome{0, S("Permanently delete the registry value Delay (Yes/No)? ") + kOk, S("")}));
    EXPECT_FALSE(valueAt(kPictavo, S("Delay")));
    EXPECT_EQ(run(value + QStringList{S("FileName"), S("/f")}), (Outcome{0, kOk, S("")}));
    // Gone already: an error, and no question first.
    EXPECT_EQ(run(value + QStringList{S("FileName")}, S("y\n")), (Outcome{1, S(""), kNotFound}));

    EXPECT_EQ(run({S("delete"), key}, S("n\n")), (Outcome{0, keyQuestion + kCanceled, S("")}));
    EXPECT_EQ(run({S("delete"), S("HKCU"), S("/f")}),
              (Outcome{1, S(""), S("ERROR: Access is denied.\n")}));
    EXPECT_TRUE(keyAt(kPictavo + S("\\Options")));

    plantTree();  // the two values back
    EXPECT_EQ(std::get<1>(run({S("delete"), kPictavoKey, S("/va")}, S("y\n"))),
              S("Delete all values under the registry key "
                "HKEY_CURRENT_USER\\Software\\Quorrel\\Pictavo (Yes/No)? ") +
                  kOk);
    EXPECT_TRUE(RegistryHive(path()).values(HKCU, kPictavo)->empty());
    EXPECT_TRUE(valueAt(kPictavo + S("\\Options"), S("Log")));

    EXPECT_EQ(run({S("delete"), key}, S("y\n")), (Outcome{0, keyQuestion + kOk, S("")}));
    EXPECT_FALSE(keyAt(kPictavo + S("\\Options")));
    EXPECT_TRUE(keyAt(S("Software\\Quorrel\\Sibling")));
    // Made again with its missing parent, the key starts empty: no value survived with the old
    // key.
    ASSERT_EQ(std::get<0>(run({S("add"), key + S("\\Options")})), 0);
    EXPECT_FALSE(valueAt(kPictavo + S("\\Options"), S("Log")));
    EXPECT_EQ(run({S("delete"), S("HKCU\\Software\\Nope"), S("/f")}),
              (Outcome{1, S(""), kNotFound}));
}

TEST_F(RegToolTest, RefusedCommandCreatesNoStore) {
    EXPECT_EQ(run({S("add"), S("HKXX\\x")}),
              (Outcome{1, S(""), S("ERROR: Invalid key name.\nType \"REG ADD /?\" for usage.\n")}));
    EXPECT_EQ(std::get<1>(run({S("query"), S("/?")})), RegFormatter::usage(RegVerb::Query));
    EXPECT_FALSE(QFile::exists(path()));
}

}  // namespace
