#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "platform/RegistryHive.h"

using namespace pictavo;

// SIGKILL at random moments of the programs that write the settings store: afterwards the file
// is whole, every write acknowledged before a kill is there, and the next start completes what
// a killed start left half-made.

namespace {

constexpr int kKills = 100;

QString S(const char* s) {
    return QString::fromUtf8(s);
}

QProcessEnvironment environmentWithConfig(const QString& configHome) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(S("XDG_CONFIG_HOME"), configHome);
    return env;
}

struct KilledRun {
    bool acknowledged = false;  // ended by itself with status 0 before the kill
    std::chrono::microseconds took{};
};

// Starts `program` and, unless `killAfter` is negative, kills it that long after it started.
KilledRun runKilled(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                    std::chrono::microseconds killAfter) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    const auto start = std::chrono::steady_clock::now();
    p.start(program, args);
    EXPECT_TRUE(p.waitForStarted(10000));
    if (killAfter.count() >= 0) {
        std::this_thread::sleep_for(killAfter);
        p.kill();  // SIGKILL; an ended process keeps its status until it is reaped
    }
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                  start)};
}

// A kill moment from the start to a little past the time an unkilled run takes.
std::chrono::microseconds killMoment(std::mt19937& random, std::chrono::microseconds runTime) {
    return std::chrono::microseconds(
        std::uniform_int_distribution<std::int64_t>(0, runTime.count() * 6 / 5)(random));
}

// "ok" for a whole file, else what is wrong. Opened as the next writer would open it, so that
// a write-ahead log the kill left is taken in first.
QString integrityCheck(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_stmt* s = nullptr;
    QString result;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK ||
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr) != SQLITE_OK) {
        result = QString::fromUtf8(sqlite3_errmsg(db));
    }
    while (s && sqlite3_step(s) == SQLITE_ROW) {
        result += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    }
    sqlite3_finalize(s);
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

TEST(CrashSafety, KilledWritersLoseNoAcknowledgedValue) {
    const QString tool = S(PICTAVO_BIN_DIR "/pictavo-reg");
    QTemporaryDir config;
    const QProcessEnvironment env = environmentWithConfig(config.path());
    const std::uint32_t seed = std::random_device{}();
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);

    // Each call adds one value, to a new key every tenth call, so kills land in creating the
    // store, a key and a value.
    const auto add = [&](int i, std::chrono::microseconds killAfter) {
        return runKilled(
            tool,
            {S("add"), S("HKCU\\Software\\Crash\\K%1").arg(i / 10), S("/v"), S("V%1").arg(i),
             S("/t"), S("REG_DWORD"), S("/d"), QString::number(i), S("/f")},
            env, killAfter);
    };
    // The run time of one call that also creates the store, in a folder of its own.
    QTemporaryDir measure;
    const auto runTime =
        runKilled(tool, {S("add"), S("HKCU\\Software\\Crash"), S("/v"), S("V"), S("/d"), S("1")},
                  environmentWithConfig(measure.path()), std::chrono::microseconds(-1))
            .took;
    // Every tenth call runs to its end, so that later kills always have acknowledged values to
    // lose, however slow the machine is today against the measured run.
    std::vector<int> acknowledged;
    for (int i = 0; i < kKills; ++i) {
        const auto killAfter =
            i % 10 == 9 ? std::chrono::microseconds(-1) : killMoment(random, runTime);
        if (add(i, killAfter).acknowledged) {
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
// that start must leave the same settings as one that was never interrupted.
TEST(CrashSafety, AStartAfterAKilledStartCompletesTheSettings) {
    const QString host = S(PICTAVO_BIN_DIR "/pictavo-host");
    const QStringList args = {S("--email"), S("crash@example.org")};
    QTemporaryDir reference, killed;
    const KilledRun clean = runKilled(host, args, environmentWithConfig(reference.path()),
                                      std::chrono::microseconds(-1));
    ASSERT_TRUE(clean.acknowledged);
    const auto expected = dumpStore(reference.filePath(S("pictavo/registry.db")));

    const std::uint32_t seed = std::random_device{}();
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    const QProcessEnvironment env = environmentWithConfig(killed.path());
    const QString store = killed.filePath(S("pictavo/registry.db"));
    for (int i = 0; i < kKills; ++i) {
        SCOPED_TRACE(i);
        QDir(killed.filePath(S("pictavo"))).removeRecursively();
        runKilled(host, args, env, killMoment(random, clean.took));
        if (QFile::exists(store)) {
            ASSERT_EQ(integrityCheck(store), S("ok"));
        }
        ASSERT_TRUE(runKilled(host, args, env, std::chrono::microseconds(-1)).acknowledged);
        ASSERT_EQ(dumpStore(store), expected);
    }
}

}  // namespace
