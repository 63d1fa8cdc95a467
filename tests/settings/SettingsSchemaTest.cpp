#include <QDir>

#include "settings/SettingsFixture.h"

using namespace pictavo;
using namespace Qt::StringLiterals;
using pictavo::test::logLines;
using pictavo::test::SettingsFixture;

namespace {
class SettingsSchemaTest : public SettingsFixture {};
}  // namespace

TEST_F(SettingsSchemaTest, FirstStartCreatesTheWholeTreeAndTheSecondNothing) {
    EXPECT_EQ(settings.checkRegistry(), u"8 Keys and 57 Values"_s);
    EXPECT_EQ(settings.checkRegistry(), u"0 Keys and 0 Values"_s);
    EXPECT_TRUE(reg().KeyPathExists(settings.userKey().path(u"Specified Areas"_s)));
    EXPECT_EQ(get("Options", "SaveDir"), desktop);
    EXPECT_EQ(get("Options", "SaveDirLen"), QString::number(desktop.size()));
    EXPECT_EQ(get("Overlay", "Text"), u"Screenshot (!S) on (!TH):(!TM) - (!D)"_s);
    EXPECT_EQ(get("", "Log"), u"0"_s);
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // Another user gets a tree of their own under the product key the first one made.
    set("Options", "FileType", u"jpg"_s);
    email = u"other@example.com"_s;
    EXPECT_EQ(settings.checkRegistry(), u"6 Keys and 57 Values"_s);
    EXPECT_EQ(get("Options", "FileType"), u"png"_s);
}

TEST_F(SettingsSchemaTest, OnlyMissingOrErrorValuesAreReset) {
    settings.checkRegistry();
    set("Options", "Quality", u"50"_s);
    set("Options", "FileName", u"Error"_s);
    hive->deleteValue(RootKey::CurrentUser,
                      u"SOFTWARE\\Quorrel\\Pictavo\\"_s + email + u"\\DrawTools"_s, u"Text"_s);
    // A long save folder is the user's, not an error.
    const QString deep = u"/data/"_s + QString(300, QLatin1Char('p'));
    set("Options", "SaveDir", deep);
    EXPECT_EQ(settings.checkRegistry(), u"0 Keys and 2 Values"_s);
    EXPECT_EQ(get("Options", "Quality"), u"50"_s);
    EXPECT_EQ(get("Options", "FileName"), u"My_Screenshot"_s);
    EXPECT_EQ(get("DrawTools", "Text"), u"Pictavo Rulez"_s);
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
        EXPECT_EQ(settings.checkRegistry(), u"0 Keys and 0 Values"_s);
        EXPECT_EQ(get("Countdown", "FontBold"), QLatin1String(r.after));
    }
}

// A text is cut to its length setting; a bad number takes its default and a bad length cuts
// nothing, and both are logged.
TEST_F(SettingsSchemaTest, ABadNumberTakesItsDefaultABadLengthCutsNothingAndBothAreLogged) {
    settings.checkRegistry();
    set("", "Log", u"1"_s);
    set("Options", "FileName", u"My_Screenshot_of_Today"_s);
    set("Options", "FileType", u"jpeg"_s);
    set("Options", "Quality", u" 72.5 "_s);
    settings.ReadRegistry();
    const SettingsRecord& record = settings.record();
    EXPECT_EQ(record.FileName, u"My_Screenshot"_s);
    EXPECT_EQ(record.FileType, u"jpe"_s);
    EXPECT_EQ(record.Quality, 72);  // halves round to even
    EXPECT_EQ(record.SaveDir, desktop);
    EXPECT_EQ(record.FullFileName, u"Error"_s);  // no default is ever created for it
    EXPECT_EQ(record.Sent, u"Sent"_s);
    EXPECT_EQ(logLines(), QStringList());

    set("Options", "SaveDir", u"/home/u/Pictures/Screenshots/Mine"_s);
    const struct {
        const char* name;
        const char* stored;
        qint16 SettingsRecord::*field;
        qint16 expected;
        const char* complaint;
        QString SettingsRecord::*text = nullptr;  // the text a length field cuts
        const char* keptWhole = nullptr;
    } rows[] = {
        // clang-format off
        {"Quality", "high", &SettingsRecord::Quality, 85, " is not a number"},
        {"Quality", "999", &SettingsRecord::Quality, 85, " is out of range"},
        {"Quality", "-1", &SettingsRecord::Quality, 85, " is out of range"},
        {"WarnDelayAmount", "", &SettingsRecord::WarnDelayAmount, 20, " is not a number"},
        {"FileNameLen", "Error", &SettingsRecord::FileNameLen, -1, " is not a number", &SettingsRecord::FileName, "My_Screenshot_of_Today"},
        {"SaveDirLen", "99999", &SettingsRecord::SaveDirLen, -1, " is not a number", &SettingsRecord::SaveDir, "/home/u/Pictures/Screenshots/Mine"},
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.name << " " << r.stored);
        QFile::remove(DiagnosticLog::LogFilePath());
        const QString good = get("Options", r.name);
        set("Options", r.name, QLatin1String(r.stored));
        settings.ReadRegistry();
        EXPECT_EQ(record.*r.field, r.expected);
        if (r.text) {
            EXPECT_EQ(record.*r.text, QLatin1String(r.keptWhole));
        }
        EXPECT_EQ(logLines(), QStringList{u"ReadRegistry: "_s + QLatin1String(r.name) +
                                          QLatin1String(r.complaint)});
        // The stored text stays as the user left it.
        EXPECT_EQ(get("Options", r.name), QLatin1String(r.stored));
        set("Options", r.name, good);
    }
}
