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
#include "support/LogLines.h"
#include "support/XvfbSession.h"

using namespace pictavo;

namespace {

struct HostRun {
    int exitCode = -1;
    QStringList out;
    QString err;
    int messageBoxes = 0;  // answered with Return, when run on a screen
};

QString xdotool(const QProcessEnvironment& environment, const QStringList& arguments) {
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(QStringLiteral("xdotool"), arguments);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Runs the built host with `input` on standard input, in this test's private environment. On
// `screen`, every message box it shows is counted and answered with Return, as by a user.
HostRun runHost(const QByteArray& input, const QStringList& arguments = {},
                const test::XvfbSession* screen = nullptr,
                QProcessEnvironment environment = QProcessEnvironment::systemEnvironment()) {
    if (screen) {
        environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(screen->displayName()));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    }
    QProcess host;
    host.setProcessEnvironment(environment);
    host.start(QStringLiteral(PICTAVO_BIN_DIR "/pictavo-host"), arguments);
    EXPECT_TRUE(host.waitForStarted(10000));
    host.write(input);
    host.closeWriteChannel();
    QSet<QString> boxes;
    QDeadlineTimer deadline(60000);
    while (!host.waitForFinished(screen ? 100 : 60000) && !deadline.hasExpired()) {
        const QStringList shown =
            xdotool(environment, {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                  QStringLiteral("--name"), QStringLiteral("^Pictavo 3$")})
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString& box : shown) {
            boxes.insert(box);
            xdotool(environment, {QStringLiteral("windowactivate"), QStringLiteral("--sync"), box,
                                  QStringLiteral("key"), QStringLiteral("Return")});
        }
    }
    if (host.state() != QProcess::NotRunning) {
        host.kill();
        host.waitForFinished();
        ADD_FAILURE() << "the host did not end";
    }
    HostRun r;
    r.messageBoxes = int(boxes.size());
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

// A host kept running and fed one line at a time, in the test's environment plus `extra`.
class LiveHost {
public:
    explicit LiveHost(const QStringList& arguments,
                      const QProcessEnvironment& extra = QProcessEnvironment()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(extra);
        process_.setProcessEnvironment(environment);
        process_.start(QStringLiteral(PICTAVO_BIN_DIR "/pictavo-host"), arguments);
        EXPECT_TRUE(process_.waitForStarted(10000));
    }
    ~LiveHost() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    void send(const QByteArray& line) { process_.write(line + '\n'); }
    // The next answer line; nullopt when none comes within `ms`.
    std::optional<QString> answer(int ms) {
        QElapsedTimer timer;
        timer.start();
        while (!process_.canReadLine() && timer.elapsed() < ms) {
            process_.waitForReadyRead(int(ms - timer.elapsed()));
        }
        if (!process_.canReadLine()) {
            return std::nullopt;
        }
        return QString::fromUtf8(process_.readLine()).chopped(1);
    }
    // Waits for the host to have loaded the plug-in (or ended).
    bool waitUntilLoaded() {
        QElapsedTimer timer;
        timer.start();
        while (!err_.contains("loaded") && timer.elapsed() < 20000 &&
               process_.state() == QProcess::Running) {
            process_.waitForReadyRead(100);
            err_ += process_.readAllStandardError();
        }
        return err_.contains("loaded");
    }
    void signal(int number) { ::kill(pid_t(process_.processId()), number); }
    // The exit code once the host has ended by itself; -1 when it crashed or did not end.
    int finish() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(30000)) {
            return -1;
        }
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    QString standardError() { return QString::fromUtf8(err_ + process_.readAllStandardError()); }
    QByteArray remainingOutput() { return process_.readAllStandardOutput(); }

private:
    QProcess process_;
    QByteArray err_;
};

void setOption(const QString& email, const QString& sub, const char* name, const QString& value) {
    RegistryHive hive(RegistryHive::defaultPath());
    const QString key = QStringLiteral("SOFTWARE\\Quorrel\\Pictavo\\") + email +
                        (sub.isEmpty() ? QString() : QLatin1Char('\\') + sub);
    ASSERT_TRUE(hive.createKey(RootKey::CurrentUser, key));
    ASSERT_EQ(hive.setValue(RootKey::CurrentUser, key, QLatin1String(name), RegValue::text(value)),
              0);
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

// The faults a user met through the host, each as it shows there: the answer, the file it names,
// the message boxes and the store. One screen for all of them; each row its own account.
class HostOnScreen : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::XvfbSession::Options options;
        options.size = QSize(400, 300);
        screen = new test::XvfbSession(options);
    }
    static void TearDownTestSuite() { delete screen; }
    static inline test::XvfbSession* screen = nullptr;
};

