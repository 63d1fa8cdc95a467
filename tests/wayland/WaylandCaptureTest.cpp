// The plug-in in pictavo-host on a Wayland desktop: headless sway with XWayland and the desktop
// portal, which wayland-session.sh starts around each test (see tests/CMakeLists.txt).

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include "platform/WellKnownPaths.h"
#include "support/HostProcess.h"
#include "support/LogLines.h"
#include "support/PixelChecks.h"
#include "support/TestComponent.h"

namespace pictavo {
namespace {

using test::HostProcess;

const QString kUser = QStringLiteral("wayland@example.com");
const QString kTitle = QStringLiteral("Pictavo 3");
const QString kFailure = QStringLiteral("The screen could not be read: ");

// What the compositor shows now, read by grim.
QImage grim() {
    const QString file = QDir::tempPath() + QStringLiteral("/grim.png");
    QProcess::execute(QStringLiteral("grim"), {file});
    QImage shown(file);
    QFile::remove(file);
    return shown.convertToFormat(QImage::Format_RGB32);
}

// The pixels of the answered file that differ from `expected`.
int differingPixels(const std::optional<QString>& answer, const QImage& expected) {
    return test::differingPixels(
        QImage(answer.value_or(QString())).convertToFormat(QImage::Format_RGB32), expected);
}

int logLinesWith(const QString& text) {
    return int(test::logLines().filter(text).size());
}

class WaylandSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            << "run through tests/wayland/wayland-session.sh";
        // The host chooses its Qt platform as for a user (this process runs offscreen).
        qunsetenv("QT_QPA_PLATFORM");
        test::setUserValue(kUser, "Options", "Preview", QStringLiteral("0"));
        test::setUserValue(kUser, "", "Log", QStringLiteral("1"));
    }

    // A background with something to see (gradients and a fine texture), once the compositor
    // shows it.
    void showBackground() {
        const QString file = QDir::tempPath() + QStringLiteral("/background.png");
        ASSERT_TRUE(test::testScreen(1920, 1080).save(file));
        QProcess::execute(QStringLiteral("swaymsg"),
                          {QStringLiteral("output * bg ") + file + QStringLiteral(" stretch")});
        QImage last;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const QImage now = grim();
                const bool steady = !now.isNull() && now == last &&
                                    now.pixel(0, 0) != now.pixel(now.width() - 1, now.height() - 1);
                last = now;
                return steady;
            },
            10000));
    }
};

// The whole screen and the active window (no X window is active: the whole screen too) are what
// the compositor shows; the portal's picture does not stay in /tmp.
TEST_F(WaylandSession, CapturesAreWhatTheCompositorShowsAndNothingStaysInTmp) {
    showBackground();
    const QImage shown = grim();
    HostProcess host({QStringLiteral("--email"), kUser});
    for (const char* command : {"/xpvfull", "/xpvactive"}) {
        SCOPED_TRACE(command);
        host.send(command);
        EXPECT_EQ(differingPixels(host.answer(), shown), 0);
        EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/out.png")));
    }
    EXPECT_EQ(
        logLinesWith(QStringLiteral("Screen source: desktop portal (WAYLAND_DISPLAY is set)")), 1);
    EXPECT_EQ(logLinesWith(QStringLiteral("Active window: no X window is active; the whole screen "
                                          "is sent")),
              1);
}

// On an output scaled twice, XWayland's windows count half the desktop's pixels: a drag over the
// frozen screen still gives exactly the desktop's pixels under it.
TEST_F(WaylandSession, ADragGivesExactlyThePixelsUnderItOnAScaledOutput) {
    showBackground();
    const QImage shown = grim();
    ASSERT_EQ(shown.size(), QSize(1920, 1080));
    HostProcess host({QStringLiteral("--email"), kUser});
    host.send("/xpvselect");
    ASSERT_TRUE(test::waitForWindow(kTitle));
    // 200 x 150 of XWayland's pixels from (100, 60): 400 x 300 of the desktop's from (200, 120).
    test::xdotool(QStringLiteral("mousemove 100 60 mousedown 1 mousemove 200 130 "
                                 "mousemove 300 210 mouseup 1")
                      .split(QLatin1Char(' ')));
    EXPECT_EQ(differingPixels(host.answer(), shown.copy(200, 120, 400, 300)), 0);
}

// Without the portal on the bus, the portal source and the X11 source forced on XWayland each
// tell once why the screen could not be read, send nothing and leave no file.
TEST_F(WaylandSession, WithoutThePortalNothingIsSentAndNoFileIsLeft) {
    for (const char* source : {"", "x11"}) {
        SCOPED_TRACE(source);
        QProcessEnvironment environment;
        if (*source != '\0') {
            environment.insert(QStringLiteral("PICTAVO_SCREEN_SOURCE"), QLatin1String(source));
        }
        HostProcess host({QStringLiteral("--email"), kUser}, environment);
        host.send("/xpvfull");
        ASSERT_TRUE(test::waitForWindow(kTitle));
        const QStringList boxes = test::visibleWindows(kTitle);
        EXPECT_EQ(boxes.size(), 1);
        test::xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), boxes.value(0),
                       QStringLiteral("key"), QStringLiteral("Return")});
        EXPECT_EQ(host.answer(), QString());
        EXPECT_EQ(QDir(WellKnownPaths::privateTempFolder(QStringLiteral("Pictavo")))
                      .entryList(QDir::Files),
                  QStringList());
    }
    const QStringList failures = test::logLines().filter(kFailure);
    ASSERT_EQ(failures.size(), 2) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(failures[0].contains(QStringLiteral("the desktop portal is not running")));
    EXPECT_TRUE(failures[1].contains(QStringLiteral("BadMatch")));
}

}  // namespace
}  // namespace pictavo
