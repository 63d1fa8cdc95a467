#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QThread>

#include "platform/RegistryHive.h"

// The options window and the choosers as a user meets them: pictavo-host reads commands from
// its standard input, the keys come from xdotool, and the settings are read back from the store.

using namespace pictavo;

namespace {

const QString kEmail = QStringLiteral("options@example.com");
const QString kOptionsTitle = QStringLiteral("^Pictavo Options$");
const QString kChooserTitle = QStringLiteral("^Pictavo 3$");

// Every value under `key` and its sub-keys, as "key\name=text".
QStringList dump(RegistryHive& hive, const QString& key) {
    QStringList all;
    for (const NamedRegValue& v :
         hive.values(RootKey::CurrentUser, key).value_or(std::vector<NamedRegValue>{})) {
        all << key + QLatin1Char('\\') + v.name + QLatin1Char('=') + v.value.asText();
    }
    for (const QString& sub : hive.subKeys(RootKey::CurrentUser, key).value_or(QStringList())) {
        all << dump(hive, key + QLatin1Char('\\') + sub);
    }
    return all;
}

class Host {
public:
    Host() {
        process_.start(QStringLiteral(PICTAVO_BIN_DIR "/pictavo-host"),
                       {QStringLiteral("--email"), kEmail});
        EXPECT_TRUE(process_.waitForStarted(10000));
    }
    ~Host() {
        process_.write("/quit\n");
        process_.closeWriteChannel();
        if (!process_.waitForFinished(20000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    // Types `line`, waits for the window titled `title` and presses `keys` in it.
    void type(const QByteArray& line, const QStringList& keys,
              const QString& title = kOptionsTitle) {
        process_.write(line + '\n');
        process_.waitForBytesWritten(5000);
        ASSERT_TRUE(windowShown(true, title)) << "no window " << title.toStdString();
        QThread::msleep(300);  // mapped and focused
        QProcess::execute(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys);
    }
    QString answer() {
        while (!process_.canReadLine() && process_.waitForReadyRead(20000)) {
        }
        return QString::fromUtf8(process_.readLine()).trimmed();
    }
    QString options(const QStringList& keys) {
        type("/xpvoptions", keys);
        return answer();
    }
    static bool windowShown(bool shown, const QString& title = kOptionsTitle) {
        const QDeadlineTimer deadline(20000);
        while ((QProcess::execute(QStringLiteral("xdotool"),
                                  {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                   QStringLiteral("--name"), title}) == 0) != shown) {
            if (deadline.hasExpired()) {
                return false;
            }
            QThread::msleep(50);
        }
        return true;
    }

private:
    QProcess process_;
};

}  // namespace

TEST(OptionsHost, EnterSavesWhatWasChangedEscapeNothingAndAnUntouchedSaveChangesNothing) {
    RegistryHive hive(RegistryHive::defaultPath());
    const QString key = QStringLiteral("SOFTWARE\\Quorrel\\Pictavo\\") + kEmail;
    Host host;
    host.type("/configure", {QStringLiteral("Tab"), QStringLiteral("space"),
                             QStringLiteral("Escape")});  // no answer: the host's own command
    ASSERT_TRUE(Host::windowShown(false));
    // The tab strip has the focus; Tab reaches "Preview Screenshots before sending".
    EXPECT_EQ(
        host.options({QStringLiteral("Tab"), QStringLiteral("space"), QStringLiteral("Escape")}),
        QStringLiteral("True"));
    const QStringList before = dump(hive, key);
    ASSERT_TRUE(before.contains(key + QStringLiteral("\\Options\\Preview=1")));
    EXPECT_EQ(host.options({QStringLiteral("Return")}), QStringLiteral("True"));
    EXPECT_EQ(dump(hive, key), before);

    EXPECT_EQ(
        host.options({QStringLiteral("Tab"), QStringLiteral("space"), QStringLiteral("Return")}),
        QStringLiteral("True"));
    QStringList expected = before;
    expected.replaceInStrings(QStringLiteral("\\Options\\Preview=1"),
                              QStringLiteral("\\Options\\Preview=0"));
    EXPECT_EQ(dump(hive, key), expected);
}

TEST(OptionsHost, ChoosersAnswerTheFullScreenByItsAccessKeyAndNothingForACancelledSave) {
    RegistryHive hive(RegistryHive::defaultPath());
    Host host;
    // The account's tree exists once the host has started; without a preview the full screen
    // is sent at once.
    ASSERT_EQ(host.options({QStringLiteral("Escape")}), QStringLiteral("True"));
    const QString options =
        QStringLiteral("SOFTWARE\\Quorrel\\Pictavo\\") + kEmail + QStringLiteral("\\Options");
    ASSERT_EQ(hive.setValue(RootKey::CurrentUser, options, QStringLiteral("Preview"),
                            RegValue::text(QStringLiteral("0"))),
              0);

    host.type("/xpvsend", {QStringLiteral("alt+f")}, kChooserTitle);
    const QString path = host.answer();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
    const QImage sent(path);
    EXPECT_FALSE(sent.isNull());
    EXPECT_EQ(sent.size(), QGuiApplication::primaryScreen()->virtualGeometry().size());

    host.type("/xpvsave", {QStringLiteral("alt+n")}, kChooserTitle);
    EXPECT_EQ(host.answer(), QString());
    EXPECT_TRUE(Host::windowShown(false, kChooserTitle));
}
