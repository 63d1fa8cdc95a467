#include "output/OverlayTags.h"

#include "platform/LocaleFormat.h"

namespace pictavo {

namespace {

// The names are English whatever the user's locale: the stamp has always read that way, and
// a text written for it ("Saved in (!DM)") is English too.
const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
const char* const kWeekdays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                 "Friday", "Saturday", "Sunday"};

QString twoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString monthName(const QDate& date) {
    const int month = date.month();
    return month >= 1 && month <= 12 ? QLatin1String(kMonths[month - 1]) : QString();
}

QString weekdayName(const QDate& date) {
    const int day = date.dayOfWeek();  // 1 = Monday
    return day >= 1 && day <= 7 ? QLatin1String(kWeekdays[day - 1]) : QString();
}

}  // namespace

QString expandOverlayTags(const QString& text, const QDateTime& now, const QString& action,
                          const QLocale& locale) {
    const QDate date = now.date();
    const QTime time = now.time();
    QString result = text;
    // The order matters only in that each replacement works on the result of the previous
    // one; none of the tags is a prefix of another, since each ends in ")".
    result.replace(QLatin1String("(!DY)"), QString::number(date.year()));
    result.replace(QLatin1String("(!DM)"), monthName(date));
    result.replace(QLatin1String("(!DD)"), weekdayName(date));
    result.replace(QLatin1String("(!D)"), LocaleFormat::shortDate(date, locale));
    result.replace(QLatin1String("(!TH)"), twoDigits(time.hour()));
    result.replace(QLatin1String("(!TM)"), twoDigits(time.minute()));
    result.replace(QLatin1String("(!TS)"), twoDigits(time.second()));
    result.replace(QLatin1String("(!T)"), LocaleFormat::longTime(time, locale));
    if (action.startsWith(QLatin1String("se"), Qt::CaseInsensitive)) {
        result.replace(QLatin1String("(!S)"), QStringLiteral("Sent"));
    } else if (action.startsWith(QLatin1String("sa"), Qt::CaseInsensitive)) {
        result.replace(QLatin1String("(!S)"), QStringLiteral("Saved"));
    }
    return result;
}

}  // namespace pictavo
