#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <csignal>
#include <span>

#include "capture/frmCounter.h"
#include "platform/RegistryHive.h"
#include "platform/ScreenSource.h"
#include "preview/CanvasImage.h"
#include "support/HostProcess.h"
#include "support/PixelChecks.h"
#include "support/RawDisplay.h"
#include "support/TestComponent.h"

// The programs as a user meets them on the openbox session that main() started: the built
// pictavo-host reading commands from its standard input, the pointer and the keys from xdotool;
// the screen read by ImageMagick's `import`, the settings read back from the store. Last, the
// countdown window of this process, the server asked through xdotool and a connection of its own.

namespace pictavo {
namespace {

using test::differingPixels;
using test::HostProcess;

// The title of the preview, the selection, the choosers and the message boxes.
const QString kTitle = QStringLiteral("Pictavo 3");
const QString kOptionsTitle = QStringLiteral("Pictavo Options");
// The account of every test: each test has a store of its own.
const QString kUser = QStringLiteral("user@example.com");

// Runs xdotool with the words of `command` and returns what it printed.
QString xdotool(const QString& command) {
    return test::xdotool(command.split(QLatin1Char(' ')));
}

// The xdotool words that move the pointer to `point`.
QString moveTo(QPoint point) {
    return QStringLiteral("mousemove %1 %2 ").arg(point.x()).arg(point.y());
}

// The xdotool words that press the first button at `from`, move the pointer through `via` and
// let go at `to`.
QString drag(QPoint from, QPoint via, QPoint to) {
    return moveTo(from) + "mousedown 1 " + moveTo(via) + moveTo(to) + "mouseup 1";
}

// A text value of the account's settings; `key` "" is the user key itself.
QString storedValue(const QString& key, const char* name) {
    RegistryHive hive(RegistryHive::defaultPath());
    const auto value =
        hive.queryValue(RootKey::CurrentUser, test::userKeyPath(kUser) + key, QLatin1String(name));
    return value ? value->asText() : QStringLiteral("<none>");
}

// Types `line` to `host`, waits for the window titled `title` and runs the xdotool `command`.
// The last window of that title is gone first, or the keys could go to it.
void act(HostProcess& host, const QByteArray& line, const QString& command,
         const QString& title = kTitle) {
    ASSERT_TRUE(test::waitForWindow(title, false));
    host.send(line);
    ASSERT_TRUE(test::waitForWindow(title)) << "no window " << title.toStdString();
    xdotool(command);
}

// The preview window that `line` opens: its client area on the screen; null when none opens.
QRect preview(HostProcess& host, const QByteArray& line) {
    if (!test::waitForWindow(kTitle, false) || (host.send(line), !test::waitForWindow(kTitle))) {
        return {};
    }
    return makeX11ScreenSource()->windowRect(test::visibleWindows(kTitle).value(0).toUInt(), true);
}

// The picture whose path the host answers next.
QImage sentPicture(HostProcess& host) {
    return QImage(host.answer().value_or(QString())).convertToFormat(QImage::Format_RGB32);
}

// The screen's pixels in `area`, as this process reads them.
QImage onScreen(const QRect& area) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Whether `picture` shows `colour` anywhere.
bool shows(const QImage& picture, QRgb colour) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
    const auto* end = pixels + image.width() * image.height();
    return std::find(pixels, end, colour) != end;
}

// Where `part` stands on `screen` pixel for pixel, searched from its centre's colour; (-1, -1)
// when nowhere.
QPoint findOn(const QImage& screen, const QImage& part) {
    const QPoint c = part.rect().center();
    for (int y = c.y(); y + part.height() - c.y() <= screen.height(); ++y) {
        for (int x = c.x(); x + part.width() - c.x() <= screen.width(); ++x) {
            const QRect at(QPoint(x, y) - c, part.size());
            if (screen.pixel(x, y) == part.pixel(c) &&
                differingPixels(screen.copy(at), part) == 0) {
                return at.topLeft();
            }
        }
    }
    return {-1, -1};
}

// One host for all. The options window, shown modally by the command and by the host's own
// /configure (each answers once it closes), is where the user switches the preview off and on:
// Escape keeps what is stored, Return saves the change. Without a preview the chooser sends the
// full screen at once; a cancelled save chooser sends nothing. (What a save writes is
// Options.Save…'s.) With the preview, a click on the magenta swatch, a stroke across the preview,
// a second click on the swatch and Return send the stroke; Ctrl+Z before Return takes it out of
// the file; Escape sends nothing; a new capture starts without the last one's strokes. The
// clipboard outlives the plug-in: after captures copied there (by the "Clipboard" setting, and by
// Ctrl+C in the preview) the host still ends cleanly. A stop signal while the preview is open is a
// cancel: the command answers an empty line and nothing is written.
TEST(PreviewHost, AfterACopyToTheClipboardOrAStopInThePreviewTheHostEndsCleanly) {
    test::setUserValue(kUser, "Options", "Preview", QStringLiteral("1"));
    test::setUserValue(kUser, "Options", "Clipboard", QStringLiteral("1"));
    test::setUserValue(kUser, "DrawTools", "Len", QStringLiteral("5"));
    test::setUserValue(kUser, "", "sResult", QStringLiteral("stale"));
    const auto host = HostProcess::atScale(kUser, "1");
    // The tab strip has the focus; Tab reaches "Preview Screenshots before sending".
    act(*host, "/configure", QStringLiteral("key Tab space Escape"), kOptionsTitle);
    ASSERT_EQ(host->answer(), QStringLiteral("True"));  // a reader of the answers goes on
    act(*host, "/xpvoptions", QStringLiteral("key Tab space Return"), kOptionsTitle);
    ASSERT_EQ(host->answer(), QStringLiteral("True"));
    EXPECT_EQ(storedValue(QString(), "sResult"), "");  // the command resets it
    act(*host, "/xpvsend", QStringLiteral("key alt+f"));
    EXPECT_EQ(QImage(host->answer().value_or(QString())).size(),
              QGuiApplication::primaryScreen()->virtualGeometry().size());
    act(*host, "/xpvsave", QStringLiteral("key alt+n"));
    EXPECT_EQ(host->answer(), QString());
    act(*host, "/xpvoptions", QStringLiteral("key Tab space Return"), kOptionsTitle);
    ASSERT_EQ(host->answer(), QStringLiteral("True"));
    // The keys after the stroke, and whether the file sent shows magenta (1) or not (0); -1: no
    // file.
    const std::pair<const char*, int> rows[] = {
        {"Return", 1}, {"ctrl+z Return", 0}, {"Escape", -1}};
    for (const auto& [keys, magenta] : rows) {
        SCOPED_TRACE(keys);
        const QRect w = preview(*host, "/xpvfull");
        ASSERT_TRUE(w.isValid());
        // cmdColour 9 in the palette at the window's top right, 15 twips a pixel at 96 dpi.
        const QPoint swatch = w.topLeft() + QPoint((w.width() * 15 - 8440 + 7710) / 15, 990 / 15);
        const QPoint c = w.center();
        xdotool(moveTo(swatch) + "click 1 " + drag(c - QPoint(150, 0), c, c + QPoint(150, 40)));
        // Keys can overtake the pointer (the window manager holds it while it handles a click):
        // they wait until the preview shows the stroke.
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return shows(onScreen(QRect(c - QPoint(150, 0), c + QPoint(150, 40))),
                         qRgb(255, 0, 255));
        }));
        xdotool(moveTo(swatch) + "click 1 key " + QLatin1String(keys));
        const QString path = host->answer().value_or(QStringLiteral("<none>"));
        if (magenta < 0) {
            EXPECT_EQ(path, QString());
        } else {
            ASSERT_TRUE(path.endsWith(QStringLiteral(".png"))) << path.toStdString();
            EXPECT_EQ(shows(QImage(path), qRgb(255, 0, 255)), magenta > 0);
        }
    }
    ASSERT_TRUE(preview(*host, "/xpvfull").isValid());
    xdotool(QStringLiteral("key ctrl+c"));
    host->signal(SIGTERM);
    EXPECT_EQ(host->answer(), QString());
    EXPECT_EQ(host->finish(), 0) << host->standardError().toStdString();
    EXPECT_EQ(QDir(QDir::temp().filePath(QStringLiteral("Pictavo"))).entryList(QDir::Files).size(),
              3);
}

