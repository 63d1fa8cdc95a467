#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include "platform/RegistryHive.h"

// The options window as a user meets it: pictavo-host reads commands from its standard input,
// the keys come from xdotool, and the settings are read back from the store.

using namespace pictavo;

namespace {

const QString kEmail = QStringLiteral("options@example.com");

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
    // Types `line`, waits for the options window and presses `keys` in it.
    void type(const QByteArray& line, const QStringList& keys) {
        process_.write(line + '\n');
        process_.waitForBytesWritten(5000);
        ASSERT_TRUE(windowShown(true)) << "no options window";
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
    static bool windowShown(bool shown) {
        const QDeadlineTimer deadline(20000);
        while ((QProcess::execute(QStringLiteral("xdotool"),
                                  {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                   QStringLiteral("--name"),
                                   QStringLiteral("^Pictavo Options$")}) == 0) != shown) {
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
