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

using namespace Qt::StringLiterals;
using test::HostProcess;

const QString kUser = u"wayland@example.com"_s;
const QString kTitle = u"Pictavo 3"_s;

// What the compositor shows now, read by grim.
QImage grim() {
    const QString file = QDir::tempPath() + u"/grim.png"_s;
    QProcess::execute(u"grim"_s, {file});
    QImage shown(file);
    QFile::remove(file);
    return shown.convertToFormat(QImage::Format_RGB32);
}

// The pixels of the answered file that differ from `expected`.
int differingPixels(const std::optional<QString>& answer, const QImage& expected) {
    return test::differingPixels(
        QImage(answer.value_or(QString())).convertToFormat(QImage::Format_RGB32), expected);
}

class WaylandSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            << "run through tests/wayland/wayland-session.sh";
        // The host chooses its Qt platform as for a user (this process runs offscreen).
        qunsetenv("QT_QPA_PLATFORM");
        test::setUserValue(kUser, "Options", "Preview", u"0"_s);
        test::setUserValue(kUser, "", "Log", u"1"_s);
    }

    // A background with something to see (gradients and a fine texture), once the compositor
    // shows it.
    void showBackground() {
        const QString file = QDir::tempPath() + u"/background.png"_s;
        ASSERT_TRUE(test::testScreen(1920, 1080).save(file));
        QProcess::execute(u"swaymsg"_s, {u"output * bg "_s + file + u" stretch"_s});
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
    HostProcess host({u"--email"_s, kUser});
    for (const char* command : {"/xpvfull", "/xpvactive"}) {
        SCOPED_TRACE(command);
        host.send(command);
        EXPECT_EQ(differingPixels(host.answer(), shown), 0);
        EXPECT_FALSE(QFile::exists(u"/tmp/out.png"_s));
    }
    for (const QString& line :
         {u"Screen source: desktop portal (WAYLAND_DISPLAY is set)"_s,
          u"Active window: no X window is active; the whole screen is sent"_s}) {
        EXPECT_EQ(test::logLines().filter(line).size(), 1) << line.toStdString();
    }
}

// On an output scaled twice, XWayland's windows count half the desktop's pixels: a drag over the
// frozen screen still gives exactly the desktop's pixels under it.
TEST_F(WaylandSession, ADragGivesExactlyThePixelsUnderItOnAScaledOutput) {
    showBackground();
    const QImage shown = grim();
    ASSERT_EQ(shown.size(), QSize(1920, 1080));
    HostProcess host({u"--email"_s, kUser});
    host.send("/xpvselect");
    ASSERT_TRUE(test::waitForWindow(kTitle));
    // 200 x 150 of XWayland's pixels from (100, 60): 400 x 300 of the desktop's from (200, 120).
    test::xdotool(
        u"mousemove 100 60 mousedown 1 mousemove 200 130 mousemove 300 210 mouseup 1"_s.split(
            u' '));
    EXPECT_EQ(differingPixels(host.answer(), shown.copy(200, 120, 400, 300)), 0);
}

// Without the portal on the bus, the portal source and the X11 source forced on XWayland each
// tell once why the screen could not be read, send nothing and leave no file.
TEST_F(WaylandSession, WithoutThePortalNothingIsSentAndNoFileIsLeft) {
    for (const char* source : {"", "x11"}) {
        SCOPED_TRACE(source);
        QProcessEnvironment environment;
        if (*source != '\0') {
            environment.insert(u"PICTAVO_SCREEN_SOURCE"_s, QLatin1String(source));
        }
        HostProcess host({u"--email"_s, kUser}, environment);
        host.send("/xpvfull");
        ASSERT_TRUE(test::waitForWindow(kTitle));
        const QStringList boxes = test::visibleWindows(kTitle);
        EXPECT_EQ(boxes.size(), 1);
        test::xdotool({u"windowactivate"_s, u"--sync"_s, boxes.value(0), u"key"_s, u"Return"_s});
        EXPECT_EQ(host.answer(), QString());
        EXPECT_EQ(QDir(WellKnownPaths::privateTempFolder(u"Pictavo"_s)).entryList(QDir::Files),
                  QStringList());
    }
    const QStringList failures = test::logLines().filter(u"The screen could not be read: "_s);
    ASSERT_EQ(failures.size(), 2) << failures.join(u'\n').toStdString();
    EXPECT_TRUE(failures[0].contains(u"the desktop portal is not running"_s));
    EXPECT_TRUE(failures[1].contains(u"BadMatch"_s));
}

}  // namespace
}  // namespace pictavo