// The pixelate tool, chosen by its button, over a terminal full of fine text: the area dragged
// is blocks in the file sent, each of one colour, the mean of the terminal's pixels under it, and
// nothing else changes. The terminal sent untouched first is what the blocks are checked against.
TEST(PreviewHost, PixelateChosenByItsButtonLeavesOnlyBlocksOfTheTerminalsText) {
    test::setUserValue(kUser, "Options", "Preview", QStringLiteral("1"));
    QProcess terminal;
    terminal.start(QStringLiteral("xterm"),
                   {"-T", "Terminal", "-geometry", "60x15+40+40", "-e", "sh", "-c",
                    "for i in $(seq 14); do echo 'The quick brown fox jumps over 0123456789 "
                    "lazy dogs $i'; done; sleep 600"});
    ASSERT_TRUE(test::waitForWindow(QStringLiteral("Terminal")));
    const auto host = HostProcess::atScale(kUser, "1");
    const auto activePreview = [&] {
        xdotool(QStringLiteral("search --name ^Terminal$ windowactivate --sync"));
        return preview(*host, "/xpvactive");
    };
    ASSERT_TRUE(activePreview().isValid());
    xdotool(QStringLiteral("key Return"));
    const QImage before = sentPicture(*host);
    const QRect w = activePreview();
    ASSERT_TRUE(w.isValid());
    // cmdTool 6, in the tool frame at the left of the palette in the window's top right.
    const QPoint button = w.topLeft() + QPoint((w.width() * 15 - 9160 + 2415) / 15, 795 / 15);
    const QPoint c = w.center();
    // Return waits until the preview shows the drag (see the test above).
    const QRect area(c - QPoint(90, 40), QSize(180, 80));
    const QImage unchanged = onScreen(area);
    xdotool(moveTo(button) + "click 1 " +
            drag(area.topLeft(), c, area.bottomRight() + QPoint(1, 1)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return onScreen(area) != unchanged; })) << "no blocks shown";
    xdotool(QStringLiteral("key Return"));
    const QImage sent = sentPicture(*host);
    terminal.kill();
    ASSERT_EQ(sent.size(), before.size());

    const QRect changed = test::differingArea(sent, before);
    ASSERT_EQ(changed.size(), QSize(180, 80)) << "the drag's area, every block of it changed";
    CanvasImage blocks;
    blocks.setPicture(before);
    blocks.drawBlocks(changed, pixelateBlocks(before, changed), 1.0);
    EXPECT_EQ(sent, blocks.working());
}

