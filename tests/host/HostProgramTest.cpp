#include <gtest/gtest.h>
#include <signal.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "output/OverlayStamp.h"
#include "output/OverlayTags.h"
#include "platform/RegistryHive.h"
#include "settings/DiagnosticLog.h"
#include "support/HostProcess.h"
#include "support/LogLines.h"
#include "support/XvfbSession.h"

using namespace pictavo;

namespace {

using test::HostProcess;
using test::setUserValue;
using test::userKeyPath;

struct HostRun {
    int exitCode = -1;
    QStringList out;
    QString err;
    int messageBoxes = 0;  // answered with Return, when run on a screen
};

// Runs the built host with `input` on standard input to its end. On `screen`, every message box
// it shows is counted and answered with Return, as by a user.
HostRun runHost(const QByteArray& input, const QStringList& arguments = {},
                const test::XvfbSession* screen = nullptr,
                QProcessEnvironment extra = QProcessEnvironment()) {
    if (screen) {
        extra.insert(test::onDisplay(screen->displayName()));
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(extra);
    HostProcess host(arguments, extra);
    host.write(input);
    HostRun r;
    QSet<QString> boxes;
    QDeadlineTimer deadline(60000);
    r.exitCode = host.finish(screen ? 100 : 60000);
    while (host.running() && !deadline.hasExpired()) {
        for (const QString& box : test::visibleWindows(QStringLiteral("Pictavo 3"), environment)) {
            boxes.insert(box);
            test::xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), box,
                           QStringLiteral("key"), QStringLiteral("Return")},
                          environment);
        }
        r.exitCode = host.finish(100);
    }
    EXPECT_FALSE(host.running()) << "the host did not end";
    r.messageBoxes = int(boxes.size());
    // One answer per line; what follows the last line break is empty for complete lines.
    r.out = QString::fromUtf8(host.remainingOutput()).split(QLatin1Char('\n'));
    r.out.removeLast();
    r.err = host.standardError();
    return r;
}

}  // namespace

// The settings are created at the first start; a second finds them in place. Each typed line
// gets one answer, and failures do not stop the conversation.
TEST(HostProgram, AConversationCreatesTheSettingsAnswersEachLineAndEndsCleanly) {
    const QString email = QStringLiteral("a@b.c");
    HostRun r = runHost({}, {QStringLiteral("--email"), email});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains(QStringLiteral("loaded \" Pictavo 3\" with 22 commands")))
        << r.err.toStdString();
    RegistryHive hive(RegistryHive::defaultPath());
    EXPECT_TRUE(
        hive.keyExists(RootKey::CurrentUser, userKeyPath(email) + QStringLiteral("\\Options")));
    const auto scripts = hive.queryValue(RootKey::LocalMachine,
                                         QStringLiteral("SOFTWARE\\Patchou\\Messenger Plus! Live"),
                                         QStringLiteral("ScriptsDir"));
    ASSERT_TRUE(scripts);
    EXPECT_EQ(QDir(scripts->asText()).canonicalPath(),
              QDir(QStringLiteral(PICTAVO_SCRIPTS_DIR)).canonicalPath());

    setUserValue(email, "", "Log", QStringLiteral("1"));
    r = runHost(
        "/xpvfullx\n\n/XPVNOPE 5\r\n/quit\n/xpvnever\n",
        {QStringLiteral("--email=a@b.c"), QStringLiteral("--host-version"), QStringLiteral("3")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringList(3, QStringLiteral("False")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("with 23 commands")));
    const QStringList log = pictavo::test::logLines();
    EXPECT_TRUE(log.contains(QStringLiteral("checkRegistry: 0 Keys and 0 Values")));
    EXPECT_LT(log.indexOf(QStringLiteral("----------End Initialize----------")),
              log.indexOf(QStringLiteral("----------Uninitialize----------")));
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
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "not a store");  // left as it was
}

