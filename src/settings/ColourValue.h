#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace pictavo {

// A colour setting holds a 32-bit colour value 0x00BBGGRR as decimal text. This reads it as
// the number any numeric text stands for, rounded half to even; signed and unsigned readings of
// the same 32 bits are both accepted ("-1" and "4294967295" are the same value). A text that is
// no number, or a number outside the 32 bits, gives nothing.
std::optional<qint32> colourValueFromText(const QString& text);

}  // namespace pictavo
