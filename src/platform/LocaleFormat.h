#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace pictavo::LocaleFormat {

// The locale's short date, e.g. "12/6/26" or "06/12/2026".
QString shortDate(const QDate& date, const QLocale& locale = QLocale::system());
// The locale's time with seconds and without a time zone, e.g. "9:58:35 AM" or "09:58:35".
QString longTime(const QTime& time, const QLocale& locale = QLocale::system());
// The general date form: short date, a space, long time.
QString generalDate(const QDateTime& when, const QLocale& locale = QLocale::system());

}  // namespace pictavo::LocaleFormat
