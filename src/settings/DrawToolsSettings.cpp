#include "settings/DrawToolsSettings.h"

#include "settings/NumericText.h"
#include "settings/SettingReaders.h"
#include "settings/Settings.h"

namespace pictavo {

namespace {

const QString kDrawTools = QStringLiteral("DrawTools");

QString flagText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

}  // namespace

QString DrawToolsSettings::value(const char* name) const {
    return settings_.value(kDrawTools, QLatin1String(name));
}

void DrawToolsSettings::setValue(const char* name, const QString& text) {
    settings_.setValue(kDrawTools, QLatin1String(name), text);
}

int DrawToolsSettings::toolButton(int buttons) const {
    const std::optional<qint16> stored = int16FromText(value("Tool"));
    return stored && *stored >= 0 && *stored < buttons ? *stored : 0;
}

qint32 DrawToolsSettings::colour() const {
    return colourSetting(settings_, kDrawTools, QStringLiteral("Colour"));
}

qint16 DrawToolsSettings::len() const {
    const std::optional<qint16> len = int16FromText(value("Len"));
    return len && *len >= 1 ? *len : qint16{1};
}

QString DrawToolsSettings::text() const {
    return value("Text");
}

QFont DrawToolsSettings::font() const {
    return fontSetting(settings_, kDrawTools, FontFlags::all(FlagRule::NonZeroIsOn));
}

void DrawToolsSettings::setToolButton(int button) {
    setValue("Tool", QString::number(button));
}

void DrawToolsSettings::store(qint32 colour, qint16 len, const QString& text, const QFont& font) {
    setValue("Colour", QString::number(colour));
    setValue("Len", QString::number(len));
    setValue("Font", font.family());
    setValue("FontSize", QString::number(font.pointSizeF()));
    setValue("FontBold", flagText(font.bold()));
    setValue("FontItalic", flagText(font.italic()));
    setValue("FontUnderline", flagText(font.underline()));
    setValue("FontStrikethru", flagText(font.strikeOut()));
    setValue("Text", text);
}

}  // namespace pictavo
