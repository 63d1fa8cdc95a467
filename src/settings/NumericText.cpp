#include "settings/NumericText.h"

#include <cmath>
#include <limits>

namespace pictavo {

std::optional<double> numberFromText(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        return std::nullopt;
    }
    if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        bool ok = false;
        const qlonglong v = t.mid(2).toLongLong(&ok, 16);
        return ok ? std::optional<double>(double(v)) : std::nullopt;
    }
    bool ok = false;
    const double v = t.toDouble(&ok);  // the C locale: "." is the decimal point
    if (!ok || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

std::optional<qint16> int16FromText(const QString& text) {
    const auto v = numberFromText(text);
    if (!v) {
        return std::nullopt;
    }
    const double rounded = std::nearbyint(*v);  // the default rounding mode: half to even
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max()) {
        return std::nullopt;
    }
    return static_cast<qint16>(rounded);
}

bool flagIsOn(const QString& text) {
    const auto v = numberFromText(text);
    return v && *v == 1.0;
}

}  // namespace pictavo