// The active window is captured as the screen shows it, its frame with the title bar above the
// client; a window that fits is shown one capture pixel per device pixel at a scale of 2: the
// sent capture stands somewhere on the screen, pixel for pixel.
TEST(PreviewHost, AtScaleTwoAWindowThatFitsIsShownPixelForPixel) {
    test::setUserValue(kUser, "Options", "Preview", QStringLiteral("1"));
    // Low enough for the smallest preview area, below a palette in two rows.
    test::PatternWindow pattern(QSize(500, 200));
    pattern.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pattern));
    xdotool(QStringLiteral("windowactivate --sync ") + QString::number(pattern.winId()));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&pattern));
    const QRect whole = QGuiApplication::primaryScreen()->geometry();
    QImage before;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        before = onScreen(whole);
        return findOn(before, pattern.pattern()).x() >= 0;
    }));

    const auto host = HostProcess::atScale(kUser, "2");
    ASSERT_TRUE(preview(*host, "/xpvactive").isValid());
    // Only the preview shows the pattern once its own window has left the screen.
    const QPoint own = pattern.geometry().topLeft();
    pattern.hide();
    QImage screen;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        screen = onScreen(whole);
        const QPoint at = findOn(screen, pattern.pattern());
        return at.x() >= 0 && at != own;
    }));
    xdotool(QStringLiteral("key Return"));
    const QImage sent = sentPicture(*host);
    EXPECT_GE(findOn(sent, pattern.pattern()).y(), 10) << "no title bar above the client";
    EXPECT_GE(findOn(before, sent).x(), 0) << "the capture is not the screen as it was";
    EXPECT_GE(findOn(screen, sent).x(), 0) << "the capture is not on the screen as it is";
}

// Two monitors side by side on the screen, the primary on the right; or none again.
void twoMonitors(bool on) {
    const QList<QStringList> set = {{"--setmonitor", "*R", "640/169x800/211+640+0", "screen"},
                                    {"--setmonitor", "L", "640/169x800/211+0+0", "none"}};
    for (const QStringList& words :
         on ? set : QList<QStringList>{{"--delmonitor", "L"}, {"--delmonitor", "R"}}) {
        QProcess::execute(QStringLiteral("xrandr"), words);
    }
}

