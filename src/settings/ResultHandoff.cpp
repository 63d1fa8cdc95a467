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
    return result.startsWith(QLatin1Char('#')) || result.startsWith(QLatin1String("Cancel"));
}

}  // namespace pictavo::ResultHandoff
