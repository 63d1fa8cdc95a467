#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <thread>

#include "platform/RegistryHive.h"

using namespace pictavo;
using std::chrono::microseconds;

// The built programs that write the settings store, run as a user or a script runs them:
// arguments, standard input, exit status, and the store under an XDG_CONFIG_HOME of the test's
// own. Some runs are killed (SIGKILL) at random moments: afterwards the file is whole, every
// write acknowledged before a kill is there, and the next start completes what a killed start
// left half-made.

namespace {

constexpr int kKills = 100;
const QString kTool = QStringLiteral(PICTAVO_BIN_DIR "/pictavo-reg");

QString S(const char* s) {
    return QString::fromUtf8(s);
}

QProcessEnvironment environmentWithConfig(const QString& configHome) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(S("XDG_CONFIG_HOME"), configHome);
    return env;
}

struct Outcome {
    int rc = -1;  // -1 when it was killed or crashed
    QString err;
    microseconds took{};
};

// Runs `program` to its end, or kills it `killAfter` after its start.
Outcome run(const QStringList& args, const QProcessEnvironment& env,
            std::optional<microseconds> killAfter = {}, const QString& program = kTool) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    const auto start = std::chrono::steady_clock::now();
    p.start(program, args);
    if (killAfter && p.waitForStarted(10000)) {
        std::this_thread::sleep_for(*killAfter);
        p.kill();  // an ended process keeps its status until it is reaped
    }
    if (!p.waitForFinished(240000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " did not start or finish";
    }
    const bool ended = p.exitStatus() == QProcess::NormalExit;
    EXPECT_TRUE(ended || killAfter) << program.toStdString() << " crashed";
    return {ended ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardError()),
            std::chrono::duration_cast<microseconds>(std::chrono::steady_clock::now() - start)};
}

// A kill moment between `from` and `to`.
microseconds killMoment(std::mt19937& random, microseconds from, microseconds to) {
    return microseconds(
        std::uniform_int_distribution<std::int64_t>(from.count(), to.count())(random));
}

// The seed of the kill moments: PICTAVO_TEST_SEED when it is set, so that a failure can be
// replayed, else a fresh one. Either way a failure names it.
std::uint32_t seed() {
    bool given = false;
    const std::uint32_t set = qEnvironmentVariable("PICTAVO_TEST_SEED").toUInt(&given);
    return given ? set : std::random_device{}();
}
// `random`, seeded so, with the seed in every failure's trace.
#define SEEDED_RANDOM(random)                                                \
    const std::uint32_t seeded = seed();                                     \
    SCOPED_TRACE("seed " + std::to_string(seeded) + " (PICTAVO_TEST_SEED)"); \
    std::mt19937 random(seeded)

// "ok" for a whole file, else what is wrong, and how many values it holds. Opened as the next
// writer would open it, so that a write-ahead log the kill left is taken in first.
QString integrityCheck(const QString& path, std::size_t* values) {
    sqlite3* db = nullptr;
    QString result, count;
    const auto append = [](void* text, int, char** columns, char**) {
        *static_cast<QString*>(text) += QString::fromUtf8(columns[0]);
        return 0;
    };
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ||
        sqlite3_exec(db, "PRAGMA integrity_check", append, &result, nullptr)) {
        result = QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_exec(db, "SELECT count(*) FROM vals", append, &count, nullptr);
    *values = count.toULongLong();
    sqlite3_close(db);
    return result;
}

// Every key with its values, as "root:path" -> {"name=type:data", ...}. Values are compared as
// a set: a start that completes a half-made key adds them in another order.
std::map<QString, std::set<QString>> dumpStore(const QString& path) {
    RegistryHive hive(path);
    std::map<QString, std::set<QString>> out;
    for (const std::uint32_t root : {RootKey::CurrentUser, RootKey::LocalMachine}) {
        QStringList keyPath{QString::number(root)};
        for (const auto& key : hive.tree(root, {}).value_or(std::vector<RegistryHive::TreeKey>{})) {
            keyPath.resize(key.depth + 1);
            std::set<QString>& values = out[(keyPath << key.name).join(QLatin1Char('\\'))];
            for (const NamedRegValue& v : key.values) {
                values.insert(S("%1=%2:%3")
                                  .arg(v.name)
                                  .arg(int(v.value.type))
                                  .arg(QString::fromLatin1(v.value.data.toHex())));
            }
        }
    }
    return out;
}

