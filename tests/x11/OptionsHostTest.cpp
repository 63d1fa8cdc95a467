#include <gtest/gtest.h>

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include "platform/RegistryHive.h"
#include "support/HostProcess.h"

// The options window and the choosers as a user meets them: pictavo-host reads commands from
// its standard input, the keys come from xdotool, and the settings are read back from the store.

using namespace pictavo;

namespace {

const QString kEmail = QStringLiteral("options@example.com");
const QString kOptionsTitle = QStringLiteral("Pictavo Options");
const QString kChooserTitle = QStringLiteral("Pictavo 3");

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

// Types `line` to `host`, waits for the window titled `title` and presses `keys` in it.
void type(test::HostProcess& host, const QByteArray& line, const QStringList& keys,
          const QString& title = kOptionsTitle) {
    host.send(line);
    ASSERT_TRUE(test::waitForWindow(title)) << "no window " << title.toStdString();
    test::xdotool(QStringList{QStringLiteral("key")} + keys);
}

QString options(test::HostProcess& host, const QStringList& keys) {
    type(host, "/xpvoptions", keys);
    return host.answer().value_or(QStringLiteral("<none>"));
}

}  // namespace

// The command and the host's own /configure show the window modally: the answer follows its
// closing.
TEST(OptionsHost, EnterSavesWhatWasChangedEscapeNothingAndAnUntouchedSaveChangesNothing) {
    RegistryHive hive(RegistryHive::defaultPath());
    const QString key = test::userKeyPath(kEmail);
    test::setUserValue(kEmail, "", "sResult", QStringLiteral("stale"));
    test::HostProcess host({QStringLiteral("--email"), kEmail});
    type(host, "/configure",
         {QStringLiteral("Tab"), QStringLiteral("space"),
          QStringLiteral("Escape")});  // no answer: the host's own command
    ASSERT_TRUE(test::waitForWindow(kOptionsTitle, false));
    // The tab strip has the focus; Tab reaches "Preview Screenshots before sending".
    EXPECT_EQ(
        options(host, {QStringLiteral("Tab"), QStringLiteral("space"), QStringLiteral("Escape")}),
        QStringLiteral("True"));
    const QStringList before = dump(hive, key);
    ASSERT_TRUE(before.contains(key + QStringLiteral("\\Options\\Preview=1")));
    EXPECT_TRUE(before.contains(key + QStringLiteral("\\sResult=")));  // the command resets it
    EXPECT_EQ(options(host, {QStringLiteral("Return")}), QStringLiteral("True"));
    EXPECT_EQ(dump(hive, key), before);

    EXPECT_EQ(
        options(host, {QStringLiteral("Tab"), QStringLiteral("space"), QStringLiteral("Return")}),
        QStringLiteral("True"));
    QStringList expected = before;
    expected.replaceInStrings(QStringLiteral("\\Options\\Preview=1"),
                              QStringLiteral("\\Options\\Preview=0"));
    EXPECT_EQ(dump(hive, key), expected);
}

TEST(OptionsHost, ChoosersAnswerTheFullScreenByItsAccessKeyAndNothingForACancelledSave) {
    test::HostProcess host({QStringLiteral("--email"), kEmail});
    // The account's tree exists once the host has started; without a preview the full screen
    // is sent at once.
    ASSERT_EQ(options(host, {QStringLiteral("Escape")}), QStringLiteral("True"));
    test::setUserValue(kEmail, "Options", "Preview", QStringLiteral("0"));

    type(host, "/xpvsend", {QStringLiteral("alt+f")}, kChooserTitle);
    const QString path = host.answer().value_or(QString());
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
    EXPECT_EQ(QImage(path).size(), QGuiApplication::primaryScreen()->virtualGeometry().size());

    type(host, "/xpvsave", {QStringLiteral("alt+n")}, kChooserTitle);
    EXPECT_EQ(host.answer(), QString());
    EXPECT_TRUE(test::waitForWindow(kChooserTitle, false));
}
