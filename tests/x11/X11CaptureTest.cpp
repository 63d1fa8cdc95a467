#include <gtest/gtest.h>

#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "capture/modCapture.h"
#include "platform/X11ScreenSource.h"
#include "support/PixelChecks.h"
#include "x11/ScreenReference.h"

// The capture primitives on Qt's own connection, on the openbox session that main() started,
// measured against what ImageMagick's `import` reads from the same screen.

namespace pictavo {
namespace {

using test::differingPixels;
using test::importRoot;

using test::PatternWindow;

class X11Capture : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = makeX11ScreenSource();
        ASSERT_NE(source_, nullptr) << "no X11 screen source on the xcb platform";
        x11_ = dynamic_cast<X11ScreenSource*>(source_.get());
        ASSERT_NE(x11_, nullptr);
    }

    // Shows `window`, makes it the active one and waits until the screen shows its pattern.
    void showActive(PatternWindow& window) {
        window.show();
        window.raise();
        window.activateWindow();
        const auto id = WindowId(window.winId());
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const QRect client = x11_->windowRect(id, true);
                return x11_->foregroundWindow() == x11_->topLevelOf(id) &&
                       client.size() == window.pattern().size() &&
                       differingPixels(x11_->grab(client), window.pattern()) == 0;
            },
            10000))
            << "the window never became active and painted";
    }

    std::unique_ptr<ScreenSource> source_;
    X11ScreenSource* x11_ = nullptr;
};

// The whole screen as `import` reads the root; the foreground window as its frame with its title
// bar, as the screen shows it: a window covering it shows in its picture too.
TEST_F(X11Capture, VirtualScreenEqualsTheRootAsImportReadsIt) {
    PatternWindow window(QSize(800, 600));
    showActive(window);

    const CapturePicture picture = CaptureVirtualScreen(*source_);
    // The picture holds the memory it was read into: a later read goes elsewhere.
    const QImage later = source_->grab(QRect(QPoint(700, 500), QSize(64, 64)));
    const QImage reference = importRoot();

    ASSERT_FALSE(reference.isNull()) << "import failed";
    EXPECT_EQ(picture.size(), QSize(1280, 800));
    // Shared memory on Qt's own connection, and GetImage on it gives the same pixels.
    EXPECT_TRUE(x11_->lastGrabWasShared());
    X11ScreenSource plain(x11_->connection(), 0, X11ScreenSource::Transport::GetImage);
    EXPECT_EQ(CaptureVirtualScreen(plain).image(), picture.image());
    EXPECT_FALSE(picture.hasPalette());
    EXPECT_EQ(differingPixels(picture.image(), reference), 0);
    EXPECT_EQ(differingPixels(later, reference.copy(700, 500, 64, 64)), 0);
    EXPECT_FALSE(picture.image().hasAlphaChannel());
    EXPECT_EQ(test::storedTranslucentPixels(picture.image()), 0);

    const QRect client = x11_->windowRect(WindowId(window.winId()), true);
    const QRect frame = source_->foregroundWindowRect();
    ASSERT_TRUE(frame.contains(client));
    ASSERT_GE(client.top() - frame.top(), 10) << "no title bar above the client";
    // An override-redirect window: on top, unmanaged, never active.
    QWidget cover(nullptr, Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint);
    cover.setStyleSheet(QStringLiteral("background: #ff00ff"));
    const QRect covered(client.center() - QPoint(50, 40), QSize(100, 80));
    cover.setGeometry(covered);
    cover.show();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const QImage shown = source_->grab(covered);
            return shown.pixel(0, 0) == qRgb(255, 0, 255) &&
                   shown.pixel(99, 79) == qRgb(255, 0, 255);
        },
        10000));

    const CapturePicture foreground = CaptureForegroundWindow(*source_);

    ASSERT_EQ(foreground.size(), frame.size());
    EXPECT_EQ(foreground.image().pixel(covered.center() - frame.topLeft()), qRgb(255, 0, 255));
    EXPECT_EQ(differingPixels(foreground.image(), importRoot().copy(frame)), 0);
    const QRect clientInFrame = client.translated(-frame.topLeft());
    EXPECT_EQ(foreground.image().pixel(clientInFrame.topLeft()), window.pattern().pixel(0, 0));
}

}  // namespace
}  // namespace pictavo
