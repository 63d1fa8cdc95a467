#include "settings/ColourValue.h"

#include <cmath>
#include <limits>

#include "settings/NumericText.h"

namespace pictavo {

std::optional<qint32> colourValueFromText(const QString& text) {
    const std::optional<double> value = numberFromText(text);
    if (!value || std::isnan(*value)) {
        return std::nullopt;
    }
    const double rounded = std::nearbyint(*value);  // the default rounding mode: half to even
    if (rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<quint32>::max()) {
        return std::nullopt;
    }
    const auto bits = rounded < 0 ? static_cast<quint32>(static_cast<qint32>(rounded))
                                  : static_cast<quint32>(rounded);
    return static_cast<qint32>(bits);
}

}  // namespace pictavo
