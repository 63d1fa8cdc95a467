#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "platform/FileSystem.h"
#include "platform/LocaleFormat.h"
#include "platform/PictavoError.h"
#include "platform/RegistryHive.h"
#include "settings/DiagnosticLog.h"
#include "settings/Settings.h"
#include "support/LogLines.h"
#include "support/TestComponent.h"

using namespace pictavo;
using pictavo::test::logLines;
using pictavo::test::TestComponent;

namespace {

const QString kScripts = QStringLiteral(PICTAVO_SCRIPTS_DIR);
const QString kEmail = QStringLiteral("user@example.com");

// A first start (creating the settings), then logging switched on for the rest of the test.
void prepareLoggedAccount() {
    TestComponent first;
    ASSERT_TRUE(first.initialize(kEmail));
    first.pv->settings().setValue(QString(), QStringLiteral("Log"), QStringLiteral("1"));
    first.pv->Uninitialize();
    QFile::remove(DiagnosticLog::LogFilePath());
    FileSystem::DeleteFolderTree(first.pv->TempFolderPath().chopped(1));
}

// A plug-in folder of the test's own holding the library under `libraryName` (none if empty).
QString makeScriptsDir(const QString& libraryName) {
    const QString scripts = QDir::temp().filePath(QStringLiteral("scripts"));
    QDir().mkpath(scripts + QStringLiteral("/Pictavo Live"));
    if (!libraryName.isEmpty()) {
        QFile::copy(QStringLiteral(PICTAVO_PLUGIN_DIR "/libfreeimage.so.3"),
                    scripts + QStringLiteral("/Pictavo Live/") + libraryName);
    }
    return scripts;
}

}  // namespace

TEST(PVLifecycle, InitializeAndUninitializeLogEveryStepInOrder) {
    prepareLoggedAccount();
    TestComponent tc;
    ASSERT_TRUE(tc.initialize(kEmail, 4));
    ASSERT_NE(tc.pv->freeImage(), nullptr);
    const QString started = LocaleFormat::generalDate(tc.clock->now());
    tc.pv->Uninitialize();
    const QString folder = kScripts + QStringLiteral("/Pictavo Live");
    const QStringList expected =
        QStringLiteral(
            "--------------------------------||----------Initialize----------|Started at %1|"
            "nVersion: 4|sUserEmail: %2|checkRegistry: 0 Keys and 0 Values|readRegistry|Reg set|"
            "Plugins: %3|PV Folder: %4/Screenshots|FI: %4/libfreeimage.so.3|"
            "Dir: libfreeimage.so.3|MSN set|FreeImage: <handle>|Folder Created|"
            "Initialize Complete|----------|----------End Initialize----------|"
            "----------Uninitialize----------|readRegistry|MSN unset|FreeImage Unloaded|s unset|"
            "Unitialized at %1|----------End Uninitialize----------|"
            "--------------------------------|")
            .arg(started, kEmail, kScripts, folder)
            .split(QLatin1Char('|'));
    QStringList lines = logLines();
    ASSERT_EQ(lines.size(), expected.size()) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^FreeImage: [1-9][0-9]*$")).match(lines[14]).hasMatch());
    lines[14] = QStringLiteral("FreeImage: <handle>");
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(tc.pv->MSN(), nullptr);
    EXPECT_EQ(tc.pv->freeImage(), nullptr);
}

TEST(PVLifecycle, FirstStartCreatesTheSettingsAndAPrivateTemporaryFolder) {
    TestComponent tc;
    int messenger = 0;
    tc.setScriptsDir(kScripts + QLatin1Char('/'));  // a trailing separator is not doubled
    ASSERT_TRUE(tc.pv->Initialize(3, kEmail, &messenger));
    EXPECT_EQ(tc.pv->MSN(), &messenger);
    EXPECT_EQ(tc.pv->pluginPath(), kScripts + QStringLiteral("/Pictavo Live/libfreeimage.so.3"));
    EXPECT_EQ(tc.pv->optionsForm().ScreenshotsFolder,
              kScripts + QStringLiteral("/Pictavo Live/Screenshots"));
    EXPECT_EQ(tc.pv->TempFolderPath(),
              qEnvironmentVariable("TMPDIR") + QStringLiteral("/Pictavo/"));
    EXPECT_TRUE(QFileInfo(tc.pv->TempFolderPath()).isDir());  // private: PrivateFolder's tests
    EXPECT_EQ(tc.get("Options", "FileType"), QStringLiteral("png"));
    EXPECT_TRUE(tc.dialogs->messages.isEmpty());
    // The name and command count it publishes show in the host's report of what it loaded
    // (HostProgram.AConversationCreatesTheSettingsAnswersEachLineAndEndsCleanly).
}

