#include <QFontInfo>
#include <cmath>
#include <limits>

#include "settings/ColourValue.h"
#include "settings/DrawToolsSettings.h"
#include "settings/NumericText.h"
#include "settings/SettingReaders.h"
#include "settings/SettingsFixture.h"

using namespace pictavo;
using pictavo::test::SettingsFixture;

namespace {

class SettingReaders : public SettingsFixture {
protected:
    void SetUp() override { settings.checkRegistry(); }
};

}  // namespace

TEST(NumericText, ReadsTheHouseNumberForms) {
    const std::pair<const char*, std::optional<double>> rows[] = {
        {" 12 ", 12.0},        {"-2.5", -2.5},        {"+3", 3.0},           {"&HFF", 255.0},
        {"&hff", 255.0},       {"&H", std::nullopt},  {"1e3", 1000.0},       {"", std::nullopt},
        {"1,5", std::nullopt}, {"inf", std::nullopt}, {"nan", std::nullopt}, {"12a", std::nullopt}};
    for (const auto& [text, value] : rows) {
        EXPECT_EQ(numberFromText(QLatin1String(text)), value) << text;
    }
    const std::pair<const char*, std::optional<qint16>> int16Rows[] = {
        {"2.5", 2}, {"3.5", 4}, {"-32768", -32768}, {"32768", std::nullopt}, {"x", std::nullopt}};
    for (const auto& [text, value] : int16Rows) {
        EXPECT_EQ(int16FromText(QLatin1String(text)), value) << text;
    }
    EXPECT_TRUE(flagIsOn(" 1.0"));
    EXPECT_FALSE(flagIsOn("2") || flagIsOn("True") || flagIsOn(""));
}

// Every window reads a colour the same way, by both readings of the 32 bits; what is no colour
// reads as the schema's default.
TEST_F(SettingReaders, AColourMeansTheSameUnderEveryKey) {
    const struct {
        const char* subKey;
        const char* name;
        const char* text;
        qint32 value;
    } rows[] = {
        {"Overlay", "BackColour", "4294967295", -1},
        {"Countdown", "Shadow", "4294967295", -1},
        {"DrawTools", "Colour", "4294967295", -1},
        {"Overlay", "ForeColour", "&HFF0000", 0xff0000},
        {"Overlay", "BackColour", "4294967296", 12189614},
        {"Countdown", "BackColor", "", 16777215},
        {"Countdown", "ForeColor", "red", 255},
        {"DrawTools", "Colour", "1e300", 0},
        {"DrawTools", "Colour", "-1", -1},
        {"DrawTools", "Colour", "1193046", 0x123456},
        {"Countdown", "Shadow", "2.5", 2},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.subKey << "\\" << r.name << " " << r.text);
        set(r.subKey, r.name, QLatin1String(r.text));
        EXPECT_EQ(colourSetting(settings, QLatin1String(r.subKey), QLatin1String(r.name)), r.value);
    }
    EXPECT_EQ(colourFromValue(0x123456), QColor(0x56, 0x34, 0x12));
}

TEST_F(SettingReaders, AFontTakesItsSizeWithinBoundsAndItsFlagsByTheWindowsRule) {
    const FontFlags oneIsOn = FontFlags::all(FlagRule::OneIsOn);
    const struct {
        const char* size;
        double points;
    } sizes[] = {{"10.5", 10.5}, {"big", 24}, {"-4", 24}, {"0", 24}, {"1e5", 1000}};
    for (const auto& r : sizes) {
        set("Countdown", "FontSize", QLatin1String(r.size));
        EXPECT_EQ(fontSetting(settings, "Countdown", oneIsOn).pointSizeF(), r.points) << r.size;
    }
    const char* const flags[] = {"FontBold", "FontItalic", "FontUnderline", "FontStrikethru"};
    for (const char* flag : flags) {
        set("DrawTools", flag, "-1");
    }
    const QFont one = fontSetting(settings, "DrawTools", oneIsOn);
    const QFont nonZero = fontSetting(settings, "DrawTools", FontFlags::all(FlagRule::NonZeroIsOn));
    EXPECT_FALSE(one.bold() || one.italic() || one.underline() || one.strikeOut());
    EXPECT_TRUE(nonZero.bold() && nonZero.italic() && nonZero.underline() && nonZero.strikeOut());

    // Verdana is not installed here: a sans serif face stands in, as it does for no name.
    const std::pair<const char*, const char*> families[] = {
        {"Verdana", "DejaVu Sans"}, {"", "DejaVu Sans"}, {"DejaVu Serif", "DejaVu Serif"}};
    for (const auto& [stored, shown] : families) {
        set("Overlay", "Font", QLatin1String(stored));
        EXPECT_EQ(QFontInfo(fontSetting(settings, "Overlay", oneIsOn)).family(),
                  QLatin1String(shown))
            << stored;
    }
}

// The tool and the width read within their ranges.
TEST_F(SettingReaders, TheDrawingToolAndWidthStayInRange) {
    DrawToolsSettings draw(settings);
    const std::pair<const char*, int> tools[] = {{"3", 3}, {"5", 0}, {"-1", 0}, {"x", 0}};
    for (const auto& [stored, button] : tools) {
        set("DrawTools", "Tool", QLatin1String(stored));
        EXPECT_EQ(draw.toolButton(5), button) << stored;
    }
    set("DrawTools", "Len", "0");
    EXPECT_EQ(draw.len(), 1);
}
