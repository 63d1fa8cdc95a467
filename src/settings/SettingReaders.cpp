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

}  // namespace

qint32 colourSetting(Settings& settings, const QString& subKey, const QString& name) {
    if (const auto value = colourValueFromText(settings.value(subKey, name))) {
        return *value;
    }
    return colourValueFromText(schemaDefault(subKey, name)).value_or(0);
}

QFont fontSetting(Settings& settings, const QString& subKey, FontFlags flags) {
    const auto text = [&](const char* name) { return settings.value(subKey, QLatin1String(name)); };
    const auto flag = [&](const char* name) {
        if (flags == FontFlags::OneIsOn) {
            return flagIsOn(text(name));
        }
        const auto v = numberFromText(text(name));
        return v && *v != 0.0;
    };
    QFont font;
    QStringList families;
    if (const QString family = text("Font"); !family.trimmed().isEmpty()) {
        families << family;
    }
    families << kFallbackFamily;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    std::optional<double> size = numberFromText(text("FontSize"));
    if (!size || !(*size > 0.0)) {
        size = numberFromText(schemaDefault(subKey, QStringLiteral("FontSize")));
    }
    font.setPointSizeF(std::min(size.value_or(9.0), kLargestFontPointSize));
    font.setBold(flag("FontBold"));
    font.setItalic(flag("FontItalic"));
    font.setUnderline(flag("FontUnderline"));
    font.setStrikeOut(flag("FontStrikethru"));
    return font;
}

}  // namespace pictavo
