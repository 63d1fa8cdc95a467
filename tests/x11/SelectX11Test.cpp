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
#include "x11/ScreenReference.h"

// Selection and saving as a user does them: the built host on the openbox session that main()
// started, driven by xdotool, its answers read from its standard output, the screen read by
// ImageMagick's `import`.

namespace pictavo {
namespace {

using test::differingPixels;
using test::importRoot;

const QString kEmail = QStringLiteral("select@example.com");
const QString kOptions =
    QStringLiteral("SOFTWARE\\Quorrel\\Pictavo\\") + kEmail + QStringLiteral("\\Options");

QString run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

void xdotool(const QString& arguments) {
    run(QStringLiteral("xdotool"), arguments.split(QLatin1Char(' ')));
}

// Something to select: a fine pattern in an unmanaged window at the screen's corner.
class PatternWindow : public QWidget {
public:
    PatternWindow() : QWidget(nullptr, Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint) {
        setGeometry(0, 0, 700, 500);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        for (int y = 0; y < height(); y += 2) {
            for (int x = 0; x < width(); x += 2) {
                p.fillRect(x, y, 2, 2,
                           QColor(x * 255 / width(), y * 255 / height(), (x ^ y) & 255));
            }
        }
    }
};

// The host with a conversation on its standard input.
class Host {
public:
    explicit Host(const QByteArray& scaleFactor = "1") {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(scaleFactor));
        process_.setProcessEnvironment(env);
        process_.start(QStringLiteral(PICTAVO_BIN_DIR "/pictavo-host"),
                       {QStringLiteral("--email"), kEmail});
        EXPECT_TRUE(process_.waitForStarted(10000));
    }
    ~Host() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(20000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    void type(const QByteArray& line) { process_.write(line + '\n'); }
    // The next answer line; "<none>" when there was none in time.
    QString answer() {
        if (!QTest::qWaitFor([this] { return process_.canReadLine(); }, 30000)) {
            return QStringLiteral("<none>");
        }
        return QString::fromUtf8(process_.readLine()).chopped(1);
    }

private:
    QProcess process_;
};

// Waits until a window of the plug-in is on the screen, and a moment for it to take the input.
bool waitForWindow() {
    const bool shown = QTest::qWaitFor(
        [] {
            return !run(QStringLiteral("xdotool"),
                        {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                         QStringLiteral("--name"), QStringLiteral("^Pictavo 3$")})
                        .isEmpty();
        },
        20000);
    QTest::qWait(300);
    return shown;
}

class SelectX11 : public ::testing::Test {
protected:
    void SetUp() override {
        RegistryHive hive(RegistryHive::defaultPath());
        hive.createKey(RootKey::CurrentUser, kOptions);
        for (const auto& [name, value] : {std::pair{"Preview", QStringLiteral("0")},
                                          {"SaveDir", saveDir.path()},
                                          {"SaveDirLen", QString::number(saveDir.path().size())}}) {
            hive.setValue(RootKey::CurrentUser, kOptions, QLatin1String(name),
                          RegValue::text(value));
        }
        pattern.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pattern));
        QTest::qWait(300);
    }

    QTemporaryDir saveDir;
    PatternWindow pattern;
};

TEST_F(SelectX11, ADragGivesExactlyThePixelsUnderItOnAnyMonitorAndScale) {
    const struct {
        const char* name;
        bool primaryOnTheRight;
        QByteArray scale;
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
            run(QStringLiteral("xrandr"),
                {"--setmonitor", "*R", "640/169x800/211+640+0", "screen"});
            run(QStringLiteral("xrandr"), {"--setmonitor", "L", "640/169x800/211+0+0", "none"});
        }
        const QImage screen = importRoot();
        {
            Host host(r.scale);
            host.type("/xpvselect");
            ASSERT_TRUE(waitForWindow());
            xdotool(QStringLiteral("mousemove %1 %2 mousedown 1 mousemove %3 %4 mousemove %5 %6 "
                                   "mouseup 1")
                        .arg(r.drag.left())
                        .arg(r.drag.top())
                        .arg(r.drag.center().x())
                        .arg(r.drag.center().y())
                        .arg(r.drag.left() + r.drag.width())
                        .arg(r.drag.top() + r.drag.height()));
            const QString path = host.answer();
            EXPECT_EQ(differingPixels(QImage(path), screen.copy(r.drag)), 0) << path.toStdString();
        }
        if (r.primaryOnTheRight) {
            run(QStringLiteral("xrandr"), {"--delmonitor", "L"});
            run(QStringLiteral("xrandr"), {"--delmonitor", "R"});
        }
    }
}

TEST_F(SelectX11, EscapeSendsNothing) {
    const QStringList before =
        QDir(WellKnownPaths::privateTempFolder(QStringLiteral("Pictavo"))).entryList(QDir::Files);
    Host host;
    host.type("/xpvselect");
    ASSERT_TRUE(waitForWindow());
    xdotool(QStringLiteral("key Escape"));
    EXPECT_EQ(host.answer(), QString());
    EXPECT_EQ(
        QDir(WellKnownPaths::privateTempFolder(QStringLiteral("Pictavo"))).entryList(QDir::Files),
        before);
}

TEST_F(SelectX11, TheSaveDialogSavesTheScreenInTheTypedTypeAndRemembersIt) {
    const QImage screen = importRoot();
    Host host;
    host.type("/xpvfsave");
    ASSERT_TRUE(waitForWindow());
    xdotool(QStringLiteral("type shot.png"));
    xdotool(QStringLiteral("key Return"));
    const QString file = saveDir.filePath(QStringLiteral("shot.png"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(file); }, 20000));
    // The saved message holds the command until it is answered.
    ASSERT_TRUE(waitForWindow());
    xdotool(QStringLiteral("key Return"));
    EXPECT_EQ(host.answer(), QStringLiteral("True"));
    EXPECT_EQ(differingPixels(QImage(file), screen), 0);
    RegistryHive hive(RegistryHive::defaultPath());
    EXPECT_EQ(
        hive.queryValue(RootKey::CurrentUser, kOptions, QStringLiteral("SaveFileType"))->asText(),
        QStringLiteral("4"));
}

}  // namespace
}  // namespace pictavo