// A value given as a UTF-8 argument is stored as given. Once the store's folder may not be
// written, queries still work, a change is refused as read-only and nothing is written (the
// query's output is RegToolTest.Query's). Run without the right to override permissions when
// the tests run as root.
TEST(RegProcess, AStoreInAReadOnlyFolderIsStillRead) {
    QTemporaryDir config;
    const QProcessEnvironment env = environmentWithConfig(config.path());
    const QString key = S("HKCU\\Software\\RegProcess"), text = S("Grüße 1");
    EXPECT_EQ(run({S("add"), key, S("/v"), S("Text"), S("/d"), text}, env).rc, 0);
    const QString folder = config.filePath(S("pictavo"));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    const QStringList asUser =
        geteuid() == 0
            ? QStringList{S("--bounding-set=-dac_override,-dac_read_search"), S("--"), kTool}
            : QStringList();
    const auto tool = [&](const QStringList& args) {
        return run(asUser + args, env, {}, asUser.isEmpty() ? kTool : S("setpriv"));
    };
    EXPECT_EQ(tool({S("query"), key, S("/v"), S("TEXT")}).rc, 0);
    const Outcome r = tool({S("add"), key, S("/v"), S("Text"), S("/d"), S("changed"), S("/f")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, S("ERROR: The settings store ") + folder +
                         S("/registry.db is read-only: it can be read, not changed.\n"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{S("registry.db")});
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(RegistryHive(folder + S("/registry.db"))
                  .queryValue(RootKey::CurrentUser, S("Software\\RegProcess"), S("text"))
                  .value_or(RegValue::text({}))
                  .asText(),
              text);
}

// Two scripts add 100 values each to one key at the same time, starting on a store that does
// not exist yet: every call succeeds at once or after waiting its turn, and no value is lost.
TEST(RegProcess, ParallelWritersLoseNothing) {
    QTemporaryDir config;
    QProcessEnvironment env = environmentWithConfig(config.path());
    env.insert(S("PICTAVO_REG"), kTool);
    // Each writer stops at its first failure, with its status; stderr carries the text.
    const Outcome r =
        run({S("-c"), S("w() { i=1; while [ $i -le 100 ]; do \"$PICTAVO_REG\" add "
                        "'HKCU\\Software\\RegProcess\\Parallel' /v \"$1$i\" /t REG_DWORD /d $i /f "
                        ">/dev/null || exit $?; i=$((i+1)); done; }; "
                        "w A & a=$!; w B; b=$?; wait $a && exit $b")},
            env, {}, S("/bin/sh"));
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.err, S(""));
    // Each name is written once: 200 values are all of them.
    const auto values = RegistryHive(config.filePath(S("pictavo/registry.db")))
                            .values(RootKey::CurrentUser, S("Software\\RegProcess\\Parallel"));
    EXPECT_EQ(values.value_or(std::vector<NamedRegValue>{}).size(), 200u);
}

TEST(CrashSafety, KilledWritersLoseNoAcknowledgedValue) {
    QTemporaryDir config;
    const QProcessEnvironment env = environmentWithConfig(config.path());
    SEEDED_RANDOM(random);

    // Each call adds one value, to a new key every tenth call, so kills land in creating the
    // store, a key and a value.
    const auto add = [&](int i, std::optional<microseconds> killAfter) {
        return run({S("add"), S("HKCU\\Software\\Crash\\K%1").arg(i / 10), S("/v"), S("V%1").arg(i),
                    S("/t"), S("REG_DWORD"), S("/d"), QString::number(i), S("/f")},
                   env, killAfter);
    };
    // The run time of one call that also creates the store, in a folder of its own.
    QTemporaryDir measure;
    const auto runTime = run({S("add"), S("HKCU\\x")}, environmentWithConfig(measure.path())).took;
    // Every tenth call runs to its end, so that later kills always have acknowledged values to
    // lose, however slow the machine is today against the measured run.
    std::vector<int> acknowledged;
    for (int i = 0; i < kKills; ++i) {
        const auto killAfter =
            i % 10 == 9 ? std::nullopt : std::optional(killMoment(random, {}, runTime * 6 / 5));
        if (add(i, killAfter).rc == 0) {
            acknowledged.push_back(i);
        }
    }
    const QString store = config.filePath(S("pictavo/registry.db"));
    std::size_t values = 0;
    EXPECT_EQ(integrityCheck(store, &values), S("ok"));
    RegistryHive hive(store);
    for (int i : acknowledged) {
        const auto v = hive.queryValue(RootKey::CurrentUser, S("Software\\Crash\\K%1").arg(i / 10),
                                       S("V%1").arg(i));
        EXPECT_EQ(v ? v->data : QByteArray(), RegValue::dword(std::uint32_t(i)).data)
            << "acknowledged value " << i << " is lost";
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
    const QString host = S(PICTAVO_BIN_DIR "/pictavo-host");
    const QStringList args = {S("--email"), S("crash@example.org")};
    QTemporaryDir reference, killed;
    const Outcome clean = run(args, environmentWithConfig(reference.path()), {}, host);
    ASSERT_EQ(clean.rc, 0);
    const auto expected = dumpStore(reference.filePath(S("pictavo/registry.db")));
    std::size_t all = 0;
    for (const auto& [key, values] : expected) {
        all += values.size();
    }

    SEEDED_RANDOM(random);
    const QProcessEnvironment env = environmentWithConfig(killed.path());
    const QString store = killed.filePath(S("pictavo/registry.db"));
    constexpr int kRounds = 50, kFinding = 8;
    microseconds lastBefore{}, firstAfter = clean.took * 6 / 5;
    int midWrite = 0;
    for (int i = 0; i < kRounds; ++i) {
        SCOPED_TRACE(i);
        QDir(killed.filePath(S("pictavo"))).removeRecursively();
        const bool aimed = i >= kFinding && lastBefore < firstAfter;
        const microseconds at = aimed
                                    ? killMoment(random, lastBefore * 9 / 10, firstAfter * 11 / 10)
                                    : killMoment(random, {}, clean.took * 6 / 5);
        run(args, env, at, host);
        std::size_t values = 0;
        if (QFile::exists(store)) {
            ASSERT_EQ(integrityCheck(store, &values), S("ok"));
        }
        if (!QFile::exists(store)) {
            lastBefore = std::max(lastBefore, at);
        } else if (values >= all) {
            firstAfter = std::min(firstAfter, at);
        } else {
            ++midWrite;
        }
        ASSERT_EQ(run(args, env, {}, host).rc, 0);
        ASSERT_EQ(dumpStore(store), expected);
    }
    // Without kills in the middle of the writes, the rounds have shown nothing.
    EXPECT_GE(midWrite, kRounds / 10);
}

}  // namespace
