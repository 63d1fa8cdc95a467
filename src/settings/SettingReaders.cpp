#include "settings/SettingReaders.h"

#include <QStringList>
#include <algorithm>

#include "settings/ColourValue.h"
#include "settings/NumericText.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"

namespace pictavo {

namespace {

const QString kFallbackFamily = QStringLiteral("DejaVu Sans");

QString schemaDefault(const QString& subKey, const QString& name) {
    return SettingsSchema::defaultValue(subKey, name, {});
}

SettingLookup storeLookup(Settings& settings) {
    return [&settings](const QString& subKey, const QString& name) {
        return settings.value(subKey, name);
    };
}

bool flagOn(const QString& text, FlagRule rule) {
    if (rule == FlagRule::OneIsOn) {
        return flagIsOn(text);
    }
    const std::optional<double> v = numberFromText(text);
    return v && *v != 0.0;
}

}  // namespace

qint32 colourSetting(const SettingLookup& value, const QString& subKey, const QString& name) {
    if (const auto colour = colourValueFromText(value(subKey, name))) {
        return *colour;
    }
    return colourValueFromText(schemaDefault(subKey, name)).value_or(0);
}

qint32 colourSetting(Settings& settings, const QString& subKey, const QString& name) {
    return colourSetting(storeLookup(settings), subKey, name);
}

QFont fontSetting(const SettingLookup& value, const QString& subKey, FontFlags flags) {
    const auto text = [&](const char* name) { return value(subKey, QLatin1String(name)); };
    QFont font;
    // An empty name first in the list would let the system choose any face, serif ones too.
    const QString family = text("Font");
    font.setFamilies(family.trimmed().isEmpty() ? QStringList{kFallbackFamily}
                                                : QStringList{family, kFallbackFamily});
    font.setStyleHint(QFont::SansSerif);
    std::optional<double> size = numberFromText(text("FontSize"));
    if (!size || !(*size > 0.0)) {
        size = numberFromText(schemaDefault(subKey, QStringLiteral("FontSize")));
    }
    font.setPointSizeF(std::min(size.value_or(9.0), kLargestFontPointSize));
    font.setBold(flagOn(text("FontBold"), flags.bold));
    font.setItalic(flagOn(text("FontItalic"), flags.italic));
    font.setUnderline(flagOn(text("FontUnderline"), flags.underline));
    font.setStrikeOut(flagOn(text("FontStrikethru"), flags.strikeOut));
    return font;
}

QFont fontSetting(Settings& settings, const QString& subKey, FontFlags flags) {
    return fontSetting(storeLookup(settings), subKey, flags);
}

}  // namespace pictavo
