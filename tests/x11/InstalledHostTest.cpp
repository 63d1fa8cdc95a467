#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/RegistryHive.h"

// The installation as a package lays it out: `cmake --install` into a DESTDIR, then the
// installed programs run from there, finding their scripts folder beside themselves.

namespace {

struct ProcessRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProcessRun run(const QString& program, const QStringList& arguments, const QByteArray& input = {},
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(program, arguments);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

TEST(InstalledHost, SendsAWholeScreenFromAnInstallationInADestdir) {
    QTemporaryDir destdir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DESTDIR"), destdir.path());
    const ProcessRun install = run(QStringLiteral(PICTAVO_CMAKE_COMMAND),
                                   {QStringLiteral("--install"), QStringLiteral(PICTAVO_BUILD_DIR),
                                    QStringLiteral("--prefix"), QStringLiteral("/usr")},
                                   {}, environment);
    ASSERT_EQ(install.exitCode, 0) << install.err.toStdString();
    const QString bin = destdir.path() + QStringLiteral("/usr/bin/");

    const ProcessRun reg =
        run(bin + QStringLiteral("pictavo-reg"),
            {QStringLiteral("add"),
             QStringLiteral("HKCU\\SOFTWARE\\Quorrel\\Pictavo\\i@example.com\\Options"),
             QStringLiteral("/v"), QStringLiteral("Preview"), QStringLiteral("/d"),
             QStringLiteral("0"), QStringLiteral("/f")});
    ASSERT_EQ(reg.exitCode, 0) << reg.err.toStdString();

    const ProcessRun host =
        run(bin + QStringLiteral("pictavo-host"),
            {QStringLiteral("--email"), QStringLiteral("i@example.com")}, "/xpvfull\n");
    EXPECT_EQ(host.exitCode, 0) << host.err.toStdString();
    const QString path = host.out.trimmed();
    EXPECT_TRUE(path.endsWith(QStringLiteral(".png")))
        << host.out.toStdString() << host.err.toStdString();
    EXPECT_EQ(QImage(path).size(), QSize(1280, 800));
    // The plug-in came from the installation, not from the build tree.
    pictavo::RegistryHive hive(pictavo::RegistryHive::defaultPath());
    const auto scripts = hive.queryValue(pictavo::RootKey::LocalMachine,
                                         QStringLiteral("SOFTWARE\\Patchou\\Messenger Plus! Live"),
                                         QStringLiteral("ScriptsDir"));
    ASSERT_TRUE(scripts);
    EXPECT_EQ(scripts->asText(), destdir.path() + QStringLiteral("/usr/lib/pictavo-host/Scripts"));
}

}  // namespace