TEST_F(HostOnScreen, SettingsAUserMightLeaveSendTheirCaptureOrSayOnceWhyNot) {
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
            RegistryHive hive(RegistryHive::defaultPath());
            QList<Value> values = row.values;
            values.append({"Options", "Preview", QStringLiteral("0")});
            for (const Value& v : values) {
                const QString key = userKey(email) + (*v.key ? QStringLiteral("\\") : QString()) +
                                    QLatin1String(v.key);
                hive.createKey(RootKey::CurrentUser, key);
                hive.setValue(RootKey::CurrentUser, key, QLatin1String(v.name),
                              RegValue::text(v.text));
            }
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
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
    setOption(email, {}, "Log", QStringLiteral("1"));
    setOption(email, QStringLiteral("Options"), "WarnDelay", QStringLiteral("0"));
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
        LiveHost host(arguments);
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
    EXPECT_EQ(
        hive.queryValue(RootKey::CurrentUser, userKey(email), QStringLiteral("Count"))->asText(),
        QStringLiteral("86400"));
    EXPECT_TRUE(QDir(QDir::temp().filePath(QStringLiteral("Pictavo")))
                    .entryList(QDir::Files | QDir::Hidden)
                    .isEmpty());
}

// Hosts starting at the same moment, before the temporary folder exists, all start.
TEST(HostProgram, HostsStartingTogetherAllMakeOrFindTheTemporaryFolder) {
    constexpr int kRounds = 5;
    constexpr int kHosts = 3;
    for (int round = 0; round < kRounds; ++round) {
        QDir(QDir::temp().filePath(QStringLiteral("Pictavo"))).removeRecursively();
        std::vector<std::unique_ptr<LiveHost>> hosts;
        for (int i = 0; i < kHosts; ++i) {
            hosts.push_back(std::make_unique<LiveHost>(QStringList{}));
        }
        for (auto& host : hosts) {
            EXPECT_EQ(host->finish(), 0)
                << "round " << round << ": " << host->standardError().toStdString();
        }
    }
}

// Two hosts of one account capture at the same moment, each its own screen (one white, one
// black): every capture gets a file of its own, inside the temporary folder even with a
// "FileName" that points out of it, holding that host's picture.
TEST(HostProgram, TwoHostsCapturingTogetherNeverShareAFile) {
    constexpr int kRounds = 20;
    const QString email = QStringLiteral("pair@example.com");
    setOption(email, QStringLiteral("Options"), "Preview", QStringLiteral("0"));
    setOption(email, QStringLiteral("Options"), "FileName", QStringLiteral("../../../../x/y"));
    const struct {
        const char* rootOption;
        QRgb colour;
    } screens[] = {{"-wr", qRgb(255, 255, 255)}, {"-br", qRgb(0, 0, 0)}};
    std::vector<std::unique_ptr<pictavo::test::XvfbSession>> servers;
    std::vector<std::unique_ptr<LiveHost>> hosts;
    for (const auto& screen : screens) {
        servers.push_back(
            std::make_unique<pictavo::test::XvfbSession>(pictavo::test::XvfbSession::Options{
                .size = QSize(64, 48),
                .windowManager = false,
                .serverArguments = {QLatin1String(screen.rootOption)}}));
        ASSERT_TRUE(servers.back()->isRunning()) << servers.back()->error().toStdString();
        QProcessEnvironment display;
        display.insert(QStringLiteral("DISPLAY"),
                       QString::fromLatin1(servers.back()->displayName()));
        display.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        hosts.push_back(
            std::make_unique<LiveHost>(QStringList{QStringLiteral("--email"), email}, display));
        ASSERT_TRUE(hosts.back()->waitUntilLoaded()) << hosts.back()->standardError().toStdString();
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
