#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include "platform/RegistryHive.h"
#include "settings/DiagnosticLog.h"

using namespace pictavo;

namespace {

struct HostRun {
    int exitCode = -1;
    QStringList out;
    QString err;
};

// Runs the built host with `input` on standard input, in this test's private environment.
HostRun runHost(const QByteArray& input, const QStringList& arguments = {}) {
    QProcess host;
    host.start(QStringLiteral(PICTAVO_BIN_DIR "/pictavo-host"), arguments);
    EXPECT_TRUE(host.waitForStarted(10000));
    host.write(input);
    host.closeWriteChannel();
    if (!host.waitForFinished(60000)) {
        host.kill();
        ADD_FAILURE() << "the host did not end";
    }
    HostRun r;
    r.exitCode = host.exitStatus() == QProcess::NormalExit ? host.exitCode() : -1;
    // One answer per line; what follows the last line break is empty for complete lines.
    r.out = QString::fromUtf8(host.readAllStandardOutput()).split(QLatin1Char('\n'));
    r.out.removeLast();
    r.err = QString::fromUtf8(host.readAllStandardError());
    return r;
}

QString userKey(const QString& email) {
    return QStringLiteral("SOFTWARE\\Quorrel\\Pictavo\\") + email;
}

int countValues(RegistryHive& hive, const QString& key) {
    int n = int(hive.values(RootKey::CurrentUser, key)->size());
    const QStringList subKeys = hive.subKeys(RootKey::CurrentUser, key).value_or(QStringList());
    for (const QString& sub : subKeys) {
        n += countValues(hive, key + QLatin1Char('\\') + sub);
    }
    return n;
}

}  // namespace

TEST(HostProgram, AnEmptyConversationCreatesTheSettingsAndEndsCleanly) {
    const HostRun r = runHost({}, {QStringLiteral("--email"), QStringLiteral("a@b.c")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains(QStringLiteral("loaded \" Pictavo 3\" with 22 commands")))
        << r.err.toStdString();

    RegistryHive hive(RegistryHive::defaultPath());
    EXPECT_EQ(hive.subKeys(RootKey::CurrentUser, userKey(QStringLiteral("a@b.c")))->size(), 5);
    EXPECT_EQ(countValues(hive, userKey(QStringLiteral("a@b.c"))), 57);
    const auto scripts = hive.queryValue(RootKey::LocalMachine,
                                         QStringLiteral("SOFTWARE\\Patchou\\Messenger Plus! Live"),
                                         QStringLiteral("ScriptsDir"));
    ASSERT_TRUE(scripts);
    EXPECT_EQ(QDir(scripts->asText()).canonicalPath(),
              QDir(QStringLiteral(PICTAVO_SCRIPTS_DIR)).canonicalPath());

    // With the log on, a second start finds everything in place.
    hive.setValue(RootKey::CurrentUser, userKey(QStringLiteral("a@b.c")), QStringLiteral("Log"),
                  RegValue::text(QStringLiteral("1")));
    EXPECT_EQ(runHost({}, {QStringLiteral("--email"), QStringLiteral("a@b.c")}).exitCode, 0);
    QFile log(DiagnosticLog::LogFilePath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_TRUE(text.contains("\r\ncheckRegistry: 0 Keys and 0 Values\r\n"));
    EXPECT_LT(text.indexOf("----------End Initialize----------"),
              text.indexOf("----------Uninitialize----------"));
}

TEST(HostProgram, EachTypedLineGetsOneAnswerAndFailuresDoNotStopIt) {
    const HostRun r = runHost(
        "/xpvfullx\n\n/XPVNOPE 5\r\n/quit\n/xpvnever\n",
        {QStringLiteral("--email=b@c.d"), QStringLiteral("--host-version"), QStringLiteral("3")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, (QStringList{QStringLiteral("False"), QStringLiteral("False"),
                                  QStringLiteral("False")}));
    EXPECT_TRUE(r.err.contains(QStringLiteral("with 23 commands")));
}

TEST(HostProgram, BadArgumentsAndABrokenStoreAreReported) {
    HostRun r = runHost({}, {QStringLiteral("--colour"), QStringLiteral("red")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("unknown argument: --colour")));

    QDir().mkpath(QFileInfo(RegistryHive::defaultPath()).absolutePath());
    QFile f(RegistryHive::defaultPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a store");
    f.close();
    r = runHost({});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(RegistryHive::defaultPath())) << r.err.toStdString();
}

TEST(HostProgram, RegistryToolWritesLoseNothingWhileTheHostStartsAndStops) {
    constexpr int kValues = 80;
    QProcess writer;
    writer.setProgram(QStringLiteral("bash"));
    writer.setArguments(
        {QStringLiteral("-c"),
         QStringLiteral(
             "for i in $(seq 1 %1); do \"%2\" add 'HKCU\\Software\\Race' /v v$i /d $i /f "
             ">/dev/null || exit 1; done")
             .arg(kValues)
             .arg(QStringLiteral(PICTAVO_BIN_DIR "/pictavo-reg"))});
    writer.start();
    ASSERT_TRUE(writer.waitForStarted(10000));
    int starts = 0;
    while (writer.state() != QProcess::NotRunning || starts < 3) {
        const HostRun r =
            runHost({}, {QStringLiteral("--email"), QStringLiteral("race@example.com")});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        ++starts;
        QCoreApplication::processEvents();
    }
    writer.waitForFinished(120000);
    ASSERT_EQ(writer.state(), QProcess::NotRunning);
    EXPECT_EQ(writer.exitCode(), 0);
    const QString errors = QString::fromUtf8(writer.readAllStandardError());
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    RegistryHive hive(RegistryHive::defaultPath());
    const auto values = hive.values(RootKey::CurrentUser, QStringLiteral("Software\\Race"));
    ASSERT_TRUE(values);
    EXPECT_EQ(int(values->size()), kValues);
    EXPECT_GE(starts, 3);
}
