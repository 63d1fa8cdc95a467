#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QTest>
#include <memory>

#include "PurpleSession.h"
#include "support/HostProcess.h"
#include "support/PixelChecks.h"
#include "support/TestEnvironment.h"
#include "support/XvfbSession.h"

using namespace pictavo;
using namespace Qt::StringLiterals;

namespace {

const QString kSender = u"alice@localhost"_s;
const QString kTo = u"do bob@localhost "_s;

// One XMPP server, one screen and two signed-in accounts for all the tests: alice loads the
// plug-in, and bob, in a process of his own, takes every file offered into `received`.
class PurpleEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The clients, and the hosts they start, keep the folders they were started with; every
        // test points its own settings there again.
        home_ = new test::TestEnvironment;
        for (const char* v : kFolders) {
            homeFolders_.insert(QLatin1String(v), qEnvironmentVariable(v));
        }
        screen_ = new test::XvfbSession({.size = QSize(320, 240)});
        screen_->exportDisplay();
        // For the hosts that the plug-in starts; this process stays offscreen.
        qputenv("QT_QPA_PLATFORM", "xcb");
        // A pattern on the root window, so that a region shows which pixels it holds.
        QProcess::execute(u"xsetroot"_s, {u"-mod"_s, u"7"_s, u"5"_s, u"-fg"_s, u"#20c040"_s,
                                          u"-bg"_s, u"#402080"_s});
        qputenv("PICTAVO_HOST", PICTAVO_BIN_DIR "/pictavo-host");
        server_ = new test::XmppServer({u"alice"_s, u"bob"_s});
        received_ = new QTemporaryDir;
        if (server_->isRunning()) {
            receiver_ = new test::PurpleClient(*server_, u"bob"_s, u"alice"_s, received_->path());
            sender_ = new test::PurpleClient(*server_, u"alice"_s, u"bob"_s);
        }
    }
    static void TearDownTestSuite() {
        delete sender_;
        delete receiver_;
        delete received_;
        delete server_;
        delete screen_;
        delete home_;
    }

    void SetUp() override {
        for (const char* v : kFolders) {
            qputenv(v, homeFolders_.value(QLatin1String(v)).toUtf8());
        }
        ASSERT_TRUE(screen_->isRunning()) << screen_->error().toStdString();
        ASSERT_TRUE(server_->isRunning()) << server_->error().toStdString();
        static bool ready = sender_->next(u"READY"_s) && receiver_->next(u"READY"_s);
        ASSERT_TRUE(ready) << sender_->seen().join(u'|').toStdString();
        test::setUserValue(kSender, "Options", "Preview", u"0"_s);
        sender_->send(u"load "_s + PICTAVO_PURPLE_PLUGIN);
        ASSERT_EQ(sender_->next(u"LOAD"_s), u"ED"_s);
    }
    void TearDown() override {
        sender_->send(u"unload"_s);
        EXPECT_EQ(sender_->next(u"UNLOAD"_s), u"ED"_s);
    }

    // The file bob received next, read once libpurple has written it.
    static QByteArray nextReceived() {
        const auto path = receiver_->next(u"RECV "_s);
        QFile f(path.value_or(QString()));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    // The capture file that the host wrote, by the name the conversation was told.
    static QByteArray sentFile(const QString& announcement) {
        QFile f(QDir::temp().filePath(u"Pictavo/"_s + announcement.section(u' ', -1)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    static constexpr const char* kFolders[] = {
        "HOME",           "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME",
        "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"};
    static inline test::TestEnvironment* home_ = nullptr;
    static inline QHash<QString, QString> homeFolders_;
    static inline test::XvfbSession* screen_ = nullptr;
    static inline test::XmppServer* server_ = nullptr;
    static inline QTemporaryDir* received_ = nullptr;
    static inline test::PurpleClient* receiver_ = nullptr;
    static inline test::PurpleClient* sender_ = nullptr;
};

const QString kSending = u"CONV 4 Pictavo: sending the screenshot"_s;

// A host that dies during a countdown is noticed, and the next command starts a fresh one. The
// whole screen, and then a dragged region, reach the other party byte for byte as the host wrote
// them; the region holds exactly the dragged pixels.
TEST_F(PurpleEndToEnd, CapturesReachTheOtherPartyByteForByteAlsoAfterAHostDied) {
    sender_->send(kTo + u"/xpvfull 10"_s);
    QList<qint64> first;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        first = test::hostChildren(sender_->pid());
        return !first.isEmpty();
    }));
    ASSERT_EQ(first.size(), 1);
    // Killed once its countdown shows.
    ASSERT_TRUE(QTest::qWaitFor([] {
        return !test::xdotool(
                    {u"search"_s, u"--onlyvisible"_s, u"--classname"_s, u"pictavo-host"_s})
                    .isEmpty();
    }));
    ::kill(pid_t(first[0]), SIGKILL);
    EXPECT_EQ(sender_->next(u"CONV 4 "_s),
              u"Pictavo: pictavo-host ended before it answered; nothing was sent."_s);

    sender_->send(kTo + u"/xpvfull"_s);
    const auto full = sender_->next(kSending);
    ASSERT_TRUE(full) << sender_->seen().join(u'|').toStdString();
    const QByteArray fullBytes = nextReceived();
    EXPECT_EQ(fullBytes, sentFile(*full));
    const QImage screen = QImage::fromData(fullBytes);
    ASSERT_EQ(screen.size(), QSize(320, 240));

    const QRect area(40, 30, 101, 77);
    sender_->send(kTo + u"/xpvselect"_s);
    ASSERT_TRUE(test::waitForWindow(u"Pictavo 3"_s));
    test::xdotool({u"mousemove"_s, u"40"_s, u"30"_s, u"mousedown"_s, u"1"_s, u"mousemove"_s,
                   u"90"_s, u"70"_s, u"mousemove"_s, u"141"_s, u"107"_s, u"mouseup"_s, u"1"_s});
    const auto region = sender_->next(kSending);
    ASSERT_TRUE(region) << sender_->seen().join(u'|').toStdString();
    const QByteArray regionBytes = nextReceived();
    EXPECT_EQ(regionBytes, sentFile(*region));
    EXPECT_EQ(test::differingPixels(QImage::fromData(regionBytes), screen.copy(area)), 0);
}

