#include <gtest/gtest.h>

#include <QApplication>
#include <QBitmap>
#include <QPointer>
#include <QRegion>
#include <QTest>
#include <algorithm>
#include <vector>

#include "capture/frmCounter.h"
#include "capture/modCapture.h"
#include "controls/Twips.h"
#include "controls/VexelButton.h"
#include "support/PixelChecks.h"
#include "support/TestComponent.h"

namespace pictavo {
namespace {

using namespace Qt::StringLiterals;

class Counter : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tc.initialize()); }

    void setCount(const char* text) { tc.set("", "Count", QLatin1String(text)); }
    static auto countdownWindows() {
        return std::ranges::count_if(QApplication::topLevelWidgets(), [](QWidget* w) {
            return w->objectName() == QLatin1String("frmCounter") && w->isVisible();
        });
    }

    test::TestComponent tc;
    frmCounter& counter = tc.pv->counterForm();
};

using CaptureChooser = Counter;

// Halves round to even; one number a tick, then the window goes. A count that is no number or below
// one shows nothing. Either way a countdown already running ends: one window at most.
TEST_F(Counter, ShowsEachNumberForOneTickThenUnloadsInPlaceOfAnEarlierCountdown) {
    EXPECT_FALSE(counter.Show()) << "never written: the store answers \"Error\"";
    // The count stored, and the first number shown (0: none).
    const std::pair<const char*, int> rows[] = {{"3", 3},     {"2.5", 2}, {"3.5", 4},
                                                {"&H10", 16}, {"abc", 0}, {"3 seconds", 0},
                                                {"-1", 0},    {"0.4", 0}};
    for (const auto& [count, first] : rows) {
        SCOPED_TRACE(count);
        setCount("9");
        ASSERT_TRUE(counter.Show());
        setCount(count);
        EXPECT_EQ(counter.Show(), first > 0);
        EXPECT_EQ(countdownWindows(), first > 0 ? 1 : 0);
        const QPointer<QWidget> window = first > 0 ? counter.window() : nullptr;
        for (int number = first; number > 0; --number) {
            ASSERT_TRUE(counter.isLoaded()) << number;
            ASSERT_EQ(counter.lblTime()->text(), QString::number(number));
            ASSERT_EQ(counter.lblTime2()->text(), QString::number(number));
            counter.Timer1_Timer();
        }
        EXPECT_FALSE(counter.isLoaded());
        EXPECT_FALSE(window) << "the widgets outlive the unload";
    }
}

// A delay the user typed may pass 16 bits (up to a day): the countdown starts at the largest.
TEST(CountFromText, BeyondSixteenBitsIsHeldAtTheLimits) {
    EXPECT_EQ(countFromText(u"40000"_s), 32767);
    EXPECT_EQ(countFromText(u"-99999"_s), -32768);
}