// Escape sends nothing; a drag sends exactly what lies under it. With two monitors, the primary on
// the right, each window opens on the one that holds the pointer, the left one, at either scale:
// the preview, the options window, the chooser, the save dialog and the message that the capture
// was saved. The real file dialog saves the screen as it was: the typed name decides the type,
// and the type is remembered.
TEST(SelectX11, ADragGivesExactlyThePixelsUnderItOnAnyMonitorAndScale) {
    QTemporaryDir saveDir;
    test::setUserValue(kUser, "Options", "SaveDir", saveDir.path());
    test::setUserValue(kUser, "Options", "SaveDirLen", QString::number(saveDir.path().size()));
    // Something to select: a fine pattern in an unmanaged window at the screen's corner.
    test::PatternWindow pattern{QSize(700, 500),
                                Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint, 2};
    pattern.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return onScreen(pattern.geometry()) == pattern.pattern(); }));
    // Each drag is 200x150 pixels, from the point given: odd device pixels too, which Qt's
    // positions in whole logical pixels cannot name at a scale of 2 or 1.5.
    const std::tuple<const char*, const char*, QPoint> rows[] = {
        {"one monitor", "1", {100, 100}},
        {"scaled twice", "2", {101, 101}},
        {"scaled by 1.5", "1.5", {101, 100}},
        {"left of the primary", "1", {40, 60}},
        {"left of the primary, scaled twice", "2", {41, 61}},
    };
    // On two monitors, before the drag: the command (none: the window that the last keys left up),
    // the window, the keys and the answer (none: none yet).
    using Window = const std::tuple<QByteArray, QString, QStringList, const char*>;
    Window windows[] = {
        {"/xpvfull", kTitle, {"key Escape"}, ""},
        {"/xpvoptions", kOptionsTitle, {"key Escape"}, "True"},
        {"/xpvsend", kTitle, {"key Escape"}, ""},
        {"/xpvfsave", kTitle, {"type shot.png", "key Return"}, nullptr},
        {"", kTitle, {"key Return"}, "True"},
    };
    for (const auto& row : rows) {
        const auto& [name, scale, from] = row;
        SCOPED_TRACE(name);
        if (&row == &rows[3]) {  // from here on two monitors, the primary on the right
            twoMonitors(true);
        }
        const bool two = &row >= &rows[3];
        test::setUserValue(kUser, "Options", "Preview", QLatin1String(two ? "1" : "0"));
        const QImage screen = test::importRoot();
        auto host = HostProcess::atScale(kUser, scale);
        xdotool(moveTo({300, 500}));
        QString last;
        for (const auto& [line, title, keys, answer] : two ? windows : std::span<Window>()) {
            SCOPED_TRACE(line.toStdString());
            if (!line.isEmpty()) {
                host->send(line);
            }
            // The next window, the last one gone.
            ASSERT_TRUE(QTest::qWaitFor([&, &title = title] {
                const QStringList ids = test::visibleWindows(title);
                return ids.size() == 1 && ids[0] != last;
            }));
            ASSERT_TRUE(test::waitForWindow(title));
            last = test::visibleWindows(title).value(0);
            EXPECT_LT(makeX11ScreenSource()->windowRect(last.toUInt(), true).center().x(), 640);
            for (const QString& command : keys) {
                xdotool(command);
            }
            if (answer) {
                EXPECT_EQ(host->answer(), QLatin1String(answer));
            }
        }
        if (two) {
            const QString file = saveDir.filePath(QStringLiteral("shot.png"));
            EXPECT_EQ(differingPixels(QImage(file), screen), 0);
            EXPECT_EQ(storedValue(QStringLiteral("\\Options"), "SaveFileType"), "4");
            QFile::remove(file);
            test::setUserValue(kUser, "Options", "Preview", QStringLiteral("0"));
            host = HostProcess::atScale(kUser, scale);
        }
        // First Escape: the keyboard is grabbed. That a cancelled selection leaves no file is
        // SelectAndSave.EscapeAnotherButton…'s.
        act(*host, "/xpvselect", QStringLiteral("key Escape"));
        EXPECT_EQ(host->answer(), QString());
        const QRect area(from, QSize(200, 150));
        act(*host, "/xpvselect",
            drag(area.topLeft(), area.center(), area.bottomRight() + QPoint(1, 1)));
        const QString path = host->answer().value_or(QStringLiteral("<none>"));
        EXPECT_EQ(differingPixels(QImage(path), screen.copy(area)), 0) << path.toStdString();
    }
    twoMonitors(false);
}

