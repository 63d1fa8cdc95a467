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
    QString out;
    QString err;
    microseconds took{};
};

// Runs `program` with `input` on its standard input to its end, or kills it `killAfter` after
// its start.
Outcome run(const QStringList& args, const QProcessEnvironment& env, const QByteArray& input = {},
            std::optional<microseconds> killAfter = {}, const QString& program = kTool) {
    QProcess p;
    p.setProcessEnvironment(env);
    const auto start = std::chrono::steady_clock::now();
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        ADD_FAILURE() << "cannot start " << program.toStdString();
        return {};
    }
    p.write(input);
    p.closeWriteChannel();
    if (killAfter) {
        std::this_thread::sleep_for(*killAfter);
        p.kill();  // an ended process keeps its status until it is reaped
    }
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << program.toStdString() << " did not finish";
        return {};
    }
    const bool ended = p.exitStatus() == QProcess::NormalExit;
    EXPECT_TRUE(ended || killAfter) << program.toStdString() << " crashed";
    return {ended ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError()),
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
#define TRACE_SEED(s) SCOPED_TRACE("seed " + std::to_string(s) + " (PICTAVO_TEST_SEED)")

// "ok" for a whole file, else what is wrong, and how many values it holds. Opened as the next
// writer would open it, so that a write-ahead log the kill left is taken in first.
QString integrityCheck(const QString& path, std::size_t* values = nullptr) {
    sqlite3* db = nullptr;
    QString result, count;
    const auto append = [](void* text, int, char** columns, char**) {
        *static_cast<QString*>(text) += QString::fromUtf8(columns[0]);
        return 0;
    };
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK ||
        sqlite3_exec(db, "PRAGMA integrity_check", append, &result, nullptr) != SQLITE_OK) {
        result = QString::fromUtf8(sqlite3_errmsg(db));
    }
    if (values && sqlite3_exec(db, "SELECT count(*) FROM vals", append, &count, nullptr) == 0) {
        *values = count.toULongLong();
    }
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
        for (const RegistryHive::TreeKey& key :
             hive.tree(root, {}).value_or(std::vector<RegistryHive::TreeKey>{})) {
            keyPath.resize(key.depth + 1);
            keyPath << key.name;
            std::set<QString>& values = out[keyPath.join(QLatin1Char('\\'))];
            for (const NamedRegValue& v : key.values) {
                values.insert(v.name + QLatin1Char('=') + QString::number(int(v.value.type)) +
                              QLatin1Char(':') + QString::fromLatin1(v.value.data.toHex()));
            }
        }
    }
    return out;
}