// Font and colours as set, and the pixels: the blue shadow 3 pixels (45 twips) right of and below
// the red number, and the number painted over the shadow. (The window's place in the corner, on
// its background colour, is CounterX11.AppearsInTheCornerOnTopWithoutTakingTheFocus's.)
TEST_F(Counter, PaintsTheNumberOverItsShadowInTheCountdownLook) {
    const std::pair<const char*, const char*> look[] = {
        {"Font", "DejaVu Sans"}, {"FontSize", "30"},     {"FontStrikethru", "1"},
        {"FontUnderline", "0"},  {"FontBold", "1"},      {"FontItalic", "1"},
        {"ForeColor", "255"},    {"Shadow", "16711680"}, {"BackColor", "65280"}};
    for (const auto& [name, text] : look) {
        tc.set("Countdown", name, QLatin1String(text));
    }
    setCount("8");
    ASSERT_TRUE(counter.Show());
    const QFont f = counter.lblTime2()->font();
    EXPECT_EQ(f.pointSizeF(), 30.0);
    EXPECT_TRUE(f.strikeOut() && !f.underline() && f.bold() && f.italic());

    QWidget* w = counter.window();
    if (twipsPerPixelX(w) != 15 || twipsPerPixelY(w) != 15) {
        GTEST_SKIP() << "pixel offsets are written for 96 dots per inch";
    }
    // The pixels of `colour` in `picture`.
    const auto pixelsOf = [](const QImage& picture, QRgb colour) {
        return QRegion(QBitmap::fromImage(picture.createMaskFromColor(colour, Qt::MaskOutColor)));
    };
    const QImage image = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRegion number = pixelsOf(image, qRgb(255, 0, 0));
    ASSERT_FALSE(number.isEmpty());
    EXPECT_EQ(pixelsOf(image, qRgb(0, 0, 255)).boundingRect().bottomRight(),
              number.boundingRect().bottomRight() + QPoint(3, 3));
    QImage alone(image.size(), QImage::Format_RGB32);
    alone.fill(qRgb(0, 255, 0));
    counter.lblTime()->render(&alone, counter.lblTime()->pos());
    EXPECT_EQ(pixelsOf(alone, qRgb(255, 0, 0)).subtracted(number), QRegion()) << "hidden";
}

// The buttons through the commands are ChooserCommand.EachButtonRuns…'s and OptionsHost's;
// here the ways out no command answer shows: Escape cancels ("#"), the title bar's close keeps
// the result, and a chosen kind (here the save chooser's active window) runs with the chooser
// hidden, out of its own picture.
TEST_F(CaptureChooser, EscapeCancelsCloseKeepsTheResultAndAKindRunsHidden) {
    frmSave& chooser = tc.pv->saveForm();
    std::vector<std::pair<CaptureKind, bool>> ran;  // each kind run, and whether hidden then
    // The way out, and the result it leaves.
    const std::tuple<const char*, std::function<void()>, const char*> rows[] = {
        {"Escape", [&] { QTest::keyClick(chooser.window(), Qt::Key_Escape); }, "#"},
        {"close", [&] { chooser.button("cmdX")->Click(); }, "changed"},
        {"a kind", [&] { chooser.button("cmdActive")->Click(); }, "changed"},
    };
    for (const auto& [name, leave, result] : rows) {
        SCOPED_TRACE(name);
        chooser.setAction(
            [&](CaptureKind kind) { ran.emplace_back(kind, !chooser.window()->isVisible()); });
        tc.set("", "sResult", u"stale"_s);
        chooser.window()->show();
        QApplication::processEvents();
        EXPECT_EQ(tc.get("", "sResult"), u"#"_s);  // written at load
        tc.set("", "sResult", u"changed"_s);
        leave();
        EXPECT_FALSE(chooser.isLoaded());
        EXPECT_EQ(tc.get("", "sResult"), QLatin1String(result));
    }
    EXPECT_EQ(ran, (std::vector{std::pair(CaptureKind::ActiveWindow, true)}));
}

// A bitmap with translucent pixels (a palette of 256 colours with alpha 0 beside it, as one read
// from a display may come) is opaque true colour that keeps every pixel's colour. Only a
// 256-colour palette with an indexed bitmap is kept: X11Depth.VirtualScreenShowsEveryColourOpaque.
TEST(PictureFromBitmap, TranslucentPixelsComeOutOpaqueInTheirOwnColour) {
    const QList<QRgb> palette(256, qRgba(1, 2, 3, 0));
    QImage translucent(2, 2, QImage::Format_ARGB32);
    translucent.fill(qRgba(10, 20, 30, 0));
    const CapturePicture picture = PictureFromBitmap(translucent, palette);
    EXPECT_EQ(picture.image().format(), QImage::Format_RGB32);
    EXPECT_EQ(picture.image().pixel(1, 1), qRgb(10, 20, 30));
    EXPECT_EQ(test::storedTranslucentPixels(picture.image()), 0);
}

}  // namespace
}  // namespace pictavo
