#include "settings/SettingsFixture.h"

using namespace pictavo;
using namespace Qt::StringLiterals;
using pictavo::test::SettingsFixture;

namespace {
class ModRegistryTest : public SettingsFixture {};
}  // namespace

TEST_F(ModRegistryTest, SplitKeyPathAcceptsRootsAndRejectsMalformedPaths) {
    const struct {
        const char* name;
        const char* path;
        std::uint32_t root;
        const char* rest;
        bool reported;
    } rows[] = {
        // clang-format off
        {"root and sub-key", "HKEY_CURRENT_USER\\SOFTWARE\\Quorrel", RootKey::CurrentUser, "SOFTWARE\\Quorrel", false},
        {"root alone", "HKEY_CURRENT_USER", RootKey::CurrentUser, "", false},
        {"classes root", "HKEY_CLASSES_ROOT\\x", RootKey::ClassesRoot, "x", false},
        {"local machine has no name", "HKEY_LOCAL_MACHINE\\SOFTWARE", 0, "SOFTWARE", false},
        {"unknown root", "HKEY_NOWHERE\\a", 0, "a", false},
        {"trailing backslash", "HKEY_CURRENT_USER\\SOFTWARE\\", 0, "HKEY_CURRENT_USER\\SOFTWARE\\", true},
        {"no root name", "SOFTWARE\\Quorrel", 0, "SOFTWARE\\Quorrel", true},
        {"root name in small letters", "hkey_current_user\\a", 0, "hkey_current_user\\a", true},
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        dialogs.messages.clear();
        QString path = QLatin1String(r.path);
        EXPECT_EQ(reg().SplitKeyPath(path, {}, {}, {}, {}), r.root);
        EXPECT_EQ(path, QLatin1String(r.rest));
        EXPECT_EQ(dialogs.messages.size(), r.reported ? 1 : 0);
    }
}

TEST_F(ModRegistryTest, FormatMessageNamesThePathAndTheCaller) {
    reg().CreateKey(u"SOFTWARE\\Bad"_s, u"QL"_s);
    reg().SetStringValue(u"HKEY_CURRENT_USER\\X\\"_s, u"Name"_s, u"Val"_s);
    EXPECT_EQ(reg().GetStringValue(u"Bad"_s, u"Log"_s), QString());
    EXPECT_FALSE(reg().KeyPathExists(u"Bad"_s));
    ASSERT_EQ(dialogs.messages.size(), 4);
    EXPECT_EQ(dialogs.messages[0].prompt,
              u"Incorrect Format:\n\nSOFTWARE\\Bad\r\n\r\n\r\nCalled by: CreateKeyQL"_s);
    EXPECT_EQ(dialogs.messages[1].prompt,
              QStringLiteral("Incorrect Format:\n\nHKEY_CURRENT_USER\\X\\\r\n\r\n\r\nCalled by: "
                             "SetStringValue\r\n\r\nName - Val"));
    EXPECT_EQ(dialogs.messages[2].prompt,
              u"Incorrect Format:\n\nBad\r\n\r\n\r\nCalled by: GetStringValue - Log"_s);
    EXPECT_EQ(dialogs.messages[3].prompt, u"Incorrect Format:\n\nBad\r\n"_s);
    EXPECT_EQ(dialogs.messages[0].title, u"Pictavo 3"_s);
    EXPECT_EQ(dialogs.messages[0].buttons, MsgBox::OkOnly);
}

TEST_F(ModRegistryTest, MissingValuesReadAsErrorAndATextEndsAtItsFirstNul) {
    const QString key = u"HKEY_CURRENT_USER\\SOFTWARE\\Test"_s;
    EXPECT_EQ(reg().GetStringValue(key, u"v"_s), u"Error"_s);
    // Writing into a missing key does nothing; keys are made only by CreateKey.
    reg().SetStringValue(key, u"v"_s, u"1"_s);
    EXPECT_FALSE(reg().KeyPathExists(key));
    EXPECT_EQ(reg().GetStringValue(key, u"v"_s), u"Error"_s);

    reg().CreateKey(key, u"test"_s);
    EXPECT_TRUE(reg().KeyPathExists(u"HKEY_CURRENT_USER\\software\\TEST"_s));
    // A text ends at its first NUL, as a string read always did.
    reg().SetStringValue(key, u"nul"_s, u"ab"_s + QChar(0) + u"cd"_s);
    EXPECT_EQ(reg().GetStringValue(key, u"nul"_s), u"ab"_s);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}
