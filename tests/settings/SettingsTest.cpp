#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QtGui>

#include "platform/RegistryHive.h"
#include "settings/ColourValue.h"
#include "settings/DiagnosticLog.h"
#include "settings/DrawToolsSettings.h"
#include "settings/SettingReaders.h"
#include "settings/Settings.h"
#include "support/LogLines.h"
#include "support/ScriptedDialogs.h"

using namespace pictavo;
using namespace Qt::StringLiterals;
using pictavo::test::logLines;

namespace {

// A settings component over the test's private store, for the account `email`.
struct SettingsFixture : ::testing::Test {
    QString email = u"user@example.com"_s;
    RegistryHive hive{RegistryHive::defaultPath()};
    test::ScriptedDialogs dialogs;
    QString desktop = u"/home/user/Desktop"_s;
    Settings settings{hive, dialogs, [this] { return email; }, [this] { return desktop; }};

    modRegistry& reg() { return settings.registry(); }
    // A value of the account's settings; `sub` "" is the user key itself.
    void set(const char* sub, const char* name, const QString& value) {
        settings.setValue(QLatin1String(sub), QLatin1String(name), value);
    }
    QString get(const char* sub, const char* name) {
        return settings.value(QLatin1String(sub), QLatin1String(name));
    }
};
using DiagnosticLogTest = SettingsFixture;
using ModRegistryTest = SettingsFixture;
using SettingsSchemaTest = SettingsFixture;
using SettingReaders = SettingsFixture;

}  // namespace

// A missing switch is created off. Only a switch that reads as the number 1 writes ("yes", "2"
// and "1x" are off), and a change acts at once.
TEST_F(DiagnosticLogTest, EveryMessageIsOneLineInCallOrderAndTheSwitchActsAtOnce) {
    reg().CreateKey(settings.userKey().path(), QStringLiteral("test"));
    settings.WriteLog(QStringLiteral("before the switch exists"));
    EXPECT_EQ(get("", "Log"), QStringLiteral("0"));
    for (const char* on : {"1", "0", "yes", "2", "1x", "", " 1.0 "}) {
        set("", "Log", QLatin1String(on));
        settings.WriteLog(QStringLiteral("%1\r\nlines").arg(QLatin1String(on)));
    }
    EXPECT_EQ(logLines(), (QStringList{"1", "lines", " 1.0 ", "lines"}));

    // A FIFO nobody reads where the file should be: skipped at once, left as it is.
    const QString path = DiagnosticLog::LogFilePath();
    QFile::remove(path);
    ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_NO_THROW(settings.WriteLog(QStringLiteral("line")));
    EXPECT_TRUE(QFileInfo(path).exists() && !QFileInfo(path).isFile());
}

