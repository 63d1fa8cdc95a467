#include "platform/SystemError.h"

#include <cstring>

namespace pictavo {

QString systemErrorText(int number) {
    // strerror makes up "Unknown error N" for a number it does not know; the name lookup is
    // what tells a known number from an unknown one.
    if (!strerrorname_np(number)) {
        return QStringLiteral("Unknown Error");
    }
    char buffer[260];
    return QString::fromLocal8Bit(strerror_r(number, buffer, sizeof buffer));
}

}  // namespace pictavo
