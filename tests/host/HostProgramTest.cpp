#include <gtest/gtest.h>
#include <signal.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSet>
#include <optional>

#include "platform/RegistryHive.h"
#include "settings/DiagnosticLog.h"
#include "support/HostProcess.h"
#include "support/LogLines.h"
#include "support/XvfbSession.h"

using namespace pictavo;
using namespace Qt::StringLiterals;

namespace {

using test::HostProcess;
using test::setUserValue;

struct HostRun {
    int exitCode = -1;
    QStringList out;
    QString err;
    int messageBoxes = 0;  // answered with Return, when run on a screen
};

// Runs the built host with `input` on standard input to its end. On `screen`, every message box
// it shows is counted and answered with Return, as by a user.
HostRun runHost(const QByteArray& input, const QStringList& arguments = {},
                const test::XvfbSession* screen = nullptr) {
    const QProcessEnvironment display =
        screen ? test::onDisplay(screen->displayName()) : QProcessEnvironment();
    HostProcess host(arguments, display);
    host.write(input);
    HostRun r;
    QSet<QString> boxes;
    QDeadlineTimer deadline(60000);
    r.exitCode = host.finish(screen ? 100 : 60000);
    while (host.running() && !deadline.hasExpired()) {
        for (const QString& box : test::visibleWindows(u"Pictavo 3"_s, display)) {
            boxes.insert(box);
            test::xdotool({u"windowactivate"_s, u"--sync"_s, box, u"key"_s, u"Return"_s}, display);
        }
        r.exitCode = host.finish(100);
    }
    r.messageBoxes = int(boxes.size());
    // One answer per line; what follows the last line break is empty for complete lines.
    r.out = QString::fromUtf8(host.remainingOutput()).split(QLatin1Char('\n'));
    r.out.removeLast();
    r.err = host.standardError();
    return r;
}

}  // namespace

// The settings are created at the first start; a second finds them in place (it creates none). Each
// typed line gets one answer, and failures do not stop the conversation. A line too long to be a
// command is refused with one error answer, and its bytes are not kept; the next line is read as
// usual.
TEST(HostProgram, AConversationCreatesTheSettingsAnswersEachLineAndEndsCleanly) {
    const QString email = u"a@b.c"_s;
    HostRun r = runHost({}, {u"--email"_s, email});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    // Loaded: the plug-in found its library through the scripts folder the host published.
    EXPECT_TRUE(r.err.contains(u"loaded \" Pictavo 3\" with 22 commands"_s)) << r.err.toStdString();

    setUserValue(email, "", "Log", u"1"_s);
    r = runHost("/xpvfullx\n\n/XPVNOPE 5\r\n/nope " + QByteArray(3 << 20, 'x') +
                    "\n/nope\n/quit\n/xpvnever\n",
                {u"--email=a@b.c"_s, u"--host-version"_s, u"3"_s});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, (QStringList{u"False"_s, u"False"_s, u"False"_s, QString(), u"False"_s}));
    EXPECT_TRUE(r.err.contains(u"with 23 commands"_s));
    EXPECT_EQ(r.err.count(u"error: a line longer than 1048576 bytes is not read"_s), 1);
    const QStringList log = pictavo::test::logLines();
    EXPECT_TRUE(log.contains(u"checkRegistry: 0 Keys and 0 Values"_s));
    EXPECT_LT(log.indexOf(u"----------End Initialize----------"_s),
              log.indexOf(u"----------Uninitialize----------"_s));
}

// The host ends at once and says why. Without a display it says so in one line and what to do
// (the settings tool, which needs none, runs without one in readme-settings.sh).
TEST(HostProgram, NoDisplayBadArgumentsOrABrokenStoreEndItAtOnceSayingWhy) {
    HostProcess host({u"-u"_s, u"DISPLAY"_s, u"-u"_s, u"WAYLAND_DISPLAY"_s, u"-u"_s,
                      u"QT_QPA_PLATFORM"_s, QStringLiteral(PICTAVO_BIN_DIR "/pictavo-host")},
                     {}, u"/usr/bin/env"_s);
    EXPECT_EQ(host.finish(), 1);
    EXPECT_EQ(
        host.standardError(),
        u"pictavo-host: no display found; start it with scripts/run, or set DISPLAY to a running X server\n"_s);

    HostRun r = runHost({}, {u"--colour"_s, u"red"_s});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(u"unknown argument: --colour"_s));

    QFile f(RegistryHive::defaultPath());
    ASSERT_TRUE(QDir().mkpath(QFileInfo(f).path()) && f.open(QIODevice::WriteOnly) &&
                f.write("not a store") > 0 && f.flush());
    r = runHost({});
    EXPECT_EQ(r.exitCode, 1);
    // (Left as it was: RegistryHiveTest.AFileThatIsNotAStoreOrIsDamagedIsReportedAndLeftAlone.)
    EXPECT_TRUE(r.err.contains(RegistryHive::defaultPath())) << r.err.toStdString();
    EXPECT_EQ(QFileInfo(RegistryHive::defaultPath()).dir().entryList(QDir::Files),
              QStringList{u"registry.db"_s});
}

