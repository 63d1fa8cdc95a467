#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <memory>
#include <vector>

#include "capture/frmCounter.h"
#include "config/Twips.h"
#include "platform/RegistryHive.h"
#include "settings/Settings.h"
#include "support/ScriptedDialogs.h"

namespace pictavo {
namespace {

const QString kUserKey;
const QString kCountdown = QStringLiteral("Countdown");

class Counter : public ::testing::Test {
protected:
    void SetUp() override { settings.checkRegistry(); }

    void setCount(const QString& text) {
        settings.setValue(kUserKey, QStringLiteral("Count"), text);
    }
    void setLook(const char* name, const char* text) {
        settings.setValue(kCountdown, QLatin1String(name), QLatin1String(text));
    }

    // Every loaded countdown window of the process, by its name.
    static int countdownWindows() {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            n += w->objectName() == QLatin1String("frmCounter") && w->isVisible() ? 1 : 0;
        }
        return n;
    }

    std::unique_ptr<RegistryHive> hive =
        std::make_unique<RegistryHive>(RegistryHive::defaultPath());
    test::ScriptedDialogs dialogs;
    Settings settings{*hive, dialogs, [] { return QStringLiteral("user@example.com"); }};
    frmCounter counter{settings};
};

struct CountRow {
    const char* name;
    const char* count;
    std::vector<int> shown;  // the numbers shown, one per second, before the unload
};

void PrintTo(const CountRow& row, std::ostream* os) {
    *os << row.name;
}

class CounterSequence : public Counter, public ::testing::WithParamInterface<CountRow> {};

TEST_P(CounterSequence, ShowsEachNumberForOneTickThenUnloads) {
    const CountRow& row = GetParam();
    setCount(QLatin1String(row.count));
    ASSERT_TRUE(counter.Show());
    EXPECT_EQ(counter.CountText, QLatin1String(row.count));
    const QPointer<QWidget> window = counter.window();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(counter.Timer1()->isActive());
    EXPECT_EQ(counter.Timer1()->interval(), 1000);

    for (std::size_t i = 0; i < row.shown.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(counter.isLoaded());
        const QString expected = QString::number(row.shown[i]);
        EXPECT_EQ(counter.lblTime()->text(), expected);
        EXPECT_EQ(counter.lblTime2()->text(), expected);
        counter.Timer1_Timer();
    }
    EXPECT_FALSE(counter.isLoaded());
    EXPECT_FALSE(window) << "the widgets outlive the unload";
    EXPECT_EQ(countdownWindows(), 0);

    // Ticks after the unload change nothing.
    const qint16 last = counter.Seconds;
    counter.Timer1_Timer();
    EXPECT_EQ(counter.Seconds, last);
}

INSTANTIATE_TEST_SUITE_P(Counts, CounterSequence,
                         ::testing::Values(CountRow{"Three", "3", {3, 2, 1}},
                                           CountRow{"One", "1", {1}}, CountRow{"Zero", "0", {0}},
                                           CountRow{"Negative", "-5", {-5}},
                                           CountRow{"HalfRoundsToEven", "2.5", {2, 1}},
                                           CountRow{"HalfRoundsUpToEven", "3.5", {4, 3, 2, 1}},
                                           CountRow{"Blanks", " 2 ", {2, 1}}),
                         [](const ::testing::TestParamInfo<CountRow>& info) {
                             return info.param.name;
                         });

TEST(CountFromText, NumbersBeyondTheRangeCountFromItsEndAndOtherTextsAreNoCount) {
    struct Row {
        const char* text;
        std::optional<qint16> count;
    };
    const Row rows[] = {
        {"32767", 32767},        {"32768", 32767},
        {"1e9", 32767},          {"-32768", -32768},
        {"-99999", -32768},      {"&H10", 16},
        {"abc", std::nullopt},   {"", std::nullopt},
        {"Error", std::nullopt}, {"3 seconds", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(countFromText(QLatin1String(row.text)), row.count) << row.text;
    }
}

// A count that is no number: there is nothing to show, and nothing may stay on the screen.
TEST_F(Counter, ACountThatIsNoNumberShowsNothingAndEndsAnEarlierCountdown) {
    // Never written: the store answers "Error".
    EXPECT_FALSE(counter.Show());
    EXPECT_FALSE(counter.isLoaded());
    EXPECT_EQ(counter.CountText, QStringLiteral("Error"));

    setCount(QStringLiteral("3"));
    ASSERT_TRUE(counter.Show());
    const QPointer<QWidget> earlier = counter.window();

    for (const char* text : {"abc", "", "1,5,"}) {
        SCOPED_TRACE(text);
        setCount(QLatin1String(text));
        EXPECT_FALSE(counter.Show());
        EXPECT_FALSE(counter.isLoaded());
        EXPECT_EQ(counter.CountText, QLatin1String(text));
        EXPECT_EQ(countdownWindows(), 0);
    }
    EXPECT_FALSE(earlier);
}

TEST_F(Counter, ANewCountdownReplacesOneStillShowing) {
    setCount(QStringLiteral("9"));
    ASSERT_TRUE(counter.Show());
    counter.Timer1_Timer();
    setCount(QStringLiteral("4"));
    ASSERT_TRUE(counter.Show());
    EXPECT_EQ(countdownWindows(), 1);
    EXPECT_EQ(counter.lblTime()->text(), QStringLiteral("4"));
}

// The window sits in the corner and is the number's size plus 30 twips at load, plus 45 once it
// has ticked; the shadow lies 45 twips right of and below the number.
TEST_F(Counter, TakesItsSizeFromTheNumberWithTheMarginGrowingAtTheFirstTick) {
    setCount(QStringLiteral("3"));
    ASSERT_TRUE(counter.Show());
    QWidget* w = counter.window();
    const int tx = twipsPerPixelX(w);
    const int ty = twipsPerPixelY(w);
    auto expectedSize = [&](int margin) {
        const QLabel* label = counter.lblTime();
        return QSize(toPixels(toTwips(label->width(), tx) + 15 + margin, tx),
                     toPixels(toTwips(label->height(), ty) + 15 + margin, ty));
    };

    EXPECT_EQ(w->pos(), QPoint(0, 0));
    EXPECT_EQ(counter.lblTime()->pos(), QPoint(toPixels(15, tx), toPixels(15, ty)));
    EXPECT_EQ(counter.lblTime2()->pos(), QPoint(toPixels(60, tx), toPixels(60, ty)));
    EXPECT_EQ(counter.lblTime()->size(), counter.lblTime()->sizeHint());
    EXPECT_EQ(counter.lblTime2()->size(), counter.lblTime()->size());
    EXPECT_EQ(w->size(), expectedSize(30));
    const QSize atLoad = w->size();

    counter.Timer1_Timer();
    EXPECT_EQ(w->size(), expectedSize(45));
    if (tx == 15 && ty == 15) {
        // One pixel a side at 96 dots per inch: the digits 3 and 2 are equally wide.
        EXPECT_EQ(w->size(), atLoad + QSize(1, 1));
    }
    EXPECT_EQ(w->pos(), QPoint(0, 0));
}

TEST_F(Counter, TheLabelFollowsAWiderNumber) {
    setCount(QStringLiteral("10"));
    ASSERT_TRUE(counter.Show());
    const int wide = counter.window()->width();
    counter.Timer1_Timer();  // 9: one digit
    EXPECT_LT(counter.window()->width(), wide);
    EXPECT_EQ(counter.lblTime()->size(), counter.lblTime()->sizeHint());
}

TEST(CounterWindowTwips, AddsTheLabelsPlaceAndTheMargin) {
    EXPECT_EQ(counterWindowTwips(15, 15, QSize(600, 450), 30), QSize(645, 495));
    EXPECT_EQ(counterWindowTwips(15, 15, QSize(600, 450), 45), QSize(660, 510));
}

TEST(ColourFromSettingText, ReadsBlueGreenRedValuesAndFallsBackOnOtherTexts) {
    const QColor fallback(1, 2, 3);
    struct Row {
        const char* text;
        QColor colour;
    };
    const Row rows[] = {
        {"255", QColor(255, 0, 0)},
        {"65280", QColor(0, 255, 0)},
        {"16711680", QColor(0, 0, 255)},
        {"1193046", QColor(0x56, 0x34, 0x12)},  // 0x123456
        {"16777215", QColor(255, 255, 255)},
        {"-1", QColor(255, 255, 255)},          // the same 32 bits, signed
        {"4294967295", QColor(255, 255, 255)},  // and unsigned
        {"&HFF00", QColor(0, 255, 0)},
        {"4294967296", fallback},
        {"-2147483649", fallback},
        {"red", fallback},
        {"", fallback},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(colourFromSettingText(QLatin1String(row.text), fallback), row.colour) << row.text;
    }
}

class CounterLook : public Counter {
protected:
    void SetUp() override {
        Counter::SetUp();
        setLook("Font", "DejaVu Sans");
        setLook("FontSize", "30");
        setLook("FontStrikethru", "1");
        setLook("FontUnderline", "0");
        setLook("FontBold", "1");
        setLook("FontItalic", "1");
        setLook("ForeColor", "255");    // red
        setLook("Shadow", "16711680");  // blue
        setLook("BackColor", "65280");  // green
        setCount(QStringLiteral("8"));
    }
};

TEST_F(CounterLook, NumberAndShadowTakeTheCountdownFontAndTheirColours) {
    ASSERT_TRUE(counter.Show());
    for (QLabel* label : {counter.lblTime(), counter.lblTime2()}) {
        SCOPED_TRACE(label->objectName().toStdString());
        const QFont f = label->font();
        EXPECT_EQ(f.family(), QStringLiteral("DejaVu Sans"));
        EXPECT_DOUBLE_EQ(f.pointSizeF(), 30.0);
        EXPECT_TRUE(f.strikeOut());
        EXPECT_FALSE(f.underline());
        EXPECT_TRUE(f.bold());
        EXPECT_TRUE(f.italic());
    }
    EXPECT_EQ(counter.lblTime()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(counter.lblTime2()->palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

// What the window paints: the background, the shadow 3 pixels (45 twips) right of and below
// the number, and the number over the shadow.
TEST_F(CounterLook, PaintsTheShadowBelowAndBehindTheNumber) {
    ASSERT_TRUE(counter.Show());
    QWidget* w = counter.window();
    if (twipsPerPixelX(w) != 15 || twipsPerPixelY(w) != 15) {
        GTEST_SKIP() << "pixel offsets are written for 96 dots per inch";
    }
    const QImage image = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), w->size());

    auto bounds = [&image](QRgb colour) {
        QRect r;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) == colour) {
                    r |= QRect(x, y, 1, 1);
                }
            }
        }
        return r;
    };
    const QRect number = bounds(qRgb(255, 0, 0));
    const QRect shadow = bounds(qRgb(0, 0, 255));
    ASSERT_FALSE(number.isEmpty());
    ASSERT_FALSE(shadow.isEmpty());
    EXPECT_EQ(shadow.right(), number.right() + 3);
    EXPECT_EQ(shadow.bottom(), number.bottom() + 3);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(image.width() - 1, 0), qRgb(0, 255, 0));

    // The number alone, on the same background: none of it may be hidden by the shadow.
    const QImage alone = [&] {
        QImage img(w->size(), QImage::Format_RGB32);
        img.fill(qRgb(0, 255, 0));
        counter.lblTime()->render(&img, counter.lblTime()->pos());
        return img;
    }();
    for (int y = 0; y < alone.height(); ++y) {
        for (int x = 0; x < alone.width(); ++x) {
            if (alone.pixel(x, y) == qRgb(255, 0, 0)) {
                ASSERT_EQ(image.pixel(x, y), qRgb(255, 0, 0)) << x << "," << y;
            }
        }
    }
}