// The library is looked for in the plug-in folder in any letter case; without a scripts folder
// setting, at the root.
TEST(PVLifecycle, TheLibraryIsFoundWhateverItsLetterCase) {
    for (const char* name : {static_cast<const char*>(nullptr), "LibFreeImage.SO.3"}) {
        TestComponent tc;
        if (name) {
            tc.setScriptsDir(makeScriptsDir(QLatin1String(name)));
        }
        EXPECT_EQ(tc.pv->Initialize(4, kEmail, nullptr), name != nullptr);
        EXPECT_EQ(tc.pv->pluginPath(),
                  name ? QDir::temp().filePath(QStringLiteral("scripts/Pictavo Live/")) + name
                       : QStringLiteral("/Pictavo Live/libfreeimage.so.3"));
    }
}

TEST(PVLifecycle, WithoutTheLibraryItRefusesToStartAndStillClosesCleanly) {
    prepareLoggedAccount();
    TestComponent tc;
    tc.setScriptsDir(makeScriptsDir(QString()));
    EXPECT_FALSE(tc.pv->Initialize(4, kEmail, &tc));
    ASSERT_EQ(tc.dialogs->messages.size(), 1);
    const MessageBoxRequest& m = tc.dialogs->messages.first();
    EXPECT_EQ(m.prompt, QStringLiteral("libfreeimage.so.3 not found.  Please reinstall."));
    EXPECT_FALSE(m.icon.isNull());
    EXPECT_EQ(tc.pv->MSN(), nullptr);
    EXPECT_FALSE(QFileInfo::exists(tc.pv->TempFolderPath()));
    tc.pv->Uninitialize();
    const QStringList lines = logLines();
    const qsizetype dir = lines.indexOf(QStringLiteral("Dir: "));
    ASSERT_GE(dir, 0);
    EXPECT_EQ(
        lines.mid(dir + 1, 3),
        (QStringList{QStringLiteral("FreeImage not found"), QStringLiteral("Initialize = False"),
                     QStringLiteral("----------End Initialize----------")}));
    EXPECT_TRUE(lines.contains(QStringLiteral("FreeImage Unloaded")));
    EXPECT_EQ(lines.last(), QString());
}

// Each operation says it once; none touches the store or the temporary folder.
TEST(PVLifecycle, AnAddressThatNamesNoKeyIsRefusedWithOneMessagePerOperation) {
    const std::pair<QString, QString> rows[] = {
        {QString(), QStringLiteral("No signed-in account: the e-mail address is empty.")},
        {QStringLiteral("u@x\\"), QStringLiteral("The e-mail address \"u@x\\\" cannot name a "
                                                 "settings key: it ends with a backslash.")},
    };
    for (const auto& [email, message] : rows) {
        SCOPED_TRACE(message.toStdString());
        TestComponent tc;
        EXPECT_FALSE(tc.initialize(email));
        EXPECT_EQ(tc.pv->freeImage(), nullptr);
        EXPECT_EQ(tc.command(QStringLiteral("/xpvfull")), QString());
        EXPECT_EQ(tc.command(QStringLiteral("/xpvoptions")), QStringLiteral("True"));
        EXPECT_EQ(tc.command(QStringLiteral("/nope")), QStringLiteral("False"));
        tc.pv->Configure();
        tc.pv->Uninitialize();
        EXPECT_EQ(tc.dialogs->prompts(), (QStringList(4, message)));
        RegistryHive hive(RegistryHive::defaultPath());
        EXPECT_FALSE(hive.keyExists(RootKey::CurrentUser, QStringLiteral("SOFTWARE\\Quorrel")));
        EXPECT_FALSE(QFileInfo::exists(tc.pv->TempFolderPath()));
        EXPECT_EQ(tc.screen->grabs(), 0);
    }
}

