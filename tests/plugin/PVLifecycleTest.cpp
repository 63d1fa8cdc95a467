#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/FileSystem.h"
#include "platform/PictavoError.h"
#include "platform/RegistryHive.h"
#include "settings/DiagnosticLog.h"
#include "support/LogLines.h"
#include "support/TestComponent.h"

using namespace pictavo;
using namespace Qt::StringLiterals;
using pictavo::test::logLines;
using pictavo::test::TestComponent;

namespace {

const QString kScripts = QStringLiteral(PICTAVO_SCRIPTS_DIR);
const QString kEmail = u"user@example.com"_s;

}  // namespace

// The library is looked for in the plug-in folder in any letter case (a trailing separator of
// the scripts folder is not doubled); without a scripts folder setting, at the root. Without the
// library the plug-in refuses to start, says why once, and still closes cleanly. Closed, it
// holds nothing of the host's. A host version out of range fails the call.
TEST(PVLifecycle, TheLibraryIsFoundWhateverItsLetterCaseOrNothingStarts) {
    EXPECT_THROW(TestComponent().pv->Initialize(40000, kEmail, nullptr), PictavoError);
    // A plug-in folder of the test's own, holding the library under another name.
    const QString scripts = QDir::temp().filePath(u"scripts"_s);
    QDir().mkpath(scripts + u"/Pictavo Live"_s);
    QFile::copy(QStringLiteral(PICTAVO_PLUGIN_DIR "/libfreeimage.so.3"),
                scripts + u"/Pictavo Live/LibFreeImage.SO.3"_s);
    const struct {
        const char* name;
        QString scriptsDir;  // none: not set
        QString library;
    } rows[] = {
        {"no scripts folder setting", {}, u"/Pictavo Live/libfreeimage.so.3"_s},
        {"another letter case", scripts, scripts + u"/Pictavo Live/LibFreeImage.SO.3"_s},
        {"trailing separator", kScripts + u'/', kScripts + u"/Pictavo Live/libfreeimage.so.3"_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const bool found = !r.scriptsDir.isEmpty();
        TestComponent tc;
        if (found) {
            tc.setScriptsDir(r.scriptsDir);
        }
        int messenger = 0;
        EXPECT_EQ(tc.pv->Initialize(4, kEmail, &messenger), found);
        EXPECT_EQ(tc.pv->pluginPath(), r.library);
        EXPECT_EQ(tc.pv->MSN(), found ? &messenger : nullptr);
        EXPECT_EQ(QFileInfo::exists(tc.pv->TempFolderPath()), found);
        EXPECT_NO_THROW(tc.pv->Uninitialize());
        EXPECT_EQ(tc.pv->MSN(), nullptr);
        EXPECT_EQ(tc.pv->freeImage(), nullptr);
        EXPECT_EQ(tc.dialogs->prompts(),
                  found ? QStringList()
                        : QStringList{u"libfreeimage.so.3 not found.  Please reinstall."_s});
        EXPECT_TRUE(found || !tc.dialogs->messages.first().icon.isNull());
    }
}

// Each operation says it once; none touches the store or the temporary folder.
TEST(PVLifecycle, AnAddressThatNamesNoKeyIsRefusedWithOneMessagePerOperation) {
    const std::pair<QString, QString> rows[] = {
        {QString(), u"No signed-in account: the e-mail address is empty."_s},
        {u"alice@x\\Options"_s, QStringLiteral("The e-mail address \"alice@x\\Options\" "
                                               "cannot name a settings key: it holds a "
                                               "backslash.")},
        {u"u@x\n"_s,
         u"The e-mail address \"u@x\n\" cannot name a settings key: it holds a "
         "control character."_s},
    };
    for (const auto& [email, message] : rows) {
        SCOPED_TRACE(message.toStdString());
        TestComponent tc;
        EXPECT_FALSE(tc.initialize(email));
        EXPECT_EQ(tc.pv->freeImage(), nullptr);
        EXPECT_EQ(tc.command(u"/xpvfull"_s), QString());
        EXPECT_EQ(tc.command(u"/xpvoptions"_s), u"True"_s);
        EXPECT_EQ(tc.command(u"/nope"_s), u"False"_s);
        tc.pv->Configure();
        tc.pv->Uninitialize();
        EXPECT_EQ(tc.dialogs->prompts(), (QStringList(4, message)));
        RegistryHive hive(RegistryHive::defaultPath());
        EXPECT_FALSE(hive.keyExists(RootKey::CurrentUser, u"SOFTWARE\\Quorrel"_s));
        EXPECT_FALSE(QFileInfo::exists(tc.pv->TempFolderPath()));
        EXPECT_EQ(tc.screen->grabs(), 0);
    }
}

TEST(PVLifecycle, DeleteSettingDecidesWhetherTheTemporaryFolderGoesAndTheLogSaysIfItWent) {
    const struct {
        const char* name;
        const char* value;
        const char* logged;  // the log's line about the folder, when it is deleted
        bool goneBefore = false;
    } rows[] = {
        {"on", "1", "Folder Deleted"},
        {"not one", "2", nullptr},
        {"on, but removed already", "1", "Folder Not Deleted: No such file or directory", true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestComponent tc;
        ASSERT_TRUE(tc.initialize(kEmail));
        const QString temp = tc.pv->TempFolderPath();
        // (Read-only files and links in the tree are FileSystem.DeleteFolderTree…'s.)
        QDir().mkpath(temp + u"nested/deeper"_s);
        tc.set("Options", "Delete", QLatin1String(r.value));
        tc.set("", "Log", u"1"_s);
        QFile::remove(DiagnosticLog::LogFilePath());
        if (r.goneBefore) {
            ASSERT_TRUE(QDir(temp).removeRecursively());
        }
        EXPECT_NO_THROW(tc.pv->Uninitialize());
        EXPECT_EQ(!QFileInfo::exists(temp), r.logged != nullptr);
        EXPECT_EQ(logLines().filter(u"Folder"_s),
                  r.logged ? QStringList{QLatin1String(r.logged)} : QStringList());
        FileSystem::DeleteFolderTree(temp.chopped(1));
    }
}
