#include <gtest/gtest.h>

#include "output/OverlayTags.h"
#include "platform/LocaleFormat.h"

namespace pictavo::test {
namespace {

const QDateTime kMorning(QDate(2026, 3, 4), QTime(9, 5, 3));  // a Wednesday
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

TEST(OverlayTagsTest, EachTagAndWhatIsNotATag) {
    const QString shortDate = LocaleFormat::shortDate(kMorning.date(), kEnglish);
    const QString time = LocaleFormat::longTime(kMorning.time(), kEnglish);
    struct {
        const char* name;
        QString text;
        QString action;
        QString expected;
    } const cases[] = {
        {"year", "(!DY)", "Sent", "2026"},
        {"month", "(!DM)", "Sent", "March"},
        {"weekday", "(!DD)", "Sent", "Wednesday"},
        {"short date", "(!D)", "Sent", shortDate},
        {"two-digit clock", "(!TH):(!TM):(!TS)", "Sent", "09:05:03"},
        {"time", "(!T)", "Sent", time},
        {"every occurrence", "(!TH)(!TH)-(!DY)/(!DY)", "Sent", "0909-2026/2026"},
        {"longer tags before their prefixes", "(!DY)(!D)(!DD)", "Sent",
         "2026" + shortDate + "Wednesday"},
        {"lower case is plain text", "(!dy)(!dm)(!d)(!th)(!t)(!s)", "Sent",
         "(!dy)(!dm)(!d)(!th)(!t)(!s)"},
        {"unclosed tags stay", "(!DY (!D (!S", "Sent", "(!DY (!D (!S"},
        {"default text", "Screenshot (!S) on (!TH):(!TM) - (!D)", "Sent",
         "Screenshot Sent on 09:05 - " + shortDate},
        {"action se... in any case", "(!S)", "sEnDing", "Sent"},
        {"action SA... in any case", "(!S)", "SAuvegarde", "Saved"},
        {"other action keeps the tag", "(!S) (!S)", "x", "(!S) (!S)"},
        {"one letter is not enough", "(!S)", "s", "(!S)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(expandOverlayTags(c.text, kMorning, c.action, kEnglish), c.expected) << c.name;
    }
}

TEST(OverlayTagsTest, NamesAreEnglishButDateAndTimeFollowTheLocale) {
    EXPECT_EQ(expandOverlayTags("(!DM) (!DD)", kMorning, "Sent", kGerman), "March Wednesday");
    EXPECT_EQ(expandOverlayTags("(!D)", kMorning, "Sent", kGerman), "04.03.26");
    EXPECT_EQ(expandOverlayTags("(!T)", kMorning, "Sent", kGerman), "09:05:03");
    EXPECT_EQ(
        expandOverlayTags("(!T)", QDateTime(QDate(2026, 3, 4), QTime(21, 5, 3)), "Sent", kEnglish),
        "9:05:03 PM");
}

}  // namespace
}  // namespace pictavo::test
