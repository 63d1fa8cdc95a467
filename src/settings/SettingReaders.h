#pragma once

#include <QFont>
#include <QString>
#include <QtGlobal>
#include <functional>

namespace pictavo {

class Settings;

// One reading for each kind of value that windows take from the store, so that a text means
// the same wherever it is read. A value that is missing or unusable reads as its default from
// the settings schema. The values come from the store, or from a copy of it (the options window
// reads the values as they were when it loaded).
using SettingLookup = std::function<QString(const QString& subKey, const QString& name)>;

// A colour value 0x00BBGGRR, read by colourValueFromText: "-1" and "4294967295" are both white.
qint32 colourSetting(const SettingLookup& value, const QString& subKey, const QString& name);
qint32 colourSetting(Settings& settings, const QString& subKey, const QString& name);

// How a font's style flag ("FontBold", ...) is read: only the number 1 is on, or any number
// but 0. The windows differ: the countdown and the overlay stamp take only 1; the drawing
// palette any number but 0; the options window's overlay preview takes bold and italic as any
// number but 0 and the other two as only 1.
enum class FlagRule { OneIsOn, NonZeroIsOn };
struct FontFlags {
    FlagRule bold, italic, underline, strikeOut;
    static constexpr FontFlags all(FlagRule rule) { return {rule, rule, rule, rule}; }
};

// The largest point size a font setting gives; beyond it one letter is taller than any screen.
constexpr double kLargestFontPointSize = 1000.0;

// The font stored as "Font", "FontSize", "FontBold", "FontItalic", "FontUnderline" and
// "FontStrikethru" under `subKey`. A size that is no number above 0 is the default size; one
// above kLargestFontPointSize is capped. The family is the stored name (family() gives it back
// as stored); where it is not installed a sans serif face stands in, and an empty name is that
// face.
QFont fontSetting(const SettingLookup& value, const QString& subKey, FontFlags flags);
QFont fontSetting(Settings& settings, const QString& subKey, FontFlags flags);

}  // namespace pictavo
