#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <functional>
#include <memory>

#include "output/OverlayStamp.h"
#include "output/OverlayTags.h"
#include "platform/RegistryHive.h"
#include "settings/DiagnosticLog.h"
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

TEST(HostProgram, RegistryToolWritesLoseNothingWhileTheHostStartsAndStops) {
    constexpr int kValues = 80;
    QProcess writer;
    writer.setProgram(QStringLiteral("bash"));
    writer.setArguments(
        {QStringLiteral("-c"),
         QStringLiteral(
             "for i in $(seq 1 %1); do \"%2\" add 'HKCU\\Software\\Race' /v v$i /d $i /f "
             ">/dev/null || exit 1; done")
             .arg(kValues)
             .arg(QStringLiteral(PICTAVO_BIN_DIR "/pictavo-reg"))});
    writer.start();
    ASSERT_TRUE(writer.waitForStarted(10000));
    int starts = 0;
    while (writer.state() != QProcess::NotRunning || starts < 3) {
        const HostRun r =
            runHost({}, {QStringLiteral("--email"), QStringLiteral("race@example.com")});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        ++starts;
        QCoreApplication::processEvents();
    }
    writer.waitForFinished(120000);
    ASSERT_EQ(writer.state(), QProcess::NotRunning);
    EXPECT_EQ(writer.exitCode(), 0);
    const QString errors = QString::fromUtf8(writer.readAllStandardError());
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    RegistryHive hive(RegistryHive::defaultPath());
    const auto values = hive.values(RootKey::CurrentUser, QStringLiteral("Software\\Race"));
    ASSERT_TRUE(values);
    EXPECT_EQ(int(values->size()), kValues);
    EXPECT_GE(starts, 3);
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
    const QFont font = overlayFont(QStringLiteral("Verdana"), 9, true, false, false, false);
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
