#pragma once

#include <QFont>
#include <QString>
#include <QtGlobal>

namespace pictavo {

class Settings;

// One reading for each kind of value that windows take from the store, so that a text means
// the same wherever it is read. A value that is missing or unusable reads as its default from
// the settings schema.

// A colour value 0x00BBGGRR, read by colourValueFromText: "-1" and "4294967295" are both white.
qint32 colourSetting(Settings& settings, const QString& subKey, const QString& name);

// How a font's style flags ("FontBold", ...) are read: the countdown and the overlay take only
// 1 as on; the drawing palette takes any number but 0.
enum class FontFlags { OneIsOn, NonZeroIsOn };

// The largest point size a font setting gives; beyond it one letter is taller than any screen.
constexpr double kLargestFontPointSize = 1000.0;

// The font stored as "Font", "FontSize", "FontBold", "FontItalic", "FontUnderline" and
// "FontStrikethru" under `subKey`. A size that is no number above 0 is the default size; one
// above kLargestFontPointSize is capped. A family that is not installed falls back to a sans
// serif face.
QFont fontSetting(Settings& settings, const QString& subKey, FontFlags flags);

}  // namespace pictavo