// Values given as UTF-8 arguments, questions answered on standard input. Once the store's
// folder may not be written, queries still work, a change is refused as read-only and nothing is
// written. Run without the right to override permissions when the tests run as root.
TEST(RegProcess, AStoreInAReadOnlyFolderIsStillRead) {
    QTemporaryDir config;
    const QProcessEnvironment env = environmentWithConfig(config.path());
    const QString key = S("HKCU\\Software\\RegProcess\\ReadOnly");
    const QString text = S("Grüße 1");
    Outcome r = run({S("add"), key, S("/v"), S("Text"), S("/d"), text}, env);
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    const auto stored = [&] {
        return RegistryHive(config.filePath(S("pictavo/registry.db")))
            .queryValue(RootKey::CurrentUser, S("Software\\RegProcess\\ReadOnly"), S("text"));
    };
    ASSERT_TRUE(stored());

    const QString folder = config.filePath(S("pictavo"));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    QStringList prefix;
    if (geteuid() == 0) {
        prefix = {S("--bounding-set=-dac_override,-dac_read_search"), S("--"), kTool};
    }
    const auto asUser = [&](const QStringList& args) {
        return prefix.isEmpty() ? run(args, env) : run(prefix + args, env, {}, {}, S("setpriv"));
    };
    r = asUser({S("query"), key, S("/v"), S("TEXT")});
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
              S("\nHKEY_CURRENT_USER\\Software\\RegProcess\\ReadOnly\n    Text    REG_SZ    ") +
                  text + S("\n\n"));
    r = asUser({S("add"), key, S("/v"), S("Text"), S("/d"), S("changed"), S("/f")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err, S("ERROR: The settings store ") + config.filePath(S("pictavo/registry.db")) +
                         S(" is read-only: it can be read, not changed.\n"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{S("registry.db")});
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(stored()->asText(), text);

    EXPECT_EQ(run({S("delete"), key}, env, "yes\n").rc, 0);
    EXPECT_FALSE(stored());
}

// Two scripts add 100 values each to one key at the same time, starting on a store that does
// not exist yet: every call succeeds at once or after waiting its turn, and no value is lost.
TEST(RegProcess, ParallelWritersLoseNothing) {
    QTemporaryDir config;
    QProcessEnvironment env = environmentWithConfig(config.path());
    env.insert(S("PICTAVO_REG"), kTool);
    // The loop stops at the first failure and exits with its status; stderr carries the text.
    const QString script =
        S("i=1; while [ $i -le 100 ]; do "
          "\"$PICTAVO_REG\" add 'HKCU\\Software\\RegProcess\\Parallel' /v \"$1$i\" "
          "/t REG_DWORD /d $i /f >/dev/null || exit $?; i=$((i+1)); done");
    QProcess writers[2];
    const QString prefixes[2] = {S("A"), S("B")};
    for (int w = 0; w < 2; ++w) {
        writers[w].setProcessEnvironment(env);
        writers[w].start(S("/bin/sh"), {S("-c"), script, S("writer"), prefixes[w]});
    }
    for (QProcess& w : writers) {
        ASSERT_TRUE(w.waitForFinished(240000));
        EXPECT_EQ(w.exitCode(), 0);
        EXPECT_EQ(QString::fromUtf8(w.readAllStandardError()), S(""));
    }

    RegistryHive hive(config.filePath(S("pictavo/registry.db")));
    const auto values = hive.values(RootKey::CurrentUser, S("Software\\RegProcess\\Parallel"));
    ASSERT_TRUE(values);
    EXPECT_EQ(values->size(), 200u);
    for (const QString& prefix : prefixes) {
        for (std::uint32_t i = 1; i <= 100; ++i) {
            const auto v =
                hive.queryValue(RootKey::CurrentUser, S("Software\\RegProcess\\Parallel"),
                                prefix + QString::number(i));
            ASSERT_TRUE(v) << prefix.toStdString() << i;
            EXPECT_EQ(v->data, RegValue::dword(i).data);
        }
    }
}

TEST(CrashSafety, KilledWritersLoseNoAcknowledgedValue) {
    QTemporaryDir config;
    const QProcessEnvironment env = environmentWithConfig(config.path());
    const std::uint32_t seeded = seed();
    TRACE_SEED(seeded);
    std::mt19937 random(seeded);

    // Each call adds one value, to a new key every tenth call, so kills land in creating the
    // store, a key and a value.
    const auto add = [&](int i, std::optional<microseconds> killAfter) {
        return run({S("add"), S("HKCU\\Software\\Crash\\K%1").arg(i / 10), S("/v"), S("V%1").arg(i),
                    S("/t"), S("REG_DWORD"), S("/d"), QString::number(i), S("/f")},
                   env, {}, killAfter);
    };
    // The run time of one call that also creates the store, in a folder of its own.
    QTemporaryDir measure;
    const auto runTime =
        run({S("add"), S("HKCU\\Software\\Crash"), S("/v"), S("V"), S("/d"), S("1")},
            environmentWithConfig(measure.path()))
            .took;
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
    EXPECT_EQ(integrityCheck(store), S("ok"));
    RegistryHive hive(store);
    for (int i : acknowledged) {
        const auto v = hive.queryValue(RootKey::CurrentUser, S("Software\\Crash\\K%1").arg(i / 10),
                                       S("V%1").arg(i));
        ASSERT_TRUE(v) << "acknowledged value " << i << " is lost";
        EXPECT_EQ(v->data, RegValue::dword(std::uint32_t(i)).data);
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
    const Outcome clean = run(args, environmentWithConfig(reference.path()), {}, {}, host);
    ASSERT_EQ(clean.rc, 0);
    const auto expected = dumpStore(reference.filePath(S("pictavo/registry.db")));
    std::size_t all = 0;
    for (const auto& [key, values] : expected) {
        all += values.size();
    }

    const std::uint32_t seeded = seed();
    TRACE_SEED(seeded);
    std::mt19937 random(seeded);
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
        run(args, env, {}, at, host);
        std::size_t values = 0;
        const bool made = QFile::exists(store);
        if (made) {
            ASSERT_EQ(integrityCheck(store, &values), S("ok"));
        }
        if (!made) {
            lastBefore = std::max(lastBefore, at);
        } else if (values >= all) {
            firstAfter = std::min(firstAfter, at);
        } else {
            ++midWrite;
        }
        ASSERT_EQ(run(args, env, {}, {}, host).rc, 0);
        ASSERT_EQ(dumpStore(store), expected);
    }
    // Without kills in the middle of the writes, the rounds have shown nothing.
    EXPECT_GE(midWrite, kRounds / 10);
}

}  // namespace
