#include "settings/ResultHandoff.h"

#include "settings/Settings.h"
#include "settings/UserKey.h"

namespace pictavo::ResultHandoff {

QString read(Settings& settings) {
    return settings.value(UserKey::kItself, kValueName);
}

void write(Settings& settings, const QString& result) {
    settings.setValue(UserKey::kItself, kValueName, result);
}

void reset(Settings& settings) {
    write(settings, QString());
}

bool isCancelled(const QString& result) {
    // "Error" is what a read gives when the value (or the whole key) is gone: no window's answer.
    return result.startsWith(QLatin1Char('#')) || result.startsWith(QLatin1String("Cancel")) ||
           result == QLatin1String("Error");
}

}  // namespace pictavo::ResultHandoff
