#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/PictavoError.h"
#include "platform/RegistryHive.h"
#include "support/TestComponent.h"

using namespace pictavo;
using namespace Qt::StringLiterals;
using pictavo::test::TestComponent;

// The library is looked for in the plug-in folder in any letter case (a trailing separator of
// the scripts folder is not doubled); without a scripts folder setting, at the root. Without the
// library the plug-in refuses to start, says why once, and still closes cleanly. Closed, it
// holds nothing of the host's. A host version out of range fails the call.
TEST(PVLifecycle, TheLibraryIsFoundWhateverItsLetterCaseOrNothingStarts) {
    EXPECT_THROW(TestComponent().pv->Initialize(40000, u"user@example.com"_s, nullptr),
                 PictavoError);
    // A plug-in folder of the test's own, holding the library under another name.
    const QString scripts = QDir::temp().filePath(u"scripts"_s);
    QDir().mkpath(scripts + u"/Pictavo Live"_s);
    QFile::copy(QStringLiteral(PICTAVO_PLUGIN_DIR "/libfreeimage.so.3"),
                scripts + u"/Pictavo Live/LibFreeImage.SO.3"_s);
    // The scripts folder setting (none: not set) and the library path found.
    const std::pair<QString, QString> rows[] = {
        {{}, u"/Pictavo Live/libfreeimage.so.3"_s},
        {scripts, scripts + u"/Pictavo Live/LibFreeImage.SO.3"_s},
        {QStringLiteral(PICTAVO_SCRIPTS_DIR "/"),
         QStringLiteral(PICTAVO_SCRIPTS_DIR "/Pictavo Live/libfreeimage.so.3")},
    };
    for (const auto& [scriptsDir, library] : rows) {
        SCOPED_TRACE(library.toStdString());
        const bool found = !scriptsDir.isEmpty();
        TestComponent tc;
        if (found) {
            tc.setScriptsDir(scriptsDir);
        }
        int messenger = 0;
        EXPECT_EQ(tc.pv->Initialize(4, u"user@example.com"_s, &messenger), found);
        EXPECT_EQ(tc.pv->pluginPath(), library);
        EXPECT_EQ(QFileInfo::exists(tc.pv->TempFolderPath()), found);
        EXPECT_NO_THROW(tc.pv->Uninitialize());
        EXPECT_EQ(tc.pv->MSN(), nullptr);
        EXPECT_EQ(tc.pv->freeImage(), nullptr);
        EXPECT_EQ(tc.dialogs->prompts(),
                  found ? QStringList()
                        : QStringList{u"libfreeimage.so.3 not found.  Please reinstall."_s});
    }
}

// Each operation says it once; none touches the store or the temporary folder. (An empty
// address, refused the same way, is HostOnScreen.SettingsAUserMightLeave…'s.)
TEST(PVLifecycle, AnAddressThatNamesNoKeyIsRefusedWithOneMessagePerOperation) {
    for (const auto& [email, reason] :
         {std::pair{u"alice@x\\Options"_s, "a backslash"}, {u"u@x\n"_s, "a control character"}}) {
        const QString message =
            u"The e-mail address \"%1\" cannot name a settings key: it holds %2."_s.arg(
                email, QLatin1String(reason));
        SCOPED_TRACE(reason);
        TestComponent tc;
        EXPECT_FALSE(tc.initialize(email));
        EXPECT_EQ(tc.command(u"/xpvfull"_s), QString());
        EXPECT_EQ(tc.command(u"/xpvoptions"_s), u"True"_s);
        EXPECT_EQ(tc.command(u"/nope"_s), u"False"_s);
        tc.pv->Configure();
        tc.pv->Uninitialize();
        EXPECT_EQ(tc.dialogs->prompts(), (QStringList(4, message)));
        EXPECT_FALSE(RegistryHive(RegistryHive::defaultPath())
                         .keyExists(RootKey::CurrentUser, u"SOFTWARE\\Quorrel"_s));
        EXPECT_FALSE(QFileInfo::exists(tc.pv->TempFolderPath()));
        EXPECT_EQ(tc.screen->grabs(), 0);
    }
}