// A missing value reads as "Error", a value written into a missing key makes nothing (keys are
// made only by CreateKey), and a text ends at its first NUL. (Every other test reads and writes
// through well-formed paths.)
TEST_F(ModRegistryTest, MissingValuesReadAsErrorAndOnlyCreateKeyMakesKeys) {
    const QString key = u"HKEY_CURRENT_USER\\SOFTWARE\\Test"_s;
    reg().SetStringValue(key, u"v"_s, u"1"_s);
    EXPECT_FALSE(reg().KeyPathExists(key));
    EXPECT_EQ(reg().GetStringValue(key, u"v"_s), u"Error"_s);
    reg().CreateKey(key, u"test"_s);
    reg().SetStringValue(key, u"nul"_s, u"ab"_s + QChar(0) + u"cd"_s);
    EXPECT_EQ(reg().GetStringValue(key, u"nul"_s), u"ab"_s);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

// The first start creates the whole tree, with the desktop as the save folder. After that only
// missing values and "Error" are reset, and the countdown's old bold flag is converted. Another
// user gets a tree of their own under the product key the first one made.
TEST_F(SettingsSchemaTest, FirstStartCreatesTheWholeTreeAndLaterOnlyMissingOrErrorValues) {
    EXPECT_EQ(settings.checkRegistry(), u"8 Keys and 57 Values"_s);
    EXPECT_EQ(get("Options", "SaveDir"), desktop);
    EXPECT_EQ(get("Options", "SaveDirLen"), QString::number(desktop.size()));
    set("Options", "Quality", u"50"_s);
    set("Options", "FileName", u"Error"_s);
    hive.deleteValue(RootKey::CurrentUser,
                     u"SOFTWARE\\Quorrel\\Pictavo\\"_s + email + u"\\DrawTools"_s, u"Text"_s);
    // A long save folder is the user's, not an error.
    const QString deep = u"/data/"_s + QString(300, QLatin1Char('p'));
    set("Options", "SaveDir", deep);
    EXPECT_EQ(settings.checkRegistry(), u"0 Keys and 2 Values"_s);
    EXPECT_EQ(get("Options", "Quality"), u"50"_s);
    EXPECT_EQ(get("Options", "FileName"), u"My_Screenshot"_s);
    EXPECT_EQ(get("DrawTools", "Text"), u"Pictavo Rulez"_s);
    EXPECT_EQ(get("Options", "SaveDir"), deep);
    for (const auto& [stored, after] : {std::pair{"True", "1"}, {"False", "0"}, {"true", "true"}}) {
        set("Countdown", "FontBold", QLatin1String(stored));
        EXPECT_EQ(settings.checkRegistry(), u"0 Keys and 0 Values"_s);
        EXPECT_EQ(get("Countdown", "FontBold"), QLatin1String(after));
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());

    email = u"other@example.com"_s;
    EXPECT_EQ(settings.checkRegistry(), u"6 Keys and 57 Values"_s);
    EXPECT_EQ(get("Options", "Quality"), u"85"_s);
}

// A text is cut to its length setting; a bad number takes its default and a bad length cuts
// nothing, and both are logged.
TEST_F(SettingsSchemaTest, ABadNumberTakesItsDefaultABadLengthCutsNothingAndBothAreLogged) {
    settings.checkRegistry();
    set("", "Log", u"1"_s);
    set("Options", "FileName", u"My_Screenshot_of_Today"_s);
    set("Options", "FileType", u"jpeg"_s);
    set("Options", "Quality", u" +73.5 "_s);
    settings.ReadRegistry();
    const SettingsRecord& record = settings.record();
    EXPECT_EQ(std::tuple(record.FileName, record.FileType, record.Quality),
              std::tuple(u"My_Screenshot"_s, u"jpe"_s, 74));
    EXPECT_EQ(logLines(), QStringList());

    using R = SettingsRecord;
    // The value, what it is set to, the field and what it reads, and the log's complaint. (That
    // a bad length cuts nothing from its text is HostOnScreen.SettingsAUserMightLeave…'s.)
    const std::tuple<const char*, const char*, qint16 R::*, int, const char*> rows[] = {
        {"Quality", "high", &R::Quality, 85, " is not a number"},
        {"Quality", "1,5", &R::Quality, 85, " is not a number"},
        {"Quality", "inf", &R::Quality, 85, " is not a number"},
        {"Quality", "&H", &R::Quality, 85, " is not a number"},
        {"Quality", "1e3", &R::Quality, 85, " is out of range"},
        {"Quality", "-1", &R::Quality, 85, " is out of range"},
        {"WarnDelayAmount", "", &R::WarnDelayAmount, 20, " is not a number"},
        {"WarnDelayAmount", "32768", &R::WarnDelayAmount, 20, " is not a number"},
        {"SaveDirLen", "99999", &R::SaveDirLen, -1, " is not a number"},
    };
    for (const auto& [name, stored, field, expected, complaint] : rows) {
        SCOPED_TRACE(testing::Message() << name << " " << stored);
        QFile::remove(DiagnosticLog::LogFilePath());
        const QString good = get("Options", name);
        set("Options", name, QLatin1String(stored));
        settings.ReadRegistry();
        EXPECT_EQ(record.*field, expected);
        EXPECT_EQ(logLines(), QStringList{u"ReadRegistry: "_s + QLatin1String(name) +
                                          QLatin1String(complaint)});
        // The stored text stays as the user left it.
        EXPECT_EQ(get("Options", name), QLatin1String(stored));
        set("Options", name, good);
    }
}

// Every window reads a colour the same way, by both readings of the 32 bits; what is no colour
// reads as the schema's default. Halves round to even. A font takes its size within bounds and
// its flags by the rule of its window.
TEST_F(SettingReaders, AColourOrAFontMeansTheSameUnderEveryKey) {
    settings.checkRegistry();
    const std::tuple<const char*, const char*, const char*, qint32> rows[] = {
        {"Overlay", "BackColour", "4294967295", -1},
        {"Countdown", "Shadow", "4294967295", -1},
        {"DrawTools", "Colour", "-1", -1},
        {"Overlay", "ForeColour", "&hFF0000", 0xff0000},
        {"Overlay", "BackColour", "4294967296", 12189614},
        {"Countdown", "BackColor", "", 16777215},
        {"Countdown", "ForeColor", "red", 255},
        {"DrawTools", "Colour", "1e300", 0},
        {"Countdown", "Shadow", "2.5", 2},
    };
    for (const auto& [subKey, name, text, value] : rows) {
        SCOPED_TRACE(testing::Message() << subKey << "\\" << name << " " << text);
        set(subKey, name, QLatin1String(text));
        EXPECT_EQ(colourSetting(settings, QLatin1String(subKey), QLatin1String(name)), value);
    }
    set("DrawTools", "Len", "0");
    EXPECT_EQ(DrawToolsSettings(settings).len(), 1);

    const FontFlags oneIsOn = FontFlags::all(FlagRule::OneIsOn);
    const std::pair<const char*, double> sizes[] = {
        {"10.5", 10.5}, {"big", 24}, {"0", 24}, {"1e5", 1000}};
    for (const auto& [size, points] : sizes) {
        set("Countdown", "FontSize", QLatin1String(size));
        EXPECT_EQ(fontSetting(settings, "Countdown", oneIsOn).pointSizeF(), points) << size;
    }
    for (const char* flag : {"FontBold", "FontItalic", "FontUnderline", "FontStrikethru"}) {
        set("DrawTools", flag, "-1");
    }
    const QFont one = fontSetting(settings, "DrawTools", oneIsOn);
    const QFont nonZero = fontSetting(settings, "DrawTools", FontFlags::all(FlagRule::NonZeroIsOn));
    EXPECT_FALSE(one.bold() || one.italic() || one.underline() || one.strikeOut());
    EXPECT_TRUE(nonZero.bold() && nonZero.italic() && nonZero.underline() && nonZero.strikeOut());
}
