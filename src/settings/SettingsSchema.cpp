#include "settings/SettingsSchema.h"

#include <array>

#include "settings/UserKey.h"
#include "settings/modRegistry.h"

namespace pictavo::SettingsSchema {

namespace {

constexpr std::array<SettingDefault, 57> kDefaults{{
    {"Options", "Clipboard", "0"},
    {"Options", "Counter", "1"},
    {"Options", "Delete", "0"},
    {"Options", "FileName", "My_Screenshot"},
    {"Options", "FileNameLen", "13"},
    {"Options", "FileType", "png"},
    {"Options", "FileTypeLen", "3"},
    {"Options", "Overlay", "0"},
    {"Options", "Preview", "1"},
    {"Options", "PreviewSave", "0"},
    {"Options", "Quality", "85"},
    {"Options", "SaveDir", nullptr},
    {"Options", "SaveDirLen", nullptr},
    {"Options", "SaveFileType", "3"},
    {"Options", "MenuIcons", "1"},
    {"Options", "MenuIconsMain", "1"},
    {"Options", "SaveMsgBox", "1"},
    {"Options", "TimeDelay", "0"},
    {"Options", "WarnDelay", "1"},
    {"Options", "WarnDelayAmount", "20"},
    {"Overlay", "BackColour", "12189614"},
    {"Overlay", "Font", "Verdana"},
    {"Overlay", "FontBold", "1"},
    {"Overlay", "FontItalic", "0"},
    {"Overlay", "FontSize", "9"},
    {"Overlay", "FontStrikethru", "0"},
    {"Overlay", "FontUnderline", "0"},
    {"Overlay", "ForeColour", "255"},
    {"Overlay", "Position", "9"},
    {"Overlay", "Text", "Screenshot (!S) on (!TH):(!TM) - (!D)"},
    {"Countdown", "Font", "Verdana"},
    {"Countdown", "FontBold", "1"},
    {"Countdown", "FontItalic", "0"},
    {"Countdown", "FontSize", "24"},
    {"Countdown", "FontStrikethru", "0"},
    {"Countdown", "FontUnderline", "0"},
    {"Countdown", "ForeColor", "255"},
    {"Countdown", "BackColor", "16777215"},
    {"Countdown", "Shadow", "0"},
    {"Countdown", "Position", "1"},
    {"Options", "Webcam", "0"},
    {"Options", "SaveOverlay", "0"},
    {"", "Sent", "Sent"},
    {"", "Saved", "Saved"},
    {"", "MenuIcons", "1"},
    {"", "MenuIconsMain", "1"},
    {"", "Log", "0"},
    {"DrawTools", "Tool", "0"},
    {"DrawTools", "Colour", "0"},
    {"DrawTools", "Len", "1"},
    {"DrawTools", "Font", "Verdana"},
    {"DrawTools", "FontSize", "9"},
    {"DrawTools", "FontBold", "0"},
    {"DrawTools", "FontItalic", "0"},
    {"DrawTools", "FontUnderline", "0"},
    {"DrawTools", "FontStrikethru", "0"},
    {"DrawTools", "Text", "Pictavo Rulez"},
}};

}  // namespace

std::span<const SettingDefault> defaults() {
    return kDefaults;
}

QString defaultValue(const QString& subKey, const QString& name,
                     const std::function<QString()>& desktopFolder) {
    for (const SettingDefault& d : kDefaults) {
        if (subKey.compare(QLatin1String(d.subKey), Qt::CaseInsensitive) == 0 &&
            name.compare(QLatin1String(d.name), Qt::CaseInsensitive) == 0) {
            if (d.value) {
                return QLatin1String(d.value);
            }
            const QString desktop = desktopFolder();
            return name.compare(QLatin1String("SaveDir"), Qt::CaseInsensitive) == 0
                       ? desktop
                       : QString::number(desktop.size());
        }
    }
    return {};
}

QString checkRegistry(modRegistry& registry, const UserKey& userKey,
                      const std::function<QString()>& desktopFolder) {
    int keys = 0;
    int values = 0;
    const struct {
        QString path;
        const char* label;
    } kKeys[] = {
        {UserKey::kVendorKey, "QL"},
        {UserKey::kProductKey, "QL\\PV"},
        {userKey.path(), "QL\\PV\\Email"},
        {userKey.path(QStringLiteral("Countdown")), "QL\\PV\\Email\\Countdown"},
        {userKey.path(QStringLiteral("Options")), "QL\\PV\\Email\\Options"},
        {userKey.path(QStringLiteral("Overlay")), "QL\\PV\\Email\\Overlay"},
        {userKey.path(QStringLiteral("Specified Areas")), "QL\\PV\\Email\\Specified Areas"},
        {userKey.path(QStringLiteral("DrawTools")), "QL\\PV\\Email\\DrawTools"},
    };
    for (const auto& k : kKeys) {
        if (!registry.KeyPathExists(k.path)) {
            registry.CreateKey(k.path, QLatin1String(k.label));
            ++keys;
        }
    }

    // The desktop folder is asked for once, and only when one of its two values is missing.
    QString desktop;
    bool desktopKnown = false;
    for (const SettingDefault& d : kDefaults) {
        const QString path = userKey.path(QLatin1String(d.subKey));
        const QString name = QLatin1String(d.name);
        if (registry.GetStringValue(path, name) != QLatin1String("Error")) {
            continue;
        }
        QString value;
        if (d.value) {
            value = QLatin1String(d.value);
        } else {
            if (!desktopKnown) {
                desktop = desktopFolder();
                desktopKnown = true;
            }
            value = name == QLatin1String("SaveDir") ? desktop : QString::number(desktop.size());
        }
        registry.SetStringValue(path, name, value);
        ++values;
    }

    // An older version stored this flag as "True"/"False".
    const QString countdown = userKey.path(QStringLiteral("Countdown"));
    if (registry.GetStringValue(countdown, QStringLiteral("FontBold")) == QLatin1String("True")) {
        registry.SetStringValue(countdown, QStringLiteral("FontBold"), QStringLiteral("1"));
    }
    if (registry.GetStringValue(countdown, QStringLiteral("FontBold")) == QLatin1String("False")) {
        registry.SetStringValue(countdown, QStringLiteral("FontBold"), QStringLiteral("0"));
    }
    return QString::number(keys) + QStringLiteral(" Keys and ") + QString::number(values) +
           QStringLiteral(" Values");
}

}  // namespace pictavo::SettingsSchema
