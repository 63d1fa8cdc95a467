#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/FileSystem.h"
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
    tc.pv->Uninitialize();
    EXPECT_EQ(tc.pv->MSN(), nullptr);
    EXPECT_EQ(tc.pv->freeImage(), nullptr);
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
    TestComponent tc;
    tc.setScriptsDir(makeScriptsDir(QString()));
    EXPECT_FALSE(tc.pv->Initialize(4, kEmail, &tc));
    ASSERT_EQ(tc.dialogs->messages.size(), 1);
    const MessageBoxRequest& m = tc.dialogs->messages.first();
    EXPECT_EQ(m.prompt, QStringLiteral("libfreeimage.so.3 not found.  Please reinstall."));
    EXPECT_FALSE(m.icon.isNull());
    EXPECT_EQ(tc.pv->MSN(), nullptr);
    EXPECT_FALSE(QFileInfo::exists(tc.pv->TempFolderPath()));
    EXPECT_NO_THROW(tc.pv->Uninitialize());
    EXPECT_EQ(tc.dialogs->messages.size(), 1);
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
                {"not one", "2", false, nullptr},
                {"on, but removed already", "1", true,
                 "Folder Not Deleted: No such file or directory", true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestComponent tc;
        ASSERT_TRUE(tc.initialize(kEmail));
        const QString temp = tc.pv->TempFolderPath();
        // (Read-only files and links in the tree are FileSystem.DeleteFolderTree…'s.)
        QDir().mkpath(temp + QStringLiteral("nested/deeper"));
        tc.pv->settings().setValue(QStringLiteral("Options"), QStringLiteral("Delete"),
                                   QLatin1String(r.value));
        tc.pv->settings().setValue(QString(), QStringLiteral("Log"), QStringLiteral("1"));
        QFile::remove(DiagnosticLog::LogFilePath());
        if (r.goneBefore) {
            ASSERT_TRUE(QDir(temp).removeRecursively());
        }
        EXPECT_NO_THROW(tc.pv->Uninitialize());
        EXPECT_EQ(!QFileInfo::exists(temp), r.deleted);
        EXPECT_EQ(logLines().filter(QStringLiteral("Folder")),
                  r.logged ? QStringList{QLatin1String(r.logged)} : QStringList());
        FileSystem::DeleteFolderTree(temp.chopped(1));
    }
}

// (A store that is no store fails the call too:
// HostProgram.BadArgumentsAndABrokenStoreAreReported.)
TEST(PVLifecycle, BadHostVersionOrStoreFailsTheCall) {
    TestComponent tc;
    EXPECT_THROW(tc.pv->Initialize(40000, kEmail, nullptr), PictavoError);
}
