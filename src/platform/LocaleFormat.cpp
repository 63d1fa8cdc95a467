#include "platform/LocaleFormat.h"

#include <QRegularExpression>

namespace pictavo::LocaleFormat {

QString shortDate(const QDate& date, const QLocale& locale) {
    return locale.toString(date, QLocale::ShortFormat);
}

QString longTime(const QTime& time, const QLocale& locale) {
    // The locale's long form names the time zone ("t", "tttt"); a local clock reading has none.
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    format.replace(zone, QString());
    return locale.toString(time, format.trimmed());
}

QString generalDate(const QDateTime& when, const QLocale& locale) {
    return shortDate(when.date(), locale) + QLatin1Char(' ') + longTime(when.time(), locale);
}

}  // namespace pictavo::LocaleFormat