// "/help xpvfull" and the nine others show their help texts. What the conversation shows when
// nothing goes to the other party: a cancelled selection, a group chat (no capture is taken, no
// host started), a second command while a preview is open (whose host ends with the plug-in), a
// transfer that the other party refuses, and a contact XMPP cannot send to.
TEST_F(PurpleEndToEnd, TheConversationShowsTheHelpAndSaysWhyNothingWasSent) {
    for (const char* name : {"xpvactive", "xpvfull", "xpvselect", "xpvasave", "xpvfsave",
                             "xpvssave", "xpvdir", "xpvsend", "xpvsave", "xpvoptions"}) {
        sender_->send(u"help "_s + QLatin1String(name));
        const auto help = sender_->next(u"HELP "_s);
        EXPECT_TRUE(help && help->startsWith(QLatin1String(name)) && help->contains(u":  "_s))
            << name << ": " << help.value_or(u"<none>"_s).toStdString();
        EXPECT_EQ(sender_->next(u"HELP-END"_s), QString());
    }

    sender_->send(kTo + u"/xpvselect"_s);
    ASSERT_TRUE(test::waitForWindow(u"Pictavo 3"_s));
    test::xdotool({u"key"_s, u"Escape"_s});
    EXPECT_EQ(sender_->next(u"CONV 4 "_s), u"Pictavo: nothing was sent."_s);

    sender_->send(u"unload"_s);
    EXPECT_EQ(sender_->next(u"UNLOAD"_s), u"ED"_s);
    sender_->send(u"load "_s + PICTAVO_PURPLE_PLUGIN);
    ASSERT_EQ(sender_->next(u"LOAD"_s), u"ED"_s);
    sender_->send(u"chat /xpvfull"_s);
    EXPECT_EQ(sender_->next(u"CONV 4 "_s),
              u"Pictavo: a screenshot cannot be sent into a group chat, so none was taken."_s);
    EXPECT_TRUE(test::hostChildren(sender_->pid()).isEmpty());

    test::setUserValue(kSender, "Options", "Preview", u"1"_s);
    sender_->send(kTo + u"/xpvfull"_s);
    ASSERT_TRUE(test::waitForWindow(u"Pictavo 3"_s));
    sender_->send(kTo + u"/xpvactive"_s);
    EXPECT_EQ(sender_->next(u"CONV 4 "_s),
              u"Pictavo: the previous command of this account is still running (a Pictavo "
              "window may be open); finish it first."_s);
    // Unloading the plug-in while the preview is open ends its host: no process is left.
    const QList<qint64> hosts = test::hostChildren(sender_->pid());
    ASSERT_EQ(hosts.size(), 1);
    sender_->send(u"unload"_s);
    EXPECT_EQ(sender_->next(u"UNLOAD"_s), u"ED"_s);
    EXPECT_FALSE(QFile::exists(u"/proc/%1"_s.arg(hosts[0])));
    sender_->send(u"load "_s + PICTAVO_PURPLE_PLUGIN);
    ASSERT_EQ(sender_->next(u"LOAD"_s), u"ED"_s);

    test::setUserValue(kSender, "Options", "Preview", u"0"_s);
    receiver_->send(u"refuse"_s);
    sender_->send(kTo + u"/xpvfull"_s);
    const auto offered = sender_->next(kSending);
    ASSERT_TRUE(offered);
    EXPECT_EQ(sender_->next(u"CONV 4 Pictavo: the screenshot "_s),
              offered->section(u' ', -1) + u" was refused or not received."_s);
    receiver_->send(u"accept"_s);

    // XMPP would refuse, silently, a contact who shares no presence with alice.
    sender_->send(u"do carol@localhost /xpvfull"_s);
    const auto kept = sender_->next(u"CONV 4 Pictavo: XMPP sends files only"_s);
    ASSERT_TRUE(kept) << sender_->seen().join(u'|').toStdString();
    EXPECT_TRUE(QFile::exists(kept->section(u' ', -1))) << kept->toStdString();
}

}  // namespace
