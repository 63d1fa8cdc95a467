#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "platform/RegistryHive.h"
#include "support/HostProcess.h"

// The installation as a package lays it out: `cmake --install` into a DESTDIR, then the
// installed programs run from there, finding their scripts folder beside themselves.

namespace {

using pictavo::test::HostProcess;

TEST(InstalledHost, SendsAWholeScreenFromAnInstallationInADestdir) {
    QTemporaryDir destdir;
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("DESTDIR"), destdir.path());
    HostProcess install({QStringLiteral("--install"), QStringLiteral(PICTAVO_BUILD_DIR),
                         QStringLiteral("--prefix"), QStringLiteral("/usr")},
                        environment, QStringLiteral(PICTAVO_CMAKE_COMMAND));
    ASSERT_EQ(install.finish(120000), 0) << install.standardError().toStdString();
    const QString bin = destdir.path() + QStringLiteral("/usr/bin/");

    HostProcess reg({QStringLiteral("add"),
                     QStringLiteral("HKCU\\SOFTWARE\\Quorrel\\Pictavo\\i@example.com\\Options"),
                     QStringLiteral("/v"), QStringLiteral("Preview"), QStringLiteral("/d"),
                     QStringLiteral("0"), QStringLiteral("/f")},
                    {}, bin + QStringLiteral("pictavo-reg"));
    ASSERT_EQ(reg.finish(), 0) << reg.standardError().toStdString();

    HostProcess host({QStringLiteral("--email"), QStringLiteral("i@example.com")}, {},
                     bin + QStringLiteral("pictavo-host"));
    host.send("/xpvfull");
    EXPECT_EQ(host.finish(), 0) << host.standardError().toStdString();
    const QString path = QString::fromUtf8(host.remainingOutput()).trimmed();
    EXPECT_TRUE(path.endsWith(QStringLiteral(".png"))) << host.standardError().toStdString();
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
