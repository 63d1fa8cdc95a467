#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <optional>
#include <random>
#include <thread>

#include "platform/RegistryHive.h"
#include "support/HostProcess.h"

using namespace pictavo;
using namespace Qt::StringLiterals;
using std::chrono::microseconds;

// The built programs that write the settings store, run as a user or a script runs them:
// arguments, standard input, exit status, and the store under an XDG_CONFIG_HOME of the test's
// own. Some runs are killed (SIGKILL) at random moments: afterwards the file is whole, every
// write acknowledged before a kill is there, and the next start completes what a killed start
// left half-made.

namespace {

constexpr int kKills = 100;
const QString kTool = QStringLiteral(PICTAVO_BIN_DIR "/pictavo-reg");
const QString kHost = QStringLiteral(PICTAVO_BIN_DIR "/pictavo-host");

struct Outcome {
    int rc = -1;  // -1 when it was killed or crashed
    QString out, err;
    microseconds took{};
};

// Runs `program` to its end, or kills it `killAfter` after its start. It works on the test's
// store, or on the one in `configHome`.
Outcome run(const QStringList& args, std::optional<microseconds> killAfter = {},
            const QString& program = kTool, const QString& configHome = {}) {
    QProcessEnvironment config;
    if (!configHome.isEmpty()) {
        config.insert(u"XDG_CONFIG_HOME"_s, configHome);
    }
    const auto start = std::chrono::steady_clock::now();
    test::HostProcess p(args, config, program);
    if (killAfter) {
        std::this_thread::sleep_for(*killAfter);
        p.signal(SIGKILL);  // an ended process keeps its status until it is reaped
    }
    const int rc = p.finish(240000);
    EXPECT_TRUE(rc >= 0 || killAfter) << program.toStdString() << " crashed or did not finish";
    return {rc, QString::fromUtf8(p.remainingOutput()), p.standardError(),
            std::chrono::duration_cast<microseconds>(std::chrono::steady_clock::now() - start)};
}

// A kill moment between `from` and `to`.
microseconds killMoment(std::mt19937& random, microseconds from, microseconds to) {
    return microseconds(
        std::uniform_int_distribution<std::int64_t>(from.count(), to.count())(random));
}

// `random`, seeded from PICTAVO_TEST_SEED when it is set, so that a failure can be replayed,
// else afresh; either way every failure's trace names the seed.
#define SEEDED_RANDOM(random)                                                      \
    bool given = false;                                                            \
    std::uint32_t seed = qEnvironmentVariable("PICTAVO_TEST_SEED").toUInt(&given); \
    seed = given ? seed : std::random_device{}();                                  \
    SCOPED_TRACE("seed " + std::to_string(seed) + " (PICTAVO_TEST_SEED)");         \
    std::mt19937 random(seed)

// Every key with each of its values, as "root\path:name=type:data" ("root\path:" for a key
// without values), sorted: a start that completes a half-made key adds values in another order.
constexpr const char* kDump =
    "WITH RECURSIVE k(id, path) AS (SELECT id, id FROM keys WHERE parent < 0 UNION ALL"
    " SELECT keys.id, k.path || '\\' || keys.name FROM keys JOIN k ON keys.parent = k.id)"
    " SELECT k.path || ':' || coalesce(vals.name || '=' || vals.type || ':' || hex(vals.data), '')"
    " FROM k LEFT JOIN vals ON vals.key = k.id ORDER BY 1";

// "ok" for a whole file, else what is wrong, then kDump's rows (or why there are none). Opened
// as the next writer would open it, so that a write-ahead log the kill left is taken in first.
QStringList storeContent(const QString& path) {
    sqlite3* db = nullptr;
    QStringList rows;
    const auto append = [](void* out, int, char** columns, char**) {
        *static_cast<QStringList*>(out) << QString::fromUtf8(columns[0]);
        return 0;
    };
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ||
        sqlite3_exec(db, "PRAGMA integrity_check", append, &rows, nullptr) ||
        sqlite3_exec(db, kDump, append, &rows, nullptr)) {
        rows << QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_close(db);
    return rows;
}

// Once the store's folder may not be written, a change is refused as read-only and nothing is
// written, and a query still shows what is stored: here a value given as a UTF-8 argument, as
// it was given. Run without the right to override permissions when the tests run as root.
TEST(RegProcess, AStoreInAReadOnlyFolderIsStillRead) {
    const QString key = u"HKCU\\Software\\RegProcess"_s;
    EXPECT_EQ(run({u"add"_s, key, u"/v"_s, u"Text"_s, u"/d"_s, u"Grüße 1"_s}).rc, 0);
    const QString store = RegistryHive::defaultPath(), folder = QFileInfo(store).path();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    const auto tool = [](const QStringList& args) {
        const QStringList asUser{u"--bounding-set=-dac_override,-dac_read_search"_s, u"--"_s,
                                 kTool};
        return geteuid() == 0 ? run(asUser + args, {}, u"setpriv"_s) : run(args);
    };
    const Outcome r = tool({u"add"_s, key, u"/v"_s, u"Text"_s, u"/d"_s, u"changed"_s, u"/f"_s});
    EXPECT_EQ(std::pair(r.rc, r.err),
              std::pair(1, u"ERROR: The settings store "_s + store +
                               u" is read-only: it can be read, not changed.\n"_s));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{u"registry.db"_s});
    EXPECT_EQ(tool({u"query"_s, key, u"/v"_s, u"TEXT"_s}).out,
              u"\nHKEY_CURRENT_USER\\Software\\RegProcess\n    Text    REG_SZ    Grüße 1\n\n"_s);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Two scripts add 100 values each to one key at the same time, starting on a store that does
// not exist yet: every call succeeds at once or after waiting its turn, and no value is lost.
TEST(RegProcess, ParallelWritersLoseNothing) {
    // Each writer stops at its first failure, with its status; stderr carries the text.
    const Outcome r = run(
        {u"-c"_s,
         u"w() { i=1; while [ $i -le 100 ]; do \"$0\" add 'HKCU\\Software\\RegProcess\\Parallel' "
         "/v \"$1$i\" /t REG_DWORD /d $i /f >/dev/null || exit $?; i=$((i+1)); done; }; "
         "w A & a=$!; w B; b=$?; wait $a && exit $b"_s,
         kTool},
        {}, u"/bin/sh"_s);
    EXPECT_EQ(std::pair(r.rc, r.err), std::pair(0, QString()));
    // Each name is written once: 200 values are all of them.
    EXPECT_EQ(storeContent(RegistryHive::defaultPath()).filter(u"\\Parallel:"_s).size(), 200);
}

TEST(CrashSafety, KilledWritersLoseNoAcknowledgedValue) {
    SEEDED_RANDOM(random);
    // The run time of one call that also creates the store, in a folder of its own.
    QTemporaryDir measure;
    const auto runTime = run({u"add"_s, u"HKCU\\x"_s}, {}, kTool, measure.path()).took;
    // Each call adds one value, to a new key every tenth call, so kills land in creating the
    // store, a key and a value. Every tenth call runs to its end, so that later kills always
    // have acknowledged values to lose, however slow the machine is today against the measured
    // run.
    const auto key = [](int i) { return u"Software\\Crash\\K%1"_s.arg(i / 10); };
    std::vector<int> acknowledged;
    for (int i = 0; i < kKills; ++i) {
        const auto killAfter =
            i % 10 == 9 ? std::nullopt : std::optional(killMoment(random, {}, runTime * 6 / 5));
        const QStringList args{u"add"_s, u"HKCU\\"_s + key(i), u"/v"_s, u"V%1"_s.arg(i),
                               u"/d"_s,  QString::number(i),   u"/f"_s};
        if (run(args, killAfter).rc == 0) {
            acknowledged.push_back(i);
        }
    }
    EXPECT_EQ(storeContent(RegistryHive::defaultPath()).value(0), u"ok"_s);
    RegistryHive hive(RegistryHive::defaultPath());
    for (int i : acknowledged) {
        const auto v = hive.queryValue(RootKey::CurrentUser, key(i), u"V%1"_s.arg(i));
        EXPECT_EQ(v ? v->asText() : QString(), QString::number(i)) << "acknowledged value lost";
    }
    // The calls left to run acknowledged their values, and most kills came in time to matter.
    EXPECT_GE(acknowledged.size(), std::size_t(kKills / 10));
    EXPECT_LT(acknowledged.size(), std::size_t(kKills));
}

// Each round starts a host on a new profile, kills it, checks the file, and starts it again:
// that start must leave the same settings as one that was never interrupted. The kills are
// aimed at the time the start writes the store: a kill before the store is made, or after it
// has all its values, shows nothing. The first rounds find that time, from the start to a
// little past a whole run; the rest kill within it.
TEST(CrashSafety, AStartAfterAKilledStartCompletesTheSettings) {
    const QStringList args = {u"--email"_s, u"crash@example.org"_s};
    QTemporaryDir reference;
    const Outcome clean = run(args, {}, kHost, reference.path());
    ASSERT_EQ(clean.rc, 0);
    const QStringList expected = storeContent(reference.filePath(u"pictavo/registry.db"_s));
    const qsizetype all = expected.filter(u"="_s).size();

    SEEDED_RANDOM(random);
    const QString store = RegistryHive::defaultPath();
    constexpr int kRounds = 50, kFinding = 8;
    microseconds lastBefore{}, firstAfter = clean.took * 6 / 5;
    int midWrite = 0;
    for (int i = 0; i < kRounds; ++i) {
        SCOPED_TRACE(i);
        QDir(QFileInfo(store).path()).removeRecursively();
        const bool aimed = i >= kFinding && lastBefore < firstAfter;
        const microseconds at = aimed
                                    ? killMoment(random, lastBefore * 9 / 10, firstAfter * 11 / 10)
                                    : killMoment(random, {}, clean.took * 6 / 5);
        run(args, at, kHost);
        const QStringList killed = QFile::exists(store) ? storeContent(store) : QStringList();
        ASSERT_TRUE(killed.isEmpty() || killed[0] == u"ok"_s) << killed[0].toStdString();
        if (killed.isEmpty()) {
            lastBefore = std::max(lastBefore, at);
        } else if (killed.filter(u"="_s).size() >= all) {
            firstAfter = std::min(firstAfter, at);
        } else {
            ++midWrite;
        }
        ASSERT_EQ(run(args, {}, kHost).rc, 0);
        ASSERT_EQ(storeContent(store), expected);
    }
    // Without kills in the middle of the writes, the rounds have shown nothing.
    EXPECT_GE(midWrite, kRounds / 10);
}

}  // namespace