// The installation as a package lays it out: `cmake --install` into a DESTDIR, then the
// installed programs run from there, finding their scripts folder beside themselves.
TEST(InstalledHost, SendsAWholeScreenFromAnInstallationInADestdir) {
    QTemporaryDir destdir;
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("DESTDIR"), destdir.path());
    HostProcess install({QStringLiteral("--install"), QStringLiteral(PICTAVO_BUILD_DIR),
                         QStringLiteral("--prefix"), QStringLiteral("/usr")},
                        environment, QStringLiteral(PICTAVO_CMAKE_COMMAND));
    ASSERT_EQ(install.finish(120000), 0) << install.standardError().toStdString();
    const QString bin = destdir.path() + QStringLiteral("/usr/bin/");

    const QString options = "HKCU\\" + test::userKeyPath(kUser) + "\\Options";
    HostProcess reg({"add", options, "/v", "Preview", "/d", "0", "/f"}, {}, bin + "pictavo-reg");
    ASSERT_EQ(reg.finish(), 0) << reg.standardError().toStdString();

    HostProcess host({QStringLiteral("--email"), kUser}, {}, bin + QStringLiteral("pictavo-host"));
    host.send("/xpvfull");
    EXPECT_EQ(host.finish(), 0) << host.standardError().toStdString();
    const QString path = QString::fromUtf8(host.remainingOutput()).trimmed();
    EXPECT_EQ(QImage(path).size(), QSize(1280, 800)) << host.standardError().toStdString();
    // The plug-in came from the installation, not from the build tree.
    RegistryHive hive(RegistryHive::defaultPath());
    const auto scripts = hive.queryValue(RootKey::LocalMachine,
                                         QStringLiteral("SOFTWARE\\Patchou\\Messenger Plus! Live"),
                                         QStringLiteral("ScriptsDir"));
    ASSERT_TRUE(scripts);
    EXPECT_EQ(scripts->asText(), destdir.path() + QStringLiteral("/usr/lib/pictavo-host/Scripts"));
}

// Whatever window the user works in, this program's (the host's conversation window, say) or
// another program's; and back on top of a pop-up mapped while it counts.
TEST(CounterX11, AppearsInTheCornerOnTopWithoutTakingTheFocus) {
    test::RawDisplay x(qgetenv("DISPLAY"));
    ASSERT_TRUE(x.isOpen());
    test::TestComponent tc;
    ASSERT_TRUE(tc.initialize());
    tc.set("Countdown", "BackColor", QStringLiteral("65280"));  // green
    tc.set("", "Count", QStringLiteral("5"));
    frmCounter& counter = tc.pv->counterForm();
    const auto cornerPixel = [] { return onScreen(QRect(0, 0, 1, 1)).pixel(0, 0); };
    QWidget own;
    own.setGeometry(0, 0, 500, 400);
    own.show();
    own.activateWindow();
    for (const bool another : {false, true}) {
        SCOPED_TRACE(another);
        counter.Unload();
        QString working = QString::number(own.winId());
        if (another) {
            working = QString::number(
                x.createWindow(x.root(), QRect(0, 0, 400, 300), 0, x.pixelFor(qRgb(0, 0, 255))));
            xdotool(QStringLiteral("windowactivate ") + working);
        }
        // Qt activates a window only once it is mapped: wait for Qt too, or a late activation
        // could still arrive during the test.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return xdotool(QStringLiteral("getactivewindow")) == working &&
                       QApplication::activeWindow() == (another ? nullptr : &own);
            },
            10000));
        const QString focusBefore = xdotool(QStringLiteral("getwindowfocus -f"));

        ASSERT_TRUE(counter.Show());
        ASSERT_TRUE(QTest::qWaitFor([&] { return cornerPixel() == qRgb(0, 255, 0); }))
            << "not on top of the window at the corner";
        const WindowId shown = counter.window()->winId();
        EXPECT_EQ(makeX11ScreenSource()->windowRect(shown, true).topLeft(), QPoint(0, 0));
        EXPECT_EQ(xdotool(QStringLiteral("getactivewindow")), working);
        EXPECT_EQ(xdotool(QStringLiteral("getwindowfocus -f")), focusBefore);
        EXPECT_EQ(QApplication::activeWindow(), another ? nullptr : &own);
    }

    // Another program's pop-up (override-redirect, so no window manager keeps it down) mapped
    // over the corner while the countdown runs: by the next tick the countdown is on top again.
    x.createWindow(x.root(), QRect(0, 0, 200, 150), 0, x.pixelFor(qRgb(0, 0, 0)), true);
    ASSERT_EQ(cornerPixel(), qRgb(0, 0, 0));
    EXPECT_TRUE(QTest::qWaitFor([&] { return cornerPixel() == qRgb(0, 255, 0); }))
        << "not back on top of the pop-up";
    EXPECT_TRUE(counter.isLoaded());
}

}  // namespace
}  // namespace pictavo