// The faults a user met through the host, each as it shows there: the answer, the file it names,
// the message boxes and the store.
TEST(HostOnScreen, SettingsAUserMightLeaveSendTheirCaptureOrSayOnceWhyNotAndEveryLineIsAnswered) {
    const test::XvfbSession screen({.size = QSize(400, 300)});
    ASSERT_TRUE(screen.isRunning()) << screen.error().toStdString();

    // No e-mail address: one message box and the reason on standard error. (The store is left
    // alone: PVLifecycle.AnAddressThatNamesNoKeyIsRefusedWithOneMessagePerOperation.)
    HostRun r = runHost("/xpvfull\n", {u"--email"_s, QString()}, &screen);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.messageBoxes, 1);
    EXPECT_TRUE(r.err.contains(u"No signed-in account: the e-mail address is empty."_s));

    // A temporary folder named after the command, a backslash in the file name and a length
    // that is no number: the answer is the file written, whole.
    const QString email = u"names@example.com"_s;
    setUserValue(email, "Options", "Preview", u"0"_s);
    setUserValue(email, "Options", "FileName", u"a\\b_Custom_Shot"_s);
    setUserValue(email, "Options", "FileNameLen", u"abc"_s);
    const QString oddTemp = QDir::temp().filePath(u"dropfile x"_s);
    QDir().mkpath(oddTemp);
    qputenv("TMPDIR", QFile::encodeName(oddTemp));
    r = runHost("/xpvfull\n", {u"--email"_s, email}, &screen);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.messageBoxes, 0);
    EXPECT_EQ(r.out, QStringList{oddTemp + u"/Pictavo/a\\b_Custom_Shot.png"_s});
    EXPECT_TRUE(QFile::exists(r.out.value(0)));

    // A command that fails (every name of that folder taken) still answers its line, empty,
    // after the message box that tells the user why, so that a program reading the answers
    // never waits forever; the next line is answered as usual.
    const QDir folder(oddTemp + u"/Pictavo"_s);
    for (int i = 1; i <= 32767; ++i) {
        QFile taken(folder.filePath(
            u"a\\b_Custom_Shot%1.png"_s.arg(i == 1 ? QString() : QString::number(i))));
        // Written files: an empty one is a reservation that a start with no other host sweeps.
        ASSERT_TRUE(taken.open(QIODevice::WriteOnly) && taken.write("x") == 1);
    }
    r = runHost("/xpvfull\n/xpvnope\n", {u"--email"_s, email}, &screen);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, (QStringList{QString(), u"False"_s}));
    EXPECT_EQ(r.messageBoxes, 1);
    EXPECT_TRUE(r.err.contains(u"error: No free file name for a\\b_Custom_Shot in "_s))
        << r.err.toStdString();
}

