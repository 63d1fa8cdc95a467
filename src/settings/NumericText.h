#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace pictavo {

// Settings are stored as text; these read them as numbers the way they have always been read:
// surrounding blanks allowed, a decimal point, an optional sign, "&H" for hexadecimal.
std::optional<double> numberFromText(const QString& text);

// A 16-bit integer setting: rounded half to even; nullopt when the text is not a number or
// the number does not fit.
std::optional<qint16> int16FromText(const QString& text);

// A flag is on when its text, read as a number, equals 1. A text that is not a number is off.
bool flagIsOn(const QString& text);

}  // namespace pictavo