TEST(PVLifecycle, ATemporaryFolderThatIsNotOursIsRefused) {
    const QString temp = qEnvironmentVariable("TMPDIR") + QStringLiteral("/Pictavo");
    const QString elsewhere = QDir::temp().filePath(QStringLiteral("elsewhere"));
    QDir().mkpath(elsewhere);
    ASSERT_EQ(symlink(QFile::encodeName(elsewhere), QFile::encodeName(temp)), 0);
    TestComponent tc;
    EXPECT_FALSE(tc.initialize(kEmail));
    ASSERT_EQ(tc.dialogs->messages.size(), 1);
    EXPECT_TRUE(tc.dialogs->messages.first().prompt.contains(temp + QLatin1Char('/')));
    EXPECT_EQ(tc.pv->freeImage(), nullptr);
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
}

TEST(PVLifecycle, DeleteSettingDecidesWhetherTheTemporaryFolderGoesAndTheLogSaysIfItWent) {
    const struct {
        const char* name;
        const char* value;
        bool deleted;
        const char* logged;  // the log's line about the folder, if any
        bool goneBefore = false;
    } rows[] = {{"on", "1", true, "Folder Deleted"},
                {"off", "0", false, nullptr},
                {"not a number", "yes", false, nullptr},
                {"two", "2", false, nullptr},
                {"on, but removed already", "1", true,
                 "Folder Not Deleted: No such file or directory", true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestComponent tc;
        ASSERT_TRUE(tc.initialize(kEmail));
        const QString temp = tc.pv->TempFolderPath();
        const QString outside = QDir::temp().filePath(QStringLiteral("keep.txt"));
        {
            QFile f(outside);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("precious");
        }
        QDir().mkpath(temp + QStringLiteral("nested/deeper"));
        QFile ro(temp + QStringLiteral("nested/capture.png"));
        ASSERT_TRUE(ro.open(QIODevice::WriteOnly));
        ro.close();
        ro.setPermissions(QFile::ReadOwner);
        QFile::link(outside, temp + QStringLiteral("link.txt"));
        tc.pv->settings().setValue(QStringLiteral("Options"), QStringLiteral("Delete"),
                                   QLatin1String(r.value));
        tc.pv->settings().setValue(QString(), QStringLiteral("Log"), QStringLiteral("1"));
        QFile::remove(DiagnosticLog::LogFilePath());
        if (r.goneBefore) {
            ASSERT_TRUE(QDir(temp).removeRecursively());
        }
        EXPECT_NO_THROW(tc.pv->Uninitialize());
        EXPECT_EQ(!QFileInfo::exists(temp), r.deleted);
        EXPECT_TRUE(QFileInfo::exists(outside));
        EXPECT_EQ(logLines().filter(QStringLiteral("Folder")),
                  r.logged ? QStringList{QLatin1String(r.logged)} : QStringList());
        FileSystem::DeleteFolderTree(temp.chopped(1));
    }
}

TEST(PVLifecycle, BadHostVersionOrStoreFailsTheCall) {
    TestComponent tc;
    EXPECT_THROW(tc.pv->Initialize(40000, kEmail, nullptr), PictavoError);

    QDir().mkpath(QFileInfo(RegistryHive::defaultPath()).absolutePath());
    QFile f(RegistryHive::defaultPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is not a database, and it must survive\n");
    f.close();
    TestComponent other;
    try {
        other.pv->Initialize(4, kEmail, nullptr);
        FAIL() << "Initialize accepted a file that is not a settings store";
    } catch (const PictavoError& e) {
        EXPECT_TRUE(e.message().contains(RegistryHive::defaultPath()));
    }
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("this is not a database, and it must survive\n"));
}
