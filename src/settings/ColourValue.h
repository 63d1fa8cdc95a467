#pragma once

#include <QColor>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace pictavo {

// A colour setting holds a 32-bit colour value 0x00BBGGRR as decimal text. This reads it as
// the number any numeric text stands for, rounded half to even; signed and unsigned readings of
// the same 32 bits are both accepted ("-1" and "4294967295" are the same value). A text that is
// no number, or a number outside the 32 bits, gives nothing.
std::optional<qint32> colourValueFromText(const QString& text);

// A 0x00BBGGRR colour value as a colour; the high byte is ignored.
inline QColor colourFromValue(qint32 value) {
    const auto v = static_cast<quint32>(value);
    return QColor(static_cast<int>(v & 0xffu), static_cast<int>((v >> 8) & 0xffu),
                  static_cast<int>((v >> 16) & 0xffu));
}

// A colour as its 0x00BBGGRR value.
inline qint32 colourValue(const QColor& colour) {
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

}  // namespace pictavo