// SIGTERM or SIGINT at any moment closes the host cleanly: a countdown in progress (here one
// of a huge number, held to a day) ends without a capture and the command answers an empty
// line; the plug-in is unloaded before the host exits.
TEST(HostProgram, AStopSignalEndsACountdownWithoutACaptureAndUnloadsThePlugIn) {
    const QStringList arguments{u"--email"_s, u"stop@example.com"_s};
    setUserValue(arguments[1], "", "Log", u"1"_s);
    setUserValue(arguments[1], "Options", "WarnDelay", u"0"_s);
    // The signal, and the command counting down when it comes (none: waiting for input).
    for (const auto& [signal, command] :
         {std::pair{SIGTERM, "/xpvfull 99999999999999999999"}, {SIGINT, nullptr}}) {
        SCOPED_TRACE(signal);
        QFile::remove(DiagnosticLog::LogFilePath());
        HostProcess host(arguments);
        ASSERT_TRUE(host.waitUntilLoaded()) << host.standardError().toStdString();
        if (command) {
            host.send(command);
            EXPECT_EQ(host.answer(1500), std::nullopt);  // counting down
        }
        host.signal(signal);
        EXPECT_EQ(host.finish(), 0) << host.standardError().toStdString();
        EXPECT_EQ(host.remainingOutput(), command ? "\n" : "");
        EXPECT_TRUE(host.standardError().contains(u"stopping on signal %1"_s.arg(signal)));
        EXPECT_TRUE(pictavo::test::logLines().contains(u"----------End Uninitialize----------"_s))
            << pictavo::test::logLines().join(QLatin1Char('|')).toStdString();
    }
    EXPECT_TRUE(
        QDir(QDir::temp().filePath(u"Pictavo"_s)).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// Three hosts of one account start together before the temporary folder exists, and capture
// at the same moment, each its own screen (white, black, white), while the settings tool writes
// to the store and another program creates files in the folder: all start, no capture is lost,
// and every capture gets a file of its own in the temporary folder, holding that host's picture.
TEST(HostProgram, ThreeHostsAndAWriterCapturingTogetherLoseNothingAndNeverShareAFile) {
    constexpr int kRounds = 100;
    const QString email = u"trio@example.com"_s;
    setUserValue(email, "Options", "Preview", u"0"_s);
    const auto screen = [](const char* root) {
        return test::XvfbSession({.size = QSize(64, 48),
                                  .windowManager = false,
                                  .serverArguments = {QLatin1String(root)}});
    };
    const test::XvfbSession servers[] = {screen("-wr"), screen("-br")};
    for (const auto& server : servers) {
        ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    }
    const QString folder = QDir::temp().filePath(u"Pictavo"_s);  // not made yet
    const QStringList arguments{u"--email"_s, email};
    HostProcess hosts[] = {HostProcess(arguments, test::onDisplay(servers[0].displayName())),
                           HostProcess(arguments, test::onDisplay(servers[1].displayName())),
                           HostProcess(arguments, test::onDisplay(servers[0].displayName()))};
    for (auto& host : hosts) {
        ASSERT_TRUE(host.waitUntilLoaded()) << host.standardError().toStdString();
    }
    HostProcess writer(
        {u"-c"_s,
         u"i=0; while :; do \"$0\" add \"$1\" /v Busy /d $i /f >/dev/null; i=$((i+1)); done"_s,
         QStringLiteral(PICTAVO_BIN_DIR "/pictavo-reg"),
         u"HKCU\\"_s + test::userKeyPath(email) + u"\\Options"_s},
        {}, u"/bin/sh"_s);
    // Creates and removes a file in the folder as fast as it can.
    HostProcess creator(
        {u"-e"_s, u"while (1) { open(F, '>', $ARGV[0]); close F; unlink $ARGV[0] }"_s,
         folder + u"/other"_s},
        {}, u"/usr/bin/perl"_s);
    QSet<QString> paths;
    for (int round = 0; round < kRounds; ++round) {
        for (auto& host : hosts) {
            host.send("/xpvfull");
        }
        for (int i = 0; i < int(std::size(hosts)); ++i) {
            const auto path = hosts[i].answer(20000);
            ASSERT_TRUE(path && !path->isEmpty()) << hosts[i].standardError().toStdString();
            paths.insert(*path);
            QImage expected(64, 48, QImage::Format_RGB32);
            expected.fill(i == 1 ? Qt::black : Qt::white);
            ASSERT_EQ(QImage(*path).convertToFormat(QImage::Format_RGB32), expected)
                << path->toStdString();
            EXPECT_EQ(QFileInfo(*path).absolutePath(), folder);
        }
    }
    EXPECT_EQ(std::size_t(paths.size()), std::size(hosts) * kRounds);
    for (HostProcess* helper : {&writer, &creator}) {
        helper->signal(SIGKILL);
        helper->finish();
    }
    for (auto& host : hosts) {
        EXPECT_EQ(host.finish(), 0);
        EXPECT_FALSE(host.standardError().contains(u"error"_s))
            << host.standardError().toStdString();
    }
}
