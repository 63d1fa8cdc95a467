#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace pictavo {

// Replaces the overlay tags in `text`, every occurrence, in this order:
//   "(!DY)" year, "(!DM)" English month name, "(!DD)" English weekday name,
//   "(!D)" the locale's short date, "(!TH)" "(!TM)" "(!TS)" hour (24-hour clock), minute and
//   second as two digits, "(!T)" the locale's time, "(!S)" "Sent" or "Saved".
// Tags match exactly as written: the same letters in lower case are plain text. "(!S)" becomes
// "Sent" when `action` begins with "se" and "Saved" when it begins with "sa" (either case);
// with any other action word it stays in the text as typed.
//
// Pure, so that the options window can show a sample of the text with the same rules.
QString expandOverlayTags(const QString& text, const QDateTime& now, const QString& action,
                          const QLocale& locale = QLocale::system());

}  // namespace pictavo
