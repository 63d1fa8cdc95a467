#include <gtest/gtest.h>

#include <optional>

#include "output/OverlayPlacement.h"
#include "output/OverlayStamp.h"
#include "output/OverlayTags.h"
#include "platform/CapturePicture.h"
#include "platform/LocaleFormat.h"
#include "settings/Settings.h"
#include "support/PixelChecks.h"
#include "support/TestComponent.h"

namespace pictavo::test {
namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QDateTime kMorning(QDate(2026, 3, 4), QTime(9, 5, 3));  // a Wednesday
const QLocale kGerman(QLocale::German, QLocale::Germany);
const QRgb kBase = qRgb(20, 30, 40);
const QRgb kBox = qRgb(174, 255, 185);  // the default "BackColour" 12189614 = 0xB9FFAE
const QRgb kRed = qRgb(255, 0, 0);

QImage blank(int width, int height, QRgb colour = kBase) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

class OverlayStampTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tc.initialize()); }

    Settings& settings() { return tc.pv->settings(); }
    void set(const char* name, const QString& value) {
        settings().setValue("Overlay", name, value);
    }
    QString stored(const char* name) { return settings().value("Overlay", name); }
    // The default look at 96 dpi, for working out what a stamp should hold.
    static QFont defaultFont() {
        return QFont({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")}, 9, QFont::Bold);
    }
    static QImage expectedBox(const QString& text) {
        return renderOverlayBox(text, defaultFont(), kRed, kBox, 96);
    }

    void stamp(int mode = 0, double dpi = 96) {
        OverlayStamp overlay(settings(), *tc.clock, kEnglish);
        overlay.setLogicalDpi(dpi);
        OverlayTarget target{capture, left, top, action, [this](bool big) { warning = big; }};
        overlay.DoOverlay(mode, target);
    }

    TestComponent tc;
    CapturePicture capture{blank(800, 600)};
    qint32 left = 0;
    qint32 top = 0;
    QString action;
    std::optional<bool> warning;
};

// The default text stamps the bottom right box, ending on the edge at any size and resolution:
// at 96 dpi exactly the text in the default look, its bottom margin a fifth of its height,
// and nothing else changed (what changed is the box). A 4K capture's right column is beyond 16 bits
// of twips.
TEST_F(OverlayStampTest, DefaultTextStampsTheBottomRightBoxAndNothingElse) {
    tc.clock->set(QDateTime(QDate(2026, 12, 6), QTime(14, 5, 9)));
    const QImage box = expectedBox("Screenshot Sent on 14:05 - " +
                                   LocaleFormat::shortDate(QDate(2026, 12, 6), kEnglish) + "  ");
    for (double dpi : {72.0, 96.0, 120.0, 144.0}) {
        for (int width : {517, 1366, 2185, 3840}) {
            SCOPED_TRACE(testing::Message() << dpi << " dpi, " << width << " px");
            capture = CapturePicture(blank(width, 120));
            stamp(0, dpi);
            const QRect found = differingArea(capture.image(), blank(width, 120));
            ASSERT_FALSE(found.isEmpty());
            EXPECT_EQ(capture.image().copy(width - 2, found.top(), 2, found.height()),
                      blank(2, found.height(), kBox));  // the margin
            EXPECT_EQ(left, qRound(1440 / dpi) * found.left());
            if (dpi == 96) {
                ASSERT_EQ(found.size(), box.size());
                EXPECT_NEAR(120 - (found.bottom() + 1), 0.2 * box.height(), 0.5);
                EXPECT_EQ(capture.image().copy(found), box);
                EXPECT_EQ(top, qRound(15 * 120 - 1.2 * 15 * box.height()));
            }
        }
    }
    EXPECT_GT(left, 32767);
    EXPECT_EQ(stored("OverlayX"), QString::number(left));

    // A picture with a palette keeps it.
    QImage indexed(300, 60, QImage::Format_Indexed8);
    QList<QRgb> table(256, qRgb(0, 0, 0));
    table[200] = kBox;
    table[201] = kRed;
    indexed.setColorTable(table);
    indexed.fill(0);
    capture = CapturePicture(indexed);
    stamp(0);
    EXPECT_EQ(capture.palette(), table);
    const QRect found = differingArea(capture.image(), indexed);
    EXPECT_EQ(found.right(), 299);
    // Some of the text is red.
    EXPECT_LT(
        differingPixels(capture.image().copy(found), blank(found.width(), found.height(), kRed)),
        found.width() * found.height());
}

// The mode chooses the action word (the user's own words), the position the corner (none keeps
// the one before, (10, 20) pixels), and the text as it will be drawn must fit the capture, or
// nothing is stamped and the user is warned: tags replaced (the clock says Sunday, 6 December)
// and the margin of the outer columns included.
TEST_F(OverlayStampTest, ModeChoosesTheWordPositionTheCornerAndTheTextAsStampedMustFit) {
    settings().setValue("", "Sent", "Envoyer");
    settings().setValue("", "Saved", "sauver");
    struct {
        const char* name;
        int mode;
        QString text, position, actionBefore, actionAfter;
        QString stamped;  // none: too big
        QString fitTo;    // the capture is as wide as this text, plus widthChange; none: 200 px
        int widthChange;
        QPoint at;  // pixels
    } const cases[] = {
        // clang-format off
        {"exactly as wide", 0, "Exactly as wide", "1", "", "Envoyer", "  Exactly as wide", "  Exactly as wide", 0, {0, 0}},
        {"no room for the margin", 0, "Exactly as wide", "1", "", "Envoyer", "", "  Exactly as wide", -1, {10, 20}},
        {"tags grow past the edge", 0, "(!DM)(!DD)", "2", "", "Envoyer", "", "(!DM)(!DD)", 0, {10, 20}},
        {"tags fit once replaced", 0, "(!DM)(!DD)", "2", "", "Envoyer", "DecemberSunday", "DecemberSunday", 0, {0, 0}},
        {"sent", 0, "(!S)", "1", "", "Envoyer", "  (!S)", "", 0, {0, 0}},
        {"saved, first digit", 1, "(!S)", "12", "", "sauver", "  Saved", "", 0, {0, 0}},
        {"mode 2 keeps the word", 2, "(!S)", "", "Sending", "Sending", "Sent", "", 0, {10, 20}},
        {"no position", 1, "(!S)", "x", "", "sauver", "Saved", "", 0, {10, 20}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        set("Text", c.text);
        set("Position", c.position);
        const int width = c.fitTo.isEmpty()
                              ? 200
                              : overlayTextSize(c.fitTo, defaultFont(), 96).width() + c.widthChange;
        capture = CapturePicture(blank(width, 80));
        action = c.actionBefore;
        left = 150;
        top = 300;
        set("OverlayX", "untouched");
        stamp(c.mode);
        EXPECT_EQ(action, c.actionAfter);
        EXPECT_EQ(warning, c.stamped.isEmpty());
        EXPECT_EQ(QPoint(left, top), c.at * 15);
        if (c.stamped.isEmpty()) {
            EXPECT_EQ(capture.image(), blank(width, 80));
            EXPECT_EQ(stored("OverlayX"), "untouched");
        } else {
            const QImage box = expectedBox(c.stamped);
            EXPECT_EQ(capture.image().copy(QRect(c.at, box.size())), box);
            EXPECT_EQ(stored("OverlayX") + "," + stored("OverlayY"),
                      QStringLiteral("%1,%2").arg(left).arg(top));
        }
    }
}

// (Positions 1 and 9, past 16 bits, and no position are the stamp's tests, pixel for pixel.)
TEST(OverlayPlacementTest, NinePositionsAndTheirRounding) {
    const OverlayCorner previous{123, 456};
    // Capture and box sizes in twips; a corner kept from before would show as (123, 456).
    struct {
        const char* name;
        QString position;
        qint64 sw, sh, bw, bh;
        OverlayCorner expected;
    } const cases[] = {
        {"centre half rounds down to even", "5", 1515, 1515, 750, 750, {382, 382}},
        {"centre half rounds up to even", "5", 1545, 1545, 750, 750, {398, 398}},
        {"negative half to even", "2", 0, 0, 765, 0, {-382, 0}},
        {"box wider than capture", "3", 1500, 1500, 1800, 300, {-300, 0}},
        {"bottom row fraction rounds", "8", 100, 100, 0, 7, {50, 92}},  // 100 - 8.4
        {"bottom row above zero", "7", 0, 100, 0, 100, {0, -20}},
        {"saturates at 32 bits", "3", qint64(1) << 40, 0, 0, 0, {2147483647, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(placeOverlay(c.position, c.sw, c.sh, c.bw, c.bh, previous), c.expected) << c.name;
    }
}

TEST(OverlayTagsTest, EachTagAndWhatIsNotATag) {
    const QString shortDate = LocaleFormat::shortDate(kMorning.date(), kEnglish);
    struct {
        const char* name;
        QString text;
        QString action;
        QString expected;
        QLocale locale = kEnglish;
    } const cases[] = {
        {"two-digit clock", "(!TH):(!TM):(!TS)", "Sent", "09:05:03"},
        // clang-format off
        {"longer tags before their prefixes", "(!DY)(!D)(!DD)", "Sent", "2026" + shortDate + "Wednesday"},
        {"lower case is plain text", "(!dy)(!dm)(!d)(!th)(!t)(!s)", "Sent", "(!dy)(!dm)(!d)(!th)(!t)(!s)"},
        // clang-format on
        {"unclosed tags stay", "(!DY (!D (!S", "Sent", "(!DY (!D (!S"},
        {"action se... or sa... in any case", "(!S)(!S)", "sEnDing", "SentSent"},
        {"other action keeps the tag", "(!S) (!S)", "x", "(!S) (!S)"},
        {"one letter is not enough", "(!S)", "s", "(!S)"},
        // Names are English, but date and time follow the locale.
        {"German names", "(!DM) (!DD)", "Sent", "March Wednesday", kGerman},
        {"German date and time", "(!D) (!T)", "Sent", "04.03.26 09:05:03", kGerman},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(expandOverlayTags(c.text, kMorning, c.action, c.locale), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace pictavo::test