// The faults a user met through the host, each as it shows there: the answer, the file it names,
// the message boxes and the store. One screen for all of them; each row its own account.
TEST(HostOnScreen, SettingsAUserMightLeaveSendTheirCaptureOrSayOnceWhyNot) {
    const test::XvfbSession display({.size = QSize(400, 300)});
    const test::XvfbSession* screen = &display;
    ASSERT_TRUE(screen->isRunning()) << screen->error().toStdString();
    // Tags that fit as typed but not once replaced: "(!D)" becomes a date of the host's locale.
    QFont font({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")}, 9, QFont::Bold);
    font.setPointSizeF(9);
    const QString date = expandOverlayTags(QStringLiteral("(!D)"), QDateTime::currentDateTime(),
                                           QStringLiteral("Sent"));
    const int tags = 400 * 9 / 10 / overlayTextSize(QStringLiteral("(!D)"), font, 96).width();
    ASSERT_GT(tags * overlayTextSize(date, font, 96).width(), 400 * 11 / 10);
    const QString hostTemp = QDir::tempPath();
    const QString oddTemp = hostTemp + QStringLiteral("/dropfile x");
    QDir().mkpath(oddTemp);

    struct Value {
        const char* key;  // under the user key; "" for the user key itself
        const char* name;
        QString text;
    };
    const struct {
        const char* name;
        const char* email;
        QList<Value> values;  // besides "Preview" 0
        QString tmpdir;
        std::function<void(const HostRun&)> check;
    } rows[] = {
        {"no e-mail address",
         "",
         {},
         hostTemp,
         [&](const HostRun& r) {
             EXPECT_EQ(r.exitCode, 1);
             EXPECT_TRUE(r.out.isEmpty());
             EXPECT_EQ(r.messageBoxes, 1);
             EXPECT_TRUE(r.err.contains(
                 QStringLiteral("No signed-in account: the e-mail address is empty.")));
             RegistryHive hive(RegistryHive::defaultPath());
             EXPECT_FALSE(
                 hive.keyExists(RootKey::CurrentUser, QStringLiteral("SOFTWARE\\Quorrel")));
         }},
        {"upper-case type with the overlay",
         "type@example.com",
         {{"Options", "FileType", QStringLiteral("BMP")},
          {"Options", "Overlay", QStringLiteral("1")}},
         hostTemp,
         [&](const HostRun& r) {
             ASSERT_EQ(r.out.size(), 1);
             EXPECT_EQ(r.out[0], hostTemp + QStringLiteral("/Pictavo/My_Screenshot.bmp"));
             EXPECT_EQ(QImage(r.out[0], "BMP").size(), QSize(400, 300));
         }},
        {"a folder named after the command, a backslash in the name, its length no number",
         "names@example.com",
         {{"Options", "FileName", QStringLiteral("a\\b_Custom_Shot")},
          {"Options", "FileNameLen", QStringLiteral("abc")}},
         oddTemp,
         [&](const HostRun& r) {
             ASSERT_EQ(r.out.size(), 1);
             EXPECT_EQ(r.out[0], oddTemp + QStringLiteral("/Pictavo/a\\b_Custom_Shot.png"));
             EXPECT_TRUE(QFile::exists(r.out[0]));
         }},
        {"overlay tags that grow past the edge",
         "overlay@example.com",
         {{"Options", "Overlay", QStringLiteral("1")},
          {"Overlay", "Text", QStringLiteral("(!D)").repeated(tags)},
          {"Overlay", "Position", QStringLiteral("2")},
          {"Overlay", "BackColour", QString::number(0x123456)},
          {"", "Log", QStringLiteral("1")}},
         hostTemp,
         [&](const HostRun& r) {
             ASSERT_EQ(r.out.size(), 1);
             const QImage sent = QImage(r.out[0]).convertToFormat(QImage::Format_RGB32);
             ASSERT_EQ(sent.size(), QSize(400, 300));
             int boxPixels = 0;
             for (int y = 0; y < sent.height(); ++y) {
                 for (int x = 0; x < sent.width(); ++x) {
                     boxPixels += sent.pixel(x, y) == qRgb(0x56, 0x34, 0x12);
                 }
             }
             EXPECT_EQ(boxPixels, 0);
             QFile log(DiagnosticLog::LogFilePath());
             ASSERT_TRUE(log.open(QIODevice::ReadOnly));
             EXPECT_TRUE(log.readAll().contains("\r\nOverlay Text Is Too Big\r\n"));
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString email = QLatin1String(row.email);
        if (!email.isEmpty()) {
            setUserValue(email, "Options", "Preview", QStringLiteral("0"));
            for (const Value& v : row.values) {
                setUserValue(email, v.key, v.name, v.text);
            }
        }
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("TMPDIR"), row.tmpdir);
        const HostRun r =
            runHost("/xpvfull\n", {QStringLiteral("--email"), email}, screen, environment);
        if (row.email[0] != 0) {
            EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
            EXPECT_EQ(r.messageBoxes, 0);
        }
        row.check(r);
    }
}

// SIGTERM or SIGINT at any moment closes the host cleanly: a countdown in progress (here one
// of a huge number, held to a day) ends without a capture and the command answers an empty
// line; the plug-in is unloaded before the host exits.
TEST(HostProgram, AStopSignalEndsACountdownWithoutACaptureAndUnloadsThePlugIn) {
    const QString email = QStringLiteral("stop@example.com");
    const QStringList arguments{QStringLiteral("--email"), email};
    setUserValue(email, "", "Log", QStringLiteral("1"));
    setUserValue(email, "Options", "WarnDelay", QStringLiteral("0"));
    const struct {
        const char* name;
        int signal;
        const char* command;
        QByteArray output;
    } rows[] = {
        {"during a countdown", SIGTERM, "/xpvfull 99999999999999999999", "\n"},
        {"waiting for input", SIGINT, nullptr, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QFile::remove(DiagnosticLog::LogFilePath());
        HostProcess host(arguments);
        ASSERT_TRUE(host.waitUntilLoaded()) << host.standardError().toStdString();
        if (r.command) {
            host.send(r.command);
            EXPECT_EQ(host.answer(1500), std::nullopt);  // counting down
        }
        host.signal(r.signal);
        EXPECT_EQ(host.finish(), 0) << host.standardError().toStdString();
        EXPECT_EQ(host.remainingOutput(), r.output);
        EXPECT_TRUE(
            host.standardError().contains(QStringLiteral("stopping on signal %1").arg(r.signal)));
        EXPECT_TRUE(pictavo::test::logLines().contains(
            QStringLiteral("----------End Uninitialize----------")))
            << pictavo::test::logLines().join(QLatin1Char('|')).toStdString();
    }
    RegistryHive hive(RegistryHive::defaultPath());
    EXPECT_EQ(hive.queryValue(RootKey::CurrentUser, userKeyPath(email), QStringLiteral("Count"))
                  ->asText(),
              QStringLiteral("86400"));
    EXPECT_TRUE(QDir(QDir::temp().filePath(QStringLiteral("Pictavo")))
                    .entryList(QDir::Files | QDir::Hidden)
                    .isEmpty());
}

// Two hosts of one account start together before the temporary folder exists, and capture at
// the same moment, each its own screen (one white, one black): both start, and every capture gets
// a file of its own, inside the temporary folder even with a "FileName" that points out of it,
// holding that host's picture.
TEST(HostProgram, TwoHostsCapturingTogetherNeverShareAFile) {
    constexpr int kRounds = 20;
    const QString email = QStringLiteral("pair@example.com");
    setUserValue(email, "Options", "Preview", QStringLiteral("0"));
    setUserValue(email, "Options", "FileName", QStringLiteral("../../../../x/y"));
    const struct {
        const char* rootOption;
        QRgb colour;
    } screens[] = {{"-wr", qRgb(255, 255, 255)}, {"-br", qRgb(0, 0, 0)}};
    std::vector<std::unique_ptr<pictavo::test::XvfbSession>> servers;
    std::vector<std::unique_ptr<HostProcess>> hosts;
    for (const auto& screen : screens) {
        servers.push_back(
            std::make_unique<pictavo::test::XvfbSession>(pictavo::test::XvfbSession::Options{
                .size = QSize(64, 48),
                .windowManager = false,
                .serverArguments = {QLatin1String(screen.rootOption)}}));
        ASSERT_TRUE(servers.back()->isRunning()) << servers.back()->error().toStdString();
    }
    QDir(QDir::temp().filePath(QStringLiteral("Pictavo"))).removeRecursively();
    for (const auto& server : servers) {
        hosts.push_back(std::make_unique<HostProcess>(QStringList{QStringLiteral("--email"), email},
                                                      test::onDisplay(server->displayName())));
    }
    for (const auto& host : hosts) {
        ASSERT_TRUE(host->waitUntilLoaded()) << host->standardError().toStdString();
    }
    QSet<QString> paths;
    for (int round = 0; round < kRounds; ++round) {
        for (auto& host : hosts) {
            host->send("/xpvfull");
        }
        for (size_t i = 0; i < hosts.size(); ++i) {
            const auto path = hosts[i]->answer(20000);
            ASSERT_TRUE(path) << hosts[i]->standardError().toStdString();
            paths.insert(*path);
            const QImage picture(*path);
            ASSERT_EQ(picture.size(), QSize(64, 48)) << path->toStdString();
            const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
            for (int y = 0; y < rgb.height(); ++y) {
                for (int x = 0; x < rgb.width(); ++x) {
                    ASSERT_EQ(rgb.pixel(x, y) & 0xFFFFFF, screens[i].colour & 0xFFFFFF)
                        << path->toStdString();
                }
            }
            EXPECT_EQ(QFileInfo(*path).absolutePath(),
                      QDir::temp().filePath(QStringLiteral("Pictavo")));
        }
    }
    EXPECT_EQ(paths.size(), 2 * kRounds);
    for (auto& host : hosts) {
        EXPECT_EQ(host->finish(), 0);
    }
    EXPECT_FALSE(QFileInfo::exists(QDir::temp().filePath(QStringLiteral("../x"))));
}
