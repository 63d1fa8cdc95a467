#include <gtest/gtest.h>

#include <QPainter>
#include <QRegularExpression>
#include <QTest>
#include <QWidget>

#include "support/HostProcess.h"
#include "x11/ScreenReference.h"

// The preview as a user meets it: the built host on the openbox session that main() started,
// the pointer and the keys from xdotool, the screen read by ImageMagick's `import`.

namespace pictavo {
namespace {

const QString kEmail = QStringLiteral("preview@example.com");

QString xdotool(const QString& arguments) {
    return test::xdotool(arguments.split(QLatin1Char(' ')));
}

std::unique_ptr<test::HostProcess> startHost(const char* scaleFactor = "1") {
    return test::HostProcess::atScale(kEmail, scaleFactor);
}

// The preview window's rectangle on the screen, once it is shown; an empty one when it is not.
QRect previewWindow() {
    if (!test::waitForWindow(QStringLiteral("Pictavo 3"))) {
        return {};
    }
    const QString id = test::visibleWindows(QStringLiteral("Pictavo 3")).value(0);
    const auto m =
        QRegularExpression(QStringLiteral("Position: (\\d+),(\\d+).*Geometry: (\\d+)x(\\d+)"),
                           QRegularExpression::DotMatchesEverythingOption)
            .match(xdotool(QStringLiteral("getwindowgeometry ") + id));
    return m.hasMatch() ? QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                                m.captured(4).toInt())
                        : QRect();
}

int count(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += (image.pixel(x, y) | 0xff000000u) == colour;
        }
    }
    return n;
}

// Whether `part` stands somewhere in `whole`, pixel for pixel.
bool contains(const QImage& whole, const QImage& part) {
    for (int y = 0; y + part.height() <= whole.height(); ++y) {
        for (int x = 0; x + part.width() <= whole.width(); ++x) {
            if (whole.pixel(x, y) == part.pixel(0, 0) &&
                test::differingPixels(whole.copy(x, y, part.width(), part.height()), part) == 0) {
                return true;
            }
        }
    }
    return false;
}

// A click on the magenta swatch, a stroke across the preview, a second click on the swatch and
// Return send the stroke; Ctrl+Z before Return takes it out of the file; Escape sends nothing.
TEST(PreviewHost, ReturnAfterASwatchSendsTheStrokeCtrlZTakesItBackEscapeSendsNothing) {
    test::setUserValue(kEmail, "Options", "Preview", QStringLiteral("1"));
    test::setUserValue(kEmail, "DrawTools", "Tool", QStringLiteral("0"));
    test::setUserValue(kEmail, "DrawTools", "Len", QStringLiteral("5"));
    const struct {
        const char* name;
        const char* keys;  // after the stroke
        int magenta;       // -1: no file
    } rows[] = {{"return", "Return", 1}, {"undo", "ctrl+z Return", 0}, {"escape", "Escape", -1}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const auto host = startHost();
        host->send("/xpvfull");
        const QRect w = previewWindow();
        ASSERT_TRUE(w.isValid());
        // cmdColour 9 in the palette at the window's top right, 15 twips a pixel at 96 dpi.
        const QPoint swatch = w.topLeft() + QPoint((w.width() * 15 - 8440 + 7710) / 15, 990 / 15);
        const QPoint c = w.center();
        const QString click =
            QStringLiteral("mousemove %1 %2 click 1").arg(swatch.x()).arg(swatch.y());
        xdotool(click);
        xdotool(QStringLiteral("mousemove %1 %2 mousedown 1 mousemove %3 %4 mousemove %5 %6 "
                               "mouseup 1")
                    .arg(c.x() - 150)
                    .arg(c.y())
                    .arg(c.x())
                    .arg(c.y() + 20)
                    .arg(c.x() + 150)
                    .arg(c.y() + 40));
        xdotool(click);
        xdotool(QStringLiteral("key ") + QLatin1String(r.keys));
        const QString path = host->answer().value_or(QStringLiteral("<none>"));
        if (r.magenta < 0) {
            EXPECT_EQ(path, QString());
        } else {
            ASSERT_TRUE(path.endsWith(QStringLiteral(".png"))) << path.toStdString();
            EXPECT_EQ(count(QImage(path), qRgb(255, 0, 255)) > 0, r.magenta > 0);
        }
    }
}

// A window that fits is shown one capture pixel per device pixel at a scale of 2.
TEST(PreviewHost, AtScaleTwoAWindowThatFitsIsShownPixelForPixel) {
    test::setUserValue(kEmail, "Options", "Preview", QStringLiteral("1"));
    class Pattern : public QWidget {
    protected:
        void paintEvent(QPaintEvent*) override {
            QPainter p(this);
            for (int y = 0; y < height(); ++y) {
                for (int x = 0; x < width(); ++x) {
                    p.setPen(QColor(x * 7 & 255, y * 5 & 255, (x ^ y) & 255));
                    p.drawPoint(x, y);
                }
            }
        }
    } pattern;
    pattern.setWindowTitle(QStringLiteral("pattern"));
    pattern.resize(500, 300);
    pattern.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pattern));
    xdotool(QStringLiteral("search --name ^pattern$ windowactivate --sync"));
    QTest::qWait(300);

    const auto host = startHost("2");
    host->send("/xpvactive");
    ASSERT_TRUE(previewWindow().isValid());
    // Only the preview may show the pattern now.
    pattern.hide();
    QTest::qWait(300);
    const QImage screen = test::importRoot();
    xdotool(QStringLiteral("key Return"));
    const QImage sent =
        QImage(host->answer().value_or(QString())).convertToFormat(QImage::Format_RGB32);
    ASSERT_GE(sent.width(), 500);
    EXPECT_TRUE(contains(screen, sent)) << "the capture is not on the screen as it is";
}

}  // namespace
}  // namespace pictavo
