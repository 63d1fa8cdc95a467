#include <QDir>

#include "settings/SettingsFixture.h"
#include "settings/SettingsSchema.h"

using namespace pictavo;
using pictavo::test::logLines;
using pictavo::test::SettingsFixture;

namespace {
class SettingsSchemaTest : public SettingsFixture {};
}  // namespace

TEST_F(SettingsSchemaTest, FirstStartCreatesTheWholeTreeAndTheSecondNothing) {
    EXPECT_EQ(settings.checkRegistry(), QStringLiteral("8 Keys and 57 Values"));
    EXPECT_EQ(settings.checkRegistry(), QStringLiteral("0 Keys and 0 Values"));
    EXPECT_TRUE(reg().KeyPathExists(user("Specified Areas")));
    EXPECT_EQ(get("Options", "SaveDir"), desktop);
    EXPECT_EQ(get("Options", "SaveDirLen"), QString::number(desktop.size()));
    EXPECT_EQ(get("Overlay", "Text"), QStringLiteral("Screenshot (!S) on (!TH):(!TM) - (!D)"));
    EXPECT_EQ(get("", "Log"), QStringLiteral("0"));
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // Another user gets a tree of their own under the product key the first one made.
    set("Options", "FileType", QStringLiteral("jpg"));
    email = QStringLiteral("other@example.com");
    EXPECT_EQ(settings.checkRegistry(), QStringLiteral("6 Keys and 57 Values"));
    EXPECT_EQ(get("Options", "FileType"), QStringLiteral("png"));
}

TEST_F(SettingsSchemaTest, OnlyMissingOrErrorValuesAreReset) {
    settings.checkRegistry();
    set("Options", "Quality", QStringLiteral("50"));
    set("Options", "FileName", QStringLiteral("Error"));
    hive->deleteValue(
        RootKey::CurrentUser,
        QStringLiteral("SOFTWARE\\Quorrel\\Pictavo\\") + email + QStringLiteral("\\DrawTools"),
        QStringLiteral("Text"));
    // A long save folder is the user's, not an error.
    const QString deep = QStringLiteral("/data/") + QString(300, QLatin1Char('p'));
    set("Options", "SaveDir", deep);
    EXPECT_EQ(settings.checkRegistry(), QStringLiteral("0 Keys and 2 Values"));
    EXPECT_EQ(get("Options", "Quality"), QStringLiteral("50"));
    EXPECT_EQ(get("Options", "FileName"), QStringLiteral("My_Screenshot"));
    EXPECT_EQ(get("DrawTools", "Text"), QStringLiteral("Pictavo Rulez"));
    EXPECT_EQ(get("Options", "SaveDir"), deep);
}

TEST_F(SettingsSchemaTest, OldCountdownBoldFlagIsConverted) {
    const struct {
        const char* stored;
        const char* after;
    } rows[] = {{"True", "1"}, {"False", "0"}, {"true", "true"}, {"1", "1"}, {"0", "0"}};
    settings.checkRegistry();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.stored);
        set("Countdown", "FontBold", QLatin1String(r.stored));
        EXPECT_EQ(settings.checkRegistry(), QStringLiteral("0 Keys and 0 Values"));
        EXPECT_EQ(get("Countdown", "FontBold"), QLatin1String(r.after));
    }
}

TEST_F(SettingsSchemaTest, ReadRegistryCutsTextsAndConvertsNumbers) {
    settings.checkRegistry();
    set("Options", "FileName", QStringLiteral("My_ScreenshotAndMore"));
    set("Options", "FileType", QStringLiteral("jpeg"));
    set("Options", "Quality", QStringLiteral(" 72.5 "));
    settings.ReadRegistry();
    const SettingsRecord& r = settings.record();
    EXPECT_EQ(r.FileName, QStringLiteral("My_Screenshot"));
    EXPECT_EQ(r.FileType, QStringLiteral("jpe"));
    EXPECT_EQ(r.Quality, 72);  // halves round to even
    EXPECT_EQ(r.WarnDelayAmount, 20);
    EXPECT_EQ(r.SaveDir, desktop);
    EXPECT_EQ(r.FullFileName, QStringLiteral("Error"));  // no default is ever created for it
    EXPECT_EQ(r.Sent, QStringLiteral("Sent"));
}

TEST_F(SettingsSchemaTest, ABadNumberTakesItsDefaultABadLengthCutsNothingAndBothAreLogged) {
    settings.checkRegistry();
    set("", "Log", QStringLiteral("1"));
    set("Options", "FileName", QStringLiteral("My_Screenshot_of_Today"));
    set("Options", "SaveDir", QStringLiteral("/home/u/Pictures/Screenshots/Mine"));
    const struct {
        const char* name;
        const char* stored;
        qint16 SettingsRecord::*field;
        qint16 expected;
        const char* complaint;
        QString SettingsRecord::*text = nullptr;  // the text a length field cuts
        const char* keptWhole = nullptr;
    } rows[] = {
        {"Quality", "high", &SettingsRecord::Quality, 85, " is not a number"},
        {"Quality", "999", &SettingsRecord::Quality, 85, " is out of range"},
        {"Quality", "-1", &SettingsRecord::Quality, 85, " is out of range"},
        {"WarnDelayAmount", "", &SettingsRecord::WarnDelayAmount, 20, " is not a number"},
        {"SaveFileType", "99999", &SettingsRecord::SaveFileType, 3, " is not a number"},
        {"FileNameLen", "Error", &SettingsRecord::FileNameLen, -1, " is not a number",
         &SettingsRecord::FileName, "My_Screenshot_of_Today"},
        {"SaveDirLen", "99999", &SettingsRecord::SaveDirLen, -1, " is not a number",
         &SettingsRecord::SaveDir, "/home/u/Pictures/Screenshots/Mine"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.name << " " << r.stored);
        QFile::remove(DiagnosticLog::LogFilePath());
        set("Options", r.name, QLatin1String(r.stored));
        settings.ReadRegistry();
        EXPECT_EQ(settings.record().*r.field, r.expected);
        if (r.text) {
            EXPECT_EQ(settings.record().*r.text, QLatin1String(r.keptWhole));
        }
        EXPECT_EQ(logLines(), QStringList{QStringLiteral("ReadRegistry: ") + QLatin1String(r.name) +
                                          QLatin1String(r.complaint)});
        // The stored text stays as the user left it.
        EXPECT_EQ(get("Options", r.name), QLatin1String(r.stored));
        settings.setValue(
            QStringLiteral("Options"), QLatin1String(r.name),
            SettingsSchema::defaultValue(QStringLiteral("Options"), QLatin1String(r.name),
                                         [] { return QString(); }));
    }
}