// Texts that are no number or no size fall back to the settings' defaults, so a damaged setting
// still gives a readable countdown.
TEST_F(Counter, DamagedLookSettingsFallBackToTheDefaults) {
    setLook("FontSize", "big");
    setLook("ForeColor", "red");
    setLook("Shadow", "");
    setLook("BackColor", "99999999999");
    setCount(QStringLiteral("2"));
    ASSERT_TRUE(counter.Show());
    EXPECT_DOUBLE_EQ(counter.lblTime()->font().pointSizeF(), 24.0);
    EXPECT_EQ(counter.lblTime()->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(counter.lblTime2()->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_EQ(counter.window()->palette().color(QPalette::Window), QColor(255, 255, 255));

    setLook("FontSize", "100000");
    ASSERT_TRUE(counter.Show());
    EXPECT_DOUBLE_EQ(counter.lblTime()->font().pointSizeF(), 1000.0);
}

// On its own timer: 2 for a second, 1 for a second, then gone.
TEST_F(Counter, CountsDownOnItsOwnTimerOnceASecond) {
    setCount(QStringLiteral("2"));
    ASSERT_TRUE(counter.Show());
    const QPointer<QWidget> window = counter.window();
    QTest::qWait(1300);
    ASSERT_TRUE(counter.isLoaded());
    EXPECT_EQ(counter.lblTime()->text(), QStringLiteral("1"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 3000));
    EXPECT_FALSE(counter.isLoaded());
}

}  // namespace
}  // namespace pictavo
