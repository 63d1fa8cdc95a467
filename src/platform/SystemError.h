#pragma once

#include <QString>

namespace pictavo {

// The C library's text for an error number ("No such file or directory"); "Unknown Error" for
// a number it does not know.
QString systemErrorText(int number);

}  // namespace pictavo
