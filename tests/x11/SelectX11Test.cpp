#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "platform/RegistryHive.h"
#include "platform/WellKnownPaths.h"
#include "plugin/PV.h"
#include "support/HostProcess.h"
#include "x11/ScreenReference.h"

// Selection and saving as a user does them: the built host on the openbox session that main()
// started, driven by xdotool, its answers read from its standard output, the screen read by
// ImageMagick's `import`.

namespace pictavo {
namespace {

using test::differingPixels;
using test::importRoot;

const QString kEmail = QStringLiteral("select@example.com");

// The host, at a scale factor, selecting from the screen when told.
std::unique_ptr<test::HostProcess> startHost(const char* scaleFactor = "1") {
    return test::HostProcess::atScale(kEmail, scaleFactor);
}

bool waitForWindow() {
    return test::waitForWindow(QStringLiteral("Pictavo 3"));
}

void xdotool(const QString& arguments) {
    test::xdotool(arguments.split(QLatin1Char(' ')));
}

class SelectX11 : public ::testing::Test {
protected:
    void SetUp() override {
        test::setUserValue(kEmail, "Options", "Preview", QStringLiteral("0"));
        test::setUserValue(kEmail, "Options", "SaveDir", saveDir.path());
        test::setUserValue(kEmail, "Options", "SaveDirLen", QString::number(saveDir.path().size()));
        pattern.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pattern));
        QTest::qWait(300);
    }

    QTemporaryDir saveDir;
    // Something to select: a fine pattern in an unmanaged window at the screen's corner.
    test::PatternWindow pattern{QSize(700, 500),
                                Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint, 2};
};

// Escape sends nothing; a drag sends exactly what lies under it.
TEST_F(SelectX11, ADragGivesExactlyThePixelsUnderItOnAnyMonitorAndScale) {
    const struct {
        const char* name;
        bool primaryOnTheRight;
        const char* scale;
        QRect drag;
    } rows[] = {
        {"one monitor", false, "1", {100, 100, 200, 150}},
        {"scaled twice", false, "2", {100, 100, 200, 150}},
        {"left of the primary", true, "1", {40, 60, 200, 150}},
        {"left of the primary, scaled twice", true, "2", {40, 60, 200, 150}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        if (r.primaryOnTheRight) {
            QProcess::execute(QStringLiteral("xrandr"),
                              {"--setmonitor", "*R", "640/169x800/211+640+0", "screen"});
            QProcess::execute(QStringLiteral("xrandr"),
                              {"--setmonitor", "L", "640/169x800/211+0+0", "none"});
        }
        const QImage screen = importRoot();
        {
            const auto host = startHost(r.scale);
            if (&r == &rows[0]) {  // first Escape: the keyboard is grabbed, and nothing is sent
                const QDir temp(WellKnownPaths::privateTempFolder(QStringLiteral("Pictavo")));
                const QStringList before = temp.entryList(QDir::Files);
                host->send("/xpvselect");
                ASSERT_TRUE(waitForWindow());
                xdotool(QStringLiteral("key Escape"));
                EXPECT_EQ(host->answer(), QString());
                EXPECT_EQ(temp.entryList(QDir::Files), before);
            }
            host->send("/xpvselect");
            ASSERT_TRUE(waitForWindow());
            xdotool(QStringLiteral("mousemove %1 %2 mousedown 1 mousemove %3 %4 mousemove %5 %6 "
                                   "mouseup 1")
                        .arg(r.drag.left())
                        .arg(r.drag.top())
                        .arg(r.drag.center().x())
                        .arg(r.drag.center().y())
                        .arg(r.drag.left() + r.drag.width())
                        .arg(r.drag.top() + r.drag.height()));
            const QString path = host->answer().value_or(QStringLiteral("<none>"));
            EXPECT_EQ(differingPixels(QImage(path), screen.copy(r.drag)), 0) << path.toStdString();
        }
        if (r.primaryOnTheRight) {
            QProcess::execute(QStringLiteral("xrandr"), {"--delmonitor", "L"});
            QProcess::execute(QStringLiteral("xrandr"), {"--delmonitor", "R"});
        }
    }
}

TEST_F(SelectX11, TheSaveDialogSavesTheScreenInTheTypedTypeAndRemembersIt) {
    const QImage screen = importRoot();
    const auto host = startHost();
    host->send("/xpvfsave");
    ASSERT_TRUE(waitForWindow());
    xdotool(QStringLiteral("type shot.png"));
    xdotool(QStringLiteral("key Return"));
    const QString file = saveDir.filePath(QStringLiteral("shot.png"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(file); }, 20000));
    // The saved message holds the command until it is answered.
    ASSERT_TRUE(waitForWindow());
    xdotool(QStringLiteral("key Return"));
    EXPECT_EQ(host->answer(), QStringLiteral("True"));
    EXPECT_EQ(differingPixels(QImage(file), screen), 0);
    RegistryHive hive(RegistryHive::defaultPath());
    EXPECT_EQ(hive.queryValue(RootKey::CurrentUser,
                              test::userKeyPath(kEmail) + QStringLiteral("\\Options"),
                              QStringLiteral("SaveFileType"))
                  ->asText(),
              QStringLiteral("4"));
}

}  // namespace
}  // namespace pictavo
