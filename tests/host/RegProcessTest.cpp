#include <gtest/gtest.h>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "platform/RegistryHive.h"

using namespace pictavo;

// The built pictavo-reg, run as a user or a script runs it: arguments, standard input, exit
// status, and the store under the (private) XDG_CONFIG_HOME of this test process.

namespace {

QString S(const char* s) {
    return QString::fromUtf8(s);
}

const QString kTool = QStringLiteral(PICTAVO_BIN_DIR "/pictavo-reg");

struct Outcome {
    int rc = -1;
    QString out;
    QString err;
};

Outcome runTool(const QStringList& args, const QByteArray& input = {},
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                const QString& program = kTool) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForStarted()) {
        ADD_FAILURE() << "cannot start " << kTool.toStdString();
        return {};
    }
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "pictavo-reg did not finish";
        return {};
    }
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// The tool as a user runs it on the store under XDG_CONFIG_HOME: values given as UTF-8 arguments, questions answered on standard input. Once the store's folder
// may not be written, queries still work, a change is refused as read-only and nothing is
// written. Run without the right to override permissions when the tests run as root.
TEST(RegProcess, AStoreInAReadOnlyFolderIsStillRead) {
    QTemporaryDir config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(S("XDG_CONFIG_HOME"), config.path());
    const QString key = S("HKCU\\Software\\RegProcess\\ReadOnly");
    const QString text =
        S("Gr\xc3\xbc\xc3\x9f"
          "e 1");
    const QString done = S("The operation completed successfully.\n");
    Outcome r = runTool({S("add"), key, S("/v"), S("Text"), S("/d"), text}, {}, env);
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.out, done);
    EXPECT_EQ(r.err, S(""));
    const auto stored = [&] {
        return RegistryHive(config.filePath(S("pictavo/registry.db")))
            .queryValue(RootKey::CurrentUser, S("Software\\RegProcess\\ReadOnly"), S("text"));
    };
    ASSERT_TRUE(stored());
    EXPECT_EQ(stored()->asText(), text);

    const QString folder = config.filePath(S("pictavo"));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    QStringList prefix;
    if (geteuid() == 0) {
        prefix = {S("--bounding-set=-dac_override,-dac_read_search"), S("--"), kTool};
    }
    const auto asUser = [&](const QStringList& args) {
        return prefix.isEmpty() ? runTool(args, {}, env)
                                : runTool(prefix + args, {}, env, S("setpriv"));
    };
    r = asUser({S("query"), key, S("/v"), S("TEXT")});
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
              S("\nHKEY_CURRENT_USER\\Software\\RegProcess\\ReadOnly\n    Text    REG_SZ    ") +
                  text + S("\n\n"));
    r = asUser({S("add"), key, S("/v"), S("Text"), S("/d"), S("changed"), S("/f")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(S("is read-only"))) << r.err.toStdString();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{S("registry.db")});
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(stored()->asText(), text);

    r = runTool({S("delete"), key}, "yes\n", env);
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.out, S("Permanently delete the registry key "
                       "HKEY_CURRENT_USER\\Software\\RegProcess\\ReadOnly (Yes/No)? ") +
                         done);
    EXPECT_FALSE(stored());
}

// Two scripts add 200 values each to one key at the same time, starting on a store that does
// not exist yet: every call succeeds at once or after waiting its turn, and no value is lost.
TEST(RegProcess, ParallelWritersLoseNothing) {
    QTemporaryDir config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(S("XDG_CONFIG_HOME"), config.path());
    env.insert(S("PICTAVO_REG"), kTool);
    // The loop stops at the first failure and exits with its status; stderr carries the text.
    const QString script =
        S("i=1; while [ $i -le 200 ]; do "
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
        const QString err = QString::fromUtf8(w.readAllStandardError());
        EXPECT_EQ(err, S("")) << err.toStdString();
    }

    RegistryHive hive(config.filePath(S("pictavo/registry.db")));
    const auto values = hive.values(RootKey::CurrentUser, S("Software\\RegProcess\\Parallel"));
    ASSERT_TRUE(values);
    EXPECT_EQ(values->size(), 400u);
    for (const QString& prefix : prefixes) {
        for (std::uint32_t i = 1; i <= 200; ++i) {
            const auto v =
                hive.queryValue(RootKey::CurrentUser, S("Software\\RegProcess\\Parallel"),
                                prefix + QString::number(i));
            ASSERT_TRUE(v) << prefix.toStdString() << i;
            EXPECT_EQ(v->data, RegValue::dword(i).data);
        }
    }
}

}  // namespace
